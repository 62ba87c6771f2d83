#pragma once
// A Pascal source as the cross-reference reads it: the tokens of its code, with conditional
// compilation evaluated as Free Pascal 3.2.2 does on Linux x86-64. What is code, comment,
// string or directive is decided by the page's own scan, so the reference never names a
// token the page shows otherwise.

#include "PageRecipe.h"

#include <QString>
#include <QStringList>
#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstring>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

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

    TXrefToken() = default;
    // Made by the reader by the million: its first eight bytes, from Kind to Line, given as
    // one word, as they lie in memory.
    TXrefToken(quint64 head, int ordinal, quint32 chars, int start, int length,
               const QString* lower)
        : Ordinal(ordinal), Chars(chars), Start(start), Length(length), LowerName(lower) {
        std::memcpy(static_cast<void*>(this), &head, sizeof head);
    }
    static quint64 Head(TKind kind, bool sure, quint16 classes, int line) {
        return quint64(kind) | quint64(sure) << 8 | quint64(classes) << 16 |
               quint64(quint32(line)) << 32;
    }
};
static_assert(offsetof(TXrefToken, Sure) == 1 && offsetof(TXrefToken, Reserved) == 2 &&
                  offsetof(TXrefToken, Words) == 3 && offsetof(TXrefToken, Line) == 4 &&
                  sizeof(bool) == 1 && Q_BYTE_ORDER == Q_LITTLE_ENDIAN,
              "a token's head is its first eight bytes");

// A name of up to eight units as two words, the units past its end zero: nearly every name is
// that short, and is then hashed and compared as two words rather than unit by unit.
struct TNameKey {
    quint64 Low = 0, High = 0;
    bool operator==(const TNameKey&) const = default;
};

// Names by their characters, which lie in text that outlives the table: open addressing, a
// short name kept in its entry, a longer one hashed a word of four units at a time.
class TNameTable {
public:
    static constexpr qsizetype kShort = 8; // units of a name its key holds

    struct TEntry {
        // A short name's units; of a longer one, its hash and where its units lie: an entry
        // in 32 bytes.
        TNameKey Key;
        const QString* Lower = nullptr; // in the source's names; none in an entry just added
        qint32 Length = 0;              // in units, as a token's; none in an empty slot
        // Whether it is a word of the language (1), and its TXrefWord bits above: a token's
        // Reserved and Words as they lie in it.
        quint16 Classes = 0;

        const char16_t* LongUnits() const { return std::bit_cast<const char16_t*>(Key.High); }
        void SetLongUnits(const char16_t* at) { Key.High = std::bit_cast<quint64>(at); }
    };

#ifdef __SSE2__
    // The key of the first `length` (at most kShort) of eight units.
    static TNameKey KeyOf(__m128i units, qsizetype length) {
        // Eight lanes of all ones, then eight of none: read from `length` lanes before the
        // middle, they keep the name's units and clear those after it.
        static constexpr char16_t kKept[2 * kShort] = {0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF,
                                                       0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF};
        units = _mm_and_si128(
            units, _mm_loadu_si128(reinterpret_cast<const __m128i*>(kKept + kShort - length)));
        return {quint64(_mm_cvtsi128_si64(units)),
                quint64(_mm_cvtsi128_si64(_mm_unpackhi_epi64(units, units)))};
    }
#endif
    // The key of the `length` (at most kShort) units at `at`.
    static TNameKey KeyOf(const char16_t* at, qsizetype length) {
        char16_t units[kShort] = {};
        for (qsizetype i = 0; i < length; ++i)
            units[i] = at[i];
        return {Word(units), Word(units + 4)};
    }

    // The entry of a short name; one just added when it has no Lower.
    TEntry& FindShort(TNameKey key, qsizetype length) {
        if (FCount >= FLimit)
            Grow();
        for (size_t k = ShortHash(key) >> FShift;; k = (k + 1) & FMask) {
            TEntry& entry = FEntries[k];
            if (entry.Key == key && entry.Length == length)
                return entry;
            if (entry.Length == 0)
                return Add(entry, key, length);
        }
    }

    // The entry of a longer name, whose units stay at `at` unless the caller moves them
    // (SetLongUnits); one just added when it has no Lower.
    TEntry& FindLong(const char16_t* at, qsizetype length) {
        if (FCount >= FLimit)
            Grow();
        const quint64 hash = LongHash(at, length);
        for (size_t k = hash >> FShift;; k = (k + 1) & FMask) {
            TEntry& entry = FEntries[k];
            if (entry.Length == length && entry.Key.Low == hash &&
                Same(entry.LongUnits(), at, length))
                return entry;
            if (entry.Length == 0)
                return Add(entry, {hash, std::bit_cast<quint64>(at)}, length);
        }
    }

    TEntry& Find(const char16_t* at, qsizetype length) {
        return length <= kShort ? FindShort(KeyOf(at, length), length) : FindLong(at, length);
    }

private:
    TEntry& Add(TEntry& entry, TNameKey key, qsizetype length) {
        entry = {key, nullptr, qint32(length)};
        ++FCount;
        return entry;
    }

    // Names are short: compared in line rather than by a call, four units at a time as hashed;
    // the last four of a name of four or more, those before included.
    static quint64 Word(const char16_t* at) {
        quint64 word;
        std::memcpy(&word, at, sizeof word);
        return word;
    }
    static bool Same(const char16_t* a, const char16_t* b, qsizetype length) {
        for (qsizetype i = 0; i + 4 < length; i += 4)
            if (Word(a + i) != Word(b + i))
                return false;
        return Word(a + length - 4) == Word(b + length - 4);
    }
    // Hashes whose high bits choose a slot: multiplication carries every bit upwards.
    static void Mix(quint64& hash, quint64 word) {
        hash = (hash ^ word) * 0xFF51AFD7ED558CCDull;
        hash ^= hash >> 32;
    }
    static quint64 Final(quint64 hash) {
        return hash * 0xC4CEB9FE1A85EC53ull;
    }
    // Its two words mixed in turn as a longer name's are: a multiplication alone carries no
    // bit downwards, so names alike but in the high units of both words would share the
    // bits that choose their slot.
    static quint64 ShortHash(TNameKey key) {
        quint64 hash = 0;
        Mix(hash, key.Low);
        Mix(hash, key.High);
        return hash;
    }
    static quint64 LongHash(const char16_t* at, qsizetype length) {
        quint64 hash = quint64(length) * 0x9E3779B97F4A7C15ull;
        // Every unit counts: generated code names thousands of things alike but in their
        // middle (Item0001Value...), which a hash of their ends alone would pile into one
        // chain of the table.
        for (qsizetype i = 0; i + 4 < length; i += 4)
            Mix(hash, Word(at + i));
        Mix(hash, Word(at + length - 4));
        return Final(hash);
    }
    static quint64 HashOf(const TEntry& entry) {
        return entry.Length <= kShort ? ShortHash(entry.Key) : entry.Key.Low;
    }

    void Grow() {
        std::vector<TEntry> old(std::max<size_t>(1024, 2 * FEntries.size()));
        old.swap(FEntries);
        FMask = FEntries.size() - 1;
        FShift = 64 - std::countr_zero(FEntries.size());
        FLimit = FEntries.size() / 2;
        for (const TEntry& entry : old) {
            if (entry.Length == 0)
                continue;
            size_t k = HashOf(entry) >> FShift;
            while (FEntries[k].Length != 0)
                k = (k + 1) & FMask;
            FEntries[k] = entry;
        }
    }

    std::vector<TEntry> FEntries; // a power of two in size, at most half full
    size_t FCount = 0;
    // Of FEntries' size, not worked out for each name.
    size_t FMask = 0, FLimit = 0;
    int FShift = 63;
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
