#pragma once

// The plain records of the channel data. Each is a value: copyable and comparable. The
// default values of Transponder and Program are those of a transponder or program the editor
// creates. Names are bytes, carried unchanged from file to file whatever they hold.

#include <QByteArray>

#include <array>
#include <cstdint>

namespace ChannelLimits {
// The value of every PID field that holds no PID.
constexpr std::uint16_t noPid = 0x7FFF;
constexpr int maxAudioTracks = 26;
constexpr int maxFavoriteGroups = 8;
constexpr int maxNameLength = 255;
constexpr int maxSatellites = 255;
constexpr int maxTransponders = 65535;
// For the TV list and the radio list each.
constexpr int maxProgramsPerList = 65535;
} // namespace ChannelLimits

// One entry of the shared LNB configuration table (layout 1 only).
struct LnbConfig {
    std::uint16_t lnbFrequency1 = 0;
    std::uint16_t lnbFrequency2 = 0;
    std::uint8_t lnbType = 0;
    std::uint8_t lnbPower = 0;
    std::uint8_t diseqcControl = 0;
    std::uint8_t diseqcPort = 0;
    std::uint8_t supply12V = 0;
    std::uint8_t tone22k = 0;

    bool operator==(const LnbConfig&) const = default;
};

struct Satellite {
    QByteArray name;
    std::uint8_t satelliteTag = 0;
    // Layout 1.
    std::uint8_t lnbConfigIndex = 0;
    std::uint8_t positionerUsage = 0;
    // Both layouts.
    std::uint8_t positionerIndex = 0;
    // Layout 2.
    std::uint16_t lnbFrequency1 = 0;
    std::uint16_t lnbFrequency2 = 0;
    std::uint8_t lnbControl = 0;
    std::uint8_t lnbType = 0;
    std::uint8_t diseqcControl = 0;
    std::uint8_t diseqcPort = 0;
    std::uint8_t positionerControl = 0;
    std::int16_t orbitalPosition = 0;
    std::uint8_t skewEnabled = 0;
    std::uint8_t skewV = 0;
    std::uint8_t skewH = 0;

    // In layout 2 diseqcPort and positionerIndex share one file byte, chosen by bit 7 of
    // positionerControl.
    bool usesPositioner() const { return (positionerControl & 0x80) != 0; }

    bool operator==(const Satellite&) const = default;
};

struct Transponder {
    std::uint8_t satelliteIndex = 0;
    std::uint16_t symbolRate = 0;
    std::uint32_t frequency = 0;
    std::uint8_t transponderFlags = 0xA0;
    std::uint8_t polarization = 0;
    std::uint8_t fecInner = 0;
    std::uint8_t transponderExtra = 0;

    bool operator==(const Transponder&) const = default;
};

struct AudioTrack {
    // PID in bits 0-12, bit 15 set for an AC3 track.
    std::uint16_t audioPid = ChannelLimits::noPid;
    // Index into the language code table, 255 for none.
    std::uint8_t audioLanguage = 255;

    bool operator==(const AudioTrack&) const = default;
};

struct Program {
    std::uint16_t transponderIndex = 0;
    std::uint16_t serviceId = 0xFFFF;
    std::uint16_t pcrPid = ChannelLimits::noPid;
    // A program without a video PID is a radio program, any other a TV program. Change it
    // with ChannelDatabase::setVideoPid so that the program follows into the right lists.
    std::uint16_t videoPid = ChannelLimits::noPid;
    std::uint16_t teletextPid = ChannelLimits::noPid;
    std::uint8_t programFlags = 0;
    std::uint8_t favoriteMask = 0;
    std::uint16_t pmtPid = ChannelLimits::noPid;
    std::uint16_t extraWord = 0;
    QByteArray name;
    std::uint8_t audioSelection = 255;
    std::uint8_t audioCount = 0;
    std::array<AudioTrack, ChannelLimits::maxAudioTracks> audioTracks{};
    std::uint8_t satelliteIndex = 0;
    std::uint16_t listPosition = 0;
    // Working copy of favoriteMask for the channel list window; never stored in a file.
    std::uint8_t pendingFavoriteMask = 0;

    bool hasVideo() const { return videoPid != ChannelLimits::noPid; }
    bool isScrambled() const { return (programFlags & 0x90) == 0x90; }

    bool operator==(const Program&) const = default;
};

// A satellite that owns at least one program: its position in the satellite list and name.
struct ProgramSatelliteEntry {
    std::uint8_t satelliteIndex = 0;
    QByteArray name;

    bool operator==(const ProgramSatelliteEntry&) const = default;
};
