// Channel names on Windows, where Qt has no ICU: every offered set decodes and encodes through
// the compiled-in tables, although Qt's own decoder knows none of the sets beyond Latin-1.
#include "channels/name_codec.h"

#include <QStringDecoder>

#include <gtest/gtest.h>

TEST(NameCodecWin32, EverySetWorksWithoutIcu) {
    struct Case {
        NameCharset charset;
        char byte;
        char16_t character;
    };
    const Case cases[] = {
        {NameCharset::iso8859_1, '\xE9', u'\u00E9'},
        {NameCharset::windows1250, '\x8A', u'\u0160'},
        {NameCharset::windows1251, '\xC0', u'\u0410'},
        {NameCharset::windows1253, '\xC1', u'\u0391'},
        {NameCharset::windows1256, '\xC7', u'\u0627'},
        {NameCharset::iso8859_5, '\xB0', u'\u0410'},
        {NameCharset::iso8859_7, '\xC1', u'\u0391'},
        {NameCharset::koi8r, '\xE1', u'\u0410'},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(nameCharsetIanaName(c.charset).toStdString());
        const QByteArray name = QByteArray("TV ") + c.byte;
        const QString text = NameCodec::toText(name, c.charset);
        EXPECT_EQ(text, QStringLiteral("TV ") + QChar(c.character));
        EXPECT_EQ(NameCodec::fromText(text, c.charset), name);
    }
    // Qt's decoder here has no ICU behind it: the tables above are all there is.
    EXPECT_FALSE(QStringDecoder("KOI8-R").isValid());

    // Every byte but NUL, in every set, round-trips.
    QByteArray all(256, '\0');
    for (int i = 0; i < 256; ++i)
        all[i] = char(i);
    for (int set = 0; set < nameCharsetCount; ++set) {
        const auto charset = NameCharset(set);
        EXPECT_EQ(NameCodec::fromText(NameCodec::toText(all.mid(1), charset), charset), all.mid(1))
            << nameCharsetIanaName(charset).toStdString();
    }
    EXPECT_TRUE(NameCodec::holds(u"Das Erste HD", u"erste"));
}
