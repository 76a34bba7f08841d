#pragma once

#include <QString>

#include <cstdint>
#include <span>

// Before a Channel Data File goes to the receiver it must read as the editor reads it, and
// its body must fit the 16-bit block numbers of the download: a file the receiver would parse
// wrongly is never sent. Returns the message the user is shown, empty when the file may go.
QString channelDownloadRefusal(std::span<const std::uint8_t> file);
