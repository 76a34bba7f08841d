#include "firmware/firmware_check.h"
#include "channels/channel_file_check.h"
#include "tests/support/sample_files.h"

#include <QBuffer>

#include <gtest/gtest.h>

namespace {

using sample::channelFile;
using sample::firmwareFile;

FirmwareCheckResult check(QByteArray bytes, IdentificationRecord& ident) {
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    return checkFirmwareFile(buffer, ident);
}

ChannelFileCheckResult checkChannel(QByteArray bytes) {
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    return checkChannelFile(buffer);
}

} // namespace

TEST(FirmwareCheck, ShortFilesAreUnreadableWhateverTheBlockLength) {
    IdentificationRecord ident;
    ident.bytes.fill(0x42);
    EXPECT_EQ(check(firmwareFile(9, {}, 34), ident), FirmwareCheckResult::unreadable);
    EXPECT_EQ(check(QByteArray(), ident), FirmwareCheckResult::unreadable);
    // A failed check leaves the kept record untouched.
    EXPECT_EQ(ident.bytes[0], 0x42);
    EXPECT_EQ(check(firmwareFile(9, {}, 35), ident), FirmwareCheckResult::ok);
}

TEST(FirmwareCheck, VersionFieldAndUnknownVersions) {
    IdentificationRecord ident;
    ASSERT_EQ(check(firmwareFile(13, QByteArray("\x02\x00\x07\x99", 4), 64), ident),
              FirmwareCheckResult::ok);
    EXPECT_EQ(ident.versionText(), "2.07");
    EXPECT_EQ(ident.bytes[0], 0x01);
    EXPECT_EQ(ident.bytes[3], 0x04);
    EXPECT_EQ(ident.bytes[7], 0x99);

    ASSERT_EQ(check(firmwareFile(9, {}, 64), ident), FirmwareCheckResult::ok);
    EXPECT_EQ(ident.versionText(), "[unknown]");
    EXPECT_EQ(ident.bytes[4], 0xFF);
    EXPECT_EQ(ident.bytes[7], 0xFF);

    ASSERT_EQ(check(firmwareFile(13, QByteArray("\x01\x0c\x00\x00", 4), 64), ident),
              FirmwareCheckResult::ok);
    EXPECT_EQ(ident.versionText(), "[unknown]");
    ASSERT_EQ(check(firmwareFile(13, QByteArray("\x03\x01\x00\x00", 4), 64), ident),
              FirmwareCheckResult::ok);
    EXPECT_EQ(ident.versionText(), "3.10");
}

TEST(FirmwareCheck, VersionFieldMayEndTheFile) {
    IdentificationRecord ident;
    // 35 bytes hold the whole version field of a block of length 13.
    ASSERT_EQ(check(firmwareFile(13, QByteArray("\x02\x00\x07\x05", 4), 35), ident),
              FirmwareCheckResult::ok);
    EXPECT_EQ(ident.versionText(), "2.07");
    EXPECT_EQ(ident.bytes[7], 0x05);
    EXPECT_EQ(check(firmwareFile(13, QByteArray("\x02\x00\x07", 3), 34), ident),
              FirmwareCheckResult::unreadable);
}

TEST(FirmwareCheck, WrongBlockLengthOrTagIsInvalid) {
    IdentificationRecord ident;
    EXPECT_EQ(check(firmwareFile(10, {}, 64), ident), FirmwareCheckResult::invalid);
    EXPECT_EQ(check(firmwareFile(13, {}, 64, "INTPQ"), ident), FirmwareCheckResult::invalid);
    EXPECT_EQ(check(firmwareFile(0, {}, 64, "intpr"), ident), FirmwareCheckResult::invalid);
}

TEST(FirmwareCheck, InMemoryCheckAgreesWithFileCheck) {
    for (const QByteArray& bytes :
         {firmwareFile(9, {}, 35), firmwareFile(9, {}, 34), firmwareFile(10, {}, 64),
          firmwareFile(13, QByteArray("\x01\x0c\x00\x00", 4), 40),
          firmwareFile(13, {}, 64, "INTPQ"), QByteArray()}) {
        IdentificationRecord fromFile;
        IdentificationRecord fromBytes;
        const auto span = std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                    std::size_t(bytes.size()));
        EXPECT_EQ(checkFirmwareBytes(span, fromBytes), check(bytes, fromFile));
        EXPECT_EQ(fromBytes, fromFile);
    }
}

TEST(ChannelFileCheck, HeaderLengthAndEndMark) {
    EXPECT_EQ(checkChannel(channelFile("END")), ChannelFileCheckResult::ok);
    EXPECT_EQ(checkChannel(channelFile("END\n")), ChannelFileCheckResult::missingEndMark);
    EXPECT_EQ(checkChannel(channelFile("END", -1)), ChannelFileCheckResult::badHeader);
    EXPECT_EQ(checkChannel(channelFile("END", +1)), ChannelFileCheckResult::badHeader);
    EXPECT_EQ(checkChannel(QByteArray("CDF\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00", 13)),
              ChannelFileCheckResult::unreadable);
    QByteArray wrongMagic = channelFile("END");
    wrongMagic[2] = 'X';
    EXPECT_EQ(checkChannel(wrongMagic), ChannelFileCheckResult::badHeader);
    EXPECT_EQ(channelFile("END").size(), 17);
}

TEST(ChannelFileCheck, LengthFieldNearTheTopOfItsRangeIsNotWrappedAround) {
    // 0xFFFFFFFF + 14 must not wrap to a small number that matches the file size.
    QByteArray bytes = channelFile("END");
    bytes[10] = bytes[11] = bytes[12] = bytes[13] = '\xFF';
    EXPECT_EQ(checkChannel(bytes), ChannelFileCheckResult::badHeader);
    EXPECT_EQ(checkChannelBytes(bytes), ChannelFileCheckResult::badHeader);
}

TEST(ChannelFileCheck, HeaderOnlyFileHasNoEndMark) {
    // Length 0 matches a file of 14 bytes, whose last three bytes are the length field.
    EXPECT_EQ(checkChannel(channelFile("")), ChannelFileCheckResult::missingEndMark);
    EXPECT_EQ(checkChannelBytes(channelFile("")), ChannelFileCheckResult::missingEndMark);
}

TEST(ChannelFileCheck, InMemoryCheckAgreesWithFileCheck) {
    for (const QByteArray& bytes :
         {channelFile("END"), channelFile("END\n"), channelFile("END", -1), QByteArray("CDF")}) {
        EXPECT_EQ(checkChannelBytes(bytes), checkChannel(bytes));
    }
}

TEST(ChannelImageCheck, LooksOnlyAtMagicAndEndMarkWithinBounds) {
    QByteArray image = channelFile("xxEND");
    const auto* data = reinterpret_cast<const unsigned char*>(image.constData());
    EXPECT_EQ(checkChannelImage(data, image.size()), 0);
    image[image.size() - 1] = 'X';
    EXPECT_NE(checkChannelImage(data, image.size()), 0);
    // A length field pointing past the image is refused, not read.
    QByteArray lying = channelFile("END", 1000);
    EXPECT_NE(
        checkChannelImage(reinterpret_cast<const unsigned char*>(lying.constData()), lying.size()),
        0);
}
