#pragma once
// What a word of the scan is: a reserved word, a number, or neither. The scan cuts words at
// the delimiters; the reserved-word test lower-cases ASCII letters itself and falls back on
// decoding only for the rare word above ASCII that could still match.

#include "TextCodec.h"

#include <QStringView>
#include <QtGlobal>
#include <array>

// The characters that end a word.
inline constexpr char kDelimiters[] = " '()*+,-/:;=@[]";

// The reserved words, lower case, in their listed order.
extern const std::array<const char*, 59> kReservedWords;

// The one lower-casing of the engine's ASCII comparisons.
constexpr unsigned AsciiLower(unsigned c) {
    return c >= 'A' && c <= 'Z' ? c + 32 : c;
}

// The reserved-word test of a word of bytes when it is ASCII; NotAscii when it holds a byte
// above ASCII and needs the test on its decoded text. With `oneBytePerCharacter` (a
// windows-1251 word) a word that cannot be reserved were it ASCII is No at once.
enum class TAsciiWord { No, Yes, NotAscii };
TAsciiWord ReservedAsciiWord(const unsigned char* word, qsizetype length, bool oneBytePerCharacter);

// True for a numeric literal: "#", "$", "." or a digit first, then those or hex letters.
template <typename Unit> bool IsNumberWord(const Unit* s, qsizetype n) {
    auto numberChar = [](unsigned c) {
        return c == '#' || c == '$' || c == '.' || (c >= '0' && c <= '9');
    };
    if (n == 0 || (n == 1 && s[0] == Unit('.')) || !numberChar(unsigned(s[0])))
        return false;
    for (qsizetype i = 1; i < n; ++i) {
        const unsigned c = AsciiLower(unsigned(s[i]));
        if (!numberChar(c) && !(c >= 'a' && c <= 'f'))
            return false;
    }
    return true;
}

// The classifier of the words of one source, given the encoding of its byte lines; lines of
// 16-bit units are characters whatever it is.
class TWordClassifier {
public:
    explicit TWordClassifier(TTextEncoding encoding) : FEncoding(encoding) {}

    bool IsReserved(const unsigned char* word, qsizetype length) const;
    bool IsReserved(const char16_t* word, qsizetype length) const {
        return IsReservedText(QStringView(word, length));
    }
    // A word of characters: lower-cased, it is one of the reserved words.
    static bool IsReservedText(QStringView word);

private:
    TTextEncoding FEncoding;
};
