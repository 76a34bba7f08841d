#include "channels/name_codec.h"

#include "channels/name_charset_tables.h"

#include <QLocale>

#include <algorithm>
#include <array>
#include <utility>

namespace NameCodec {

namespace {

NameCharset current = defaultNameCharset;

// Characters of one set sorted for lookup, each with its byte.
using ReverseTable = std::array<std::pair<char16_t, std::uint8_t>, 256>;

const ReverseTable& reverseTable(NameCharset charset) {
    static const std::array<ReverseTable, nameCharsetCount> tables = [] {
        std::array<ReverseTable, nameCharsetCount> all{};
        for (int set = 0; set < nameCharsetCount; ++set) {
            for (int byte = 0; byte < 256; ++byte)
                all[std::size_t(set)][std::size_t(byte)] = {nameCharsetTables[set][byte],
                                                            std::uint8_t(byte)};
            std::sort(all[std::size_t(set)].begin(), all[std::size_t(set)].end());
        }
        return all;
    }();
    return tables[std::size_t(charset)];
}

std::optional<std::uint8_t> byteOf(char16_t character, NameCharset charset) {
    const ReverseTable& table = reverseTable(charset);
    const auto at = std::lower_bound(table.begin(), table.end(),
                                     std::pair<char16_t, std::uint8_t>{character, 0});
    if (at == table.end() || at->first != character)
        return std::nullopt;
    return at->second;
}

int firstUnencodable(const QString& text, NameCharset charset) {
    for (int i = 0; i < text.size(); ++i)
        if (!byteOf(text.at(i).unicode(), charset))
            return i;
    return -1;
}

} // namespace

NameCharset charset() {
    return current;
}

void setCharset(NameCharset charset) {
    current = charset;
}

QString toText(const QByteArray& name) {
    return toText(name, current);
}

QString toText(const QByteArray& name, NameCharset charset) {
    const char16_t* table = nameCharsetTables[int(charset)];
    QString text(name.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char byte : name)
        *out++ = QChar(table[std::uint8_t(byte)]);
    return text;
}

std::optional<QByteArray> fromText(const QString& text) {
    return fromText(text, current);
}

std::optional<QByteArray> fromText(const QString& text, NameCharset charset) {
    if (text.size() > maxNameBytes)
        return std::nullopt;
    QByteArray bytes(text.size(), Qt::Uninitialized);
    for (int i = 0; i < text.size(); ++i) {
        const std::optional<std::uint8_t> byte = byteOf(text.at(i).unicode(), charset);
        if (!byte)
            return std::nullopt;
        bytes[i] = char(*byte);
    }
    return bytes;
}

QString refusalMessage(const QString& text) {
    return refusalMessage(text, current);
}

QString refusalMessage(const QString& text, NameCharset charset) {
    if (const int at = firstUnencodable(text, charset); at >= 0) {
        // A surrogate pair is one character to the user.
        const QString shown = text.at(at).isHighSurrogate() && at + 1 < text.size()
                                  ? text.mid(at, 2)
                                  : QString(text.at(at));
        return QStringLiteral("The character \"%1\" cannot be stored in a name. Names take "
                              "%2 characters only; another character set can be chosen under "
                              "\"Character set for names\".")
            .arg(shown, nameCharsetPlainName(charset));
    }
    if (text.size() > maxNameBytes)
        return QStringLiteral("A name can be at most %1 characters long (this one has %2).")
            .arg(maxNameBytes)
            .arg(text.size());
    return {};
}

const QCollator& collator() {
    // One per set, made when first needed: opening a collator costs far more than comparing.
    static std::array<std::optional<QCollator>, nameCharsetCount> collators;
    std::optional<QCollator>& slot = collators[std::size_t(current)];
    if (!slot) {
        slot.emplace(QLocale(QLatin1String(nameCharsetInfo(current).collationLocale)));
        slot->setCaseSensitivity(Qt::CaseInsensitive);
    }
    return *slot;
}

bool holds(QStringView name, QStringView search) {
    if (search.isEmpty())
        return true;
    // The plain case-insensitive match first: it is what nearly every search finds, and costs
    // a fraction of the collator's comparisons.
    if (name.contains(search, Qt::CaseInsensitive))
        return true;
    const QCollator& compare = collator();
    for (qsizetype at = 0; at + search.size() <= name.size(); ++at)
        if (compare.compare(name.mid(at, search.size()), search) == 0)
            return true;
    return false;
}

} // namespace NameCodec
