#pragma once
// Integers as the settings file writes them: decimal, or hexadecimal after "$", "x" or "0x".

#include <QStringView>

#include <optional>

// An optional sign, then decimal digits within the 32-bit signed range, or one of the
// prefixes "$", "x", "X", "0x", "0X" and one to eight hexadecimal digits taken as a 32-bit
// pattern (so "$FFFFFFFF" is -1). Nothing else is allowed, blanks included.
std::optional<int> ParseInteger(QStringView text);

// ParseInteger, or `def` when the text does not parse.
inline int StrToIntDef(QStringView text, int def) {
    return ParseInteger(text).value_or(def);
}
