#include "WordClass.h"

#include <QString>
#include <algorithm>
#include <cstring>
#include <vector>

const std::array<const char*, 59> kReservedWords = {
    "#language",    "constructor", "string",   "destructor", "uses",      "inherited",
    "var",          "begin",       "type",     "end",        "class",     "if",
    "record",       "then",        "array",    "else",       "of",        "with",
    "set",          "do",          "in",       "for",        "out",       "to",
    "case",         "while",       "until",    "repeat",     "end.",      "downto",
    "private",      "stdcall",     "public",   "overload",   "published", "override",
    "procedure",    "unit",        "function", "interface",  "try",       "implementation",
    "except",       "property",    "virtual",  "const",      "asm",       "initialization",
    "finalization", "packed",      "nil",      "finally",    "or",        "and",
    "not",          "mod",         "div",      "shr",        "shl"};

namespace {

constexpr qsizetype kLongestReservedWord = 14;

// The reserved words grouped by length and first letter, each padded with zeros to 16
// bytes, so a word is compared, as two 64-bit numbers, with the one or two entries that
// can match instead of all of them.
class TReservedIndex {
public:
    TReservedIndex() {
        std::vector<std::pair<size_t, const char*>> sorted;
        for (const char* entry : kReservedWords)
            sorted.emplace_back(Key(std::strlen(entry), uchar(entry[0])), entry);
        std::stable_sort(sorted.begin(), sorted.end(),
                         [](const auto& x, const auto& y) { return x.first < y.first; });
        for (const auto& [key, entry] : sorted) {
            if (FCount[key]++ == 0)
                FStart[key] = uchar(FEntries.size());
            TPadded padded{};
            std::memcpy(padded.data(), entry, std::strlen(entry));
            FEntries.push_back(Load(padded.data()));
        }
    }
    // Whether a reserved word of this length starts with this character in either case.
    bool MayStart(qsizetype length, unsigned char first) const {
        if (length < 1 || length > kLongestReservedWord || first >= 128)
            return false;
        return FCount[Key(size_t(length), AsciiLower(first))];
    }
    // `word` is lower-case ASCII, padded with zeros to 16 bytes.
    bool Contains(const char* word, qsizetype length) const {
        if (length < 1 || length > kLongestReservedWord)
            return false;
        const size_t key = Key(size_t(length), uchar(word[0]));
        const auto w = Load(word);
        for (int k = FStart[key], end = k + FCount[key]; k < end; ++k)
            if (FEntries[size_t(k)] == w)
                return true;
        return false;
    }

private:
    using TPadded = std::array<char, 16>;
    static std::pair<quint64, quint64> Load(const char* p) {
        quint64 a, b;
        std::memcpy(&a, p, 8);
        std::memcpy(&b, p + 8, 8);
        return {a, b};
    }
    static size_t Key(size_t length, unsigned first) { return length * 128 + (first & 127); }
    std::array<uchar, (kLongestReservedWord + 1) * 128> FStart{}, FCount{};
    std::vector<std::pair<quint64, quint64>> FEntries;
};

const TReservedIndex gReserved;

// Lower-cases a word of ASCII characters into `lower` (16 bytes, zeroed) and looks it up;
// false at once for a character above ASCII or a word too long to be reserved.
template <typename Unit> bool IsReservedAscii(const Unit* word, qsizetype n, bool* ascii) {
    char lower[16] = {};
    *ascii = true;
    for (qsizetype i = 0; i < n; ++i) {
        const unsigned c = unsigned(word[i]);
        if (c >= 128) {
            *ascii = false;
            return false;
        }
        if (i < kLongestReservedWord)
            lower[i] = char(AsciiLower(c));
    }
    return n <= kLongestReservedWord && gReserved.Contains(lower, n);
}

} // namespace

TAsciiWord ReservedAsciiWord(const unsigned char* word, qsizetype n, bool oneBytePerCharacter) {
    // Even in UTF-8 a longer word has more characters than any reserved word. In
    // windows-1251 no character above ASCII lower-cases to an ASCII letter.
    if (n < 1 || n > 3 * kLongestReservedWord ||
        (oneBytePerCharacter && !gReserved.MayStart(n, word[0])))
        return TAsciiWord::No;
    bool ascii;
    const bool reserved = IsReservedAscii(word, n, &ascii);
    return !ascii ? TAsciiWord::NotAscii : reserved ? TAsciiWord::Yes : TAsciiWord::No;
}

bool TWordClassifier::IsReservedText(QStringView S) {
    if (S.isEmpty())
        return false;
    bool ascii = S.size() <= kLongestReservedWord;
    if (ascii) {
        const bool reserved =
            IsReservedAscii(reinterpret_cast<const char16_t*>(S.utf16()), S.size(), &ascii);
        if (ascii)
            return reserved;
    }
    // Only the Kelvin sign and the dotted capital I lower-case to ASCII letters; any other
    // character above ASCII keeps the word from matching.
    for (QChar c : S)
        if (c.unicode() >= 128 && c.unicode() != 0x212A && c.unicode() != 0x0130)
            return false;
    const QString folded = S.toString().toLower();
    bool foldedAscii;
    return IsReservedAscii(reinterpret_cast<const char16_t*>(folded.utf16()), folded.size(),
                           &foldedAscii);
}

bool TWordClassifier::IsReserved(const unsigned char* word, qsizetype n) const {
    const bool ansi = FEncoding == TTextEncoding::Ansi;
    switch (ReservedAsciiWord(word, n, ansi)) {
    case TAsciiWord::Yes:
        return true;
    case TAsciiWord::No:
        return false;
    case TAsciiWord::NotAscii:
        if (ansi)
            return false; // no windows-1251 character above ASCII lower-cases into ASCII
        break;
    }
    // A word's first character U+FEFF keeps it from matching; decoding would drop it as a
    // byte-order mark.
    const QByteArrayView bytes(word, n);
    if (FEncoding == TTextEncoding::Utf8 && bytes.startsWith("\xEF\xBB\xBF"))
        return false;
    return IsReservedText(DecodeText(bytes, FEncoding));
}
