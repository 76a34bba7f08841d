#include "channels/channel_file_writer.h"

#include "channels/atomic_file.h"
#include "channels/byte_writer.h"
#include "channels/channel_database.h"
#include "channels/channel_file_format.h"

#include <new>

namespace {
void writeLnbConfig(ByteWriter& out, const LnbConfig& config) {
    out.u16(config.lnbFrequency1);
    out.u16(config.lnbFrequency2);
    out.u8(config.lnbType);
    out.u8(config.lnbPower);
    out.u8(config.diseqcControl);
    out.u8(config.diseqcPort);
    out.u8(config.supply12V);
    out.u8(config.tone22k);
}

void writeSatellite(ByteWriter& out, const Satellite& satellite, int layout, bool skew) {
    if (layout == 1) {
        out.u8(satellite.satelliteTag);
        out.u8(satellite.lnbConfigIndex);
        out.u8(satellite.positionerUsage);
        out.u8(satellite.positionerIndex);
    } else {
        out.u16(satellite.lnbFrequency1);
        out.u16(satellite.lnbFrequency2);
        out.u8(satellite.lnbControl);
        out.u8(satellite.lnbType);
        out.u8(satellite.diseqcControl);
        out.u8(satellite.usesPositioner() ? satellite.positionerIndex : satellite.diseqcPort);
        out.u8(satellite.positionerControl);
        out.i16(satellite.orbitalPosition);
        out.u8(satellite.satelliteTag);
        if (skew) {
            out.u8(satellite.skewEnabled);
            out.u8(satellite.skewV);
            out.u8(satellite.skewH);
        }
    }
    out.string(satellite.name);
}

void writeTransponder(ByteWriter& out, const Transponder& transponder) {
    out.u8(transponder.satelliteIndex);
    out.u16(transponder.symbolRate);
    out.u32(transponder.frequency);
    out.u8(transponder.transponderFlags);
    out.u8(transponder.polarization);
    out.u8(transponder.fecInner);
    out.u8(transponder.transponderExtra);
}

void writeProgram(ByteWriter& out, const Program& program, bool tvRecord, bool extraWord) {
    out.u16(program.transponderIndex);
    out.u16(program.serviceId);
    out.u16(program.pcrPid);
    if (tvRecord)
        out.u16(program.videoPid);
    out.u16(program.teletextPid);
    out.u8(program.programFlags);
    out.u8(program.favoriteMask);
    out.u16(program.pmtPid);
    if (extraWord)
        out.u16(program.extraWord);
    out.string(program.name);
    out.u8(program.audioSelection);
    out.u8(program.audioCount);
    for (int a = 0; a < program.audioCount; ++a) {
        out.u16(program.audioTracks[std::size_t(a)].audioPid);
        out.u8(program.audioTracks[std::size_t(a)].audioLanguage);
    }
}

void writeMembers(ByteWriter& out, const std::vector<ProgramNode*>& members) {
    out.u16(std::uint16_t(members.size()));
    for (const ProgramNode* member : members)
        out.u16(member->listPosition);
}

bool fitsFormat(const ChannelDatabase& database) {
    if (database.layout != 1 && database.layout != 2)
        return false;
    if (database.layout == 1 && database.lnbConfigs.size() != database.lnbConfigCount)
        return false;
    if ((database.headerFlags & ChannelDatabase::favoritesFlag) &&
        database.favoriteGroupCount > ChannelLimits::maxFavoriteGroups)
        return false;
    for (int g = 0; g < database.favoriteGroupCount && g < ChannelLimits::maxFavoriteGroups; ++g) {
        const FavoriteGroup& group = database.favoriteGroups[std::size_t(g)];
        if (group.tvMembers.size() > 0xFFFF || group.radioMembers.size() > 0xFFFF)
            return false;
    }
    for (const auto& satellite : database.satellites())
        for (const auto& transponder : satellite->transponders())
            for (const auto& program : transponder->programs())
                if (program->audioCount > ChannelLimits::maxAudioTracks)
                    return false;
    return true;
}

QByteArray buildImage(ChannelDatabase& database) {
    const bool skew = database.headerFlags & ChannelDatabase::skewFlag;
    const bool extraWord = database.headerFlags & ChannelDatabase::extraWordFlag;
    ByteWriter out(ChannelFileFormat::maxFileSize);

    out.bytes(ChannelFileFormat::magic, 3);
    out.u8(database.layout);
    out.u8(database.headerFlags);
    out.u8(database.savedDay);
    out.u8(database.savedMonth);
    out.u8(database.savedYear);
    out.u8(database.savedHour);
    out.u8(database.savedMinute);
    out.u32(0); // body length, set at the end

    if (database.layout == 1) {
        out.u8(database.lnbConfigCount);
        for (const LnbConfig& config : database.lnbConfigs)
            writeLnbConfig(out, config);
    }
    out.u8(std::uint8_t(database.satelliteCount()));
    for (const auto& satellite : database.satellites())
        writeSatellite(out, *satellite, database.layout, skew);

    // Transponders grouped by satellite, in tree order, each with its satellite's position.
    out.u16(std::uint16_t(database.transponderTotal()));
    for (int s = 0; s < database.satelliteCount(); ++s) {
        for (const auto& transponder : database.satelliteAt(s)->transponders()) {
            transponder->satelliteIndex = std::uint8_t(s);
            writeTransponder(out, *transponder);
        }
    }

    database.renumber();
    out.u16(std::uint16_t(database.tvList.size()));
    for (const ProgramNode* program : database.tvList)
        writeProgram(out, *program, true, extraWord);
    out.u16(std::uint16_t(database.radioList.size()));
    for (const ProgramNode* program : database.radioList)
        writeProgram(out, *program, false, extraWord);

    if (database.headerFlags & ChannelDatabase::favoritesFlag) {
        out.u8(database.favoriteGroupCount);
        for (int g = 0; g < database.favoriteGroupCount; ++g) {
            const FavoriteGroup& group = database.favoriteGroups[std::size_t(g)];
            out.string(group.name);
            writeMembers(out, group.tvMembers);
            writeMembers(out, group.radioMembers);
        }
    }

    out.bytes(ChannelFileFormat::trailer, 3);
    if (!out.ok())
        return {};
    out.patchU32(ChannelFileFormat::bodyLengthOffset,
                 std::uint32_t(out.position() - ChannelFileFormat::headerSize));
    return out.take();
}
} // namespace

void stampSavedTime(ChannelDatabase& database, const QDateTime& localTime) {
    const QDate date = localTime.date();
    const QTime time = localTime.time();
    database.savedDay = std::uint8_t(date.day());
    database.savedMonth = std::uint8_t(date.month());
    database.savedYear = std::uint8_t(date.year() - 2000);
    database.savedHour = std::uint8_t(time.hour());
    database.savedMinute = std::uint8_t(time.minute());
}

int encodeChannelImage(ChannelDatabase& database, QByteArray& image) {
    try {
        if (!fitsFormat(database))
            return ChannelWriteResult::serializerError;
        // Without the favourites section there are no groups in use.
        if (!(database.headerFlags & ChannelDatabase::favoritesFlag))
            database.favoriteGroupCount = 0;
        database.settleProgramKinds();
        if (!database.assignListPositions())
            return ChannelWriteResult::serializerError;
        QByteArray built = buildImage(database);
        if (built.isEmpty())
            return ChannelWriteResult::serializerError;
        image = std::move(built);
    } catch (const std::bad_alloc&) {
        return ChannelWriteResult::serializerError;
    }
    return ChannelWriteResult::ok;
}

int writeChannelFile(ChannelDatabase& database, const QString& path) {
    stampSavedTime(database, QDateTime::currentDateTime());
    QByteArray image;
    const int result = encodeChannelImage(database, image);
    if (result != ChannelWriteResult::ok)
        return result;
    return writeFileAtomically(path, image) == 0 ? ChannelWriteResult::ok
                                                 : ChannelWriteResult::cannotCreate;
}
