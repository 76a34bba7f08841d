#include "channels/channel_data_diff.h"

#include "channels/channel_database.h"
#include "channels/channel_matching.h"
#include "channels/language_code_table.h"
#include "channels/name_codec.h"

#include <algorithm>
#include <deque>
#include <functional>
#include <map>
#include <type_traits>
#include <unordered_map>
#include <unordered_set>

namespace {

using Change = ChannelDifference::Change;
using Differences = std::vector<ChannelDifference>;

ChannelDifference entry(const QString& area, Change change, const QString& subject) {
    ChannelDifference difference;
    difference.area = area;
    difference.change = change;
    difference.subject = subject;
    return difference;
}

bool needsEscape(char16_t c) {
    return c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0) || c == u'"' || c == u'\\';
}

// A name between quotes, with control characters, quotes and backslashes escaped so that
// every difference stays on its line.
QString quoted(const QByteArray& name) {
    const QString text = NameCodec::toText(name);
    QString result;
    result.reserve(text.size() + 2);
    result += QLatin1Char('"');
    for (const QChar c : text) {
        if (!needsEscape(c.unicode()))
            result += c;
        else if (c == QLatin1Char('"') || c == QLatin1Char('\\'))
            result += QLatin1Char('\\') + c;
        else
            result += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
    }
    result += QLatin1Char('"');
    return result;
}

QString number(long long value) {
    return QString::number(value);
}

QString hex(unsigned value, int digits) {
    return QStringLiteral("0x%1").arg(value, digits, 16, QLatin1Char('0'));
}

QString pid(std::uint16_t value) {
    return value == ChannelLimits::noPid ? QStringLiteral("none") : hex(value, 4);
}

// Teletext and audio PIDs carry a flag in bit 15 beside the PID.
QString flaggedPid(std::uint16_t value, const char* flag) {
    if (value == ChannelLimits::noPid)
        return QStringLiteral("none");
    QString text = hex(value & 0x1FFFu, 4);
    if (value & 0x8000u)
        text += QLatin1Char(' ') + QLatin1String(flag);
    if (value & 0x6000u)
        text += QStringLiteral(" (%1)").arg(hex(value, 4));
    return text;
}

QString polarization(std::uint8_t value) {
    return value == 0 ? QStringLiteral("V") : value == 1 ? QStringLiteral("H") : number(value);
}

QString fec(std::uint8_t value) {
    static const char* const texts[] = {"AUTO", "1/2", "2/3", "3/4", "5/6", "7/8"};
    return value < 6 ? QString::fromLatin1(texts[value]) : number(value);
}

QString audioTrack(const AudioTrack& track) {
    return flaggedPid(track.audioPid, "AC3") + QStringLiteral(" language ") +
           LanguageCodeTable::describe(track.audioLanguage);
}

QString audioTracks(const Program& program) {
    QStringList tracks;
    for (int a = 0; a < program.audioCount && a < ChannelLimits::maxAudioTracks; ++a)
        tracks.append(audioTrack(program.audioTracks[std::size_t(a)]));
    return tracks.isEmpty() ? QStringLiteral("none") : tracks.join(QStringLiteral(", "));
}

// Programs with as many tracks as before: what changed in each track ("audio 2 language eng
// -> fra"); otherwise the whole list.
void compareAudio(const Program& a, const Program& b, const QString& area, const QString& subject,
                  Differences& out) {
    if (a.audioCount != b.audioCount || a.audioCount > ChannelLimits::maxAudioTracks) {
        const QString before = audioTracks(a);
        const QString after = audioTracks(b);
        if (before != after)
            out.push_back({area, Change::changed, subject, QStringLiteral("audio"), before, after});
        return;
    }
    for (int i = 0; i < a.audioCount; ++i) {
        const AudioTrack& x = a.audioTracks[std::size_t(i)];
        const AudioTrack& y = b.audioTracks[std::size_t(i)];
        const QString track = QStringLiteral("audio %1 ").arg(i + 1);
        if (x.audioPid != y.audioPid)
            out.push_back({area, Change::changed, subject, track + QStringLiteral("PID"),
                           flaggedPid(x.audioPid, "AC3"), flaggedPid(y.audioPid, "AC3")});
        if (x.audioLanguage != y.audioLanguage)
            out.push_back({area, Change::changed, subject, track + QStringLiteral("language"),
                           LanguageCodeTable::describe(x.audioLanguage),
                           LanguageCodeTable::describe(y.audioLanguage)});
    }
}

QString transponderText(const TransponderNode& transponder) {
    return QStringLiteral("%1 %2 kHz %3")
        .arg(quoted(transponder.satellite()->name))
        .arg(transponder.frequency)
        .arg(polarization(transponder.polarization));
}

QString programName(const ProgramNode& program) {
    return QStringLiteral("%1 (%2, ID %3)")
        .arg(quoted(program.name), program.isTv() ? QStringLiteral("TV") : QStringLiteral("radio"),
             hex(program.serviceId, 4));
}

// One comparable value of a record: its label and how it is shown.
template <typename Record>
struct Field {
    const char* label;
    std::function<QString(const Record&)> show;
    // Layouts the field belongs to (bit 1 layout 1, bit 2 layout 2, bit 4 both files
    // whatever their layouts); satellites only.
    int layouts = 7;
};

template <typename Record>
void compareFields(const std::vector<Field<Record>>& fields, const Record& a, const Record& b,
                   int layouts, const QString& area, const QString& subject, Differences& out) {
    for (const Field<Record>& field : fields) {
        if (!(field.layouts & layouts))
            continue;
        const QString before = field.show(a);
        const QString after = field.show(b);
        if (before != after)
            out.push_back(
                {area, Change::changed, subject, QString::fromLatin1(field.label), before, after});
    }
}

const std::vector<Field<Satellite>>& satelliteFields() {
    static const std::vector<Field<Satellite>> fields = {
        {"name", [](const Satellite& s) { return quoted(s.name); }},
        {"tag", [](const Satellite& s) { return hex(s.satelliteTag, 2); }},
        {"LNB configuration", [](const Satellite& s) { return number(s.lnbConfigIndex); }, 1},
        {"positioner usage", [](const Satellite& s) { return number(s.positionerUsage); }, 1},
        {"positioner index", [](const Satellite& s) { return number(s.positionerIndex); }},
        {"LNB frequency 1", [](const Satellite& s) { return number(s.lnbFrequency1); }, 2},
        {"LNB frequency 2", [](const Satellite& s) { return number(s.lnbFrequency2); }, 2},
        {"LNB control", [](const Satellite& s) { return hex(s.lnbControl, 2); }, 2},
        {"LNB type", [](const Satellite& s) { return number(s.lnbType); }, 2},
        {"DiSEqC control", [](const Satellite& s) { return hex(s.diseqcControl, 2); }, 2},
        {"DiSEqC port", [](const Satellite& s) { return number(s.diseqcPort); }, 2},
        {"positioner control", [](const Satellite& s) { return hex(s.positionerControl, 2); }, 2},
        {"orbital position", [](const Satellite& s) { return number(s.orbitalPosition); }, 2},
        {"skew", [](const Satellite& s) { return number(s.skewEnabled); }, 2},
        {"skew V", [](const Satellite& s) { return number(s.skewV); }, 2},
        {"skew H", [](const Satellite& s) { return number(s.skewH); }, 2},
    };
    return fields;
}

const std::vector<Field<Transponder>>& transponderFields() {
    static const std::vector<Field<Transponder>> fields = {
        {"frequency", [](const Transponder& t) { return number(t.frequency) + " kHz"; }},
        {"symbol rate", [](const Transponder& t) { return number(t.symbolRate); }},
        {"polarization", [](const Transponder& t) { return polarization(t.polarization); }},
        {"FEC", [](const Transponder& t) { return fec(t.fecInner); }},
        {"flags", [](const Transponder& t) { return hex(t.transponderFlags, 2); }},
        {"extra", [](const Transponder& t) { return hex(t.transponderExtra, 2); }},
    };
    return fields;
}

const std::vector<Field<Program>>& programFields() {
    static const std::vector<Field<Program>> fields = {
        {"name", [](const Program& p) { return quoted(p.name); }},
        {"service ID", [](const Program& p) { return hex(p.serviceId, 4); }},
        {"PCR PID", [](const Program& p) { return pid(p.pcrPid); }},
        {"video PID", [](const Program& p) { return pid(p.videoPid); }},
        {"teletext PID", [](const Program& p) { return flaggedPid(p.teletextPid, "flag"); }},
        {"PMT PID", [](const Program& p) { return pid(p.pmtPid); }},
        {"flags", [](const Program& p) { return hex(p.programFlags, 2); }},
        {"favourite mask", [](const Program& p) { return hex(p.favoriteMask, 2); }},
        {"extra word", [](const Program& p) { return hex(p.extraWord, 4); }},
        {"audio selection", [](const Program& p) { return number(p.audioSelection); }},
    };
    return fields;
}

const std::vector<Field<LnbConfig>>& lnbConfigFields() {
    static const std::vector<Field<LnbConfig>> fields = {
        {"LNB frequency 1", [](const LnbConfig& c) { return number(c.lnbFrequency1); }},
        {"LNB frequency 2", [](const LnbConfig& c) { return number(c.lnbFrequency2); }},
        {"LNB type", [](const LnbConfig& c) { return number(c.lnbType); }},
        {"LNB power", [](const LnbConfig& c) { return number(c.lnbPower); }},
        {"DiSEqC control", [](const LnbConfig& c) { return hex(c.diseqcControl, 2); }},
        {"DiSEqC port", [](const LnbConfig& c) { return number(c.diseqcPort); }},
        {"12 V", [](const LnbConfig& c) { return number(c.supply12V); }},
        {"22 kHz", [](const LnbConfig& c) { return number(c.tone22k); }},
    };
    return fields;
}

// Whether two programs hold the same values, derived ones (positions) aside: most programs
// of two files are equal, and this spares showing each of their fields as text.
bool sameValues(const Program& a, const Program& b) {
    if (a.serviceId != b.serviceId || a.pcrPid != b.pcrPid || a.videoPid != b.videoPid ||
        a.teletextPid != b.teletextPid || a.programFlags != b.programFlags ||
        a.favoriteMask != b.favoriteMask || a.pmtPid != b.pmtPid || a.extraWord != b.extraWord ||
        a.audioSelection != b.audioSelection || a.audioCount != b.audioCount || a.name != b.name)
        return false;
    const int tracks = std::min<int>(a.audioCount, ChannelLimits::maxAudioTracks);
    return std::equal(a.audioTracks.begin(), a.audioTracks.begin() + tracks, b.audioTracks.begin());
}

// Positions (in the second sequence) of the entries that keep their relative order: the
// longest increasing run, found in n log n. Every other common entry has moved.
std::vector<bool> keptInPlace(const std::vector<int>& positions) {
    std::vector<int> tails; // index into positions of the smallest tail of each length
    std::vector<int> previous(positions.size(), -1);
    for (std::size_t i = 0; i < positions.size(); ++i) {
        const auto it =
            std::lower_bound(tails.begin(), tails.end(), positions[i],
                             [&](int t, int value) { return positions[std::size_t(t)] < value; });
        if (it != tails.begin())
            previous[i] = *(it - 1);
        if (it == tails.end())
            tails.push_back(int(i));
        else
            *it = int(i);
    }
    std::vector<bool> kept(positions.size(), false);
    for (int i = tails.empty() ? -1 : tails.back(); i >= 0; i = previous[std::size_t(i)])
        kept[std::size_t(i)] = true;
    return kept;
}

using ProgramMap = std::unordered_map<const ProgramNode*, const ProgramNode*>;

// Programs found in both lists whose place among the common ones changed.
void compareOrder(const std::vector<ProgramNode*>& a, const std::vector<ProgramNode*>& b,
                  const ProgramMap& matches, const QString& area, Differences& out) {
    // A list may name a program more than once (a favourite group of a damaged file): each
    // occurrence in `a` pairs with the next unused one in `b`.
    std::unordered_map<const ProgramNode*, int> nextInB;
    nextInB.reserve(b.size());
    std::vector<int> following(b.size(), -1);
    for (std::size_t i = b.size(); i-- > 0;) {
        const auto [it, fresh] = nextInB.try_emplace(b[i], int(i));
        if (!fresh) {
            following[i] = it->second;
            it->second = int(i);
        }
    }
    std::vector<int> from;
    std::vector<int> to;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto match = matches.find(a[i]);
        if (match == matches.end())
            continue;
        const auto found = nextInB.find(match->second);
        if (found == nextInB.end() || found->second < 0)
            continue;
        from.push_back(int(i));
        to.push_back(found->second);
        found->second = following[std::size_t(found->second)];
    }
    const std::vector<bool> kept = keptInPlace(to);
    std::vector<std::size_t> moved;
    for (std::size_t i = 0; i < kept.size(); ++i)
        if (!kept[i])
            moved.push_back(i);
    // In the new order.
    std::sort(moved.begin(), moved.end(),
              [&](std::size_t x, std::size_t y) { return to[x] < to[y]; });
    for (std::size_t i : moved)
        out.push_back({area,
                       Change::moved,
                       programName(*a[std::size_t(from[i])]),
                       {},
                       number(from[i] + 1),
                       number(to[i] + 1)});
}

QString groupText(int index, const QByteArray& name) {
    return QStringLiteral("%1 %2").arg(index + 1).arg(quoted(name));
}

void compareGroups(const ChannelDatabase& first, const ChannelDatabase& second,
                   const ProgramMap& matches, Differences& out) {
    const int countA = std::min<int>(first.favoriteGroupCount, ChannelLimits::maxFavoriteGroups);
    const int countB = std::min<int>(second.favoriteGroupCount, ChannelLimits::maxFavoriteGroups);
    const QString area = QStringLiteral("favourite group");
    for (int g = countB; g < countA; ++g)
        out.push_back(
            entry(area, Change::removed, groupText(g, first.favoriteGroups[std::size_t(g)].name)));
    for (int g = countA; g < countB; ++g)
        out.push_back(
            entry(area, Change::added, groupText(g, second.favoriteGroups[std::size_t(g)].name)));
    for (int g = 0; g < std::min(countA, countB); ++g) {
        const FavoriteGroup& a = first.favoriteGroups[std::size_t(g)];
        const FavoriteGroup& b = second.favoriteGroups[std::size_t(g)];
        if (a.name != b.name)
            out.push_back({area, Change::changed, groupText(g, a.name), QStringLiteral("name"),
                           quoted(a.name), quoted(b.name)});
        const QString members = area + QLatin1Char(' ') + groupText(g, b.name);
        for (auto [listA, listB] :
             {std::pair{&a.tvMembers, &b.tvMembers}, std::pair{&a.radioMembers, &b.radioMembers}}) {
            std::unordered_set<const ProgramNode*> inB(listB->begin(), listB->end());
            std::unordered_set<const ProgramNode*> keptFromA;
            for (const ProgramNode* member : *listA) {
                const auto match = matches.find(member);
                if (match != matches.end() && inB.count(match->second))
                    keptFromA.insert(match->second);
                else
                    out.push_back(entry(members, Change::removed, programName(*member)));
            }
            for (const ProgramNode* member : *listB)
                if (!keptFromA.count(member))
                    out.push_back(entry(members, Change::added, programName(*member)));
            compareOrder(*listA, *listB, matches, members, out);
        }
    }
}

using ProgramPairs = std::vector<std::pair<const ProgramNode*, const ProgramNode*>>;

// Pairs the programs of `left` with those of `right` that have the same key, each one once and
// in their order; what stays unpaired is left in both lists.
template <typename KeyOf>
void pairBy(std::vector<const ProgramNode*>& left, std::vector<const ProgramNode*>& right,
            KeyOf keyOf, ProgramPairs& pairs) {
    using Key = std::invoke_result_t<KeyOf, const ProgramNode&>;
    std::map<Key, std::deque<const ProgramNode*>> waiting;
    for (const ProgramNode* p : right)
        waiting[keyOf(*p)].push_back(p);
    std::vector<const ProgramNode*> unpaired;
    for (const ProgramNode* p : left) {
        const auto it = waiting.find(keyOf(*p));
        if (it == waiting.end() || it->second.empty()) {
            unpaired.push_back(p);
            continue;
        }
        pairs.emplace_back(p, it->second.front());
        it->second.pop_front();
    }
    left = std::move(unpaired);
    right.clear();
    for (const auto& [key, rest] : waiting)
        right.insert(right.end(), rest.begin(), rest.end());
}

// The programs of two transponders that are the same, found as matching finds them: by kind
// and service ID, then by kind and name.
ProgramPairs pairPrograms(const TransponderNode& a, const TransponderNode& b) {
    std::vector<const ProgramNode*> left;
    std::vector<const ProgramNode*> right;
    for (const auto& p : a.programs())
        left.push_back(p.get());
    for (const auto& p : b.programs())
        right.push_back(p.get());
    ProgramPairs pairs;
    pairBy(
        left, right, [](const ProgramNode& p) { return std::pair(p.isTv(), p.serviceId); }, pairs);
    pairBy(
        left, right, [](const ProgramNode& p) { return std::pair(p.isTv(), p.name); }, pairs);
    return pairs;
}

// Every program of each transponder has its partner in the other.
bool keepsPrograms(const TransponderNode& a, const TransponderNode& b, const ProgramPairs& pairs) {
    return a.programCount() == b.programCount() && int(pairs.size()) == a.programCount();
}

// Records that keep their place are the same records where matching by name and frequency
// finds no partner for them: a satellite renamed where it was, with the same transponders in
// the same places, and a transponder whose frequency moved beyond the matching window where
// it was, with the same programs. Without this, such an edit reads as everything under the
// record removed and added again.
void pairKeptPlaces(const ChannelDatabase& first, const ChannelDatabase& second,
                    ChannelMatches& matches) {
    std::vector<bool> satelliteTaken(std::size_t(second.satelliteCount()), false);
    for (int b : matches.satellites)
        if (b >= 0)
            satelliteTaken[std::size_t(b)] = true;
    std::unordered_set<const TransponderNode*> transponderTaken;
    for (const auto& [a, b] : matches.transponders)
        transponderTaken.insert(b);
    const auto pairTransponders = [&](const TransponderNode& a, const TransponderNode& b,
                                      const ProgramPairs& programs) {
        matches.transponders.emplace(&a, &b);
        transponderTaken.insert(&b);
        for (const auto& [x, y] : programs)
            matches.programs.emplace(x, y);
    };

    const int satellites = std::min(first.satelliteCount(), second.satelliteCount());
    for (int s = 0; s < satellites; ++s) {
        if (matches.satellites[std::size_t(s)] >= 0 || satelliteTaken[std::size_t(s)])
            continue;
        const SatelliteNode& a = *first.satelliteAt(s);
        const SatelliteNode& b = *second.satelliteAt(s);
        if (a.transponderCount() != b.transponderCount())
            continue;
        std::vector<ProgramPairs> programs(std::size_t(a.transponderCount()));
        bool same = true;
        for (int t = 0; t < a.transponderCount() && same; ++t) {
            const TransponderNode& x = *a.transponderAt(t);
            const TransponderNode& y = *b.transponderAt(t);
            programs[std::size_t(t)] = pairPrograms(x, y);
            const unsigned apart =
                x.frequency > y.frequency ? x.frequency - y.frequency : y.frequency - x.frequency;
            same = (x.polarization == y.polarization && apart <= frequencyTolerance) ||
                   keepsPrograms(x, y, programs[std::size_t(t)]);
        }
        if (!same)
            continue;
        matches.satellites[std::size_t(s)] = s;
        satelliteTaken[std::size_t(s)] = true;
        for (int t = 0; t < a.transponderCount(); ++t)
            pairTransponders(*a.transponderAt(t), *b.transponderAt(t), programs[std::size_t(t)]);
    }

    for (int s = 0; s < first.satelliteCount(); ++s) {
        const int other = matches.satellites[std::size_t(s)];
        if (other < 0)
            continue;
        const SatelliteNode& a = *first.satelliteAt(s);
        const SatelliteNode& b = *second.satelliteAt(other);
        for (int t = 0; t < std::min(a.transponderCount(), b.transponderCount()); ++t) {
            const TransponderNode& x = *a.transponderAt(t);
            const TransponderNode& y = *b.transponderAt(t);
            if (matches.transponders.count(&x) || transponderTaken.count(&y))
                continue;
            if (const ProgramPairs programs = pairPrograms(x, y); keepsPrograms(x, y, programs))
                pairTransponders(x, y, programs);
        }
    }
}

} // namespace

std::vector<ChannelDifference> diffChannelData(const ChannelDatabase& first,
                                               const ChannelDatabase& second) {
    Differences out;
    const QString file = QStringLiteral("file");
    if (first.layout != second.layout)
        out.push_back({file,
                       Change::changed,
                       {},
                       QStringLiteral("layout"),
                       number(first.layout),
                       number(second.layout)});
    if (first.headerFlags != second.headerFlags)
        out.push_back({file,
                       Change::changed,
                       {},
                       QStringLiteral("header flags"),
                       hex(first.headerFlags, 2),
                       hex(second.headerFlags, 2)});

    const QString lnb = QStringLiteral("LNB configuration");
    const std::size_t configsA = first.layout == 1 ? first.lnbConfigs.size() : 0;
    const std::size_t configsB = second.layout == 1 ? second.lnbConfigs.size() : 0;
    for (std::size_t i = configsB; i < configsA; ++i)
        out.push_back(entry(lnb, Change::removed, number(long(i) + 1)));
    for (std::size_t i = configsA; i < configsB; ++i)
        out.push_back(entry(lnb, Change::added, number(long(i) + 1)));
    for (std::size_t i = 0; i < std::min(configsA, configsB); ++i)
        compareFields(lnbConfigFields(), first.lnbConfigs[i], second.lnbConfigs[i], 3, lnb,
                      number(long(i) + 1), out);

    ChannelMatches forward = matchChannels(first, second);
    pairKeptPlaces(first, second, forward);
    // Which of the second database's records have a partner in the first.
    std::vector<bool> satelliteMatched(std::size_t(second.satelliteCount()), false);
    for (int b : forward.satellites)
        if (b >= 0)
            satelliteMatched[std::size_t(b)] = true;
    std::unordered_set<const TransponderNode*> transponderMatched;
    for (const auto& [a, b] : forward.transponders)
        transponderMatched.insert(b);
    std::unordered_set<const ProgramNode*> programMatched;
    programMatched.reserve(forward.programs.size());
    for (const auto& [a, b] : forward.programs)
        programMatched.insert(b);

    const QString satellite = QStringLiteral("satellite");
    const QString transponder = QStringLiteral("transponder");
    const QString program = QStringLiteral("program");
    const int layouts = first.layout == second.layout ? (first.layout == 1 ? 1 : 2) : 4;

    for (int s = 0; s < first.satelliteCount(); ++s)
        if (forward.satellites[std::size_t(s)] < 0)
            out.push_back(entry(satellite, Change::removed, quoted(first.satelliteAt(s)->name)));
    for (int s = 0; s < second.satelliteCount(); ++s)
        if (!satelliteMatched[std::size_t(s)])
            out.push_back(entry(satellite, Change::added, quoted(second.satelliteAt(s)->name)));
    for (int s = 0; s < first.satelliteCount(); ++s)
        if (const int b = forward.satellites[std::size_t(s)]; b >= 0)
            compareFields<Satellite>(satelliteFields(), *first.satelliteAt(s),
                                     *second.satelliteAt(b), layouts, satellite,
                                     quoted(first.satelliteAt(s)->name), out);

    const auto eachTransponder = [](const ChannelDatabase& database, auto&& visit) {
        for (const auto& s : database.satellites())
            for (const auto& t : s->transponders())
                visit(*t);
    };
    eachTransponder(first, [&](const TransponderNode& t) {
        if (!forward.transponders.count(&t))
            out.push_back(entry(transponder, Change::removed, transponderText(t)));
    });
    eachTransponder(second, [&](const TransponderNode& t) {
        if (!transponderMatched.count(&t))
            out.push_back(entry(transponder, Change::added, transponderText(t)));
    });
    eachTransponder(first, [&](const TransponderNode& t) {
        if (const auto it = forward.transponders.find(&t); it != forward.transponders.end())
            compareFields<Transponder>(transponderFields(), t, *it->second, 3, transponder,
                                       transponderText(t), out);
    });

    // Each transponder's text is made once for all its programs, and only when one of them
    // differs.
    const auto eachProgram = [&](const ChannelDatabase& database, auto&& visit) {
        eachTransponder(database, [&](const TransponderNode& t) {
            QString where;
            const auto subject = [&](const ProgramNode& p) {
                if (where.isEmpty())
                    where = QStringLiteral(" on ") + transponderText(t);
                return programName(p) + where;
            };
            for (const auto& p : t.programs())
                visit(*p, subject);
        });
    };
    eachProgram(first, [&](const ProgramNode& p, auto&& subject) {
        if (!forward.programs.count(&p))
            out.push_back(entry(program, Change::removed, subject(p)));
    });
    eachProgram(second, [&](const ProgramNode& p, auto&& subject) {
        if (!programMatched.count(&p))
            out.push_back(entry(program, Change::added, subject(p)));
    });
    eachProgram(first, [&](const ProgramNode& p, auto&& subject) {
        if (const auto it = forward.programs.find(&p);
            it != forward.programs.end() && !sameValues(p, *it->second)) {
            const QString which = subject(p);
            compareFields<Program>(programFields(), p, *it->second, 3, program, which, out);
            compareAudio(p, *it->second, program, which, out);
        }
    });

    compareOrder(first.tvList, second.tvList, forward.programs, QStringLiteral("TV list"), out);
    compareOrder(first.radioList, second.radioList, forward.programs, QStringLiteral("radio list"),
                 out);
    compareGroups(first, second, forward.programs, out);
    return out;
}

QString differenceLine(const ChannelDifference& d) {
    switch (d.change) {
    case Change::added:
        return QStringLiteral("%1 added: %2").arg(d.area, d.subject);
    case Change::removed:
        return QStringLiteral("%1 removed: %2").arg(d.area, d.subject);
    case Change::moved:
        return QStringLiteral("%1: %2 moved from %3 to %4")
            .arg(d.area, d.subject, d.before, d.after);
    case Change::changed:
        break;
    }
    const QString what = d.subject.isEmpty() ? QString() : d.subject + QStringLiteral(": ");
    return QStringLiteral("%1 changed: %2%3 %4 -> %5")
        .arg(d.area, what, d.field, d.before, d.after);
}

QJsonObject differenceJson(const ChannelDifference& d) {
    static const char* const changes[] = {"added", "removed", "changed", "moved"};
    QJsonObject json{{"area", d.area},
                     {"change", QString::fromLatin1(changes[int(d.change)])},
                     {"subject", d.subject}};
    if (d.change == Change::changed)
        json.insert("field", d.field);
    if (d.change == Change::changed || d.change == Change::moved) {
        json.insert("old", d.before);
        json.insert("new", d.after);
    }
    return json;
}
