#include "link/frame_codec.h"
#include "link/message_codes.h"

#include <gtest/gtest.h>

#include <numeric>

using Bytes = std::vector<std::uint8_t>;

TEST(FrameCodec, ExampleFramesByteForByte) {
    EXPECT_EQ(wire::encodeFrame(CMD_PROBE), (Bytes{0xA5, 0x02, 0x00, 0x11, 0x12}));
    const Bytes block5{0x05, 0x00};
    EXPECT_EQ(wire::encodeFrame(CMD_UPLOAD_BLOCK, block5),
              (Bytes{0xA5, 0x04, 0x00, 0x22, 0x05, 0x00, 0x28}));
    const Bytes start{0x00, 0xB8, 0x0B, 0x00, 0x00};
    EXPECT_EQ(wire::encodeFrame(CMD_DOWNLOAD_START, start),
              (Bytes{0xA5, 0x07, 0x00, 0x31, 0x00, 0xB8, 0x0B, 0x00, 0x00, 0xF5}));
}

TEST(FrameCodec, BootAbortIsTheSizeOfABootBlock) {
    const Bytes zeros(wire::bootAbortPayloadSize, 0);
    const Bytes frame = wire::encodeFrame(CMD_BOOT_ABORT, zeros);
    ASSERT_EQ(frame.size(), wire::bootBlockSize);
    EXPECT_EQ(Bytes(frame.begin(), frame.begin() + 4), (Bytes{0xA5, 0xFE, 0x03, 0x13}));
    EXPECT_EQ(frame.back(), 0x14);
    EXPECT_TRUE(wire::isValidFrame(frame));
}

TEST(FrameCodec, PayloadAlreadyInTransmitBuffer) {
    std::array<std::uint8_t, wire::maxFrameSize> buffer{};
    buffer[4] = 0x05;
    buffer[5] = 0x00;
    const std::size_t size =
        wire::encodeFrame(buffer, CMD_UPLOAD_BLOCK, std::span(buffer).subspan(4, 2));
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + std::ptrdiff_t(size)),
              (Bytes{0xA5, 0x04, 0x00, 0x22, 0x05, 0x00, 0x28}));
}

TEST(FrameCodec, ValidityRejectsDamagedFrames) {
    Bytes frame = wire::encodeFrame(RSP_UPLOAD_END);
    EXPECT_TRUE(wire::isValidFrame(frame));
    frame.back() ^= 1;
    EXPECT_FALSE(wire::isValidFrame(frame));
    EXPECT_FALSE(wire::isValidFrame(Bytes{0xA5, 0x01, 0x00, 0x11, 0x12}));
}

TEST(BootItems, HeaderCarriesTheImageLength) {
    const auto header = wire::bootHeader(3000);
    EXPECT_EQ(header[0], 0x01);
    EXPECT_EQ(header[1], 0x01);
    EXPECT_EQ(wire::readU32(header.data() + 2), 3000u);
    EXPECT_EQ(header[20], 0x09);
}

TEST(BootItems, LastBlockOfA3000ByteImageIsPaddedAndSummed) {
    Bytes image(3000);
    std::iota(image.begin(), image.end(), 0);
    const auto block = wire::bootBlock(image, 2);
    unsigned sum = 0;
    for (int i = 0; i < 952; ++i) {
        ASSERT_EQ(block[i], image[2048 + i]);
        sum += image[2048 + i];
    }
    for (int i = 952; i < 1024; ++i)
        ASSERT_EQ(block[i], 0xFF);
    sum += 72 * 0xFF;
    EXPECT_EQ(block[1024], std::uint8_t(sum));
    EXPECT_EQ(wire::bootBlockCount(3000), 3u);
    EXPECT_EQ(wire::bootBlockCount(3072), 3u);
    EXPECT_EQ(wire::bootBlockCount(3073), 4u);
}
