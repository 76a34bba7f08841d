#include "channels/name_charsets.h"

#include <array>

namespace {
// Central European and Baltic cover several languages; the collation is that of the largest.
constexpr std::array<NameCharsetInfo, nameCharsetCount> infos = {{
    {"ISO-8859-1", "Western European (ISO-8859-1)", "en_US"},
    {"windows-1252", "Western European (Windows-1252)", "en_US"},
    {"windows-1250", "Central European (Windows-1250)", "pl_PL"},
    {"windows-1251", "Cyrillic (Windows-1251)", "ru_RU"},
    {"windows-1253", "Greek (Windows-1253)", "el_GR"},
    {"windows-1254", "Turkish (Windows-1254)", "tr_TR"},
    {"windows-1255", "Hebrew (Windows-1255)", "he_IL"},
    {"windows-1256", "Arabic (Windows-1256)", "ar_SA"},
    {"windows-1257", "Baltic (Windows-1257)", "lt_LT"},
    {"ISO-8859-5", "Cyrillic (ISO-8859-5)", "ru_RU"},
    {"ISO-8859-7", "Greek (ISO-8859-7)", "el_GR"},
    {"ISO-8859-9", "Turkish (ISO-8859-9)", "tr_TR"},
    {"KOI8-R", "Cyrillic (KOI8-R)", "ru_RU"},
}};
} // namespace

const NameCharsetInfo& nameCharsetInfo(NameCharset charset) {
    return infos[std::size_t(charset)];
}

QString nameCharsetIanaName(NameCharset charset) {
    return QLatin1String(nameCharsetInfo(charset).ianaName);
}

QString nameCharsetPlainName(NameCharset charset) {
    return QLatin1String(nameCharsetInfo(charset).plainName);
}

std::optional<NameCharset> nameCharsetFromName(const QString& ianaName) {
    for (int i = 0; i < nameCharsetCount; ++i)
        if (ianaName.compare(QLatin1String(infos[std::size_t(i)].ianaName), Qt::CaseInsensitive) ==
            0)
            return NameCharset(i);
    return std::nullopt;
}

QStringList nameCharsetNames() {
    QStringList names;
    for (const NameCharsetInfo& info : infos)
        names.append(QLatin1String(info.ianaName));
    return names;
}
