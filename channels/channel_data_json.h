#pragma once

#include <QJsonObject>

class ChannelDatabase;

// The whole database as JSON, every field under its own name: header values, LNB
// configurations (layout 1), satellites with the fields of their layout, their transponders
// and programs with the audio tracks in use, tvList and radioList as references
// {"satellite", "transponder", "program"} (positions in the hierarchy), and the favourite
// groups in use with their members as positions in tvList and radioList.
// Names map each byte to the code point of the same value (U+0000..U+00FF), so they survive
// whatever bytes they hold.
QJsonObject channelDataToJson(const ChannelDatabase& database);
