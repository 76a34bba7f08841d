#include "channels/channel_data_json.h"
#include "channels/name_codec.h"

#include "channels/channel_database.h"

#include <QJsonArray>

#include <unordered_map>

namespace {
QString nameText(const QByteArray& name) {
    return NameCodec::toText(name);
}

QJsonObject lnbConfigJson(const LnbConfig& config) {
    return {{"lnbFrequency1", config.lnbFrequency1},
            {"lnbFrequency2", config.lnbFrequency2},
            {"lnbType", config.lnbType},
            {"lnbPower", config.lnbPower},
            {"diseqcControl", config.diseqcControl},
            {"diseqcPort", config.diseqcPort},
            {"supply12V", config.supply12V},
            {"tone22k", config.tone22k}};
}

QJsonObject satelliteJson(const SatelliteNode& satellite, const ChannelDatabase& database) {
    QJsonObject json{{"name", nameText(satellite.name)},
                     {"satelliteTag", satellite.satelliteTag},
                     {"transponderCount", satellite.transponderCount()},
                     {"positionerIndex", satellite.positionerIndex}};
    if (database.layout == 1) {
        json.insert("lnbConfigIndex", satellite.lnbConfigIndex);
        json.insert("positionerUsage", satellite.positionerUsage);
    } else {
        json.insert("lnbFrequency1", satellite.lnbFrequency1);
        json.insert("lnbFrequency2", satellite.lnbFrequency2);
        json.insert("lnbControl", satellite.lnbControl);
        json.insert("lnbType", satellite.lnbType);
        json.insert("diseqcControl", satellite.diseqcControl);
        json.insert("diseqcPort", satellite.diseqcPort);
        json.insert("positionerControl", satellite.positionerControl);
        json.insert("orbitalPosition", satellite.orbitalPosition);
        json.insert("skewEnabled", satellite.skewEnabled);
        json.insert("skewV", satellite.skewV);
        json.insert("skewH", satellite.skewH);
    }
    return json;
}

QJsonObject transponderJson(const TransponderNode& transponder) {
    return {{"satelliteIndex", transponder.satelliteIndex},
            {"symbolRate", transponder.symbolRate},
            {"frequency", qint64(transponder.frequency)},
            {"transponderFlags", transponder.transponderFlags},
            {"polarization", transponder.polarization},
            {"fecInner", transponder.fecInner},
            {"transponderExtra", transponder.transponderExtra},
            {"tvCount", transponder.tvCount()},
            {"radioCount", transponder.radioCount()}};
}

QJsonObject programJson(const ProgramNode& program) {
    QJsonArray tracks;
    for (int a = 0; a < program.audioCount && a < ChannelLimits::maxAudioTracks; ++a) {
        const AudioTrack& track = program.audioTracks[std::size_t(a)];
        tracks.append(
            QJsonObject{{"audioPid", track.audioPid}, {"audioLanguage", track.audioLanguage}});
    }
    return {{"name", nameText(program.name)},
            {"transponderIndex", program.transponderIndex},
            {"serviceId", program.serviceId},
            {"pcrPid", program.pcrPid},
            {"videoPid", program.videoPid},
            {"teletextPid", program.teletextPid},
            {"programFlags", program.programFlags},
            {"favoriteMask", program.favoriteMask},
            {"pmtPid", program.pmtPid},
            {"extraWord", program.extraWord},
            {"audioSelection", program.audioSelection},
            {"audioCount", program.audioCount},
            {"audioTracks", tracks},
            {"satelliteIndex", program.satelliteIndex},
            {"listPosition", program.listPosition}};
}

struct TreePlace {
    int satellite;
    int transponder;
    int program;
};

QJsonArray referenceList(const std::vector<ProgramNode*>& list,
                         const std::unordered_map<const ProgramNode*, TreePlace>& places) {
    QJsonArray json;
    for (const ProgramNode* program : list) {
        const auto found = places.find(program);
        const TreePlace place = found == places.end() ? TreePlace{-1, -1, -1} : found->second;
        json.append(QJsonObject{{"satellite", place.satellite},
                                {"transponder", place.transponder},
                                {"program", place.program}});
    }
    return json;
}

QJsonArray memberPositions(const std::vector<ProgramNode*>& members,
                           const std::vector<ProgramNode*>& list) {
    std::unordered_map<const ProgramNode*, int> positions;
    for (std::size_t i = 0; i < list.size(); ++i)
        positions.emplace(list[i], int(i));
    QJsonArray json;
    for (const ProgramNode* member : members) {
        const auto found = positions.find(member);
        json.append(found == positions.end() ? -1 : found->second);
    }
    return json;
}
} // namespace

QJsonObject channelDataToJson(const ChannelDatabase& database) {
    QJsonObject json{{"layout", database.layout},          {"headerFlags", database.headerFlags},
                     {"savedDay", database.savedDay},      {"savedMonth", database.savedMonth},
                     {"savedYear", database.savedYear},    {"savedHour", database.savedHour},
                     {"savedMinute", database.savedMinute}};
    if (database.layout == 1) {
        QJsonArray configs;
        for (const LnbConfig& config : database.lnbConfigs)
            configs.append(lnbConfigJson(config));
        json.insert("lnbConfigCount", database.lnbConfigCount);
        json.insert("lnbConfigs", configs);
    }

    std::unordered_map<const ProgramNode*, TreePlace> places;
    QJsonArray satellites;
    for (int s = 0; s < database.satelliteCount(); ++s) {
        const SatelliteNode& satellite = *database.satelliteAt(s);
        QJsonArray transponders;
        for (int t = 0; t < satellite.transponderCount(); ++t) {
            const TransponderNode& transponder = *satellite.transponderAt(t);
            QJsonArray programs;
            for (int p = 0; p < transponder.programCount(); ++p) {
                const ProgramNode* program = transponder.programAt(p);
                places.emplace(program, TreePlace{s, t, p});
                programs.append(programJson(*program));
            }
            QJsonObject transponderObject = transponderJson(transponder);
            transponderObject.insert("programs", programs);
            transponders.append(transponderObject);
        }
        QJsonObject satelliteObject = satelliteJson(satellite, database);
        satelliteObject.insert("transponders", transponders);
        satellites.append(satelliteObject);
    }
    json.insert("satellites", satellites);
    json.insert("tvList", referenceList(database.tvList, places));
    json.insert("radioList", referenceList(database.radioList, places));

    QJsonArray groups;
    for (int g = 0; g < database.favoriteGroupCount && g < ChannelLimits::maxFavoriteGroups; ++g) {
        const FavoriteGroup& group = database.favoriteGroups[std::size_t(g)];
        groups.append(
            QJsonObject{{"name", nameText(group.name)},
                        {"tvMembers", memberPositions(group.tvMembers, database.tvList)},
                        {"radioMembers", memberPositions(group.radioMembers, database.radioList)}});
    }
    json.insert("favoriteGroupCount", database.favoriteGroupCount);
    json.insert("favoriteGroups", groups);
    return json;
}
