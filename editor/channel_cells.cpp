#include "editor/channel_cells.h"

#include "channels/name_codec.h"
#include "editor/pid_text.h"

#include <array>

namespace {

constexpr std::uint16_t noPid = ChannelLimits::noPid;
constexpr long long highestPid = 0x1FFF;
constexpr long long nothingRead = -1;

const std::array<QString, 6> fecTexts = {
    QStringLiteral("AUTO"), QStringLiteral("12"), QStringLiteral("23"),
    QStringLiteral("34"),   QStringLiteral("56"), QStringLiteral("78"),
};

bool isBlank(const QString& text) {
    return text.trimmed().isEmpty();
}

QString hex4(unsigned value) {
    return QString::asprintf("0x%04x", value);
}

QString pidOrEmpty(std::uint16_t pid) {
    return pid == noPid ? QString() : hex4(pid);
}

// The forms that mean "no PID": an empty cell, -1, 0xFFFF and the record's own 0x7FFF.
bool meansNoPid(long long value) {
    return value == nothingRead || value == 0xFFFF || value == noPid;
}

QString refusal(const QString& text, const char* header, const char* rule) {
    return QStringLiteral("\"%1\" cannot be stored under \"%2\": %3")
        .arg(text, QLatin1String(header), QLatin1String(rule));
}

constexpr char pidRule[] = "a PID is a number from 0 to 0x1FFF (8191), written in decimal or "
                           "as 0x followed by hexadecimal digits; leave the cell empty for none.";

// Reads a PID cell into `pid`, with 0x7FFF for none.
QString readPid(const QString& text, const char* header, std::uint16_t& pid) {
    const std::optional<long long> value = parsePidText(text);
    if (value && meansNoPid(*value)) {
        pid = noPid;
        return {};
    }
    if (!value || *value < 0 || *value > highestPid)
        return refusal(text, header, pidRule);
    pid = std::uint16_t(*value);
    return {};
}

} // namespace

QString transponderCellText(int column, const Transponder& transponder) {
    switch (column) {
    case TransponderColumn::frequency:
        return transponder.frequency == 0 ? QString() : QString::number(transponder.frequency);
    case TransponderColumn::polarization:
        // Values other than 0 and 1 from a file are shown as they are, so nobody mistakes them
        // for V or H; the record keeps them until the cell is edited.
        if (transponder.polarization <= 1)
            return transponder.polarization == 1 ? QStringLiteral("H") : QStringLiteral("V");
        return QString::number(transponder.polarization);
    case TransponderColumn::fecInner:
        if (transponder.fecInner < fecTexts.size())
            return fecTexts[transponder.fecInner];
        return QString::number(transponder.fecInner);
    case TransponderColumn::symbolRate:
        return transponder.symbolRate == 0 ? QString() : QString::number(transponder.symbolRate);
    default:
        return {};
    }
}

QString programCellText(int column, const Program& program) {
    switch (column) {
    case ProgramColumn::name:
        return NameCodec::toText(program.name);
    case ProgramColumn::serviceId:
        return hex4(program.serviceId);
    case ProgramColumn::pcrPid:
        return pidOrEmpty(program.pcrPid);
    case ProgramColumn::videoPid:
        return pidOrEmpty(program.videoPid);
    case ProgramColumn::audioPid:
        return program.audioCount == 0 ? QString() : hex4(program.audioTracks[0].audioPid & 0x1FFF);
    case ProgramColumn::teletextPid:
        return program.teletextPid == noPid ? QString() : hex4(program.teletextPid & 0x1FFF);
    case ProgramColumn::pmtPid:
        return pidOrEmpty(program.pmtPid);
    case ProgramColumn::scrambled:
        return (program.programFlags & 0x90) != 0 ? QStringLiteral("1") : QStringLiteral("0");
    default:
        return {};
    }
}

QString readTransponderCell(int column, const QString& text, Transponder& transponder) {
    switch (column) {
    case TransponderColumn::frequency: {
        if (isBlank(text)) {
            transponder.frequency = 0;
            return {};
        }
        const std::optional<long long> value = parsePidText(text);
        if (!value || *value < 0 || *value > 0xFFFFFFFFLL)
            return refusal(text, "Frequency [KHz]",
                           "the frequency is a number of kHz from 0 to 4294967295; leave the "
                           "cell empty for 0.");
        transponder.frequency = std::uint32_t(*value);
        return {};
    }
    case TransponderColumn::polarization:
        transponder.polarization = text.toUpper() == QLatin1String("H") ? 1 : 0;
        return {};
    case TransponderColumn::fecInner: {
        const QString upper = text.toUpper();
        transponder.fecInner = 0;
        for (std::size_t fec = 1; fec < fecTexts.size(); ++fec)
            if (upper == fecTexts[fec])
                transponder.fecInner = std::uint8_t(fec);
        return {};
    }
    case TransponderColumn::symbolRate: {
        if (isBlank(text)) {
            transponder.symbolRate = 0;
            return {};
        }
        // 65535 would be stored as 0, so it is refused with the other numbers out of range.
        const std::optional<long long> value = parsePidText(text);
        if (!value || *value < 0 || *value >= 0xFFFF)
            return refusal(text, "Symbol Rate [KHz]",
                           "the symbol rate is a number of kHz from 0 to 65534; leave the cell "
                           "empty for 0.");
        transponder.symbolRate = std::uint16_t(*value);
        return {};
    }
    default:
        return {};
    }
}

QString readProgramCell(int column, const QString& text, Program& program) {
    switch (column) {
    case ProgramColumn::name: {
        const std::optional<QByteArray> name = NameCodec::fromText(text);
        if (!name)
            return NameCodec::refusalMessage(text);
        program.name = *name;
        return {};
    }
    case ProgramColumn::serviceId: {
        const std::optional<long long> value = parsePidText(text);
        if (value == nothingRead) {
            program.serviceId = 0xFFFF;
            return {};
        }
        if (!value || *value < 0 || *value > 0xFFFF)
            return refusal(text, "ID",
                           "the ID is a number from 0 to 0xFFFF (65535), written in decimal or "
                           "as 0x followed by hexadecimal digits; leave the cell empty for "
                           "0xFFFF.");
        program.serviceId = std::uint16_t(*value);
        return {};
    }
    case ProgramColumn::pcrPid:
        return readPid(text, "PCR", program.pcrPid);
    case ProgramColumn::videoPid:
        return readPid(text, "VID", program.videoPid);
    case ProgramColumn::pmtPid:
        return readPid(text, "PMT", program.pmtPid);
    case ProgramColumn::teletextPid: {
        std::uint16_t pid = noPid;
        if (QString why = readPid(text, "TTXT", pid); !why.isEmpty())
            return why;
        // The receiver expects the teletext PID with bit 15 set.
        program.teletextPid = pid == noPid ? noPid : std::uint16_t(0x8000 | pid);
        return {};
    }
    case ProgramColumn::audioPid: {
        const std::optional<long long> value = parsePidText(text);
        auto& tracks = program.audioTracks;
        if (value == nothingRead) {
            // The first track goes; the others move up with their languages.
            if (program.audioCount >= 2) {
                std::copy(tracks.begin() + 1, tracks.begin() + program.audioCount, tracks.begin());
                --program.audioCount;
            } else {
                program.audioCount = 0;
            }
            return {};
        }
        if (!value || *value < 0 || *value > highestPid)
            return refusal(text, "AUD",
                           "an audio PID is a number from 0 to 0x1FFF (8191), written in decimal "
                           "or as 0x followed by hexadecimal digits; leave the cell empty to "
                           "remove the track.");
        if (program.audioCount == 0) {
            program.audioCount = 1;
            tracks[0] = AudioTrack{std::uint16_t(*value), 255};
        } else {
            // The AC3 flag stays with the track.
            tracks[0].audioPid = std::uint16_t((tracks[0].audioPid & 0x8000) | *value);
        }
        return {};
    }
    case ProgramColumn::scrambled: {
        const std::optional<long long> value = parsePidText(text);
        if (!value)
            return refusal(text, "CA",
                           "1 marks a scrambled program, 0 or an empty cell a free one.");
        if (value == nothingRead || value == 0)
            program.programFlags &= std::uint8_t(~0x90);
        else
            program.programFlags |= 0x90;
        return {};
    }
    default:
        return {};
    }
}
