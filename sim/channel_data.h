#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace sim {

// The channel data the receiver holds: the two header values it reports on a channel open and
// the body (everything after the 14-byte file header, the "END" trailer included).
struct ChannelData {
    std::uint8_t layout = 2;
    std::uint8_t headerFlags = 0;
    std::vector<std::uint8_t> body;
};

// Size of a Channel Data File header.
constexpr std::size_t channelHeaderSize = 14;
// The largest body the PC can take in one upload.
constexpr std::size_t maxUploadBody = 1'048'576 - channelHeaderSize;

// A small valid Channel Data File (layout 2 with skew bytes: two satellites, three
// transponders, three TV and one radio program) for a receiver started without one.
ChannelData builtInChannelData();

enum class ChannelFileResult { ok, cannotRead, notChannelFile, badLength };

// Reads a Channel Data File: "CDF" magic and a length field that matches the file size are
// required. `missingEndMark` tells whether the body lacks the "END" trailer (served as it is).
ChannelFileResult loadChannelFile(const std::string& path, ChannelData& data, bool& missingEndMark);

// The whole file image of `data` with the given save time in its header.
std::vector<std::uint8_t> channelFileImage(const ChannelData& data, const std::tm& savedAt);

// Writes `data` as a Channel Data File, replacing `path` only once the whole file is written.
bool saveChannelFile(const std::string& path, const ChannelData& data, const std::tm& savedAt);

// Writes `bytes` to `path` through a temporary file that is renamed into place.
bool writeFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes);

} // namespace sim
