#include "channels/language_code_table.h"

#include <array>
#include <string_view>

namespace {

constexpr std::array<std::string_view, LanguageCodeTable::count> codes = {
    "eng", "spa", "ita", "fra", "ger", "tur", "ara", "dut", "por", "rus", "hun", "gre", "pol",
    "swe", "dan", "bul", "cze", "fin", "nor", "ice", "lat", "per", "rum", "cat", "est",
};

// ISO 639-2 names of the codes above, in the same order.
constexpr std::array<std::string_view, LanguageCodeTable::count> names = {
    "English", "Spanish",    "Italian", "French",    "German",    "Turkish",   "Arabic",
    "Dutch",   "Portuguese", "Russian", "Hungarian", "Greek",     "Polish",    "Swedish",
    "Danish",  "Bulgarian",  "Czech",   "Finnish",   "Norwegian", "Icelandic", "Latin",
    "Persian", "Romanian",   "Catalan", "Estonian",
};

// Other codes that name a table language, with the index they stand for.
struct Alias {
    std::string_view code;
    std::uint8_t index;
};
constexpr std::array<Alias, 8> aliases = {{
    {"fre", 3},
    {"deu", 4},
    {"nld", 7},
    {"ell", 11},
    {"ces", 16},
    {"isl", 19},
    {"fas", 21},
    {"rom", 22},
}};

} // namespace

QString LanguageCodeTable::code(int index) {
    if (index < 0 || index >= count)
        return {};
    const std::string_view code = codes[std::size_t(index)];
    return QString::fromLatin1(code.data(), qsizetype(code.size()));
}

QString LanguageCodeTable::name(int index) {
    if (index < 0 || index >= count)
        return {};
    const std::string_view name = names[std::size_t(index)];
    return QString::fromLatin1(name.data(), qsizetype(name.size()));
}

QString LanguageCodeTable::describe(std::uint8_t index) {
    if (index == none)
        return QStringLiteral("none");
    if (index >= count)
        return QStringLiteral("%1 (unknown)").arg(index);
    return code(index);
}

std::uint8_t languageIndexFromCode(const QString& text) {
    // The first three characters, lower case, padded with NULs.
    const QString lower = text.left(3).toLower();
    std::array<char16_t, 3> key{};
    for (qsizetype i = 0; i < lower.size() && i < 3; ++i)
        key[std::size_t(i)] = lower.at(i).unicode();
    const auto is = [&key](std::string_view code) {
        return key[0] == char16_t(code[0]) && key[1] == char16_t(code[1]) &&
               key[2] == char16_t(code[2]);
    };

    if (is(codes[0]))
        return 0;
    // Spanish also by any "es" code but Estonian's ("esl", "esp" ...).
    if (is(codes[1]) || (key[0] == u'e' && key[1] == u's' && !is("est")))
        return 1;
    for (std::uint8_t index = 2; index < LanguageCodeTable::count; ++index) {
        if (is(codes[index]))
            return index;
        for (const Alias& alias : aliases)
            if (alias.index == index && is(alias.code))
                return index;
    }
    return LanguageCodeTable::none;
}
