#pragma once
// The line scan of a conversion: finds comments, directives, strings, reserved words and
// numbers, and hands the line to a sink as runs of source characters and markup, in one
// pass. Comment and directive states carry over from line to line.
//
// The scan runs on the source characters themselves, 16-bit units or the bytes of a
// windows-1251 or UTF-8 line: every character a rule looks at is ASCII, and a character
// above ASCII is a word character in either form. Tokens are classified as if "<" and ">"
// were already written "&lt;" and "&gt;": four word characters ending in a delimiter, so a
// word touching one is never marked and a word may start right after one. The sink writes
// the escapes; it decides nothing.
//
// A sink provides:
//   void Text(const Unit* run, qsizetype length);  source characters, escaped by the sink
//   void Markup(TMarkup which);
// and may declare `static constexpr bool kWordMarkup = false;` when it has no use for the
// markup of reserved words and numbers: the scan then spares their test. Runs and the other
// markup stay the same, since such a word never holds a "{".

#include "Markup.h"
#include "WordClass.h"

#include <QtGlobal>
#include <algorithm>
#include <array>
#include <cstring>

// The first `c` (ASCII) of s[from, end), or `end`: found by the C library's vectorized search for
// its byte, far cheaper per line than a loop over units.
inline qsizetype FindAsciiUnit(const char16_t* s, qsizetype from, qsizetype end, char16_t c) {
    const auto* bytes = reinterpret_cast<const char*>(s);
    for (qsizetype at = from * 2; at < end * 2;) {
        const void* hit = std::memchr(bytes + at, int(c), size_t(end * 2 - at));
        if (!hit)
            return end;
        at = static_cast<const char*>(hit) - bytes;
        if (s[at / 2] == c) // not a byte of another unit
            return at / 2;
        ++at;
    }
    return end;
}

template <class Sink> constexpr bool WantsWordMarkup() {
    if constexpr (requires { Sink::kWordMarkup; })
        return Sink::kWordMarkup;
    else
        return true;
}

// What the scan needs to know of each character code below 256.
class TScanClasses {
public:
    TScanClasses();

    static constexpr unsigned char kDelimiter = 1, kOpenBrace = 2, kAngle = 4;
    unsigned char Of(unsigned c) const { return c < 256 ? FClass[c] : 0; }

private:
    std::array<unsigned char, 256> FClass{};
};

template <typename Unit> class TLineScanner {
public:
    // `encoding`: that of a byte line, for the reserved-word test of words above ASCII.
    explicit TLineScanner(TTextEncoding encoding) : FWords(encoding) {}

    // Clears the comment and directive states before the first line of a text.
    void Reset() { FState = TState::None; }

    // Converts one line (no line break in it) into `out`.
    template <class Sink> void ConvertLine(const Unit* s, qsizetype len, Sink& out);

private:
    // The comment or directive the scan is inside; strings end with their line.
    enum class TState { None, Com, Com1, Dir, Dir1 };

    bool Is(Unit c, unsigned char cls) const { return FClasses.Of(unsigned(c)) & cls; }
    bool IsDelimiter(Unit c) const { return Is(c, TScanClasses::kDelimiter); }
    // Starts nothing after the first column when no state is active.
    bool IsPlain(Unit c) const {
        return !Is(c, TScanClasses::kDelimiter | TScanClasses::kOpenBrace | TScanClasses::kAngle);
    }
    static qsizetype Find(const Unit* s, qsizetype from, qsizetype len, Unit c) {
        if constexpr (sizeof(Unit) == 1) {
            const void* hit =
                from < len ? std::memchr(s + from, int(c), size_t(len - from)) : nullptr;
            return hit ? static_cast<const Unit*>(hit) - s : len;
        } else {
            static_assert(sizeof(Unit) == sizeof(char16_t));
            return FindAsciiUnit(reinterpret_cast<const char16_t*>(s), from, len, char16_t(c));
        }
    }

    TScanClasses FClasses;
    TWordClassifier FWords;
    TState FState = TState::None;
};

template <typename Unit>
template <class Sink>
void TLineScanner<Unit>::ConvertLine(const Unit* s, qsizetype len, Sink& out) {
    auto at = [&](qsizetype k) -> Unit { return k < len ? s[k] : Unit(0); };
    qsizetype done = 0; // characters before this offset are already in `out`
    auto insertBefore = [&](qsizetype where, TMarkup markup) {
        if (where > done)
            out.Text(s + done, where - done);
        out.Markup(markup);
        done = where;
    };

    bool isStr = false;
    qsizetype i = 0;
    while (i < len) {
        // Inside a comment, directive or string only its closing characters matter.
        if (FState != TState::None || isStr) {
            qsizetype k;
            TMarkup close;
            if (FState == TState::Com || FState == TState::Dir) {
                k = Find(s, i, len, Unit('}')) + 1;
                close = FState == TState::Dir ? TMarkup::Edir : TMarkup::Ecom;
            } else if (FState == TState::Com1 || FState == TState::Dir1) {
                k = Find(s, i, len, Unit('*'));
                while (k + 1 < len && s[k + 1] != Unit(')'))
                    k = Find(s, k + 1, len, Unit('*'));
                k += 2;
                close = FState == TState::Dir1 ? TMarkup::Edir : TMarkup::Ecom;
            } else {
                k = Find(s, i, len, Unit('\'')) + 1;
                close = TMarkup::Estr;
            }
            if (k > len)
                break; // still open at the line's end
            insertBefore(k, close);
            FState = TState::None;
            isStr = false;
            i = k;
            continue;
        }

        const Unit c = s[i];
        const Unit n = at(i + 1);
        if (c == Unit(' ') && n == Unit(' ')) {
            // Within a run of spaces nothing starts; its last space may start a word.
            do
                ++i;
            while (i + 1 < len && s[i + 1] == Unit(' '));
            continue;
        }
        if (c == Unit('{')) {
            const bool directive = n == Unit('$');
            FState = directive ? TState::Dir : TState::Com;
            insertBefore(i, directive ? TMarkup::Bdir : TMarkup::Bcom);
            i += directive ? 2 : 1;
            continue;
        }
        if (c == Unit('(') && n == Unit('*')) {
            const bool directive = at(i + 2) == Unit('$');
            FState = directive ? TState::Dir1 : TState::Com1;
            insertBefore(i, directive ? TMarkup::Bdir : TMarkup::Bcom);
            i += directive ? 3 : 2;
            continue;
        }
        if (c == Unit('\'')) {
            isStr = true;
            insertBefore(i, TMarkup::Bstr);
            i += 1;
            continue;
        }
        if (c == Unit('/') && n == Unit('/')) {
            // A line comment runs to the end of the line, whatever it holds.
            insertBefore(i, TMarkup::Bcom);
            insertBefore(len, TMarkup::Ecom);
            return;
        }

        // A word starts at the line's first character, or right after a delimiter (the ";"
        // that ends an escaped "<" or ">" included).
        qsizetype start = -1;
        if (Is(c, TScanClasses::kDelimiter | TScanClasses::kAngle)) {
            if (!IsDelimiter(n))
                start = i + 1;
        } else if (i == 0) {
            start = 0;
        }
        if (start >= 0 && start < len) {
            qsizetype end = start;
            unsigned char seen = 0;
            for (unsigned char cls;
                 end < len && !((cls = FClasses.Of(unsigned(s[end]))) &
                                (TScanClasses::kDelimiter | TScanClasses::kAngle));
                 ++end)
                seen |= cls;
            // A word that runs into "<" or ">" goes on with "&lt" or "&gt": no markup.
            if (WantsWordMarkup<Sink>() && (end == len || !Is(s[end], TScanClasses::kAngle))) {
                const qsizetype wordLength = end - start;
                bool marked = true;
                if (FWords.IsReserved(s + start, wordLength)) {
                    insertBefore(start, TMarkup::Bres);
                    insertBefore(end, TMarkup::Eres);
                } else if (IsNumberWord(s + start, wordLength)) {
                    insertBefore(start, TMarkup::Bnum);
                    insertBefore(end, TMarkup::Enum);
                } else {
                    marked = false;
                }
                if (marked) {
                    i = end;
                    continue;
                }
            }
            // An unmarked word's characters start nothing, unless one is "{".
            if (!(seen & TScanClasses::kOpenBrace)) {
                i = end;
                continue;
            }
        }
        ++i;
        while (i < len && IsPlain(s[i]))
            ++i;
    }
    if (len > done)
        out.Text(s + done, len - done);
}
