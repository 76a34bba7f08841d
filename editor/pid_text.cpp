#include "editor/pid_text.h"

long long parsePidText(const QString& text) {
    const QString lower = text.toLower();
    qsizetype at = 0;
    while (at < lower.size() && lower.at(at) == QLatin1Char(' '))
        ++at;
    const bool hex = lower.mid(at, 2) == QLatin1String("0x");
    if (hex)
        at += 2;
    bool negative = false;
    if (!hex && at < lower.size() &&
        (lower.at(at) == QLatin1Char('-') || lower.at(at) == QLatin1Char('+'))) {
        negative = lower.at(at) == QLatin1Char('-');
        ++at;
    }
    const int base = hex ? 16 : 10;
    long long value = 0;
    bool any = false;
    // Clamp long inputs rather than overflow; such values are out of every field's range anyway.
    constexpr long long limit = 1LL << 40;
    for (; at < lower.size(); ++at) {
        const char16_t c = lower.at(at).unicode();
        int digit = -1;
        if (c >= u'0' && c <= u'9')
            digit = c - u'0';
        else if (hex && c >= u'a' && c <= u'f')
            digit = c - u'a' + 10;
        if (digit < 0)
            break;
        any = true;
        if (value < limit)
            value = value * base + digit;
    }
    if (!any)
        return -1;
    return negative ? -value : value;
}
