#pragma once
// A Pascal source as the cross-reference reads it: the tokens of its code, with conditional
// compilation evaluated as Free Pascal 3.2.2 does on Linux x86-64. What is code, comment,
// string or directive is decided by the page's own scan, so the reference never names a
// token the page shows otherwise.

#include "PageRecipe.h"

#include <QString>
#include <QStringList>
#include <algorithm>
#include <cstring>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

// What the parse asks of a name, told by the reader once per name in lower case it meets
// rather than by the parse at each of its uses.
enum TXrefWord : quint8 {
    kXrefBlockEdge = 1,      // "begin" or "end"
    kXrefEndsExpression = 2, // a word no expression goes on past ("then", "do"...)
    kXrefSpecifier = 4,      // of a property's specifiers ("read", "index"...)
    kXrefDirective = 8,      // of the directives after a declaration ("overload"...)
    kXrefVisibility = 16,    // of the sections of a class's members ("private"...)
};

struct TXrefToken {
    enum class TKind : quint8 { Name, Number, String, Symbol };
    TKind Kind = TKind::Symbol;
    // False inside a branch of a condition the reader could not decide: such names are read
    // for the parse but never linked.
    bool Sure = true;
    bool Reserved = false; // a word of the language, never a name of the source's
    quint8 Words = 0;      // of a name: its TXrefWord bits
    int Line = 0;          // from 1
    int Ordinal = -1;      // a name's number among the names of its line, from 0
    quint32 Chars = 0;     // a symbol's one or two units, the second in the high half
    // Where it stands in its line: a name as written (without "&"), a symbol, a string with
    // its quotes.
    int Start = 0, Length = 0;
    // A name in lower case, of which the reader keeps one copy: a token is read by the
    // million, and copying a string into each costs more than reading it.
    const QString* LowerName = &kNoName;

    const QString& Lower() const { return *LowerName; }
    static inline const QString kNoName;
};

// Names by their characters, which lie in text that outlives the table: open addressing, the
// entries hashed a word of four units at a time.
class TNameTable {
public:
    struct TEntry {
        const char16_t* At = nullptr;
        const QString* Lower = nullptr; // in the source's names; none in an entry just added
        quint32 Hash = 0;
        qint32 Length = 0; // in units, as a token's
        bool Reserved = false;
        quint8 Words = 0;
    };

    // The entry of the `length` units at `at`; one just added when it has no Lower.
    TEntry& Find(const char16_t* at, qsizetype length) {
        if (FCount >= FLimit)
            Grow();
        const quint32 hash = Hash(at, length);
        for (size_t k = hash & FMask;; k = (k + 1) & FMask) {
            TEntry& entry = FEntries[k];
            if (!entry.At) {
                entry = {at, nullptr, hash, qint32(length)};
                ++FCount;
                return entry;
            }
            if (entry.Hash == hash && entry.Length == length && Same(entry.At, at, length))
                return entry;
        }
    }

private:
    // Names are short: compared in line rather than by a call, four units at a time as hashed;
    // the last four of a name of four or more, those before included.
    static quint64 Word(const char16_t* at) {
        quint64 word;
        std::memcpy(&word, at, sizeof word);
        return word;
    }
    static bool Same(const char16_t* a, const char16_t* b, qsizetype length) {
        if (length < 4) {
            for (qsizetype i = 0; i < length; ++i)
                if (a[i] != b[i])
                    return false;
            return true;
        }
        for (qsizetype i = 0; i + 4 < length; i += 4)
            if (Word(a + i) != Word(b + i))
                return false;
        return Word(a + length - 4) == Word(b + length - 4);
    }
    static quint32 Hash(const char16_t* at, qsizetype length) {
        quint64 hash = quint64(length) * 0x9E3779B97F4A7C15ull;
        const auto mix = [&hash](quint64 word) {
            hash = (hash ^ word) * 0xFF51AFD7ED558CCDull;
            hash ^= hash >> 32;
        };
        if (length < 4) {
            quint64 rest = 0;
            for (qsizetype i = 0; i < length; ++i)
                rest = rest << 16 | at[i];
            mix(rest);
        } else {
            // Every unit counts: generated code names thousands of things alike but in their
            // middle (Item0001Value...), which a hash of their ends alone would pile into one
            // chain of the table.
            for (qsizetype i = 0; i + 4 < length; i += 4)
                mix(Word(at + i));
            mix(Word(at + length - 4));
        }
        hash *= 0xC4CEB9FE1A85EC53ull;
        return quint32(hash ^ (hash >> 29));
    }

    void Grow() {
        std::vector<TEntry> old(std::max<size_t>(1024, 2 * FEntries.size()));
        old.swap(FEntries);
        FMask = FEntries.size() - 1;
        FLimit = FEntries.size() / 2;
        for (const TEntry& entry : old) {
            if (!entry.At)
                continue;
            size_t k = entry.Hash & FMask;
            while (FEntries[k].At)
                k = (k + 1) & FMask;
            FEntries[k] = entry;
        }
    }

    std::vector<TEntry> FEntries; // a power of two in size, at most half full
    size_t FCount = 0;
    size_t FMask = 0, FLimit = 0; // of FEntries' size, not worked out for each name
};

// Units kept where they never move, in blocks: names kept by the ten thousand need no
// allocation each.
class TUnitArena {
public:
    const char16_t* Keep(const char16_t* from, qsizetype length) {
        if (FBlocks.empty() || FUsed + length > FBlockLength) {
            FBlockLength = std::max(kBlockLength, length);
            FBlocks.emplace_back(new char16_t[size_t(FBlockLength)]);
            FUsed = 0;
        }
        char16_t* to = FBlocks.back().get() + FUsed;
        std::copy(from, from + length, to);
        FUsed += length;
        return to;
    }
    void Clear() {
        FBlocks.clear();
        FUsed = FBlockLength = 0;
    }

private:
    static constexpr qsizetype kBlockLength = 1 << 15;
    std::vector<std::unique_ptr<char16_t[]>> FBlocks;
    qsizetype FUsed = 0, FBlockLength = 0;
};

struct TXrefSource {
    // The texts read: the source's, then those of the files it includes.
    QStringList Texts;
    // Their lines. The names of included lines are read for the parse but have no place in
    // the page: their ordinal is -1.
    std::vector<QStringView> Lines;
    qsizetype PageLines = 0;
    std::vector<TXrefToken> Tokens;
    size_t UnreservedNames = 0; // name tokens that are no word of the language
    // The names in lower case, which the tokens point at, and as spelled, never moved, and
    // their tables: kept from source to source by a reader of many, so that a name every unit
    // uses is made once.
    std::deque<QString> Names;
    TNameTable Lowers;
    TUnitArena SpelledNames;
    TNameTable Spellings;    // each with its lower case
    bool DelphiMode = false; // the last {$mode} seen chose delphi

    TXrefSource() = default;
    TXrefSource(TXrefSource&&) = default;
    TXrefSource& operator=(TXrefSource&&) = default;

    // Lets go of the names kept from earlier sources.
    void ForgetNames() {
        Spellings = {};
        SpelledNames.Clear();
        Lowers = {};
        Names.clear();
    }

    QStringView Text(const TXrefToken& t) const {
        return Lines[size_t(t.Line - 1)].mid(t.Start, t.Length);
    }
};

// The lines of a decoded text as a page counts them: CR LF, lone CR and lone LF end a line,
// and a break at the very end starts no further line. They are views into `text`, added to
// `lines`.
void AppendSourceLines(std::vector<QStringView>& lines, QStringView text);
inline std::vector<QStringView> SplitSourceLines(QStringView text) {
    std::vector<QStringView> lines;
    AppendSourceLines(lines, text);
    return lines;
}

// The text of the include file `name` ({$I name}), or none when it is not read.
using TIncludeReader = std::function<std::optional<QString>(const QString& name)>;

// Reads the tokens of `text`, and of the files it includes through `includes` when given,
// into `source`, replacing what it held but keeping its room: a reader of many sources
// reuses one.
void ReadXrefSource(TXrefSource& source, const QString& text, const TIncludeReader& includes = {});

// The source text of a file's bytes as its page reads them: by its byte-order mark, else by
// `unmarked`. `room`, a text no longer needed, lends its memory when large enough: a reader of
// many sources need not have every one's text mapped afresh.
QString DecodeSource(const QByteArray& bytes, TUnmarkedSource unmarked, QString room = {});
