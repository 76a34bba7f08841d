#include "sim/pc_input_parser.h"

#include "tests/sim/sim_test_support.h"

#include <gtest/gtest.h>

using namespace simtest;
using sim::InputItem;
using sim::Listening;

namespace {

struct Fed {
    sim::PcInputParser parser{300ms};
    sim::TimePoint now{};
    std::vector<InputItem> items;

    void feed(const Bytes& bytes) {
        for (std::uint8_t b : bytes)
            parser.feed(b, now, items);
    }
};

} // namespace

TEST(PcInputParser, CutsGoodFramesAndResynchronisesAfterBadOnes) {
    Fed f;
    f.parser.listen(Listening::frames);
    Bytes badChecksum = frame(CMD_PROBE);
    badChecksum.back() ^= 1;
    // Noise, a frame with a bad checksum, a length out of range, then two good frames; the
    // second good frame hides behind a false start byte.
    f.feed(concat({{0x00, 0x09},
                   badChecksum,
                   {0xA5, 0x05, 0x04},
                   frame(CMD_CHANNEL_OPEN),
                   {0xA5},
                   frame(CMD_UPLOAD_BLOCK, {3, 0})}));
    ASSERT_EQ(f.items.size(), 2u);
    EXPECT_EQ(f.items[0].bytes, frame(CMD_CHANNEL_OPEN));
    EXPECT_EQ(f.items[1].bytes, frame(CMD_UPLOAD_BLOCK, {3, 0}));
    EXPECT_EQ(f.items[0].kind, InputItem::Kind::frame);
}

TEST(PcInputParser, AcceptsLengthsFromTwoTo1028Only) {
    Fed f;
    f.parser.listen(Listening::frames);
    f.feed(frame(CMD_DOWNLOAD_BLOCK, Bytes(1026, 0x5A))); // length field 1028
    ASSERT_EQ(f.items.size(), 1u);
    EXPECT_EQ(f.items[0].bytes.size(), 1031u);
    f.feed(frame(CMD_DOWNLOAD_BLOCK, Bytes(1027, 0x00))); // length field 1029
    f.feed({0xA5, 0x01, 0x00, 0x11});                     // length field 1
    EXPECT_EQ(f.items.size(), 1u);
}

TEST(PcInputParser, GivesUpAPartialItemAfterItsTimeout) {
    Fed f;
    f.parser.listen(Listening::frames);
    f.feed({0xA5, 0x04, 0x00, 0x22});
    ASSERT_TRUE(f.parser.partialDeadline());
    EXPECT_EQ(*f.parser.partialDeadline(), f.now + 300ms);
    EXPECT_FALSE(f.parser.expire(f.now + 299ms));
    EXPECT_EQ(f.parser.expire(f.now + 300ms), Listening::frames);
    EXPECT_FALSE(f.parser.hasPartial());
    f.feed(frame(CMD_PROBE));
    EXPECT_EQ(f.items.size(), 1u) << "the next frame is read afresh";
}

TEST(PcInputParser, BootModesCutBySize) {
    Fed f;
    f.parser.listen(Listening::singleBytes);
    f.feed({0x06, 0x09});
    ASSERT_EQ(f.items.size(), 2u);
    EXPECT_EQ(f.items[1].kind, InputItem::Kind::byte);

    f.items.clear();
    f.parser.listen(Listening::bootHeader);
    const auto header = wire::bootHeader(12345);
    f.feed(concat({{0x77}, Bytes(header.begin(), header.end())})); // a stray byte first
    ASSERT_EQ(f.items.size(), 1u);
    EXPECT_EQ(f.items[0].kind, InputItem::Kind::bootHeader);
    EXPECT_EQ(f.items[0].bytes.size(), 21u);

    // The abort frame while a header is awaited comes out whole.
    f.items.clear();
    f.feed(frame(CMD_BOOT_ABORT, Bytes(1020, 0)));
    ASSERT_EQ(f.items.size(), 1u);
    EXPECT_EQ(f.items[0].kind, InputItem::Kind::bootBlock);

    f.items.clear();
    f.parser.listen(Listening::bootBlock);
    f.feed(Bytes(1025 * 2 + 10, 0xA5));
    EXPECT_EQ(f.items.size(), 2u);
    EXPECT_TRUE(f.parser.hasPartial());

    f.parser.listen(Listening::nothing);
    f.items.clear();
    f.feed(frame(CMD_PROBE));
    EXPECT_TRUE(f.items.empty());
}
