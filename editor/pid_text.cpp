#include "editor/pid_text.h"

std::optional<long long> parsePidText(const QString& text) {
    const QString number = text.trimmed().toLower();
    if (number.isEmpty())
        return -1;
    qsizetype at = 0;
    const bool hex = number.startsWith(QLatin1String("0x"));
    bool negative = false;
    if (hex) {
        at = 2;
    } else if (number.at(0) == QLatin1Char('-') || number.at(0) == QLatin1Char('+')) {
        negative = number.at(0) == QLatin1Char('-');
        at = 1;
    }
    if (at == number.size())
        return std::nullopt;
    const int base = hex ? 16 : 10;
    long long value = 0;
    // Clamp long inputs rather than overflow; such values are out of every field's range anyway.
    constexpr long long limit = 1LL << 40;
    for (; at < number.size(); ++at) {
        const char16_t c = number.at(at).unicode();
        int digit = -1;
        if (c >= u'0' && c <= u'9')
            digit = c - u'0';
        else if (hex && c >= u'a' && c <= u'f')
            digit = c - u'a' + 10;
        if (digit < 0)
            return std::nullopt;
        if (value < limit)
            value = value * base + digit;
    }
    return negative ? -value : value;
}
