#include "tests/sim/sim_test_support.h"

#include <gtest/gtest.h>

using namespace simtest;

namespace {

// A fixed script: probes, an upload of 5000 bytes, a download of 3000 bytes. Returns every
// item the receiver sent, one vector per item.
std::vector<Bytes> runScript(const sim::FaultPlan& faults, std::uint64_t seed, int extraProbes) {
    auto config = fastConfig();
    config.channels = patternChannels(5000);
    Bench bench(config, faults, seed);
    for (int i = 0; i < extraProbes; ++i)
        bench.exchange(frame(CMD_PROBE));
    bench.exchange(frame(CMD_CHANNEL_OPEN));
    bench.exchange(frame(CMD_UPLOAD_START, {0}));
    for (std::uint8_t block = 0; block < 5; ++block)
        bench.exchange(frame(CMD_UPLOAD_BLOCK, {block, 0}));
    bench.exchange(frame(CMD_UPLOAD_END));
    bench.exchange(frame(CMD_CHANNEL_OPEN));
    bench.exchange(frame(CMD_DOWNLOAD_START, {0, 0xB8, 0x0B, 0, 0}));
    for (std::uint8_t block = 0; block < 3; ++block) {
        Bytes payload{block, 0};
        payload.resize(2 + (block < 2 ? 1024 : 952), block);
        bench.exchange(frame(CMD_DOWNLOAD_BLOCK, payload));
    }
    bench.exchange(frame(CMD_DOWNLOAD_END));
    std::vector<Bytes> sent;
    for (const sim::OutgoingItem& item : bench.items)
        if (item.bytes[3] != RSP_IDENT)
            sent.push_back(item.bytes);
    return sent;
}

sim::FaultPlan noisyLine() {
    sim::FaultPlan faults;
    faults.dropRate = 0.2;
    faults.corruptRate = 0.2;
    faults.wrongBlockRate = 0.3;
    return faults;
}

} // namespace

TEST(FaultSpec, ParsesEveryFaultAndRejectsNonsense) {
    sim::FaultPlan plan;
    std::string error;
    ASSERT_TRUE(sim::parseFaultList("drop=0.02,corrupt=0.01,wrong-block=0.5,refuse-upload,"
                                    "refuse-download=0.25,silent-after=3,no-restart,hangup-after=5,"
                                    "boot-done-after=4,mute-after=2",
                                    plan, error))
        << error;
    EXPECT_DOUBLE_EQ(plan.dropRate, 0.02);
    EXPECT_DOUBLE_EQ(plan.corruptRate, 0.01);
    EXPECT_DOUBLE_EQ(plan.wrongBlockRate, 0.5);
    EXPECT_DOUBLE_EQ(plan.refuseUploadRate, 1.0);
    EXPECT_DOUBLE_EQ(plan.refuseDownloadRate, 0.25);
    EXPECT_EQ(plan.silentAfterBlocks, 3u);
    EXPECT_EQ(plan.hangupAfterBlocks, 5u);
    EXPECT_TRUE(plan.noRestart);
    EXPECT_EQ(plan.bootDoneAfterBlocks, 4u);
    EXPECT_EQ(plan.muteAfterReplies, 2u);

    for (const char* bad :
         {"drop", "drop=1.5", "drop=-0.1", "drop=x", "silent-after=", "silent-after=-1",
          "hangup-after=2x", "no-restart=1", "mute-after=", "boot-done-after=x", "explode"}) {
        sim::FaultPlan p;
        EXPECT_FALSE(sim::parseFaultList(bad, p, error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
}

TEST(FaultInjection, SameSeedGivesTheSameFaultsWhateverTheProbesInBetween) {
    const auto first = runScript(noisyLine(), 42, 0);
    const auto again = runScript(noisyLine(), 42, 0);
    const auto withProbes = runScript(noisyLine(), 42, 7);
    EXPECT_EQ(first, again);
    EXPECT_EQ(first, withProbes);

    const auto clean = runScript({}, 42, 0);
    EXPECT_NE(first, clean) << "these rates must change something in this script";
    EXPECT_NE(runScript(noisyLine(), 43, 0), first) << "another seed, other faults";
}

TEST(FaultInjection, DropAndCorruptBreakOnlyWhatTheyClaim) {
    sim::FaultPlan faults;
    faults.dropRate = 1.0;
    Bench silentBench(fastConfig(), faults);
    EXPECT_TRUE(silentBench.exchange(frame(CMD_PROBE)).empty());
    EXPECT_EQ(silentBench.rx.stats().faultsInjected, 1u);

    faults = {};
    faults.corruptRate = 1.0;
    Bench noisyBench(fastConfig(), faults);
    const Bytes reply = noisyBench.exchange(frame(CMD_PROBE));
    const Bytes clean = Bench(fastConfig()).exchange(frame(CMD_PROBE));
    ASSERT_EQ(reply.size(), clean.size());
    int differences = 0;
    for (std::size_t i = 0; i < reply.size(); ++i)
        differences += reply[i] != clean[i];
    EXPECT_EQ(differences, 1);
}

TEST(FaultInjection, WrongBlockAcknowledgementAndRefusals) {
    sim::FaultPlan faults;
    faults.wrongBlockRate = 1.0;
    faults.refuseUploadRate = 1.0;
    Bench bench(fastConfig(), faults);
    bench.exchange(frame(CMD_CHANNEL_OPEN));
    EXPECT_EQ(bench.exchange(frame(CMD_UPLOAD_START, {0})),
              frame(RSP_UPLOAD_START, {1, 0, 0, 0, 0}));
    EXPECT_EQ(bench.exchange(frame(CMD_DOWNLOAD_START, {0, 4, 0, 0, 0})),
              frame(RSP_DOWNLOAD_START, {0}));
    EXPECT_EQ(bench.exchange(frame(CMD_DOWNLOAD_BLOCK, {0, 0, 'x', 'E', 'N', 'D'})),
              frame(RSP_DOWNLOAD_BLOCK, {1, 0}));

    faults = {};
    faults.refuseDownloadRate = 1.0;
    Bench refusing(fastConfig(), faults);
    refusing.exchange(frame(CMD_CHANNEL_OPEN));
    EXPECT_EQ(refusing.exchange(frame(CMD_DOWNLOAD_START, {0, 4, 0, 0, 0})),
              frame(RSP_DOWNLOAD_START, {1}));
}

TEST(FaultInjection, NamedExchangeLosesOnlyItsFirstReplyAndSlowAckComesLate) {
    sim::FaultPlan faults;
    std::string error;
    ASSERT_TRUE(sim::parseFaultList("drop=open,drop=upload-end,slow-ack=1:1.5", faults, error))
        << error;
    EXPECT_FALSE(sim::parseFaultList("drop=opening", faults, error));
    EXPECT_FALSE(sim::parseFaultList("slow-ack=5", faults, error));

    auto config = fastConfig();
    config.channels = patternChannels(3);
    Bench bench(config, faults);
    EXPECT_TRUE(bench.exchange(frame(CMD_PROBE)).size() > 0) << "other exchanges are untouched";
    EXPECT_TRUE(bench.exchange(frame(CMD_CHANNEL_OPEN)).empty());
    EXPECT_FALSE(bench.exchange(frame(CMD_CHANNEL_OPEN)).empty());
    bench.exchange(frame(CMD_UPLOAD_START, {0}));
    bench.exchange(frame(CMD_UPLOAD_BLOCK, {0, 0}));
    EXPECT_TRUE(bench.exchange(frame(CMD_UPLOAD_END)).empty());
    // The end asked for again is confirmed again.
    EXPECT_EQ(bench.exchange(frame(CMD_UPLOAD_END)), frame(RSP_UPLOAD_END));

    bench.exchange(frame(CMD_CHANNEL_OPEN));
    bench.exchange(frame(CMD_DOWNLOAD_START, {0, 0x00, 0x08, 0, 0}));
    Bytes block{0, 0};
    block.resize(2 + 1024);
    bench.exchange(frame(CMD_DOWNLOAD_BLOCK, block));
    block[0] = 1;
    bench.exchange(frame(CMD_DOWNLOAD_BLOCK, block));
    const sim::TimePoint sentAt = bench.now;
    EXPECT_EQ(bench.items.back().bytes, frame(RSP_DOWNLOAD_BLOCK, {1, 0}));
    EXPECT_EQ(bench.items.back().notBefore - sentAt, std::chrono::milliseconds(1500));
    bench.exchange(frame(CMD_DOWNLOAD_BLOCK, block)); // the second copy is answered at once
    EXPECT_EQ(bench.items.back().notBefore, sentAt);
}

TEST(FaultInjection, SilentAfterBlocksAnswersThatManyThenNothing) {
    sim::FaultPlan faults;
    faults.silentAfterBlocks = 2;
    auto config = fastConfig();
    config.channels = patternChannels(5000);
    Bench bench(config, faults);
    bench.exchange(frame(CMD_CHANNEL_OPEN));
    bench.exchange(frame(CMD_UPLOAD_START, {0}));
    EXPECT_FALSE(bench.exchange(frame(CMD_UPLOAD_BLOCK, {0, 0})).empty());
    EXPECT_FALSE(bench.exchange(frame(CMD_UPLOAD_BLOCK, {1, 0})).empty());
    EXPECT_TRUE(bench.exchange(frame(CMD_UPLOAD_BLOCK, {2, 0})).empty());
    EXPECT_TRUE(bench.exchange(frame(CMD_PROBE)).empty());
    EXPECT_FALSE(bench.rx.wantsHangup());
}

TEST(FaultInjection, MuteAfterRepliesAnswersThatManyFramesThenNothing) {
    sim::FaultPlan faults;
    faults.muteAfterReplies = 3;
    Bench bench(fastConfig(), faults);
    EXPECT_FALSE(bench.exchange(frame(CMD_PROBE)).empty());
    EXPECT_FALSE(bench.exchange(frame(CMD_CHANNEL_OPEN)).empty());
    EXPECT_FALSE(bench.exchange(frame(CMD_UPLOAD_START, {0})).empty());
    EXPECT_TRUE(bench.exchange(frame(CMD_UPLOAD_BLOCK, {0, 0})).empty());
    EXPECT_TRUE(bench.exchange(frame(CMD_PROBE)).empty());
}

TEST(FaultInjection, BootDoneAfterBlocksEndsEarlyAndWritesThePart) {
    sim::FaultPlan faults;
    faults.bootDoneAfterBlocks = 2;
    std::vector<std::uint8_t> written;
    sim::ReceiverHooks hooks;
    hooks.firmwareReceived = [&](std::span<const std::uint8_t> image) {
        written.assign(image.begin(), image.end());
    };
    Bench bench(fastConfig(), faults, 1, hooks);
    bench.exchange(frame(CMD_RESET));
    bench.wait(200ms);
    bench.exchange({0x06});
    bench.exchange({0x09});
    const Bytes image = firmwareImage(5000, 1, 0, 0);
    const auto header = wire::bootHeader(5000);
    bench.exchange(Bytes(header.begin(), header.end()));
    const auto block0 = wire::bootBlock(image, 0);
    EXPECT_EQ(bench.exchange(Bytes(block0.begin(), block0.end())), Bytes{0x09});
    const auto block1 = wire::bootBlock(image, 1);
    EXPECT_EQ(bench.exchange(Bytes(block1.begin(), block1.end())), Bytes{0x0A})
        << "BL_DONE after 2 of 5 blocks";
    EXPECT_EQ(written, Bytes(image.begin(), image.begin() + 2048));
}

TEST(FaultInjection, HangupAfterBlocksAsksForTheLineToGoDown) {
    sim::FaultPlan faults;
    faults.hangupAfterBlocks = 1;
    Bench bench(fastConfig(), faults);
    bench.exchange(frame(CMD_RESET));
    EXPECT_EQ(bench.wait(200ms), (Bytes{0x06, 0x08}));
    bench.exchange({0x06});
    bench.exchange({0x09});
    const auto header = wire::bootHeader(4000);
    bench.exchange(Bytes(header.begin(), header.end()));
    EXPECT_FALSE(bench.rx.wantsHangup());
    const auto block = wire::bootBlock(firmwareImage(4000, 1, 0, 0), 0);
    EXPECT_EQ(bench.exchange(Bytes(block.begin(), block.end())), Bytes{0x09})
        << "the block's answer still goes out";
    EXPECT_TRUE(bench.rx.wantsHangup());
}

TEST(FaultInjection, NoRestartLeavesTheReceiverSilentAfterFlashing) {
    sim::FaultPlan faults;
    faults.noRestart = true;
    Bench bench(fastConfig(), faults);
    bench.exchange(frame(CMD_RESET));
    bench.wait(200ms);
    bench.exchange({0x06});
    bench.exchange({0x09});
    const auto header = wire::bootHeader(50);
    bench.exchange(Bytes(header.begin(), header.end()));
    const auto block = wire::bootBlock(firmwareImage(50, 1, 0, 0), 0);
    EXPECT_EQ(bench.exchange(Bytes(block.begin(), block.end())), Bytes{0x0A});
    bench.wait(60s);
    EXPECT_TRUE(bench.exchange(frame(CMD_PROBE)).empty());
    EXPECT_EQ(bench.rx.mode(), sim::ReceiverSimulator::Mode::silent);
}
