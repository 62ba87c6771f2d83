#include "IntegerText.h"

#include <cstdint>

namespace {

int HexDigit(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

qsizetype HexPrefixLength(QStringView s) {
    if (s.startsWith(u'$') || s.startsWith(u'x') || s.startsWith(u'X'))
        return 1;
    if (s.startsWith(u"0x") || s.startsWith(u"0X"))
        return 2;
    return 0;
}

std::optional<std::uint32_t> ParseHex(QStringView digits) {
    if (digits.isEmpty() || digits.size() > 8)
        return std::nullopt;
    std::uint32_t value = 0;
    for (QChar c : digits) {
        const int d = HexDigit(c);
        if (d < 0)
            return std::nullopt;
        value = value << 4 | static_cast<std::uint32_t>(d);
    }
    return value;
}

// Decimal digits up to `limit` (the magnitude the sign allows).
std::optional<std::uint32_t> ParseDecimal(QStringView digits, std::uint32_t limit) {
    if (digits.isEmpty())
        return std::nullopt;
    std::uint64_t value = 0;
    for (QChar c : digits) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
        if (value > limit)
            return std::nullopt;
    }
    return static_cast<std::uint32_t>(value);
}

} // namespace

std::optional<int> ParseInteger(QStringView text) {
    QStringView s = text;
    const bool negative = s.startsWith(u'-');
    if (negative || s.startsWith(u'+'))
        s = s.sliced(1);
    std::optional<std::uint32_t> magnitude;
    if (const qsizetype prefix = HexPrefixLength(s); prefix > 0)
        magnitude = ParseHex(s.sliced(prefix));
    else
        magnitude = ParseDecimal(s, negative ? 2147483648u : 2147483647u);
    if (!magnitude)
        return std::nullopt;
    // Two's complement wrap-around: a hexadecimal pattern stands for its 32-bit value.
    const std::uint32_t bits = negative ? 0u - *magnitude : *magnitude;
    return static_cast<int>(bits);
}
