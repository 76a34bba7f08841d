#include "channels/program_cleanup.h"

#include "channels/channel_database.h"
#include "channels/channel_matching.h"

#include <QLocale>

#include <unordered_map>
#include <unordered_set>

namespace ProgramCleanup {

namespace {

constexpr std::uint16_t noServiceId = 0xFFFF;

template <typename Rule>
std::vector<bool> each(const std::vector<ProgramNode*>& programs, Rule rule) {
    std::vector<bool> picked(programs.size());
    for (std::size_t i = 0; i < programs.size(); ++i)
        picked[i] = rule(*programs[i]);
    return picked;
}

struct ServiceKey {
    const TransponderNode* transponder;
    std::uint16_t serviceId;
    bool operator==(const ServiceKey&) const = default;
};

struct ServiceKeyHash {
    std::size_t operator()(const ServiceKey& key) const {
        return std::hash<const void*>()(key.transponder) ^ (std::size_t(key.serviceId) << 1);
    }
};

struct NameKey {
    const TransponderNode* transponder;
    QByteArray name;
    bool operator==(const NameKey&) const = default;
};

struct NameKeyHash {
    std::size_t operator()(const NameKey& key) const {
        return std::hash<const void*>()(key.transponder) ^ qHash(key.name);
    }
};

// Blanks around a name do not make it another name.
QByteArray comparableName(const QByteArray& name) {
    return name.trimmed();
}

QString number(int value) {
    return QLocale(QLocale::English, QLocale::UnitedStates).toString(value);
}

QString counted(int value, const char* one, const char* many) {
    return QStringLiteral("%1 %2").arg(number(value), QLatin1String(value == 1 ? one : many));
}

} // namespace

bool isScrambled(const Program& program) {
    return (program.programFlags & 0x90) != 0;
}

bool isUnnamed(const Program& program) {
    for (const char byte : program.name)
        if (static_cast<unsigned char>(byte) > ' ')
            return false;
    return true;
}

std::vector<bool> scrambled(const std::vector<ProgramNode*>& programs) {
    return each(programs, [](const Program& p) { return isScrambled(p); });
}

std::vector<bool> unnamed(const std::vector<ProgramNode*>& programs) {
    return each(programs, [](const Program& p) { return isUnnamed(p); });
}

std::vector<bool> duplicates(const std::vector<ProgramNode*>& programs) {
    std::unordered_set<ServiceKey, ServiceKeyHash> services;
    std::unordered_set<NameKey, NameKeyHash> names;
    services.reserve(programs.size());
    names.reserve(programs.size());
    std::vector<bool> picked(programs.size());
    for (std::size_t i = 0; i < programs.size(); ++i) {
        const ProgramNode* program = programs[i];
        bool seen = false;
        if (program->serviceId != noServiceId)
            seen |= !services.insert({program->transponder(), program->serviceId}).second;
        if (!isUnnamed(*program))
            seen |= !names.insert({program->transponder(), comparableName(program->name)}).second;
        picked[i] = seen;
    }
    return picked;
}

std::vector<bool> notIn(const std::vector<ProgramNode*>& programs, const ChannelMatches& matches) {
    return each(programs, [&matches](const ProgramNode& p) { return !matches.programs.count(&p); });
}

std::vector<ProgramNode*> pick(const ChannelDatabase& database, const Options& options,
                               Counts& counts) {
    counts = {};
    ChannelMatches matches;
    if (options.reference)
        matches = matchChannels(database, *options.reference);
    std::vector<ProgramNode*> result;
    for (const std::vector<ProgramNode*>* list : {&database.tvList, &database.radioList}) {
        std::vector<bool> picked(list->size());
        const auto take = [&](const std::vector<bool>& rule, int& count) {
            for (std::size_t i = 0; i < rule.size(); ++i)
                if (rule[i] && !picked[i]) {
                    picked[i] = true;
                    ++count;
                }
        };
        if (options.scrambled)
            take(scrambled(*list), counts.scrambled);
        if (options.unnamed)
            take(unnamed(*list), counts.unnamed);
        if (options.reference)
            take(notIn(*list, matches), counts.notInReference);
        if (options.duplicates) {
            std::vector<ProgramNode*> staying;
            std::vector<std::size_t> at;
            for (std::size_t i = 0; i < list->size(); ++i)
                if (!picked[i]) {
                    staying.push_back((*list)[i]);
                    at.push_back(i);
                }
            const std::vector<bool> twice = duplicates(staying);
            for (std::size_t j = 0; j < twice.size(); ++j)
                if (twice[j]) {
                    picked[at[j]] = true;
                    ++counts.duplicates;
                }
        }
        for (std::size_t i = 0; i < list->size(); ++i)
            if (picked[i])
                result.push_back((*list)[i]);
            else
                ++counts.left;
    }
    return result;
}

QString summary(const Counts& counts, const Options& options) {
    QStringList parts;
    if (options.duplicates)
        parts << counted(counts.duplicates, "duplicate", "duplicates");
    if (options.scrambled)
        parts << QStringLiteral("%1 scrambled").arg(number(counts.scrambled));
    if (options.unnamed)
        parts << QStringLiteral("%1 unnamed").arg(number(counts.unnamed));
    if (options.reference)
        parts << QStringLiteral("%1 not in the reference").arg(number(counts.notInReference));
    return QStringLiteral("removed %1: %2; %3 left")
        .arg(counted(counts.removed(), "program", "programs"), parts.join(QStringLiteral(", ")),
             number(counts.left));
}

std::vector<ProgramNode*> unlisted(const ChannelDatabase& database) {
    std::unordered_set<const ProgramNode*> listed;
    listed.reserve(database.tvList.size() + database.radioList.size());
    listed.insert(database.tvList.begin(), database.tvList.end());
    listed.insert(database.radioList.begin(), database.radioList.end());
    std::vector<ProgramNode*> result;
    for (const auto& satellite : database.satellites())
        for (const auto& transponder : satellite->transponders())
            for (const auto& program : transponder->programs())
                if (!listed.count(program.get()))
                    result.push_back(program.get());
    return result;
}

} // namespace ProgramCleanup
