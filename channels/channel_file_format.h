#pragma once

// Fixed values of the Channel Data File format and the result codes of its reader and writer.

#include <QtGlobal>

namespace ChannelFileFormat {
constexpr qsizetype headerSize = 14;
constexpr qsizetype trailerSize = 3;
// The largest file the writer produces: the size of its image buffer.
constexpr qsizetype maxFileSize = 555643;
constexpr char magic[] = "CDF";
constexpr char trailer[] = "END";
// Header offsets.
constexpr int layoutOffset = 3;
constexpr int flagsOffset = 4;
constexpr int savedDateOffset = 5;
constexpr int bodyLengthOffset = 10;
} // namespace ChannelFileFormat

// Results of readChannelFile and readChannelImage.
namespace ChannelReadResult {
constexpr int ok = 0;
constexpr int cannotOpen = -1;
constexpr int cannotRead = -2;
constexpr int invalidFormat = -3;
constexpr int outOfMemory = -10;
} // namespace ChannelReadResult

// Results of writeChannelFile and encodeChannelImage.
namespace ChannelWriteResult {
constexpr int ok = 0;
constexpr int cannotCreate = -1;
// The database cannot be written in this format (inconsistent, or too large for the file).
constexpr int serializerError = -2;
} // namespace ChannelWriteResult
