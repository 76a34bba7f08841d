#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The single-byte character sets a receiver shows its names in. Which one a list was written
// for depends on the country the receiver was sold in; nothing in the file says so, so the user
// chooses. The order is the order of the chooser.
enum class NameCharset : int {
    iso8859_1,
    windows1252,
    windows1250,
    windows1251,
    windows1253,
    windows1254,
    windows1255,
    windows1256,
    windows1257,
    iso8859_5,
    iso8859_7,
    iso8859_9,
    koi8r,
};

inline constexpr int nameCharsetCount = 13;
inline constexpr NameCharset defaultNameCharset = NameCharset::iso8859_1;

struct NameCharsetInfo {
    // The IANA name: the settings value, cdftool's --charset and the decoder's name.
    const char* ianaName;
    // What the user reads in the chooser.
    const char* plainName;
    // The language whose collation orders and finds names in this set.
    const char* collationLocale;
};

const NameCharsetInfo& nameCharsetInfo(NameCharset charset);
QString nameCharsetIanaName(NameCharset charset);
QString nameCharsetPlainName(NameCharset charset);

// The set with this IANA name (any case); nothing for a name not offered.
std::optional<NameCharset> nameCharsetFromName(const QString& ianaName);
// The IANA names of all offered sets, in chooser order.
QStringList nameCharsetNames();
