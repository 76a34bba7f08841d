#include "link/frame_codec.h"
#include "link/frame_reader.h"
#include "link/message_codes.h"
#include "tests/support/pseudo_terminal.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <thread>

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

namespace {

// A reader thread over a pseudo-terminal, collecting what it hands on.
class FrameReaderTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(pty.isValid());
        ASSERT_EQ(port.CreateEvents(), 0);
        port.settings.portNumber = 1;
        flags.state = 1;
    }
    void TearDown() override { stopReader(); }

    void startReader() {
        thread = std::thread([this] {
            timespec ts{};
            reader.run(stop);
            clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
            readerCpu = std::chrono::seconds(ts.tv_sec) + std::chrono::nanoseconds(ts.tv_nsec);
        });
    }
    void stopReader() {
        if (!thread.joinable())
            return;
        stop = true;
        reader.wake();
        thread.join();
    }

    // Waits until `count` items have been handed on, or `timeout`.
    std::vector<ReceivedFrame> awaitFrames(std::size_t count, std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex);
        arrived.wait_for(lock, timeout, [&] { return frames.size() >= count; });
        return frames;
    }

    PseudoTerminal pty;
    SerialPort port{[this](int number) { return number == 1 ? pty.devicePath() : QString(); }};
    TransferFlags flags;
    std::mutex mutex;
    std::condition_variable arrived;
    std::vector<ReceivedFrame> frames;
    FrameReader reader{port, flags, [this](ReceivedFrame&& frame) {
                           std::lock_guard lock(mutex);
                           frames.push_back(std::move(frame));
                           arrived.notify_all();
                       }};
    std::atomic<bool> stop{false};
    std::thread thread;
    std::chrono::nanoseconds readerCpu{};
};

} // namespace

TEST_F(FrameReaderTest, HandsOnFramesAndBootBytesFromTheLine) {
    ASSERT_NE(port.Open(), 0);
    startReader();
    Bytes block(1024);
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = std::uint8_t(i * 7);
    Bytes payload{0x03, 0x00};
    payload.insert(payload.end(), block.begin(), block.end());
    ASSERT_TRUE(pty.send(wire::encodeFrame(RSP_UPLOAD_BLOCK, payload)));
    ASSERT_TRUE(pty.send(wire::encodeFrame(RSP_UPLOAD_END)));
    auto got = awaitFrames(2, 2s);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0], (ReceivedFrame{RSP_UPLOAD_BLOCK, payload, false}));
    EXPECT_EQ(got[1], (ReceivedFrame{RSP_UPLOAD_END, {}, false}));

    flags.state = -1;
    ASSERT_TRUE(pty.send({BL_HELLO_ALT, 0x08, 0xA5, BL_INFO, 1, 2, 3, 4, 5, 6, 7, 8, BL_NEXT}));
    got = awaitFrames(5, 2s);
    ASSERT_EQ(got.size(), 5u);
    EXPECT_EQ(got[2], (ReceivedFrame{BL_HELLO_ALT, {}, true}));
    EXPECT_EQ(got[3], (ReceivedFrame{BL_INFO, {1, 2, 3, 4, 5, 6, 7, 8}, true}));
    EXPECT_EQ(got[4], (ReceivedFrame{BL_NEXT, {}, true}));
}

TEST_F(FrameReaderTest, PausesInsideAFrameCountAgainstItsDeadlines) {
    ASSERT_NE(port.Open(), 0);
    startReader();
    const Bytes reply = wire::encodeFrame(RSP_DOWNLOAD_BLOCK, Bytes{0x07, 0x00});
    // A pause well inside the body's 100 ms.
    ASSERT_TRUE(pty.send(Bytes(reply.begin(), reply.begin() + 4)));
    std::this_thread::sleep_for(30ms);
    ASSERT_TRUE(pty.send(Bytes(reply.begin() + 4, reply.end())));
    ASSERT_EQ(awaitFrames(1, 2s).size(), 1u);

    // A pause beyond the 10 ms allowed for the length: the frame is dropped, and its rest is
    // examined afresh and ignored.
    ASSERT_TRUE(pty.send({0xA5}));
    std::this_thread::sleep_for(60ms);
    ASSERT_TRUE(pty.send(Bytes(reply.begin() + 1, reply.end())));
    ASSERT_TRUE(pty.send(wire::encodeFrame(RSP_DOWNLOAD_END)));
    const auto got = awaitFrames(2, 2s);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[1].code, RSP_DOWNLOAD_END);
}

TEST_F(FrameReaderTest, OpeningThePortWakesAReaderWaitingForIt) {
    std::thread waiting([this] { reader.pollOnce(10s); });
    std::this_thread::sleep_for(20ms);
    const auto opening = Clock::now();
    ASSERT_NE(port.Open(), 0);
    waiting.join();
    EXPECT_LT(Clock::now() - opening, 5s);
}

TEST_F(FrameReaderTest, StopsPromptlyAndStaysQuietOnAHungUpLine) {
    ASSERT_NE(port.Open(), 0);
    startReader();
    ASSERT_TRUE(pty.send(wire::encodeFrame(RSP_IDENT, Bytes(8, 1))));
    ASSERT_EQ(awaitFrames(1, 2s).size(), 1u);
    pty.hangUp();
    std::this_thread::sleep_for(400ms);
    const auto stopping = Clock::now();
    stopReader();
    EXPECT_LT(Clock::now() - stopping, 1s);
    EXPECT_TRUE(port.isLineDown());
    // A reader that spun on the hung-up line would have burnt most of the 400 ms.
    EXPECT_LT(readerCpu, 40ms);
    EXPECT_EQ(port.Close(), 1);
}
