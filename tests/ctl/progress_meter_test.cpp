#include "ctl/progress_meter.h"

#include <gtest/gtest.h>

namespace {

TEST(ProgressMeter, PlainOutputIsOneLinePerTenPercentAndNothingDrawnInPlace) {
    QByteArray out;
    ProgressMeter meter([&](const QByteArray& bytes) { out += bytes; }, false);
    meter.line(QStringLiteral("Waiting for response..."));
    meter.transient(QStringLiteral("Writing ... 3 sec"));
    // 37 blocks of 1024 bytes in a 36,000-byte body, with a jump over 40 %.
    const std::uint64_t total = 36000;
    for (std::uint64_t done : {0, 1024, 2048, 3072, 4096, 9000, 16000, 36000})
        meter.progress(QStringLiteral("Receiving ..."), done, total, 1.0);
    meter.close();
    EXPECT_EQ(out.toStdString(), "Waiting for response...\n"
                                 "Receiving ... 10 %\n"
                                 "Receiving ... 20 %\n"
                                 "Receiving ... 40 %\n"
                                 "Receiving ... 100 %\n");
}

TEST(ProgressMeter, TerminalRedrawsOneLineWithPercentRateAndTimeLeft) {
    QByteArray out;
    ProgressMeter meter([&](const QByteArray& bytes) { out += bytes; }, true);
    // 23,040 of 115,200 bytes after 2 s: 11.5 kB/s, 8 s left.
    meter.progress(QStringLiteral("Sending ..."), 23040, 115200, 2.0);
    EXPECT_EQ(out.toStdString(),
              "\r\x1b[KSending ... [######------------------------]  20 %  11.5 kB/s  0:08 left");
    out.clear();
    // The same percentage a moment later is not drawn again.
    meter.progress(QStringLiteral("Sending ..."), 23100, 115200, 2.05);
    EXPECT_TRUE(out.isEmpty());
    meter.line(QStringLiteral("Downloading is successful..."));
    EXPECT_EQ(out.toStdString(), "\nDownloading is successful...\n");
}

} // namespace
