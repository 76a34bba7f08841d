// The rx7700-sim executable against a scripted PC on its pseudo-terminal.
#include "sim/channel_data.h"
#include "sim/line_peer.h"
#include "sim/sim_process.h"
#include "tests/sim/sim_test_support.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <csignal>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <thread>

using namespace simtest;

namespace {

class SimLine : public ::testing::Test {
protected:
    std::string path(const char* name) const { return dir.filePath(name).toStdString(); }
    std::string link() const { return path("com1"); }

    // Starts the simulator with --link and `args`, and opens its line like the PC does.
    void startSim(std::vector<std::string> args) {
        args.insert(args.begin(), {"--link", link()});
        ASSERT_TRUE(process.start(args, path("stderr.txt"))) << readFile(path("stderr.txt"));
        ASSERT_EQ(process.firstLine(), link());
        std::string error;
        peer = sim::LinePeer::open(link(), error);
        ASSERT_TRUE(peer) << error;
    }

    // Probes every 300 ms, as the PC does while it waits for a restart; the identification
    // that answers, or nothing after three seconds.
    Bytes probeUntilAnswered() {
        for (int attempt = 0; attempt < 10; ++attempt) {
            EXPECT_TRUE(peer->send(frame(CMD_PROBE)));
            const Bytes reply = peer->read(13, 300ms);
            if (reply.size() == 13)
                return reply;
        }
        return {};
    }

    Bytes ask(const Bytes& request, std::size_t replySize) {
        EXPECT_TRUE(peer->send(request));
        return peer->read(replySize, 2s);
    }

    static std::string readFile(const std::string& name) {
        std::ifstream in(name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    static Bytes readBytes(const std::string& name) {
        const std::string text = readFile(name);
        return Bytes(text.begin(), text.end());
    }
    static bool exists(const std::string& name) {
        struct stat s {};
        return ::lstat(name.c_str(), &s) == 0;
    }

    QTemporaryDir dir;
    sim::SimProcess process;
    std::unique_ptr<sim::LinePeer> peer;
};

Bytes bootBlock(const Bytes& image, int block) {
    const auto b = wire::bootBlock(image, block);
    return Bytes(b.begin(), b.end());
}

} // namespace

TEST_F(SimLine, WorkedUploadOf1500Bytes) {
    const sim::ChannelData data = patternChannels(1500, 2, 0x05);
    ASSERT_TRUE(sim::saveChannelFile(path("stored.cdf"), data, std::tm{}));
    startSim({"--no-pace", "--channels", path("stored.cdf")});

    EXPECT_EQ(ask({0xA5, 0x02, 0x00, 0x14, 0x15}, 7), frame(RSP_CHANNEL_OPEN, {2, 0x05}));
    const Bytes start = ask({0xA5, 0x03, 0x00, 0x21, 0x00, 0x22}, 10);
    EXPECT_EQ(Bytes(start.begin(), start.end() - 1),
              (Bytes{0xA5, 0x07, 0x00, 0xD1, 0x00, 0xDC, 0x05, 0x00, 0x00}));
    const Bytes block0 = ask({0xA5, 0x04, 0x00, 0x22, 0x00, 0x00, 0x23}, 1031);
    ASSERT_EQ(block0.size(), 1031u);
    EXPECT_EQ(Bytes(block0.begin(), block0.begin() + 6),
              (Bytes{0xA5, 0x04, 0x04, 0xD2, 0x00, 0x00}));
    EXPECT_TRUE(wire::isValidFrame(block0));
    const Bytes block1 = ask({0xA5, 0x04, 0x00, 0x22, 0x01, 0x00, 0x24}, 483);
    ASSERT_EQ(block1.size(), 483u);
    EXPECT_EQ(Bytes(block1.begin(), block1.begin() + 6),
              (Bytes{0xA5, 0xE0, 0x01, 0xD2, 0x01, 0x00}));
    EXPECT_TRUE(wire::isValidFrame(block1));
    EXPECT_EQ(ask({0xA5, 0x02, 0x00, 0x23, 0x24}, 5), (Bytes{0xA5, 0x02, 0x00, 0xD3, 0xD4}));

    Bytes body(block0.begin() + 6, block0.end() - 1);
    body.insert(body.end(), block1.begin() + 6, block1.end() - 1);
    EXPECT_EQ(body, data.body);
    EXPECT_TRUE(peer->readUntilQuiet(50ms).empty()) << "nothing more than asked for";
}

TEST_F(SimLine, FirmwareThroughTheBootLoaderWithARepeatThenAnAbortedSecondRun) {
    startSim({"--no-pace", "--flash-seconds", "0.2", "--firmware-out", path("flashed.bin")});
    const Bytes image = firmwareImage(2500, 3, 1, 0);

    EXPECT_EQ(ask(frame(CMD_PROBE), 13).size(), 13u);
    EXPECT_TRUE(peer->send(frame(CMD_RESET)));
    EXPECT_EQ(peer->read(2, 2s), (Bytes{0x06, 0x08}));
    const Bytes info = ask({0x06}, 9);
    ASSERT_EQ(info.size(), 9u);
    EXPECT_EQ(info[0], 0x07);
    EXPECT_EQ(ask({0x09}, 1), Bytes{0x09});
    const auto header = wire::bootHeader(2500);
    EXPECT_EQ(ask(Bytes(header.begin(), header.end()), 1), Bytes{0x09});
    Bytes wrong = bootBlock(image, 0);
    wrong[1024] += 1;
    EXPECT_EQ(ask(wrong, 1), Bytes{0x0B});
    EXPECT_EQ(ask(bootBlock(image, 0), 1), Bytes{0x09});
    EXPECT_EQ(ask(bootBlock(image, 1), 1), Bytes{0x09});
    EXPECT_EQ(ask(bootBlock(image, 2), 1), Bytes{0x0A});
    EXPECT_EQ(readBytes(path("flashed.bin")), image);

    // Silent while writing the flash (0.2 s), then the new firmware answers.
    EXPECT_TRUE(peer->send(frame(CMD_PROBE)));
    EXPECT_TRUE(peer->readUntilQuiet(50ms).empty());
    const Bytes ident = probeUntilAnswered();
    ASSERT_EQ(ident.size(), 13u);
    EXPECT_EQ(Bytes(ident.begin() + 8, ident.begin() + 11), (Bytes{3, 1, 0}));

    // Second run, cancelled after one block: the abort frame takes the place of block 1.
    EXPECT_TRUE(peer->send(frame(CMD_RESET)));
    EXPECT_EQ(peer->read(2, 2s), (Bytes{0x06, 0x08}));
    EXPECT_EQ(ask({0x06}, 9).size(), 9u);
    EXPECT_EQ(ask({0x09}, 1), Bytes{0x09});
    EXPECT_EQ(ask(Bytes(header.begin(), header.end()), 1), Bytes{0x09});
    EXPECT_EQ(ask(bootBlock(firmwareImage(2500, 9, 9, 9), 0), 1), Bytes{0x09});
    EXPECT_EQ(ask(frame(CMD_BOOT_ABORT, Bytes(1020, 0)), 1), Bytes{0x0A});
    EXPECT_EQ(probeUntilAnswered().size(), 13u) << "back after the abort";
    EXPECT_EQ(readBytes(path("flashed.bin")), image) << "the aborted image is not written";

    EXPECT_EQ(process.stop(SIGINT), 0);
    EXPECT_NE(process.output().find("1 firmware image (2500 bytes), 1 abort, 1 repeat"),
              std::string::npos)
        << process.output();
    EXPECT_NE(process.output().find("stopped by SIGINT"), std::string::npos);
    EXPECT_FALSE(exists(link())) << "the link is removed at exit";
}

TEST_F(SimLine, DownloadIsKeptForTheNextUploadAndSavedOnlyWhereAsked) {
    const sim::ChannelData original = patternChannels(100, 2, 0x01);
    ASSERT_TRUE(sim::saveChannelFile(path("stored.cdf"), original, std::tm{}));
    const Bytes storedFile = readBytes(path("stored.cdf"));
    startSim({"--no-pace", "--channels", path("stored.cdf"), "--channels-out", path("out.cdf")});

    const Bytes body = patternChannels(1100).body;
    EXPECT_EQ(ask(frame(CMD_CHANNEL_OPEN), 7), frame(RSP_CHANNEL_OPEN, {2, 0x01}));
    EXPECT_EQ(ask(frame(CMD_DOWNLOAD_START, {0, 0x4C, 0x04, 0, 0}), 6),
              frame(RSP_DOWNLOAD_START, {0}));
    Bytes block0{0, 0};
    block0.insert(block0.end(), body.begin(), body.begin() + 1024);
    EXPECT_EQ(ask(frame(CMD_DOWNLOAD_BLOCK, block0), 7), frame(RSP_DOWNLOAD_BLOCK, {0, 0}));
    Bytes block1{1, 0};
    block1.insert(block1.end(), body.begin() + 1024, body.end());
    EXPECT_EQ(ask(frame(CMD_DOWNLOAD_BLOCK, block1), 7), frame(RSP_DOWNLOAD_BLOCK, {1, 0}));
    EXPECT_EQ(ask(frame(CMD_DOWNLOAD_END), 5), frame(RSP_DOWNLOAD_END));

    EXPECT_EQ(ask(frame(CMD_CHANNEL_OPEN), 7).size(), 7u);
    EXPECT_EQ(ask(frame(CMD_UPLOAD_START, {0}), 10),
              frame(RSP_UPLOAD_START, {0, 0x4C, 0x04, 0, 0}));
    const Bytes up0 = ask(frame(CMD_UPLOAD_BLOCK, {0, 0}), 1031);
    const Bytes up1 = ask(frame(CMD_UPLOAD_BLOCK, {1, 0}), 6 + 76 + 1);
    ASSERT_EQ(up0.size(), 1031u);
    ASSERT_EQ(up1.size(), 83u);
    Bytes uploaded(up0.begin() + 6, up0.end() - 1);
    uploaded.insert(uploaded.end(), up1.begin() + 6, up1.end() - 1);
    EXPECT_EQ(uploaded, body);

    EXPECT_EQ(readBytes(path("stored.cdf")), storedFile) << "the given file is left alone";
    const Bytes saved = readBytes(path("out.cdf"));
    ASSERT_EQ(saved.size(), 14u + body.size());
    EXPECT_EQ(Bytes(saved.begin() + 14, saved.end()), body);
    EXPECT_EQ(saved[3], 2);
    EXPECT_EQ(saved[4], 0x01);
}

TEST_F(SimLine, SameSeedSameFaults) {
    // What the receiver must send for 16 probes with this seed, worked out in-process.
    sim::FaultPlan faults;
    faults.dropRate = 0.3;
    faults.corruptRate = 0.3;
    auto config = fastConfig();
    Bench prediction(config, faults, 7);
    Bytes expected;
    for (int i = 0; i < 16; ++i) {
        const Bytes reply = prediction.exchange(frame(CMD_PROBE));
        expected.insert(expected.end(), reply.begin(), reply.end());
    }
    Bytes clean;
    for (int i = 0; i < 16; ++i) {
        const Bytes reply = frame(RSP_IDENT, {'R', 'X', '7', '7', 1, 0, 0, 0});
        clean.insert(clean.end(), reply.begin(), reply.end());
    }
    ASSERT_NE(expected, clean) << "faults at these rates show within 16 probes";

    for (int run = 0; run < 2; ++run) {
        startSim({"--no-pace", "--fault", "drop=0.3,corrupt=0.3", "--seed", "7"});
        for (int i = 0; i < 16; ++i)
            ASSERT_TRUE(peer->send(frame(CMD_PROBE)));
        EXPECT_EQ(peer->read(expected.size(), 3s), expected) << "run " << run;
        EXPECT_TRUE(peer->readUntilQuiet(100ms).empty());
        peer.reset();
        EXPECT_EQ(process.stop(SIGTERM), 0);
    }
}

TEST_F(SimLine, BootOnlyReceiverWaitsToBeSwitchedOn) {
    startSim({"--no-pace", "--boot-only"});
    EXPECT_TRUE(peer->send(frame(CMD_PROBE)));
    EXPECT_TRUE(peer->readUntilQuiet(150ms).empty()) << "switched off: silent";
    ASSERT_TRUE(process.control("on"));
    EXPECT_EQ(peer->read(2, 2s), (Bytes{0x06, 0x08}));
    ASSERT_TRUE(process.control("off"));
    std::this_thread::sleep_for(100ms);
    peer->drain();
    EXPECT_TRUE(peer->readUntilQuiet(1200ms).empty()) << "no more greetings once off";
}

TEST_F(SimLine, PowerOnAfterADelayGreetsWithReady) {
    startSim({"--no-pace", "--boot-only", "--power-on-after", "0.3", "--greeting", "ready"});
    const auto started = sim::Clock::now();
    EXPECT_EQ(peer->read(1, 3s), Bytes{0x08});
    EXPECT_GE(sim::Clock::now() - started, 250ms);
}

TEST_F(SimLine, HangupFaultEndsTheSimulatorAndItsLine) {
    startSim({"--no-pace", "--fault", "hangup-after=1"});
    EXPECT_EQ(ask(frame(CMD_CHANNEL_OPEN), 7).size(), 7u);
    EXPECT_EQ(ask(frame(CMD_UPLOAD_START, {0}), 10).size(), 10u);
    EXPECT_GT(ask(frame(CMD_UPLOAD_BLOCK, {0, 0}), 1031).size(), 6u)
        << "the last block still arrives";
    EXPECT_EQ(process.waitForExit(3s), 0);
    EXPECT_FALSE(exists(link()));
    EXPECT_NE(process.output().find("line hung up"), std::string::npos) << process.output();
}

TEST(SimCommandLine, BadCommandLinesGiveUsageAndExitCode2) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{},
          {"--link", "/tmp/rx7700-never", "--bogus"},
          {"--link", "/tmp/rx7700-never", "--fault", "drop=2"},
          {"--link", "/tmp/rx7700-never", "--ident-version", "1.2.3"}}) {
        std::string out;
        std::string err;
        EXPECT_EQ(sim::runSimToExit(args, out, err), 2);
        EXPECT_NE(err.find("Usage: rx7700-sim --link PATH"), std::string::npos) << err;
        EXPECT_TRUE(out.empty());
    }
    std::string out;
    std::string err;
    EXPECT_EQ(sim::runSimToExit({"--help"}, out, err), 0);
    EXPECT_NE(out.find("--fault FAULTS"), std::string::npos);
}

TEST(SimCommandLine, UnreadableChannelFileOrOccupiedLinkPathExit1) {
    QTemporaryDir dir;
    std::string out;
    std::string err;
    EXPECT_EQ(sim::runSimToExit({"--link", dir.filePath("l").toStdString(), "--channels",
                                 dir.filePath("absent.cdf").toStdString()},
                                out, err),
              1);
    EXPECT_NE(err.find("cannot read"), std::string::npos) << err;
    std::ofstream(dir.filePath("plain").toStdString()) << "x";
    err.clear();
    EXPECT_EQ(sim::runSimToExit({"--link", dir.filePath("plain").toStdString()}, out, err), 1);
    EXPECT_NE(err.find("not a symbolic link"), std::string::npos) << err;
}
