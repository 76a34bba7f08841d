#include "sim/identification.h"

#include <algorithm>
#include <cstring>

namespace sim {

Identification makeIdentification(std::uint8_t d1, std::uint8_t d2, std::uint8_t d3) {
    Identification ident{};
    std::copy(simulatorIdentValue.begin(), simulatorIdentValue.end(), ident.begin());
    ident[4] = d1;
    ident[5] = d2;
    ident[6] = d3;
    ident[7] = 0;
    return ident;
}

std::optional<Identification> parseIdentVersion(std::string_view text) {
    auto digit = [](char c) { return c >= '0' && c <= '9'; };
    if (text.size() != 4 || !digit(text[0]) || text[1] != '.' || !digit(text[2]) || !digit(text[3]))
        return std::nullopt;
    return makeIdentification(std::uint8_t(text[0] - '0'), std::uint8_t(text[2] - '0'),
                              std::uint8_t(text[3] - '0'));
}

std::optional<Identification> identificationInImage(std::span<const std::uint8_t> image) {
    constexpr std::size_t blockLengthOffset = 21;
    constexpr std::size_t minimumSize = 35;
    if (image.size() < minimumSize)
        return std::nullopt;
    const std::uint8_t blockLength = image[blockLengthOffset];
    if (std::memcmp(image.data() + 22, "INTPR", 5) != 0 || (blockLength != 9 && blockLength != 13))
        return std::nullopt;
    Identification ident;
    std::copy_n(image.begin() + 27, 4, ident.begin());
    if (blockLength == 13)
        std::copy_n(image.begin() + 31, 4, ident.begin() + 4);
    else
        std::fill(ident.begin() + 4, ident.end(), 0xFF);
    return ident;
}

} // namespace sim
