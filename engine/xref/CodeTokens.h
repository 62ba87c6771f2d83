#pragma once
// The tokens of a run of code, the characters the page's scan left outside comments, strings
// and directives. The cross-reference reads them from the decoded text and the page's link
// hook from the page's own units; both count a line's names with this one function, so the
// n-th name of a line is the same name for both whatever the encoding.

#include "Markup.h"

#include <QtGlobal>
#include <array>
#include <bit>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

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

// What a token starting with an ASCII code is; every unit above ASCII starts a name.
enum class TTokenStart : unsigned char { Symbol, Name, Digit, Ampersand, Dollar, Percent, Hash };
inline constexpr auto kTokenStarts = [] {
    std::array<TTokenStart, 128> table{};
    for (unsigned c = 0; c < 128; ++c)
        table[c] = kNameUnits[c] & 1 ? TTokenStart::Name
                   : kNameUnits[c]   ? TTokenStart::Digit
                   : c == '&'        ? TTokenStart::Ampersand
                   : c == '$'        ? TTokenStart::Dollar
                   : c == '%'        ? TTokenStart::Percent
                   : c == '#'        ? TTokenStart::Hash
                                     : TTokenStart::Symbol;
    return table;
}();

// Blanks are the control characters and the space, but for NUL.
inline bool IsBlank(unsigned c) {
    return c - 1u < unsigned(' ');
}

// The runs of units a token reader passes over at once.
enum class TUnitRun { Blanks, NameUnits };

inline bool InRun(TUnitRun run, unsigned c) {
    return run == TUnitRun::Blanks ? IsBlank(c) : IsNameUnit(c);
}

#ifdef __SSE2__
// Per 16-bit lane, whether `low` <= the unit <= `low` + `span`.
inline __m128i UnitsWithin(__m128i units, char16_t low, char16_t span) {
    const __m128i above = _mm_subs_epu16(_mm_sub_epi16(units, _mm_set1_epi16(short(low))),
                                         _mm_set1_epi16(short(span)));
    return _mm_cmpeq_epi16(above, _mm_setzero_si128());
}

// Two bits per unit of the eight `units`, set where the unit is not of `run`.
inline unsigned OutOfRun(TUnitRun run, __m128i units) {
    __m128i in;
    if (run == TUnitRun::Blanks) {
        in = UnitsWithin(units, 1, ' ' - 1);
    } else {
        const __m128i letter = UnitsWithin(_mm_or_si128(units, _mm_set1_epi16(0x20)), 'a', 25);
        const __m128i digit = UnitsWithin(units, '0', 9);
        const __m128i underscore = _mm_cmpeq_epi16(units, _mm_set1_epi16('_'));
        const __m128i above = _mm_andnot_si128(UnitsWithin(units, 0, 0x7F), _mm_set1_epi16(-1));
        in = _mm_or_si128(_mm_or_si128(letter, digit), _mm_or_si128(underscore, above));
    }
    return ~unsigned(_mm_movemask_epi8(in)) & 0xFFFFu;
}
inline unsigned OutOfRun(TUnitRun run, const char16_t* s) {
    return OutOfRun(run, _mm_loadu_si128(reinterpret_cast<const __m128i*>(s)));
}
#endif

// The first unit of s[i, end) not of `run`, or `end`. UTF-16 text is looked at eight units at
// a time where the machine compares them at once: names and indentation run for several.
template <typename Unit>
Q_ALWAYS_INLINE qsizetype RunEnd(TUnitRun run, const Unit* s, qsizetype i, qsizetype end) {
#ifdef __SSE2__
    if constexpr (sizeof(Unit) == 2) {
        for (; i + 8 <= end; i += 8)
            if (const unsigned out = OutOfRun(run, reinterpret_cast<const char16_t*>(s + i)))
                return i + std::countr_zero(out) / 2;
    }
#endif
    while (i < end && InRun(run, unsigned(s[i])))
        ++i;
    return i;
}

// Where the name whose first unit is s[i] ends: at the first unit of s[i + 1, end) that is no
// name unit, or `end`.
struct TNameEnd {
    template <typename Unit>
    Q_ALWAYS_INLINE qsizetype operator()(const Unit* s, qsizetype i, qsizetype end) const {
        return RunEnd(TUnitRun::NameUnits, s, i + 1, end);
    }
};

// The next token of s[i, end) into `out`; false when only blanks are left. `nameEnd` finds
// where a name ends as TNameEnd does, and may learn more of the name on the way.
template <typename Unit, typename TFindNameEnd = TNameEnd>
Q_ALWAYS_INLINE bool NextCodeToken(const Unit* s, qsizetype i, qsizetype end, TCodeToken& out,
                                   TFindNameEnd&& nameEnd = {}) {
    auto at = [&](qsizetype k) -> unsigned { return k < end ? unsigned(s[k]) : 0u; };
    auto digits = [&](qsizetype k, bool hex) {
        for (unsigned c; (c = at(k)) != 0; ++k)
            if (!((c >= '0' && c <= '9') ||
                  (hex && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')))))
                break;
        return k;
    };
    // Tokens are most often apart by one blank, told without starting a run.
    if (i < end && IsBlank(unsigned(s[i])) && ++i < end && IsBlank(unsigned(s[i])))
        i = RunEnd(TUnitRun::Blanks, s, i + 1, end);
    if (i >= end)
        return false;
    const unsigned c = at(i);
    out.Start = i;
    out.Kind = TCodeKind::Number;
    switch (c < 0x80 ? kTokenStarts[c] : TTokenStart::Name) {
    case TTokenStart::Ampersand:
        if (!IsNameStart(at(i + 1))) {
            out.End = digits(i + 1, false);
            return true;
        }
        out.Start = ++i;
        [[fallthrough]];
    case TTokenStart::Name:
        out.Kind = TCodeKind::Name;
        out.End = nameEnd(s, i, end);
        return true;
    case TTokenStart::Digit:
        i = digits(i, false);
        if (at(i) == '.' && at(i + 1) >= '0' && at(i + 1) <= '9')
            i = digits(i + 1, false);
        if ((at(i) == 'e' || at(i) == 'E') &&
            ((at(i + 1) >= '0' && at(i + 1) <= '9') ||
             ((at(i + 1) == '+' || at(i + 1) == '-') && at(i + 2) >= '0' && at(i + 2) <= '9')))
            i = digits(i + 2, false);
        out.End = i;
        return true;
    case TTokenStart::Dollar:
        out.End = digits(i + 1, true);
        return true;
    case TTokenStart::Percent:
        out.End = digits(i + 1, false);
        return true;
    case TTokenStart::Hash:
        out.End = at(i + 1) == '$' ? digits(i + 2, true) : digits(i + 1, false);
        return true;
    case TTokenStart::Symbol:
        break;
    }
    out.Kind = TCodeKind::Symbol;
    const unsigned n = at(i + 1);
    const bool pair = (c == ':' && n == '=') || (c == '.' && n == '.') ||
                      (c == '<' && (n == '=' || n == '>')) || (c == '>' && n == '=');
    out.End = i + (pair ? 2 : 1);
    return true;
}
