#pragma once

// Random, valid Channel Data Files for tests, fuzz seeds and benchmarks. Every field of the
// format is exercised: both layouts, the four header flags, names of any bytes (0x00..0xFF,
// empty up to 255 bytes), empty satellites and transponders, TV and radio programs with up to
// 26 audio tracks, channel lists in an order other than the tree's, and favourite groups
// whose members and favoriteMask agree. The same options give the same bytes.

#include <QByteArray>

#include <cstdint>

class ChannelDatabase;

struct ChannelGeneratorOptions {
    std::uint32_t seed = 1;
    std::uint8_t layout = 1;
    std::uint8_t headerFlags = 0x0F;
    // Number of programs; asMany fills the file up to near the maximum file size.
    int programs = 50;
    static constexpr int asMany = -1;
    // Writes the transponder table with the satellites' transponders interleaved instead of
    // grouped by satellite (each satellite's own transponders keep their order).
    bool scatterTransponders = false;
};

// Fills `image` with a whole file and returns 0, or returns -1 (nothing changed) when the
// requested programs do not fit into the maximum file size or the layout is not 1 or 2.
// With `expected`, it also receives the database that reading the image must give.
int generateChannelImage(const ChannelGeneratorOptions& options, QByteArray& image,
                         ChannelDatabase* expected = nullptr);
