#pragma once

// What differs between two databases in terms a user understands: satellites, transponders
// and programs added or removed (found in the other file as channel_matching.h finds them;
// besides, a satellite renamed in its place with its transponders, and a transponder moved
// in frequency in its place with its programs, are the same record with a changed value),
// their changed values (old and new), programs moved in the TV and radio lists or inside a
// favourite group, and favourite groups added, removed, renamed or with other members. The
// saved date and time are not compared: every save changes them.

#include <QJsonObject>
#include <QString>

#include <vector>

class ChannelDatabase;

struct ChannelDifference {
    enum class Change { added, removed, changed, moved };
    // "file", "LNB configuration", "satellite", "transponder", "program", "TV list",
    // "radio list", "favourite group", "favourite group N \"name\"" (its members).
    QString area;
    Change change = Change::changed;
    // Which one: a quoted name with what identifies it; empty for the file itself.
    QString subject;
    // changed: the field and its old and new values; moved: the old and new positions
    // (1-based).
    QString field;
    QString before;
    QString after;
};

// The differences from `first` to `second`, in this order: file, LNB configurations,
// satellites, transponders, programs (each removed, added, changed), list moves, favourite
// groups. Empty when the two hold the same data.
std::vector<ChannelDifference> diffChannelData(const ChannelDatabase& first,
                                               const ChannelDatabase& second);

// One line of text (without line break):
//   "program removed: \"ZDF\" (TV, ID 28006) on \"Astra\" 11953000 kHz H"
//   "program changed: \"ZDF\" (TV, ID 28006) on ...: video PID 0x006e -> 0x006f"
//   "TV list: \"ZDF\" (TV, ID 28006) moved from 3 to 7"
QString differenceLine(const ChannelDifference& difference);

// {"area", "change" ("added", "removed", "changed", "moved"), "subject", and "field",
// "old", "new" where they apply}.
QJsonObject differenceJson(const ChannelDifference& difference);
