#include "sim/sim_options.h"

#include "sim/channel_data.h"
#include "tests/sim/sim_test_support.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <cstring>
#include <fstream>

using namespace simtest;

TEST(SimOptions, ReadsTheWholeCommandLine) {
    sim::SimOptions o;
    std::string error;
    ASSERT_EQ(sim::parseOptions({"--link",
                                 "/tmp/x",
                                 "--channels",
                                 "a.cdf",
                                 "--firmware-out=f.bin",
                                 "--ident-version",
                                 "3.10",
                                 "--boot-only",
                                 "--power-on-after",
                                 "2.5",
                                 "--greeting",
                                 "ready",
                                 "--flash-seconds",
                                 "0",
                                 "--no-pace",
                                 "--turnaround",
                                 "20",
                                 "--fault",
                                 "drop=0.1,no-restart",
                                 "--seed",
                                 "99",
                                 "--verbose",
                                 "--channels-out",
                                 "b.cdf"},
                                o, error),
              sim::ParseResult::run)
        << error;
    EXPECT_EQ(o.linkPath, "/tmp/x");
    EXPECT_EQ(o.channelsPath, "a.cdf");
    EXPECT_EQ(o.channelsOut, "b.cdf");
    EXPECT_EQ(o.firmwareOut, "f.bin");
    EXPECT_EQ(o.ident, sim::makeIdentification(3, 1, 0));
    EXPECT_TRUE(o.bootOnly);
    EXPECT_EQ(o.powerOnAfterSeconds, 2.5);
    EXPECT_EQ(o.greeting, sim::Greeting::ready);
    EXPECT_EQ(o.flashSeconds, 0);
    EXPECT_FALSE(o.paced);
    EXPECT_EQ(o.turnaroundMs, 20);
    EXPECT_DOUBLE_EQ(o.faults.dropRate, 0.1);
    EXPECT_TRUE(o.faults.noRestart);
    EXPECT_EQ(o.seed, 99u);
    EXPECT_TRUE(o.verbose);

    const sim::ReceiverConfig config = sim::receiverConfigFor(o, sim::builtInChannelData());
    EXPECT_FALSE(config.applicationWorks);
    EXPECT_FALSE(config.switchedOnAtStart);
    EXPECT_EQ(config.powerOnAfter, std::chrono::milliseconds(2500));
    EXPECT_EQ(config.turnaround, std::chrono::milliseconds(20));
    EXPECT_FALSE(config.pacedInput);
}

TEST(SimOptions, RejectsBadCommandLines) {
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"--channels", "a.cdf"},
        {"--link"},
        {"--link", "/tmp/x", "--ident-version", "1.2"},
        {"--link", "/tmp/x", "--ident-version", "12.3"},
        {"--link", "/tmp/x", "--greeting", "hi"},
        {"--link", "/tmp/x", "--flash-seconds", "-1"},
        {"--link", "/tmp/x", "--power-on-after", "soon"},
        {"--link", "/tmp/x", "--seed", "-3"},
        {"--link", "/tmp/x", "--fault", "melt"},
        {"--link", "/tmp/x", "--no-pace=yes"},
        {"--link", "/tmp/x", "--colour"},
    };
    for (const auto& args : bad) {
        sim::SimOptions o;
        std::string error;
        EXPECT_EQ(sim::parseOptions(args, o, error), sim::ParseResult::error)
            << (args.empty() ? "(none)" : args.back());
        EXPECT_FALSE(error.empty());
    }
    sim::SimOptions o;
    std::string error;
    EXPECT_EQ(sim::parseOptions({"--help"}, o, error), sim::ParseResult::help);
}

TEST(ChannelData, BuiltInListIsAWellFormedChannelDataFile) {
    const sim::ChannelData data = sim::builtInChannelData();
    std::tm when{};
    when.tm_mday = 7;
    when.tm_mon = 11;
    when.tm_year = 124;
    const Bytes file = sim::channelFileImage(data, when);
    ASSERT_GT(file.size(), 24u);
    EXPECT_EQ(std::memcmp(file.data(), "CDF", 3), 0);
    EXPECT_EQ(file[3], 2);
    EXPECT_EQ(file[5], 7);
    EXPECT_EQ(file[6], 12);
    EXPECT_EQ(file[7], 24);
    EXPECT_EQ(wire::readU32(file.data() + 10), file.size() - 14);
    EXPECT_EQ(std::memcmp(file.data() + file.size() - 3, "END", 3), 0);

    // Walk the body with the layout-2 record sizes: every count must lead exactly to "END".
    const std::uint8_t* p = file.data() + 14;
    const unsigned satellites = *p++;
    for (unsigned i = 0; i < satellites; ++i) {
        p += 12 + ((data.headerFlags & 0x01) ? 3 : 0);
        p += 1 + *p;
    }
    const unsigned transponders = wire::readU16(p);
    p += 2 + transponders * 11;
    for (int list = 0; list < 2; ++list) {
        const unsigned programs = wire::readU16(p);
        p += 2;
        for (unsigned i = 0; i < programs; ++i) {
            EXPECT_LT(wire::readU16(p), transponders);
            p += (list == 0 ? 14 : 12);
            p += 1 + *p;     // name
            p += 1;          // audio selection
            p += 1 + 3 * *p; // audio tracks
        }
    }
    EXPECT_EQ(p, file.data() + file.size() - 3);
    EXPECT_EQ(satellites, 2u);
    EXPECT_EQ(transponders, 3u);
}

TEST(ChannelData, LoadsValidFilesAndRefusesBrokenOnes) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("list.cdf").toStdString();
    const sim::ChannelData original = patternChannels(777, 1, 0x0F);
    ASSERT_TRUE(sim::saveChannelFile(path, original, std::tm{}));
    sim::ChannelData loaded;
    bool missingEnd = true;
    ASSERT_EQ(sim::loadChannelFile(path, loaded, missingEnd), sim::ChannelFileResult::ok);
    EXPECT_FALSE(missingEnd);
    EXPECT_EQ(loaded.body, original.body);
    EXPECT_EQ(loaded.layout, 1);
    EXPECT_EQ(loaded.headerFlags, 0x0F);

    auto writeRaw = [&](const Bytes& bytes) {
        std::ofstream(path, std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(bytes.data()), long(bytes.size()));
    };
    Bytes image = sim::channelFileImage(original, std::tm{});
    image.push_back('\n');
    writeRaw(image);
    EXPECT_EQ(sim::loadChannelFile(path, loaded, missingEnd), sim::ChannelFileResult::badLength);
    image.pop_back();
    image[0] = 'X';
    writeRaw(image);
    EXPECT_EQ(sim::loadChannelFile(path, loaded, missingEnd),
              sim::ChannelFileResult::notChannelFile);
    image[0] = 'C';
    image[image.size() - 1] = 'X';
    writeRaw(image);
    EXPECT_EQ(sim::loadChannelFile(path, loaded, missingEnd), sim::ChannelFileResult::ok);
    EXPECT_TRUE(missingEnd);
    EXPECT_EQ(sim::loadChannelFile(dir.filePath("absent.cdf").toStdString(), loaded, missingEnd),
              sim::ChannelFileResult::cannotRead);
}

TEST(Identification, ParsesVersionsAndReadsTheImageBlock) {
    EXPECT_EQ(sim::parseIdentVersion("2.07"), sim::makeIdentification(2, 0, 7));
    EXPECT_FALSE(sim::parseIdentVersion("2.7"));
    EXPECT_FALSE(sim::parseIdentVersion("a.bc"));

    Bytes image = firmwareImage(40, 4, 5, 6);
    EXPECT_EQ(sim::identificationInImage(image),
              (sim::Identification{'T', 'E', 'S', 'T', 4, 5, 6, 0}));
    image[21] = 9;
    EXPECT_EQ(sim::identificationInImage(image),
              (sim::Identification{'T', 'E', 'S', 'T', 0xFF, 0xFF, 0xFF, 0xFF}));
    image[21] = 10;
    EXPECT_FALSE(sim::identificationInImage(image));
    EXPECT_FALSE(sim::identificationInImage(Bytes(firmwareImage(34, 1, 0, 0))));
}
