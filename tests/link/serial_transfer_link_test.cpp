#include "link/frame_codec.h"
#include "link/message_codes.h"
#include "link/serial_transfer_link.h"
#include "tests/support/pseudo_terminal.h"

#include <gtest/gtest.h>

#include <numeric>

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

namespace {

// The link on COM2 of the private settings store, which points at a pseudo-terminal.
class SerialTransferLinkTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(pty.isValid());
        routeSerialPorts({QStringLiteral("/nonexistent/ttyA"), pty.devicePath()});
        ASSERT_TRUE(link.openPort(2));
    }
    Bytes sent(std::size_t count) { return pty.receive(count, 2s); }
    bool nothingSent() { return pty.receive(1, 50ms).empty(); }

    PseudoTerminal pty;
    SerialTransferLink link;
};

} // namespace

TEST_F(SerialTransferLinkTest, OpensPortsThroughThePortsSettings) {
    EXPECT_TRUE(link.isPortOpen());
    EXPECT_EQ(link.port().devicePath(), pty.devicePath());
    EXPECT_FALSE(link.openPort(1));
    EXPECT_FALSE(link.isPortOpen());
    EXPECT_FALSE(link.openPort(5));
    EXPECT_TRUE(link.openPort(2));
    link.closePort();
    EXPECT_FALSE(link.isPortOpen());
}

TEST_F(SerialTransferLinkTest, FramesGoOutByteForByte) {
    link.sendFrame(CMD_PROBE, {});
    EXPECT_EQ(sent(5), (Bytes{0xA5, 0x02, 0x00, 0x11, 0x12}));
    link.sendFrame(CMD_UPLOAD_BLOCK, Bytes{0x05, 0x00});
    EXPECT_EQ(sent(7), (Bytes{0xA5, 0x04, 0x00, 0x22, 0x05, 0x00, 0x28}));
    link.sendFrame(CMD_DOWNLOAD_START, Bytes{0x00, 0xB8, 0x0B, 0x00, 0x00});
    EXPECT_EQ(sent(10), (Bytes{0xA5, 0x07, 0x00, 0x31, 0x00, 0xB8, 0x0B, 0x00, 0x00, 0xF5}));

    link.sendFrame(CMD_BOOT_ABORT, Bytes(wire::bootAbortPayloadSize, 0));
    Bytes abort(1025, 0x00);
    abort[0] = 0xA5;
    abort[1] = 0xFE;
    abort[2] = 0x03;
    abort[3] = 0x13;
    abort[1024] = 0x14;
    EXPECT_EQ(sent(1025), abort);

    // The largest frame the PC sends fills the transmit buffer; a larger one is not sent.
    Bytes block{0x01, 0x00};
    block.resize(1026, 0x5A);
    link.sendFrame(CMD_DOWNLOAD_BLOCK, block);
    EXPECT_EQ(sent(1031).size(), 1031u);
    link.sendFrame(CMD_DOWNLOAD_BLOCK, Bytes(1027, 0));
    EXPECT_TRUE(nothingSent());
}

TEST_F(SerialTransferLinkTest, ResendsOnlyAnIntactFrameWithTheExpectedCode) {
    link.sendFrame(CMD_UPLOAD_BLOCK, Bytes{0x05, 0x00});
    const Bytes request{0xA5, 0x04, 0x00, 0x22, 0x05, 0x00, 0x28};
    EXPECT_EQ(sent(7), request);
    EXPECT_EQ(link.resendFrame(CMD_UPLOAD_BLOCK), 0);
    EXPECT_EQ(sent(7), request);
    EXPECT_EQ(link.resendFrame(CMD_DOWNLOAD_BLOCK), -2);
    EXPECT_TRUE(nothingSent());

    link.sendRaw(Bytes{0xA5, 0x02, 0x00, 0x11, 0x13});
    sent(5);
    EXPECT_EQ(link.resendFrame(CMD_PROBE), -3);
    link.sendRaw(Bytes{BL_NEXT});
    sent(1);
    EXPECT_EQ(link.resendFrame(CMD_PROBE), -1);
    EXPECT_TRUE(nothingSent());
}

TEST_F(SerialTransferLinkTest, BootItemsGoOutRawAndTheLastOneCanBeRepeated) {
    link.sendRaw(Bytes{BL_HELLO_ALT});
    EXPECT_EQ(sent(1), Bytes{BL_HELLO_ALT});
    const auto header = wire::bootHeader(3000);
    link.sendRaw(header);
    EXPECT_EQ(sent(21), Bytes(header.begin(), header.end()));

    Bytes image(3000);
    std::iota(image.begin(), image.end(), 0);
    link.sendRaw(wire::bootBlock(image, 2));
    Bytes expected(image.begin() + 2048, image.end());
    expected.resize(1024, 0xFF);
    unsigned sum = 0;
    for (const std::uint8_t byte : expected)
        sum += byte;
    expected.push_back(std::uint8_t(sum));
    EXPECT_EQ(sent(1025), expected);
    link.resendRaw();
    EXPECT_EQ(sent(1025), expected);
    EXPECT_EQ(Bytes(link.lastSent().begin(), link.lastSent().end()), expected);
}
