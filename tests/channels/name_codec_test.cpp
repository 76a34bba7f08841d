#include "channels/name_charset_tables.h"
#include "channels/name_codec.h"
#include "channels/name_tables/name_table_derivation.h"

#include <QFile>
#include <QStringDecoder>

#include <gtest/gtest.h>

#include <set>

namespace {
// Puts the default set back, whatever a test chose.
struct CharsetGuard {
    ~CharsetGuard() { NameCodec::setCharset(defaultNameCharset); }
};

QByteArray allBytes() {
    QByteArray bytes;
    for (int b = 0; b < 256; ++b)
        bytes.append(char(b));
    return bytes;
}
} // namespace

TEST(NameCharsets, EverySetDecodesAll256BytesToDistinctCharactersThatEncodeBack) {
    const QByteArray bytes = allBytes();
    for (int set = 0; set < nameCharsetCount; ++set) {
        const NameCharset charset = NameCharset(set);
        SCOPED_TRACE(nameCharsetIanaName(charset).toStdString());
        const QString text = NameCodec::toText(bytes, charset);
        ASSERT_EQ(text.size(), 256);
        std::set<char16_t> distinct;
        for (const QChar c : text)
            distinct.insert(c.unicode());
        EXPECT_EQ(distinct.size(), 256u);
        // A name holds at most 255 bytes: both halves round-trip.
        EXPECT_EQ(NameCodec::fromText(text.left(128), charset), bytes.left(128));
        EXPECT_EQ(NameCodec::fromText(text.mid(128), charset), bytes.mid(128));
        EXPECT_EQ(nameCharsetFromName(nameCharsetIanaName(charset).toUpper()), charset);
    }
}

TEST(NameCharsets, CommittedTablesAreWhatTheDecoderSaysToday) {
    if (!QStringDecoder("windows-1251").isValid())
        GTEST_SKIP() << "this Qt decodes no legacy sets (built without ICU); the tables are "
                        "checked where it does";
    for (int set = 0; set < nameCharsetCount; ++set) {
        SCOPED_TRACE(nameCharsetIanaName(NameCharset(set)).toStdString());
        const auto derived = deriveNameTable(NameCharset(set));
        ASSERT_TRUE(derived) << "this Qt has no decoder for the set";
        for (int byte = 0; byte < 256; ++byte)
            EXPECT_EQ(unsigned(nameCharsetTables[set][byte]), unsigned((*derived)[byte]))
                << "byte " << byte;
    }
    QFile committed(QStringLiteral(NAME_TABLES_SOURCE));
    ASSERT_TRUE(committed.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(committed.readAll()), nameTablesSource())
        << "regenerate with: cmake --build build --target regenerate-name-tables";
}

TEST(NameCodec, LettersOfEachScriptAndUndefinedBytesMapBothWays) {
    struct Case {
        NameCharset charset;
        QByteArray bytes;
        QString text;
    } const cases[] = {
        {NameCharset::iso8859_1, "Caf\xe9 \xb5", QStringLiteral("Café µ")},
        {NameCharset::windows1252, "\x80 \x81", QStringLiteral("€ \u0081")},
        {NameCharset::windows1250,
         "\xa3\xf3"
         "d\x9f",
         QStringLiteral("Łódź")},
        {NameCharset::windows1251, "\xcf\xe5\xf0\xe2\xfb\xe9", QStringLiteral("Первый")},
        {NameCharset::windows1253, "\xc5\xd1\xd4", QStringLiteral("ΕΡΤ")},
        {NameCharset::windows1253, "\xd2\xff", QStringLiteral("\uf7d2\uf7ff")},
        {NameCharset::windows1254, "\xdd\xfe", QStringLiteral("İş")},
        {NameCharset::windows1255, "\xf2\xf8\xe5\xf5", QStringLiteral("ערוץ")},
        {NameCharset::windows1256, "\xe3\xc8", QStringLiteral("مب")},
        {NameCharset::windows1257, "\xd0\xe0", QStringLiteral("Šą")},
        {NameCharset::iso8859_5, "\xbf\xd5", QStringLiteral("Пе")},
        {NameCharset::iso8859_7, "\xc5\xd1\xd4", QStringLiteral("ΕΡΤ")},
        {NameCharset::iso8859_9, "\xdd\xfe", QStringLiteral("İş")},
        {NameCharset::koi8r, "\xf0\xc5\xd2\xd7\xd9\xca", QStringLiteral("Первый")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        EXPECT_EQ(NameCodec::toText(c.bytes, c.charset), c.text);
        EXPECT_EQ(NameCodec::fromText(c.text, c.charset), c.bytes);
    }
}

TEST(NameCodec, ACharacterTheSetLacksIsRefusedNamingItAndTheSet) {
    const QString greek = QStringLiteral("Канал Ω");
    EXPECT_FALSE(NameCodec::fromText(greek, NameCharset::windows1251));
    const QString why = NameCodec::refusalMessage(greek, NameCharset::windows1251);
    EXPECT_TRUE(why.contains(QStringLiteral("\"Ω\""))) << why.toStdString();
    EXPECT_TRUE(why.contains(QStringLiteral("Cyrillic (Windows-1251)"))) << why.toStdString();
    EXPECT_TRUE(
        NameCodec::refusalMessage(QStringLiteral("Канал"), NameCharset::windows1251).isEmpty());
    // The set in use is the one chosen.
    CharsetGuard guard;
    EXPECT_FALSE(NameCodec::fromText(QStringLiteral("Канал")));
    NameCodec::setCharset(NameCharset::koi8r);
    EXPECT_EQ(NameCodec::fromText(QStringLiteral("Канал")), QByteArray("\xeb\xc1\xce\xc1\xcc"));
    EXPECT_FALSE(nameCharsetFromName(QStringLiteral("nonsense")));
    EXPECT_FALSE(nameCharsetFromName(QStringLiteral("UTF-8")));
}

TEST(NameCodec, SearchesMatchAsTheSetsLanguageDoes) {
    CharsetGuard guard;
    struct Case {
        NameCharset charset;
        QString name;
        QString search;
        bool holds;
    } const cases[] = {
        {NameCharset::windows1251, QStringLiteral("Первый канал"), QStringLiteral("КАНАЛ"), true},
        {NameCharset::windows1251, QStringLiteral("Первый канал"), QStringLiteral("канон"), false},
        {NameCharset::windows1253, QStringLiteral("ΣΚΑΪ"), QStringLiteral("σκαϊ"), true},
        // Turkish: dotted capital İ is the capital of i.
        {NameCharset::windows1254, QStringLiteral("İSTANBUL TV"), QStringLiteral("istanbul"), true},
        {NameCharset::iso8859_1, QStringLiteral("Sat A"), QString(), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE((c.name + " / " + c.search).toStdString());
        NameCodec::setCharset(c.charset);
        EXPECT_EQ(NameCodec::holds(c.name, c.search), c.holds);
    }
}
