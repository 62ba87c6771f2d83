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
// the escapes.
//
// A sink provides:
//   void Text(const Unit* run, qsizetype length);  source characters, escaped by the sink
//   void Markup(TMarkup which);
//   bool IsReserved(const Unit* word, qsizetype length) const;

#include <QtGlobal>
#include <algorithm>
#include <array>
#include <cstring>

class TDelphiToHTML;

enum class TMarkup { Bcom, Ecom, Bres, Eres, Bnum, Enum, Bstr, Estr, Bdir, Edir };

// The reserved-word test of a word of bytes when it is ASCII; NotAscii when it holds a byte
// above ASCII and needs the test on its decoded text.
enum class TAsciiWord { No, Yes, NotAscii };
TAsciiWord ReservedAsciiWord(const unsigned char* word, qsizetype length);

// What the scan needs to know of each character code below 256.
class TScanClasses {
public:
    explicit TScanClasses(const TDelphiToHTML& converter);

    static constexpr unsigned char kDelimiter = 1, kOpenBrace = 2, kAngle = 4;
    unsigned char Of(unsigned c) const { return c < 256 ? FClass[c] : 0; }

private:
    std::array<unsigned char, 256> FClass{};
};

// True for a numeric literal: "#", "$", "." or a digit first, then those or hex letters.
template <typename Unit> bool IsNumberWord(const Unit* s, qsizetype n) {
    auto numberChar = [](unsigned c) {
        return c == '#' || c == '$' || c == '.' || (c >= '0' && c <= '9');
    };
    if (n == 0 || (n == 1 && s[0] == Unit('.')) || !numberChar(unsigned(s[0])))
        return false;
    for (qsizetype i = 1; i < n; ++i) {
        const unsigned c = unsigned(s[i]);
        if (!numberChar(c) && !(c >= 'A' && c <= 'F') && !(c >= 'a' && c <= 'f'))
            return false;
    }
    return true;
}

template <typename Unit> class TLineScanner {
public:
    explicit TLineScanner(const TDelphiToHTML& converter) : FClasses(converter) {}

    // Clears the comment and directive states before the first line of a text.
    void Reset() { FIsCom = FIsCom1 = FIsDir = FIsDir1 = false; }

    // Converts one line (no line break in it) into `out`.
    template <class Sink> void ConvertLine(const Unit* s, qsizetype len, Sink& out);

private:
    bool Is(Unit c, unsigned char cls) const { return FClasses.Of(unsigned(c)) & cls; }
    bool IsDelimiter(Unit c) const { return Is(c, TScanClasses::kDelimiter); }
    // Starts nothing after the first column when no state is active.
    bool IsPlain(Unit c) const {
        return !Is(c, TScanClasses::kDelimiter | TScanClasses::kOpenBrace | TScanClasses::kAngle);
    }
    static const Unit* Find(const Unit* from, const Unit* end, Unit c) {
        if constexpr (sizeof(Unit) == 1) {
            const void* hit = from < end ? std::memchr(from, int(c), size_t(end - from)) : nullptr;
            return hit ? static_cast<const Unit*>(hit) : end;
        } else {
            return std::find(from, end, c);
        }
    }

    TScanClasses FClasses;
    bool FIsCom = false, FIsCom1 = false, FIsDir = false, FIsDir1 = false;
};

template <typename Unit>
template <class Sink>
void TLineScanner<Unit>::ConvertLine(const Unit* s, qsizetype len, Sink& out) {
    auto at = [&](qsizetype k) -> Unit { return k < len ? s[k] : Unit(0); };
    bool isStr = false;
    qsizetype done = 0; // characters before this offset are already in `out`
    auto insertBefore = [&](qsizetype where, TMarkup markup) {
        if (where > done)
            out.Text(s + done, where - done);
        out.Markup(markup);
        done = where;
    };

    qsizetype i = 0;
    while (i < len) {
        const Unit c = s[i];
        const Unit n = at(i + 1);
        const bool active = FIsCom || FIsCom1 || FIsDir || FIsDir1 || isStr;

        if (c == Unit('{') && n == Unit('$') && !active) {
            FIsDir = true;
            insertBefore(i, TMarkup::Bdir);
            i += 2;
        } else if (c == Unit('}') && FIsDir) {
            FIsDir = false;
            insertBefore(i + 1, TMarkup::Edir);
            i += 1;
        } else if (c == Unit('(') && n == Unit('*') && at(i + 2) == Unit('$') && !active) {
            FIsDir1 = true;
            insertBefore(i, TMarkup::Bdir);
            i += 3;
        } else if (c == Unit('*') && n == Unit(')') && FIsDir1) {
            FIsDir1 = false;
            insertBefore(i + 2, TMarkup::Edir);
            i += 2;
        } else if (c == Unit('{') && !active) {
            FIsCom = true;
            insertBefore(i, TMarkup::Bcom);
            i += 1;
        } else if (c == Unit('}') && FIsCom) {
            FIsCom = false;
            insertBefore(i + 1, TMarkup::Ecom);
            i += 1;
        } else if (c == Unit('(') && n == Unit('*') && !active) {
            FIsCom1 = true;
            insertBefore(i, TMarkup::Bcom);
            i += 2;
        } else if (c == Unit('*') && n == Unit(')') && FIsCom1) {
            FIsCom1 = false;
            insertBefore(i + 2, TMarkup::Ecom);
            i += 2;
        } else if (c == Unit('\'') && !active) {
            isStr = true;
            insertBefore(i, TMarkup::Bstr);
            i += 1;
        } else if (c == Unit('\'') && isStr) {
            isStr = false;
            insertBefore(i + 1, TMarkup::Estr);
            i += 1;
        } else if (c == Unit('/') && n == Unit('/') && !active) {
            // A line comment runs to the end of the line, whatever it holds.
            insertBefore(i, TMarkup::Bcom);
            insertBefore(len, TMarkup::Ecom);
            return;
        } else if (active) {
            // Inside a comment, directive or string only its closing character matters.
            const Unit closer = (FIsCom || FIsDir) ? Unit('}') : (isStr ? Unit('\'') : Unit('*'));
            i = Find(s + i + 1, s + len, closer) - s;
        } else {
            // A word starts at the line's first character, or right after a delimiter
            // (the ";" that ends an escaped "<" or ">" included).
            qsizetype start = -1;
            if (Is(c, TScanClasses::kAngle)) {
                if (!IsDelimiter(n))
                    start = i + 1;
            } else if (i == 0 && !IsDelimiter(c)) {
                start = 0;
            } else if (IsDelimiter(c) && !IsDelimiter(n)) {
                start = i + 1;
            }
            if (start >= 0 && start < len) {
                qsizetype end = start;
                while (end < len && !Is(s[end], TScanClasses::kDelimiter | TScanClasses::kAngle))
                    ++end;
                // A word that runs into "<" or ">" goes on with "&lt" or "&gt": no markup.
                if (end == len || !Is(s[end], TScanClasses::kAngle)) {
                    const qsizetype wordLength = end - start;
                    bool marked = true;
                    if (out.IsReserved(s + start, wordLength)) {
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
            }
            ++i;
            while (i < len && IsPlain(s[i]))
                ++i;
        }
    }
    if (len > done)
        out.Text(s + done, len - done);
}
