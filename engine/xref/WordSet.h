#pragma once
// Names looked up by the hundred million in a run: hashed with a short multiply-xor loop,
// which costs a fraction of the general string hash on names a few letters long.

#include <QString>
#include <QStringView>
#include <initializer_list>
#include <vector>

inline size_t NameHash(QStringView name) {
    size_t hash = 14695981039346656037ull;
    for (const QChar c : name)
        hash = (hash ^ c.unicode()) * 1099511628211ull;
    return hash;
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
