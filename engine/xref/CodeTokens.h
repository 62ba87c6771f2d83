#pragma once
// The tokens of a run of code, the characters the page's scan left outside comments, strings
// and directives. The cross-reference reads them from the decoded text and the page's link
// hook from the page's own units; both count a line's names with this one function, so the
// n-th name of a line is the same name for both whatever the encoding.

#include "Markup.h"

#include <QtGlobal>
#include <array>

enum class TCodeKind { Name, Number, Symbol };

// What the characters after a markup of the scan are: the scan's own classes of a line.
enum class TRunClass { Code, Comment, String, Directive };
inline TRunClass ClassAfter(TMarkup which, TRunClass now) {
    switch (which) {
    case TMarkup::Bcom:
        return TRunClass::Comment;
    case TMarkup::Bstr:
        return TRunClass::String;
    case TMarkup::Bdir:
        return TRunClass::Directive;
    case TMarkup::Ecom:
    case TMarkup::Estr:
    case TMarkup::Edir:
        return TRunClass::Code;
    default:
        return now; // reserved words and numbers are code
    }
}

struct TCodeToken {
    TCodeKind Kind = TCodeKind::Symbol;
    qsizetype Start = 0, End = 0; // in the line's units; a "&name" starts at the name
};

// Per ASCII code, whether a name may start with it (1) and go on with it (2); every unit above
// ASCII does both. Looked up for each character of a source's code.
inline constexpr auto kNameUnits = [] {
    std::array<unsigned char, 128> table{};
    for (unsigned c = 0; c < 128; ++c)
        table[c] = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' ? 3
                   : c >= '0' && c <= '9'                                       ? 2
                                                                                : 0;
    return table;
}();
inline bool IsNameStart(unsigned c) {
    return c >= 0x80 || (kNameUnits[c] & 1);
}
inline bool IsNameUnit(unsigned c) {
    return c >= 0x80 || kNameUnits[c] != 0;
}

// The next token of s[i, end) into `out`; false when only blanks are left.
template <typename Unit>
Q_ALWAYS_INLINE bool NextCodeToken(const Unit* s, qsizetype i, qsizetype end, TCodeToken& out) {
    auto at = [&](qsizetype k) -> unsigned { return k < end ? unsigned(s[k]) : 0u; };
    auto digits = [&](qsizetype k, bool hex) {
        for (unsigned c; (c = at(k)) != 0; ++k)
            if (!((c >= '0' && c <= '9') ||
                  (hex && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')))))
                break;
        return k;
    };
    while (i < end && unsigned(s[i]) <= ' ' && unsigned(s[i]) != 0)
        ++i;
    if (i >= end)
        return false;
    const unsigned c = at(i);
    out.Start = i;
    if (IsNameStart(c) || (c == '&' && IsNameStart(at(i + 1)))) {
        if (c == '&')
            out.Start = ++i;
        while (i < end && IsNameUnit(unsigned(s[i])))
            ++i;
        out.Kind = TCodeKind::Name;
        out.End = i;
        return true;
    }
    out.Kind = TCodeKind::Number;
    if (c >= '0' && c <= '9') {
        i = digits(i, false);
        if (at(i) == '.' && at(i + 1) >= '0' && at(i + 1) <= '9')
            i = digits(i + 1, false);
        if ((at(i) == 'e' || at(i) == 'E') &&
            ((at(i + 1) >= '0' && at(i + 1) <= '9') ||
             ((at(i + 1) == '+' || at(i + 1) == '-') && at(i + 2) >= '0' && at(i + 2) <= '9')))
            i = digits(i + 2, false);
        out.End = i;
        return true;
    }
    if (c == '$' || c == '%' || c == '&') {
        out.End = digits(i + 1, c == '$');
        return true;
    }
    if (c == '#') {
        out.End = at(i + 1) == '$' ? digits(i + 2, true) : digits(i + 1, false);
        return true;
    }
    out.Kind = TCodeKind::Symbol;
    const unsigned n = at(i + 1);
    const bool pair = (c == ':' && n == '=') || (c == '.' && n == '.') ||
                      (c == '<' && (n == '=' || n == '>')) || (c == '>' && n == '=');
    out.End = i + (pair ? 2 : 1);
    return true;
}
