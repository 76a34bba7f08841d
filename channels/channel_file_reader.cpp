#include "channels/channel_file_reader.h"

#include "channels/byte_reader.h"
#include "channels/channel_database.h"
#include "channels/channel_file_check.h"
#include "channels/channel_file_format.h"

#include <QFile>

#include <new>
#include <vector>

namespace {
// Smallest sizes of the variable records, for refusing impossible counts before reading.
constexpr qsizetype lnbConfigSize = 10;
constexpr qsizetype transponderSize = 11;
// Fixed part, empty name, audio selection and count.
constexpr qsizetype minimumRadioRecord = 12 + 1 + 2;
constexpr qsizetype minimumTvRecord = minimumRadioRecord + 2;

// Thrown inside the parser only; readChannelImage turns it into -3.
struct InvalidImage {};
} // namespace

// Reads one image body into a fresh database. Every count, position and length is checked
// against the bytes left and the tables read before it.
class ChannelImageParser {
public:
    ChannelImageParser(ChannelDatabase& database, QByteArrayView body)
        : m_database(database), m_in(body) {}

    void parse() {
        if (m_database.layout == 1)
            readLnbConfigs();
        readSatellites();
        readTransponders();
        readPrograms(true, m_tvTable);
        readPrograms(false, m_radioTable);
        if (m_database.headerFlags & ChannelDatabase::favoritesFlag)
            readFavorites();
        require(m_in.ok());
        setListPositions(m_database.tvList);
        setListPositions(m_database.radioList);
    }

private:
    static void require(bool condition) {
        if (!condition)
            throw InvalidImage{};
    }
    template <typename Node>
    static Node* created(Node* node) {
        if (!node)
            throw std::bad_alloc();
        return node;
    }

    void readLnbConfigs() {
        const std::uint8_t count = m_in.u8();
        require(m_in.canHold(count, lnbConfigSize));
        m_database.lnbConfigs.reserve(count);
        for (int i = 0; i < count; ++i) {
            LnbConfig config;
            config.lnbFrequency1 = m_in.u16();
            config.lnbFrequency2 = m_in.u16();
            config.lnbType = m_in.u8();
            config.lnbPower = m_in.u8();
            config.diseqcControl = m_in.u8();
            config.diseqcPort = m_in.u8();
            config.supply12V = m_in.u8();
            config.tone22k = m_in.u8();
            m_database.lnbConfigs.push_back(config);
        }
        m_database.lnbConfigCount = count;
    }

    void readSatellites() {
        const std::uint8_t count = m_in.u8();
        const bool layout1 = m_database.layout == 1;
        const bool skew = m_database.headerFlags & ChannelDatabase::skewFlag;
        for (int i = 0; i < count; ++i) {
            Satellite satellite;
            if (layout1) {
                satellite.satelliteTag = m_in.u8();
                satellite.lnbConfigIndex = m_in.u8();
                satellite.positionerUsage = m_in.u8();
                satellite.positionerIndex = m_in.u8();
            } else {
                satellite.lnbFrequency1 = m_in.u16();
                satellite.lnbFrequency2 = m_in.u16();
                satellite.lnbControl = m_in.u8();
                satellite.lnbType = m_in.u8();
                satellite.diseqcControl = m_in.u8();
                const std::uint8_t portOrPosition = m_in.u8();
                satellite.positionerControl = m_in.u8();
                if (satellite.usesPositioner())
                    satellite.positionerIndex = portOrPosition;
                else
                    satellite.diseqcPort = portOrPosition;
                satellite.orbitalPosition = m_in.i16();
                satellite.satelliteTag = m_in.u8();
                if (skew) {
                    satellite.skewEnabled = m_in.u8();
                    satellite.skewV = m_in.u8();
                    satellite.skewH = m_in.u8();
                }
            }
            satellite.name = m_in.string();
            require(m_in.ok());
            created(m_database.appendSatellite(std::move(satellite)));
        }
    }

    void readTransponders() {
        const std::uint16_t count = m_in.u16();
        require(m_in.canHold(count, transponderSize));
        m_transponders.reserve(count);
        for (int i = 0; i < count; ++i) {
            Transponder transponder;
            transponder.satelliteIndex = m_in.u8();
            transponder.symbolRate = m_in.u16();
            transponder.frequency = m_in.u32();
            transponder.transponderFlags = m_in.u8();
            transponder.polarization = m_in.u8();
            transponder.fecInner = m_in.u8();
            transponder.transponderExtra = m_in.u8();
            require(m_in.ok() && transponder.satelliteIndex < m_database.satelliteCount());
            SatelliteNode* satellite = m_database.satelliteAt(transponder.satelliteIndex);
            m_transponders.push_back(created(m_database.attachTransponder(satellite, transponder)));
        }
    }

    void readPrograms(bool tvTable, std::vector<ProgramNode*>& table) {
        const std::uint16_t count = m_in.u16();
        const bool extraWord = m_database.headerFlags & ChannelDatabase::extraWordFlag;
        const qsizetype minimumRecord =
            (tvTable ? minimumTvRecord : minimumRadioRecord) + (extraWord ? 2 : 0);
        require(m_in.canHold(count, minimumRecord));
        table.reserve(count);
        std::vector<ProgramNode*>& list = tvTable ? m_database.tvList : m_database.radioList;
        list.reserve(list.size() + count);
        for (int i = 0; i < count; ++i) {
            Program program;
            program.transponderIndex = m_in.u16();
            program.serviceId = m_in.u16();
            program.pcrPid = m_in.u16();
            program.videoPid = tvTable ? m_in.u16() : ChannelLimits::noPid;
            program.teletextPid = m_in.u16();
            program.programFlags = m_in.u8();
            program.favoriteMask = m_in.u8();
            program.pmtPid = m_in.u16();
            if (extraWord)
                program.extraWord = m_in.u16();
            program.name = m_in.string();
            program.audioSelection = m_in.u8();
            program.audioCount = m_in.u8();
            require(m_in.ok() && program.transponderIndex < m_transponders.size() &&
                    program.audioCount <= ChannelLimits::maxAudioTracks);
            for (int a = 0; a < program.audioCount; ++a) {
                program.audioTracks[std::size_t(a)].audioPid = m_in.u16();
                program.audioTracks[std::size_t(a)].audioLanguage = m_in.u8();
            }
            require(m_in.ok());
            TransponderNode* transponder = m_transponders[program.transponderIndex];
            program.satelliteIndex = transponder->satelliteIndex;
            // A TV record without a video PID is a radio program: it joins radioList, as
            // every program joins the list of its kind.
            table.push_back(created(m_database.attachProgram(transponder, std::move(program))));
        }
    }

    void readFavorites() {
        const std::uint8_t count = m_in.u8();
        require(count <= ChannelLimits::maxFavoriteGroups);
        for (int g = 0; g < count; ++g) {
            FavoriteGroup& group = m_database.favoriteGroups[std::size_t(g)];
            group.name = m_in.string();
            readMembers(m_tvTable, group);
            readMembers(m_radioTable, group);
        }
        m_database.favoriteGroupCount = count;
    }

    // Member positions refer to the program tables of the file; each member joins the member
    // list of its program's kind.
    void readMembers(const std::vector<ProgramNode*>& table, FavoriteGroup& group) {
        const std::uint16_t count = m_in.u16();
        require(m_in.canHold(count, 2));
        for (int i = 0; i < count; ++i) {
            const std::uint16_t position = m_in.u16();
            require(position < table.size());
            ProgramNode* program = table[position];
            (program->isTv() ? group.tvMembers : group.radioMembers).push_back(program);
        }
    }

    static void setListPositions(const std::vector<ProgramNode*>& list) {
        for (std::size_t i = 0; i < list.size(); ++i)
            list[i]->listPosition = std::uint16_t(i);
    }

    ChannelDatabase& m_database;
    ByteReader m_in;
    std::vector<TransponderNode*> m_transponders;
    std::vector<ProgramNode*> m_tvTable;
    std::vector<ProgramNode*> m_radioTable;
};

namespace {
void takeHeaderValues(ChannelDatabase& database, const std::uint8_t* header) {
    database.layout = header[ChannelFileFormat::layoutOffset];
    database.headerFlags = header[ChannelFileFormat::flagsOffset];
    const std::uint8_t* date = header + ChannelFileFormat::savedDateOffset;
    database.savedDay = date[0];
    database.savedMonth = date[1];
    database.savedYear = date[2];
    database.savedHour = date[3];
    database.savedMinute = date[4];
}
} // namespace

int readChannelImage(ChannelDatabase& database, QByteArrayView image) {
    switch (checkChannelBytes(image)) {
    case ChannelFileCheckResult::ok:
        break;
    case ChannelFileCheckResult::unreadable:
        return ChannelReadResult::cannotRead;
    case ChannelFileCheckResult::badHeader:
    case ChannelFileCheckResult::missingEndMark:
        return ChannelReadResult::invalidFormat;
    }
    const auto* header = reinterpret_cast<const std::uint8_t*>(image.data());
    const std::uint8_t layout = header[ChannelFileFormat::layoutOffset];
    if (layout != 1 && layout != 2) {
        // The one refusal that is found only after the database has been emptied.
        database.clear();
        takeHeaderValues(database, header);
        return ChannelReadResult::invalidFormat;
    }
    try {
        ChannelDatabase parsed;
        for (std::size_t g = 0; g < parsed.favoriteGroups.size(); ++g)
            parsed.favoriteGroups[g].name = database.favoriteGroups[g].name;
        takeHeaderValues(parsed, header);
        const QByteArrayView body = image.sliced(ChannelFileFormat::headerSize,
                                                 image.size() - ChannelFileFormat::headerSize -
                                                     ChannelFileFormat::trailerSize);
        ChannelImageParser(parsed, body).parse();
        database = std::move(parsed);
    } catch (const InvalidImage&) {
        return ChannelReadResult::invalidFormat;
    } catch (const std::bad_alloc&) {
        return ChannelReadResult::outOfMemory;
    }
    return ChannelReadResult::ok;
}

int readChannelFile(ChannelDatabase& database, const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return ChannelReadResult::cannotOpen;
    switch (checkChannelFile(file)) {
    case ChannelFileCheckResult::ok:
        break;
    case ChannelFileCheckResult::unreadable:
        return ChannelReadResult::cannotRead;
    case ChannelFileCheckResult::badHeader:
    case ChannelFileCheckResult::missingEndMark:
        return ChannelReadResult::invalidFormat;
    }
    QByteArray bytes;
    try {
        const qint64 size = file.size();
        bytes = QByteArray(size, Qt::Uninitialized);
        if (!file.seek(0) || file.read(bytes.data(), size) != size)
            return ChannelReadResult::cannotRead;
    } catch (const std::bad_alloc&) {
        return ChannelReadResult::outOfMemory;
    }
    return readChannelImage(database, bytes);
}
