#pragma once
// Names looked up by the hundred million in a run: hashed with a short multiply-xor loop,
// which costs a fraction of the general string hash on names a few letters long.

#include <QString>
#include <QStringView>
#include <cstring>
#include <initializer_list>
#include <vector>

// Four units at a time: every unit counts (generated code names thousands of things alike
// but in their middle), and nearly every name takes two or three steps.
inline size_t NameHash(QStringView name) {
    const char16_t* units = name.utf16();
    const qsizetype length = name.size();
    quint64 hash = quint64(length) * 0x9E3779B97F4A7C15ull;
    qsizetype i = 0;
    for (quint64 word; i + 4 <= length; i += 4) {
        std::memcpy(&word, units + i, sizeof word);
        hash = (hash ^ word) * 0xFF51AFD7ED558CCDull;
        hash ^= hash >> 32;
    }
    quint64 rest = 0;
    for (; i < length; ++i)
        rest = rest << 16 | units[i];
    hash = (hash ^ rest) * 0xC4CEB9FE1A85EC53ull;
    return size_t(hash ^ (hash >> 29));
}

// A word or symbol of the language as the code names it, its length known when compiled.
struct TLiteral {
    template <size_t N> constexpr TLiteral(const char (&text)[N]) : Text(text), Length(N - 1) {}
    const char* Text;
    size_t Length;
};

// Whether `name` is the ASCII `word`: told by the length first and without a call, since nearly
// every name compared with a word of the language differs in length.
inline bool IsWord(QStringView name, TLiteral word) {
    if (size_t(name.size()) != word.Length)
        return false;
    for (size_t i = 0; i < word.Length; ++i)
        if (name.utf16()[i] != char16_t(static_cast<unsigned char>(word.Text[i])))
            return false;
    return true;
}

// A fixed set of lower-case words.
class TWordSet {
public:
    TWordSet(std::initializer_list<const char*> words) : FSlots(4 * words.size()) {
        for (const char* word : words) {
            const QString w = QString::fromLatin1(word);
            size_t k = NameHash(w) % FSlots.size();
            while (!FSlots[k].isNull())
                k = (k + 1) % FSlots.size();
            FSlots[k] = w;
        }
    }

    bool contains(QStringView word) const {
        for (size_t k = NameHash(word) % FSlots.size(); !FSlots[k].isNull();
             k = (k + 1) % FSlots.size())
            if (QStringView(FSlots[k]) == word)
                return true;
        return false;
    }

private:
    std::vector<QString> FSlots; // open addressing, never more than a quarter full
};
