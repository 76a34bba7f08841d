// Fuzzes the comparison of two files and the order taken from a reference file. An input is
// two Channel Data Files: the first two bytes give the length of the first, the rest is the
// second; each gets its magic, length field and trailer set right so that mutations reach the
// bodies. Whatever the files hold (duplicate names, positions, service IDs, frequencies), a
// file compared with itself shows no difference, and a file ordered after the other still
// holds every program once in the list of its kind, with sound favourite members.

#include "channels/channel_data_diff.h"
#include "channels/channel_database.h"
#include "channels/channel_file_format.h"
#include "channels/channel_file_reader.h"
#include "channels/channel_reference_order.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {
void require(bool condition) {
    if (!condition)
        std::abort();
}

bool readFramed(ChannelDatabase& database, const std::uint8_t* data, std::size_t size) {
    if (size < ChannelFileFormat::headerSize + ChannelFileFormat::trailerSize)
        return false;
    QByteArray image(reinterpret_cast<const char*>(data), qsizetype(size));
    std::memcpy(image.data(), "CDF", 3);
    const std::uint32_t body = std::uint32_t(size - ChannelFileFormat::headerSize);
    for (int i = 0; i < 4; ++i)
        image[ChannelFileFormat::bodyLengthOffset + i] = char(body >> (8 * i));
    std::memcpy(image.data() + image.size() - 3, "END", 3);
    return readChannelImage(database, image) == 0;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    const std::size_t split = std::min<std::size_t>(size - 2, std::size_t(data[0] | data[1] << 8));
    ChannelDatabase first;
    ChannelDatabase again;
    ChannelDatabase second;
    if (!readFramed(first, data + 2, split) ||
        !readFramed(second, data + 2 + split, size - 2 - split))
        return 0;
    readFramed(again, data + 2, split);
    require(diffChannelData(first, again).empty());
    for (const ChannelDifference& difference : diffChannelData(first, second)) {
        require(!differenceLine(difference).contains(QLatin1Char('\n')));
        require(!differenceJson(difference).isEmpty());
    }

    const std::size_t tv = first.tvList.size();
    const std::size_t radio = first.radioList.size();
    ChannelOrder order = channelOrderOf(first);
    const ReferenceOrderCounts counts =
        orderFromReference(first, order, &Program::favoriteMask, second);
    adoptChannelOrder(first, std::move(order));
    require(std::size_t(counts.tvMatched + counts.tvUnmatched) == tv);
    require(std::size_t(counts.radioMatched + counts.radioUnmatched) == radio);
    require(first.tvList.size() == tv && first.radioList.size() == radio);
    // What the writer demands of the lists and favourite members.
    require(first.assignListPositions());
    return 0;
}
