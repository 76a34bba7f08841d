#include "tests/sim/sim_test_support.h"

#include <gtest/gtest.h>

#include <numeric>

using namespace simtest;

namespace {

// (1 + every byte from the code on) modulo 256, computed independently of the codec.
std::uint8_t checksumOf(const Bytes& frameWithoutChecksum) {
    return std::uint8_t(
        std::accumulate(frameWithoutChecksum.begin() + 3, frameWithoutChecksum.end(), 1u));
}

Bytes withChecksum(Bytes frame) {
    frame.push_back(checksumOf(frame));
    return frame;
}

const Bytes probe = {0xA5, 0x02, 0x00, 0x11, 0x12};
const Bytes channelOpen = {0xA5, 0x02, 0x00, 0x14, 0x15};

Bytes blockOf(const Bytes& image, int block) {
    const auto b = wire::bootBlock(image, block);
    return Bytes(b.begin(), b.end());
}

// Greeting, echo, BL_INFO, go-ahead, header: leaves the loader waiting for block 0.
void bootUpTo(Bench& bench, std::uint32_t imageLength, const sim::Identification& ident) {
    ASSERT_EQ(bench.wait(200ms), (Bytes{0x06, 0x08}));
    Bytes info{0x07};
    info.insert(info.end(), ident.begin(), ident.end());
    ASSERT_EQ(bench.exchange({0x06}), info);
    ASSERT_EQ(bench.exchange({0x09}), Bytes{0x09});
    const auto header = wire::bootHeader(imageLength);
    ASSERT_EQ(bench.exchange(Bytes(header.begin(), header.end())), Bytes{0x09});
}

} // namespace

TEST(ReceiverApplication, AnswersProbeAndChannelOpenWithItsIdentityAndLayout) {
    auto config = fastConfig();
    config.ident = sim::makeIdentification(2, 0, 7);
    config.channels = patternChannels(100, 1, 0x0C);
    Bench bench(config);
    EXPECT_EQ(bench.exchange(probe),
              withChecksum({0xA5, 0x0A, 0x00, 0xE1, 'R', 'X', '7', '7', 2, 0, 7, 0}));
    EXPECT_EQ(bench.exchange(channelOpen), withChecksum({0xA5, 0x04, 0x00, 0xE4, 0x01, 0x0C}));
    EXPECT_EQ(bench.rx.stats().probesAnswered, 1u);
}

TEST(ReceiverApplication, WorkedUploadOf1500BytesMatchesByteForByte) {
    auto config = fastConfig();
    config.channels = patternChannels(1500, 2, 0x05);
    const Bytes& body = config.channels.body;
    Bench bench(config);

    EXPECT_EQ(bench.exchange(channelOpen), withChecksum({0xA5, 0x04, 0x00, 0xE4, 0x02, 0x05}));
    EXPECT_EQ(bench.exchange({0xA5, 0x03, 0x00, 0x21, 0x00, 0x22}),
              withChecksum({0xA5, 0x07, 0x00, 0xD1, 0x00, 0xDC, 0x05, 0x00, 0x00}));

    Bytes block0 = {0xA5, 0x04, 0x04, 0xD2, 0x00, 0x00};
    block0.insert(block0.end(), body.begin(), body.begin() + 1024);
    EXPECT_EQ(bench.exchange({0xA5, 0x04, 0x00, 0x22, 0x00, 0x00, 0x23}), withChecksum(block0));

    Bytes block1 = {0xA5, 0xE0, 0x01, 0xD2, 0x01, 0x00};
    block1.insert(block1.end(), body.begin() + 1024, body.end());
    ASSERT_EQ(block1.size(), 6u + 476u);
    EXPECT_EQ(bench.exchange({0xA5, 0x04, 0x00, 0x22, 0x01, 0x00, 0x24}), withChecksum(block1));

    EXPECT_EQ(bench.exchange({0xA5, 0x02, 0x00, 0x23, 0x24}),
              (Bytes{0xA5, 0x02, 0x00, 0xD3, 0xD4}));
    EXPECT_EQ(bench.rx.stats().uploads, 1u);
    EXPECT_EQ(bench.rx.stats().uploadedBytes, 1500u);
}

TEST(ReceiverApplication, IgnoresTransferFramesOutsideAChannelTransfer) {
    Bench bench(fastConfig());
    EXPECT_TRUE(bench.exchange(frame(CMD_UPLOAD_START, {0})).empty());
    EXPECT_TRUE(bench.exchange(frame(CMD_UPLOAD_BLOCK, {0, 0})).empty());
    EXPECT_TRUE(bench.exchange(frame(CMD_DOWNLOAD_START, {0, 10, 0, 0, 0})).empty());
    EXPECT_TRUE(bench.exchange(frame(CMD_BOOT_ABORT, Bytes(1020, 0))).empty());
    EXPECT_TRUE(bench.exchange(frame(0x77)).empty());
    // A block past the end of the channel data gets no answer either.
    bench.exchange(channelOpen);
    bench.exchange(frame(CMD_UPLOAD_START, {0}));
    EXPECT_TRUE(bench.exchange(frame(CMD_UPLOAD_BLOCK, {5, 0})).empty());
}

TEST(ReceiverApplication, DownloadedChannelDataIsWhatTheNextUploadReturns) {
    auto config = fastConfig();
    config.channels = patternChannels(500, 2, 0x01);
    int stored = 0;
    sim::ReceiverHooks hooks;
    hooks.channelDataStored = [&](const sim::ChannelData& data) {
        ++stored;
        EXPECT_EQ(data.body.size(), 3000u);
    };
    Bench bench(config, {}, 1, hooks);
    const Bytes body = patternChannels(3000).body;

    bench.exchange(channelOpen);
    // The documented start frame announcing 3000 bytes.
    EXPECT_EQ(bench.exchange({0xA5, 0x07, 0x00, 0x31, 0x00, 0xB8, 0x0B, 0x00, 0x00, 0xF5}),
              frame(RSP_DOWNLOAD_START, {0}));
    for (int block = 0; block < 3; ++block) {
        Bytes payload{std::uint8_t(block), 0};
        const std::size_t from = std::size_t(block) * 1024;
        payload.insert(payload.end(), body.begin() + long(from),
                       body.begin() + long(std::min<std::size_t>(from + 1024, body.size())));
        EXPECT_EQ(bench.exchange(frame(CMD_DOWNLOAD_BLOCK, payload)),
                  frame(RSP_DOWNLOAD_BLOCK, {std::uint8_t(block), 0}));
        // A block sent again (its acknowledgement was lost) is taken and acknowledged again.
        if (block == 1) {
            EXPECT_EQ(bench.exchange(frame(CMD_DOWNLOAD_BLOCK, payload)),
                      frame(RSP_DOWNLOAD_BLOCK, {1, 0}));
        }
    }
    EXPECT_EQ(bench.exchange(frame(CMD_DOWNLOAD_END)), frame(RSP_DOWNLOAD_END));
    EXPECT_EQ(stored, 1);
    EXPECT_EQ(bench.rx.channelData().body, body);
    EXPECT_EQ(bench.rx.channelData().layout, 2) << "the receiver keeps its own layout";

    EXPECT_EQ(bench.exchange(channelOpen), frame(RSP_CHANNEL_OPEN, {2, 0x01}));
    EXPECT_EQ(bench.exchange(frame(CMD_UPLOAD_START, {0})),
              frame(RSP_UPLOAD_START, {0, 0xB8, 0x0B, 0, 0}));
    Bytes uploaded;
    for (std::uint8_t block = 0; block < 3; ++block) {
        const Bytes reply = bench.exchange(frame(CMD_UPLOAD_BLOCK, {block, 0}));
        ASSERT_TRUE(wire::isValidFrame(reply));
        ASSERT_EQ(reply[3], RSP_UPLOAD_BLOCK);
        ASSERT_EQ(reply[4], block);
        uploaded.insert(uploaded.end(), reply.begin() + 6, reply.end() - 1);
    }
    EXPECT_EQ(uploaded, body);
}

TEST(ReceiverApplication, IncompleteOrMisfittingDownloadsNeverReplaceTheChannelData) {
    auto config = fastConfig();
    config.channels = patternChannels(200);
    const Bytes original = config.channels.body;
    Bench bench(config);
    bench.exchange(channelOpen);
    bench.exchange(frame(CMD_DOWNLOAD_START, {0, 0xD0, 0x07, 0, 0})); // 2000 bytes, two blocks
    // A block of the wrong size and a block past the end are not acknowledged.
    Bytes tooShort{0, 0};
    tooShort.resize(2 + 1000, 0x11);
    EXPECT_TRUE(bench.exchange(frame(CMD_DOWNLOAD_BLOCK, tooShort)).empty());
    Bytes pastEnd{2, 0};
    pastEnd.resize(2 + 100, 0x11);
    EXPECT_TRUE(bench.exchange(frame(CMD_DOWNLOAD_BLOCK, pastEnd)).empty());
    // Only block 0 arrives; the end is not acknowledged and nothing is replaced.
    Bytes block0{0, 0};
    block0.resize(2 + 1024, 0x22);
    EXPECT_EQ(bench.exchange(frame(CMD_DOWNLOAD_BLOCK, block0)), frame(RSP_DOWNLOAD_BLOCK, {0, 0}));
    EXPECT_TRUE(bench.exchange(frame(CMD_DOWNLOAD_END)).empty());
    EXPECT_EQ(bench.rx.channelData().body, original);
    EXPECT_EQ(bench.rx.stats().downloads, 0u);

    // Downloads of nothing, or of more than could ever be uploaded again, are refused.
    bench.exchange(channelOpen);
    EXPECT_EQ(bench.exchange(frame(CMD_DOWNLOAD_START, {0, 0, 0, 0, 0})),
              frame(RSP_DOWNLOAD_START, {2}));
    EXPECT_EQ(bench.exchange(frame(CMD_DOWNLOAD_START, {0, 0x00, 0x00, 0x20, 0x00})),
              frame(RSP_DOWNLOAD_START, {3}));
}

TEST(ReceiverBootLoader, ResetGreetsWithHelloAndTakesAnImageWithARepeatedBlock) {
    auto config = fastConfig();
    config.ident = sim::makeIdentification(1, 0, 0);
    Bytes received;
    sim::ReceiverHooks hooks;
    hooks.firmwareReceived = [&](std::span<const std::uint8_t> image) {
        received.assign(image.begin(), image.end());
    };
    Bench bench(config, {}, 1, hooks);
    const Bytes image = firmwareImage(3000, 3, 1, 0);

    EXPECT_TRUE(bench.exchange(frame(CMD_RESET)).empty());
    EXPECT_TRUE(bench.wait(50ms).empty()) << "restarting takes a moment";
    bootUpTo(bench, 3000, config.ident);

    Bytes bad = blockOf(image, 0);
    bad[1024] ^= 0xFF;
    EXPECT_EQ(bench.exchange(bad), Bytes{0x0B}) << "a wrong block checksum asks for a repeat";
    EXPECT_EQ(bench.exchange(blockOf(image, 0)), Bytes{0x09});
    EXPECT_EQ(bench.exchange(blockOf(image, 1)), Bytes{0x09});
    EXPECT_EQ(bench.exchange(blockOf(image, 2)), Bytes{0x0A}) << "BL_DONE after the last block";
    EXPECT_EQ(received, image) << "exactly the announced length, padding dropped";
    EXPECT_EQ(bench.rx.mode(), sim::ReceiverSimulator::Mode::flashing);

    EXPECT_TRUE(bench.exchange(probe).empty()) << "silent while writing the flash";
    bench.wait(2s);
    EXPECT_EQ(bench.exchange(probe),
              withChecksum({0xA5, 0x0A, 0x00, 0xE1, 'T', 'E', 'S', 'T', 3, 1, 0, 0}))
        << "the new firmware reports the image's identification";
    EXPECT_EQ(bench.rx.stats().repeatsRequested, 1u);
}

TEST(ReceiverBootLoader, AbortFrameInsteadOfABlockEndsWithDoneAndKeepsTheOldFirmware) {
    auto config = fastConfig();
    config.abortRestartDelay = 500ms;
    bool imageDelivered = false;
    sim::ReceiverHooks hooks;
    hooks.firmwareReceived = [&](std::span<const std::uint8_t>) { imageDelivered = true; };
    Bench bench(config, {}, 1, hooks);
    const Bytes image = firmwareImage(5000, 3, 1, 0);

    bench.exchange(frame(CMD_RESET));
    bootUpTo(bench, 5000, config.ident);
    EXPECT_EQ(bench.exchange(blockOf(image, 0)), Bytes{0x09});
    const Bytes abort = frame(CMD_BOOT_ABORT, Bytes(1020, 0));
    ASSERT_EQ(abort.size(), 1025u);
    ASSERT_EQ(abort.back(), 0x14);
    EXPECT_EQ(bench.exchange(abort), Bytes{0x0A});
    EXPECT_FALSE(imageDelivered);
    EXPECT_EQ(bench.rx.stats().bootAborts, 1u);
    EXPECT_TRUE(bench.exchange(probe).empty());
    bench.wait(500ms);
    EXPECT_EQ(bench.exchange(probe),
              frame(RSP_IDENT, Bytes(config.ident.begin(), config.ident.end())))
        << "the old firmware answers again";
}

TEST(ReceiverBootLoader, AbortWhileTheHeaderIsAwaitedIsRecognisedWhole) {
    Bench bench(fastConfig());
    bench.exchange(frame(CMD_RESET));
    bench.wait(200ms);
    bench.exchange({0x06});
    bench.exchange({0x09});
    // A broken header is asked for again; the PC, cancelling, answers with the abort frame.
    EXPECT_EQ(
        bench.exchange({0x01, 0x02, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x09}),
        Bytes{0x0B});
    EXPECT_EQ(bench.exchange(frame(CMD_BOOT_ABORT, Bytes(1020, 0))), Bytes{0x0A});
}

TEST(ReceiverBootLoader, ReadyGreetingWaitsForTheGoAheadOnly) {
    auto config = fastConfig();
    config.greeting = sim::Greeting::ready;
    Bench bench(config);
    bench.exchange(frame(CMD_RESET));
    EXPECT_EQ(bench.wait(200ms), Bytes{0x08});
    EXPECT_TRUE(bench.exchange({0x08, 0x06, 0x55}).empty()) << "stray bytes are ignored";
    EXPECT_EQ(bench.exchange({0x09}), Bytes{0x09}) << "asks for the header";
    const auto header = wire::bootHeader(10);
    EXPECT_EQ(bench.exchange(Bytes(header.begin(), header.end())), Bytes{0x09});
}

TEST(ReceiverBootLoader, GreetsAgainUntilAnsweredThenStartsWorkingFirmware) {
    auto config = fastConfig();
    config.resetBootWindow = 2500ms;
    Bench bench(config);
    bench.exchange(frame(CMD_RESET));
    EXPECT_EQ(bench.wait(200ms), (Bytes{0x06, 0x08}));
    EXPECT_EQ(bench.wait(1s), (Bytes{0x06, 0x08}));
    EXPECT_EQ(bench.wait(1s), (Bytes{0x06, 0x08}));
    EXPECT_TRUE(bench.exchange(probe).empty());
    EXPECT_TRUE(bench.wait(1s).empty());
    EXPECT_FALSE(bench.exchange(probe).empty()) << "nobody answered: the application runs";
}

TEST(ReceiverBootLoader, PartialBlockIsGivenUpAndAskedForAgain) {
    Bench bench(fastConfig());
    const Bytes image = firmwareImage(2048, 1, 0, 0);
    bench.exchange(frame(CMD_RESET));
    bootUpTo(bench, 2048, bench.rx.identification());
    const Bytes block = blockOf(image, 0);
    EXPECT_TRUE(bench.exchange(Bytes(block.begin(), block.begin() + 600)).empty());
    EXPECT_EQ(bench.wait(400ms), Bytes{0x0B});
    EXPECT_EQ(bench.exchange(block), Bytes{0x09});
}

TEST(ReceiverPower, BootOnlyReceiverGreetsWhenSwitchedOnAndNeverStartsAnApplication) {
    auto config = fastConfig();
    config.applicationWorks = false;
    config.switchedOnAtStart = false;
    config.powerOnAfter = 1s;
    Bench bench(config);
    EXPECT_TRUE(bench.exchange(probe).empty());
    EXPECT_TRUE(bench.wait(900ms).empty());
    EXPECT_EQ(bench.wait(300ms), (Bytes{0x06, 0x08}));
    bench.wait(10s);
    EXPECT_EQ(bench.rx.mode(), sim::ReceiverSimulator::Mode::bootLoader);

    bench.rx.switchOff(bench.now);
    EXPECT_TRUE(bench.wait(5s).empty());
    bench.rx.switchOn(bench.now);
    EXPECT_EQ(bench.wait(200ms), (Bytes{0x06, 0x08}));
}

TEST(ReceiverPower, SuccessfulFlashGivesABootOnlyReceiverWorkingFirmware) {
    auto config = fastConfig();
    config.applicationWorks = false;
    config.switchedOnAtStart = false;
    Bench bench(config);
    bench.rx.switchOn(bench.now);
    const Bytes image = firmwareImage(100, 2, 5, 0);
    bootUpTo(bench, 100, config.ident);
    EXPECT_EQ(bench.exchange(blockOf(image, 0)), Bytes{0x0A});
    bench.wait(2s);
    EXPECT_TRUE(bench.rx.applicationWorks());
    const Bytes reply = bench.exchange(probe);
    ASSERT_EQ(reply.size(), 13u);
    EXPECT_EQ(Bytes(reply.begin() + 8, reply.begin() + 11), (Bytes{2, 5, 0}));
}

TEST(ReceiverTiming, RepliesWaitForTheRequestToCrossTheLineAndTheTurnaround) {
    auto config = fastConfig();
    config.pacedInput = true;
    config.turnaround = 5ms;
    Bench bench(config);
    bench.exchange(probe);
    ASSERT_EQ(bench.items.size(), 1u);
    EXPECT_EQ(bench.items[0].notBefore, bench.now + sim::lineTime(5) + 5ms);

    // Two frames written at once: the second is whole only after both have crossed the line.
    bench.wait(10ms);
    bench.items.clear();
    bench.exchange(concat({probe, channelOpen}));
    ASSERT_EQ(bench.items.size(), 2u);
    EXPECT_EQ(bench.items[1].notBefore, bench.now + sim::lineTime(10) + 5ms);
}

TEST(ReceiverTiming, ABootBlockCountsAsCompleteOnlyAfterItsLineTime) {
    auto config = fastConfig();
    config.pacedInput = true;
    Bench bench(config);
    const Bytes image = firmwareImage(4096, 1, 0, 0);
    bench.exchange(frame(CMD_RESET));
    bench.wait(200ms);
    bench.exchange({0x06});
    bench.wait(10ms);
    bench.exchange({0x09});
    bench.wait(10ms);
    const auto header = wire::bootHeader(4096);
    bench.exchange(Bytes(header.begin(), header.end()));
    bench.wait(10ms);
    bench.items.clear();
    const sim::TimePoint sentAt = bench.now;
    EXPECT_EQ(bench.exchange(blockOf(image, 0)), Bytes{0x09});
    ASSERT_EQ(bench.items.size(), 1u);
    EXPECT_GE(bench.items[0].notBefore - sentAt, sim::lineTime(1025));
    EXPECT_GE(bench.items[0].notBefore - sentAt, std::chrono::microseconds(88'900));
}
