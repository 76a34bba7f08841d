#pragma once

#include <QString>

#include <cstdint>

// The audio languages a track can carry: a stored language is an index into this fixed table
// of three-letter codes; 255 means none.
class LanguageCodeTable {
public:
    static constexpr int count = 25;
    static constexpr std::uint8_t none = 255;

    // The code at `index`; empty for 25 and above (also for the stored "none").
    static QString code(int index);
    // The language's English name ("French" for "fra"); empty where code() is.
    static QString name(int index);
    // How a stored index reads for a person: its code, "none" for 255, and the number for
    // any other index the table lacks ("30 (unknown)"), so that no two values read alike.
    static QString describe(std::uint8_t index);
};

// The index a typed language code stands for, 0 to 24, or 255. Case is ignored and only the
// first three characters count ("english" is English); the text is not trimmed. Besides the
// table's own codes the other common three-letter forms are understood ("deu", "fre" ...).
std::uint8_t languageIndexFromCode(const QString& text);
