#include "link/frame_codec.h"
#include "link/frame_parser.h"
#include "link/message_codes.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;
using Clock = FrameParser::Clock;

namespace {

class FrameParserTest : public testing::Test {
protected:
    void SetUp() override { flags.state = 1; }

    void feed(const Bytes& bytes, std::chrono::microseconds at) { parser.feed(bytes, start + at); }
    void feed(const Bytes& bytes) { feed(bytes, clock); }
    // Advances the test's clock.
    void pause(std::chrono::microseconds duration) { clock += duration; }

    std::vector<Bytes> codes() const {
        std::vector<Bytes> result;
        for (const auto& frame : received)
            result.push_back({frame.code});
        return result;
    }

    TransferFlags flags;
    std::vector<ReceivedFrame> received;
    FrameParser parser{flags, [this](ReceivedFrame&& frame) { received.push_back(frame); }};
    const Clock::time_point start = Clock::time_point{} + 1h;
    std::chrono::microseconds clock{0};
};

// A frame whose length field is `length` (at least 2), its payload counting up from 0.
Bytes frameWithLength(std::size_t length, std::uint8_t code = RSP_UPLOAD_BLOCK) {
    Bytes payload(length - 2);
    for (std::size_t i = 0; i < payload.size(); ++i)
        payload[i] = std::uint8_t(i);
    return wire::encodeFrame(code, payload);
}

Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

} // namespace

TEST_F(FrameParserTest, EmptyFrameNeedsChecksumCodePlusOne) {
    feed({0xA5, 0x02, 0x00, 0xD3, 0xD4});
    feed({0xA5, 0x02, 0x00, 0xD3, 0xD5});
    feed({0xA5, 0x02, 0x00, 0xD3, 0xD3});
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0], (ReceivedFrame{RSP_UPLOAD_END, {}, false}));
}

TEST_F(FrameParserTest, AcceptsLength1028AndDropsLongerOrShorterFrames) {
    const Bytes longest = frameWithLength(1028);
    const Bytes tooLong = frameWithLength(1029);
    feed(concat({tooLong, {0xA5, 0x01, 0x00, 0x11, 0x12}, {0xA5, 0x00, 0x00}, longest}));
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].code, RSP_UPLOAD_BLOCK);
    EXPECT_EQ(received[0].payload, Bytes(longest.begin() + 4, longest.end() - 1));
}

TEST_F(FrameParserTest, StrayBytesAreIgnoredInEachMode) {
    feed(concat({{0x09, 0x00, 0x0A}, wire::encodeFrame(RSP_IDENT, Bytes{1, 2, 3, 4, 1, 2, 3, 0})}));
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].code, RSP_IDENT);
    EXPECT_EQ(received[0].payload, (Bytes{1, 2, 3, 4, 1, 2, 3, 0}));

    received.clear();
    flags.state = -5;
    feed({0xA5, 0x0C, 0x0D, 0x00, 0x09, 0xA5, 0x0B, 0x0A, 0x08});
    EXPECT_EQ(codes(), (std::vector<Bytes>{{BL_NEXT}, {BL_REPEAT}, {BL_DONE}, {BL_READY}}));
    for (const auto& frame : received) {
        EXPECT_TRUE(frame.fromBootLoader);
        EXPECT_TRUE(frame.payload.empty());
    }
}

TEST_F(FrameParserTest, HelloMustBeFollowedBy08InTime) {
    flags.state = -1;
    feed({BL_HELLO_ALT, 0x08});
    // 0x07 after the greeting is dropped with it, so it cannot start a BL_INFO.
    feed({BL_HELLO, BL_INFO, 0x30, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37});
    EXPECT_EQ(codes(), (std::vector<Bytes>{{BL_HELLO_ALT}}));

    received.clear();
    feed({BL_HELLO}, 0ms);
    feed({0x08}, 10ms); // exactly at the deadline: still in time
    feed({BL_HELLO}, 20ms);
    feed({0x08}, 30ms + 1us); // late: the greeting is dropped, 0x08 stands alone
    EXPECT_EQ(codes(), (std::vector<Bytes>{{BL_HELLO}, {BL_READY}}));
}

TEST_F(FrameParserTest, InfoNeedsEightBytesWithin80Ms) {
    flags.state = -2;
    feed({BL_INFO_ALT, 1, 2, 3, 4}, 0ms);
    feed({5, 6, 7, 8}, 80ms);
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0], (ReceivedFrame{BL_INFO_ALT, {1, 2, 3, 4, 5, 6, 7, 8}, true}));

    received.clear();
    feed({BL_INFO, 1, 2, 3, 4, 5, 6, 7}, 100ms);
    feed({BL_NEXT}, 181ms); // the missing eighth byte comes too late and is examined afresh
    EXPECT_EQ(codes(), (std::vector<Bytes>{{BL_NEXT}}));
}

TEST_F(FrameParserTest, FrameSplitAcrossReadsKeepsEachDeadline) {
    // Length within 10 ms of the start byte, body within floor(L / 10) + 100 ms of the length.
    const Bytes frame = frameWithLength(1028);
    const auto body = std::span(frame).subspan(3);
    feed({0xA5, 0x04}, 0ms);
    feed({0x04}, 10ms);
    feed(Bytes(body.begin(), body.begin() + 500), 60ms);
    feed(Bytes(body.begin() + 500, body.end()), 10ms + 202ms);
    ASSERT_EQ(received.size(), 1u);

    received.clear();
    feed({0xA5, 0x04}, 300ms);
    feed(concat({{0x04}, frame}), 310ms + 1us); // length too late: dropped, then a fresh frame
    EXPECT_EQ(received.size(), 1u);

    received.clear();
    feed(Bytes(frame.begin(), frame.end() - 1), 400ms);
    feed({frame.back()}, 400ms + 202ms + 1us); // body too late
    EXPECT_TRUE(received.empty());
    EXPECT_TRUE(parser.idle());
}

TEST_F(FrameParserTest, ExpiryDropsAnUnfinishedItemWithoutFurtherInput) {
    feed({0xA5, 0x07, 0x00, 0x31}, 0ms);
    EXPECT_FALSE(parser.idle());
    EXPECT_EQ(parser.bytesStillNeeded(), 6u);
    EXPECT_EQ(parser.deadline(), start + 100ms);
    parser.expire(start + 100ms);
    EXPECT_FALSE(parser.idle());
    parser.expire(start + 100ms + 1us);
    EXPECT_TRUE(parser.idle());
    EXPECT_EQ(parser.deadline(), std::nullopt);
    feed({0x00, 0xB8, 0x0B, 0x00, 0x00, 0xF5}, 101ms);
    EXPECT_TRUE(received.empty());
}

TEST_F(FrameParserTest, ModeAndPauseAreTakenAtEachItemsFirstByte) {
    const Bytes probeReply = wire::encodeFrame(RSP_IDENT, Bytes(8, 0x01));
    feed(Bytes(probeReply.begin(), probeReply.begin() + 5));
    flags.state = -1; // the frame under way is finished as a frame
    feed(Bytes(probeReply.begin() + 5, probeReply.end()));
    feed({BL_NEXT});
    flags.receivePaused = true;
    feed(concat({{BL_NEXT}, {BL_INFO, 1, 2, 3}}));
    flags.state = 1;
    feed(probeReply);
    EXPECT_EQ(codes(), (std::vector<Bytes>{{RSP_IDENT}, {BL_NEXT}}));
    EXPECT_FALSE(received[0].fromBootLoader);
}

TEST_F(FrameParserTest, ProbeReplyArrivingAfterStartDeliversNoBootByte) {
    // Its length byte 0x0A reads as BL_DONE, its digit 8 as BL_READY.
    const Bytes probeReply =
        wire::encodeFrame(RSP_IDENT, Bytes{0x52, 0x58, 0x08, 0x00, 8, 0, 8, 0});
    flags.state = -1;
    feed(probeReply);
    feed({BL_HELLO, BL_HELLO_FOLLOWER});
    EXPECT_EQ(codes(), (std::vector<Bytes>{{BL_HELLO}}));
    // A lone 0xA5 costs the boot loader nothing: the byte after it still counts.
    received.clear();
    feed({0xA5, BL_NEXT});
    pause(11ms);
    parser.expire(start + clock);
    EXPECT_EQ(codes(), (std::vector<Bytes>{{BL_NEXT}}));
}

TEST_F(FrameParserTest, EachFrameIsHandedOnAsItsOwnCopy) {
    const Bytes first = wire::encodeFrame(RSP_DOWNLOAD_BLOCK, Bytes{0x01, 0x00});
    const Bytes second = wire::encodeFrame(RSP_DOWNLOAD_BLOCK, Bytes{0x02, 0x00});
    feed(concat({first, second}));
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0].payload, (Bytes{0x01, 0x00}));
    EXPECT_EQ(received[1].payload, (Bytes{0x02, 0x00}));
}
