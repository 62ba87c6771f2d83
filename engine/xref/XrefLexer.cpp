#include "XrefLexer.h"

#include "CodeTokens.h"
#include "Conditions.h"
#include "FindFirst.h"
#include "LineScanner.h"
#include "TextCodec.h"

#include <QHash>
#include <bit>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

// Records where the scan put comments, strings and directives in one line.
class TRecorder {
public:
    static constexpr bool kWordMarkup = false;

    struct TRun {
        qsizetype At, Length;
        TRunClass Class;
    };

    void Begin(const char16_t* line) {
        FLine = line;
        Runs.clear();
    }
    void Text(const char16_t* s, qsizetype n) { Runs.push_back({s - FLine, n, FClass}); }
    // Outside comments, directives and strings: the scan is in no state of its own either.
    bool InCode() const { return FClass == TRunClass::Code; }
    void Markup(TMarkup which) {
        // A comment, string or directive ends with its closing markup.
        if (which == TMarkup::Ecom || which == TMarkup::Estr || which == TMarkup::Edir)
            Runs.push_back({0, -1, FClass});
        FClass = ClassAfter(which, FClass);
    }

    std::vector<TRun> Runs; // a run of Length -1 closes a comment, string or directive

private:
    const char16_t* FLine = nullptr;
    TRunClass FClass = TRunClass::Code;
};

// What the reader tells of a name in lower case.
struct TWordClasses {
    bool Reserved = false; // a word of the language
    quint8 Words = 0;      // its TXrefWord bits
};

TWordClasses ClassesOf(const QString& lower) {
    struct TTable {
        QHash<QString, TWordClasses> Words;
        qsizetype Longest = 0;
    };
    static const TTable table = [] {
        TTable table;
        for (const char* word : {"and",
                                 "array",
                                 "as",
                                 "asm",
                                 "begin",
                                 "case",
                                 "class",
                                 "const",
                                 "constructor",
                                 "destructor",
                                 "dispinterface",
                                 "div",
                                 "do",
                                 "downto",
                                 "else",
                                 "end",
                                 "except",
                                 "exports",
                                 "file",
                                 "finalization",
                                 "finally",
                                 "for",
                                 "function",
                                 "goto",
                                 "if",
                                 "implementation",
                                 "in",
                                 "inherited",
                                 "initialization",
                                 "inline",
                                 "interface",
                                 "is",
                                 "label",
                                 "library",
                                 "mod",
                                 "nil",
                                 "not",
                                 "object",
                                 "of",
                                 "operator",
                                 "or",
                                 "packed",
                                 "procedure",
                                 "program",
                                 "property",
                                 "raise",
                                 "record",
                                 "repeat",
                                 "resourcestring",
                                 "set",
                                 "shl",
                                 "shr",
                                 "string",
                                 "then",
                                 "threadvar",
                                 "to",
                                 "try",
                                 "type",
                                 "unit",
                                 "until",
                                 "uses",
                                 "var",
                                 "while",
                                 "with",
                                 "xor",
                                 "specialize",
                                 "generic",
                                 "result",
                                 "self",
                                 "bitpacked"})
            table.Words[QString::fromLatin1(word)].Reserved = true;
        const auto add = [&table](quint8 bit, std::initializer_list<const char*> list) {
            for (const char* word : list)
                table.Words[QString::fromLatin1(word)].Words |= bit;
        };
        add(kXrefBlockEdge, {"begin", "end"});
        add(kXrefEndsExpression, {"then", "do", "of", "to", "downto", "else", "end", "until",
                                  "except", "finally", "begin", "otherwise", "in"});
        add(kXrefSpecifier,
            {"read", "write", "stored", "default", "nodefault", "implements", "index"});
        add(kXrefDirective, {"overload",       "virtual",        "override",
                             "abstract",       "dynamic",        "reintroduce",
                             "static",         "inline",         "cdecl",
                             "stdcall",        "pascal",         "register",
                             "safecall",       "varargs",        "assembler",
                             "forward",        "external",       "export",
                             "public",         "message",        "dispid",
                             "deprecated",     "platform",       "experimental",
                             "unimplemented",  "library",        "final",
                             "nostackframe",   "noreturn",       "compilerproc",
                             "iocheck",        "local",          "far",
                             "near",           "interrupt",      "alias",
                             "winapi",         "cppdecl",        "mwpascal",
                             "softfloat",      "hardfloat",      "sysv_abi_default",
                             "sysv_abi_cdecl", "ms_abi_default", "ms_abi_cdecl",
                             "vectorcall",     "enumerator",     "rtlproc",
                             "internproc",     "saveregisters",  "oldfpccall",
                             "weakexternal",   "cvar",           "section",
                             "internconst",    "extdecl",        "syscall",
                             "far16",          "normal"});
        add(kXrefVisibility,
            {"private", "protected", "public", "published", "automated", "strict"});
        for (auto it = table.Words.cbegin(); it != table.Words.cend(); ++it)
            table.Longest = std::max(table.Longest, it.key().size());
        return table;
    }();
    // A name longer than every one of these words needs no look-up.
    return lower.size() > table.Longest ? TWordClasses{} : table.Words.value(lower);
}

// The directive's words without "{$" or "(*$" and the closing bracket.
QStringView DirectiveBody(QStringView text) {
    if (text.startsWith(u"{$"))
        text = text.sliced(2);
    else if (text.startsWith(u"(*$"))
        text = text.sliced(3);
    if (text.endsWith(u'}'))
        text.chop(1);
    else if (text.endsWith(u"*)"))
        text.chop(2);
    return text.trimmed();
}

} // namespace

namespace {

#ifdef __SSE2__
// The sixteen units at `first` and `second`, eight each, as bytes: those beyond a byte become
// 0 or 0xFF, none of the ASCII codes looked for.
__m128i Narrowed(const char16_t* s, qsizetype first, qsizetype second) {
    return _mm_packus_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + first)),
                            _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + second)));
}
#endif

// The first CR or LF of s[from, size), or `size`.
qsizetype NextLineBreak(const char16_t* s, qsizetype from, qsizetype size) {
    return qsizetype(FindFirst(
        s, size_t(from), size_t(size), [](char16_t c) { return c == u'\n' || c == u'\r'; },
        [s](size_t at) {
#ifdef __SSE2__
            return BytesAmong<'\n', '\r'>(Narrowed(s, qsizetype(at), qsizetype(at + 8)));
#else
            return 0u;
#endif
        }));
}

} // namespace

void AppendSourceLines(std::vector<QStringView>& lines, QStringView text) {
    // Real code has some thirty units a line.
    const size_t expected = lines.size() + size_t(text.size() / 32);
    if (lines.capacity() < expected)
        lines.reserve(std::max(expected, 2 * lines.capacity()));
    const char16_t* s = text.utf16();
    const qsizetype size = text.size();
    qsizetype start = 0;
    for (qsizetype i; (i = NextLineBreak(s, start, size)) < size; start = i + 1) {
        lines.push_back(text.sliced(start, i - start));
        if (s[i] == u'\r' && i + 1 < size && s[i + 1] == u'\n')
            ++i;
    }
    if (start < size)
        lines.push_back(text.sliced(start));
}

namespace {

// Whether windows-1251 reads ASCII bytes as ASCII, as UTF-8 does.
bool AnsiKeepsAscii() {
    static const bool keeps = [] {
        const char16_t* table = AnsiToUnicodeTable();
        for (char16_t c = 0; c < 0x80; ++c)
            if (table[c] != c)
                return false;
        return true;
    }();
    return keeps;
}

} // namespace

QString DecodeSource(const QByteArray& bytes, TUnmarkedSource unmarked, QString room) {
    qsizetype bom = 0;
    TTextEncoding encoding = DetectEncoding(bytes, &bom);
    // Nearly every source is ASCII throughout, which every encoding reads alike: widened
    // without checking and decoding it as UTF-8.
    if (bom == 0 && IsAscii(std::string_view(bytes.constData(), size_t(bytes.size()))) &&
        AnsiKeepsAscii()) {
        room = QLatin1StringView(bytes); // into the room's memory when it is the room's alone
        return room;
    }
    if (bom == 0 && unmarked != TUnmarkedSource::Windows1251 &&
        (unmarked == TUnmarkedSource::Utf8 || IsValidUtf8(bytes)))
        encoding = TTextEncoding::Utf8;
    return DecodeText(QByteArrayView(bytes).sliced(bom), encoding);
}

namespace {

// Whether the scan could find a comment, directive or string opening in a line of code: else
// the line is code alone. Most lines of code are, and are told so sixteen units at a time
// where the machine compares them at once.
bool OpensAnything(const char16_t* s, qsizetype length) {
    const auto opens = [](char16_t c) { return c == u'{' || c == u'\'' || c == u'*' || c == u'/'; };
    qsizetype i = 0;
#ifdef __SSE2__
    // Sixteen units as bytes, compared at once.
    const auto opensIn = [s](qsizetype first, qsizetype second) {
        const __m128i bytes = Narrowed(s, first, second);
        const __m128i brace = _mm_cmpeq_epi8(bytes, _mm_set1_epi8('{'));
        const __m128i quote = _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\''));
        const __m128i star = _mm_cmpeq_epi8(bytes, _mm_set1_epi8('*'));
        const __m128i slash = _mm_cmpeq_epi8(bytes, _mm_set1_epi8('/'));
        return _mm_movemask_epi8(
                   _mm_or_si128(_mm_or_si128(brace, quote), _mm_or_si128(star, slash))) != 0;
    };
    if (length >= 8) {
        for (; i + 16 <= length; i += 16)
            if (opensIn(i, i + 8))
                return true;
        // The last units, some looked at again.
        return i < length && opensIn(std::max<qsizetype>(0, length - 16), length - 8);
    }
#endif
    for (; i < length; ++i)
        if (opens(s[i]))
            return true;
    return false;
}

// Room for the tokens of `length` more units: real code has about one token in five. Made
// at once rather than grown token by token, which copies a large file's tokens several times,
// each time into memory mapped afresh; yet at least doubled, for the many small includes, and
// for the next larger source of a reader of many where no more than a real source's room.
void ReserveTokens(std::vector<TXrefToken>& tokens, qsizetype length) {
    const size_t wanted = tokens.size() + size_t(length / 5);
    if (wanted <= tokens.capacity())
        return;
    constexpr size_t kRealTokens = 1 << 20;
    const bool doubled = !tokens.empty() || tokens.capacity() <= kRealTokens;
    tokens.reserve(std::max(wanted, doubled ? 2 * tokens.capacity() : 0));
}

// Finds where a name ends as TNameEnd does, and the key of a short one from the same eight units:
// nearly every name is short, and is then read once.
struct TKeyedNameEnd {
    const char16_t* Readable; // units before it may be read ahead
    TNameKey Key;
    bool Keyed = false; // whether Key is the last name's

    Q_ALWAYS_INLINE qsizetype operator()(const char16_t* s, qsizetype i, qsizetype end) {
        Keyed = false;
#ifdef __SSE2__
        constexpr qsizetype kShort = TNameTable::kShort;
        if (s + i + kShort <= Readable) {
            const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
            const unsigned out = OutOfRun(TUnitRun::NameUnits, units);
            const qsizetype run = out ? std::countr_zero(out) / 2 : kShort; // from 1 on
            if (run == kShort && i + kShort < end && IsNameUnit(s[i + kShort]))
                return RunEnd(TUnitRun::NameUnits, s, i + kShort + 1, end);
            const qsizetype length = std::min(run, end - i);
            Key = TNameTable::KeyOf(units, length);
            Keyed = true;
            return i + length;
        }
#endif
        return TNameEnd{}(s, i, end);
    }
};

// Reads lines into tokens; an include file's lines are read where it is included.
class TReader {
public:
    TReader(TXrefSource& source, const TIncludeReader& includes)
        : FSource(source), FIncludes(includes) {}

    // Reads the lines [first, end) of the source; `foreign` for an include file's.
    void Read(qsizetype first, qsizetype end, bool foreign, int depth) {
        TLineScanner<char16_t> scanner(TTextEncoding::Utf16LE);
        TRecorder recorder;
        // The lines lie in one text in order: up to the last one's end it may be read ahead.
        const char16_t* const readable = first < end ? FSource.Lines[size_t(end - 1)].utf16() +
                                                           FSource.Lines[size_t(end - 1)].size()
                                                     : nullptr;
        FReadable = readable;
        for (qsizetype n = first; n < end; ++n) {
            if (recorder.InCode() && (n = CodeLines(n, end, foreign)) == end)
                break;
            const QStringView line = FSource.Lines[size_t(n)]; // includes may grow the list
            const auto* s = line.utf16();
            int ordinal = 0;
            recorder.Begin(s);
            scanner.ConvertLine(s, line.size(), recorder);
            const auto& runs = recorder.Runs; // an include is read by a recorder of its own
            // Whether code is read changes at directives only: past a line's last one, code
            // that is not read needs no tokens, nor its names counting.
            size_t settled = runs.size();
            while (settled > 0 && (runs[settled - 1].Length >= 0 ||
                                   runs[settled - 1].Class != TRunClass::Directive))
                --settled;
            for (size_t r = 0; r < runs.size(); ++r) {
                const auto& run = runs[r];
                if (run.Length < 0) {
                    if (run.Class == TRunClass::Directive) {
                        Directive(DirectiveBody(FDirective), depth);
                        FReadable = readable;   // an include file read has its own
                        FDirective.truncate(0); // its room kept for the next one
                    }
                    continue;
                }
                switch (run.Class) {
                case TRunClass::Code: {
                    // Code runs next to each other are one stretch of code.
                    qsizetype stretch = run.At + run.Length;
                    while (r + 1 < runs.size() && runs[r + 1].Class == TRunClass::Code &&
                           runs[r + 1].Length >= 0) {
                        ++r;
                        stretch = runs[r].At + runs[r].Length;
                    }
                    if (r < settled || FConditions.Active())
                        Code(s, run.At, stretch, int(n + 1), foreign, ordinal);
                    break;
                }
                case TRunClass::String:
                    if (FConditions.Active())
                        FSource.Tokens.emplace_back(
                            TXrefToken::Head(TXrefToken::TKind::String, FConditions.Sure(), 0,
                                             int(n + 1)),
                            -1, 0, int(run.At), int(run.Length), &TXrefToken::kNoName);
                    break;
                case TRunClass::Directive:
                    if (!FDirective.isEmpty())
                        FDirective += u' ';
                    FDirective += line.sliced(run.At, run.Length);
                    break;
                case TRunClass::Comment:
                    break;
                }
            }
            if (!FDirective.isEmpty())
                FDirective += u' '; // a directive that goes on in the next line
        }
        FDirective.truncate(0);
    }

    bool DelphiMode() const { return FConditions.DelphiMode(); }

private:
    // Reads the lines from `n` on that are code alone, as the scan would find them at a
    // fraction, up to the first that may be more; returns that one, or `end`. Most lines are
    // such: read here in one call, the tokens' loop in line.
    Q_NEVER_INLINE qsizetype CodeLines(qsizetype n, qsizetype end, bool foreign) {
        // Code that is not read needs no tokens, nor its names counting, with no directive
        // after it.
        const bool active = FConditions.Active();
        for (; n < end; ++n) {
            const QStringView line = FSource.Lines[size_t(n)];
            if (OpensAnything(line.utf16(), line.size()))
                break;
            int ordinal = 0;
            if (active)
                Tokens(line.utf16(), 0, line.size(), int(n + 1), foreign, ordinal);
        }
        return n;
    }

    // The tokens of the code s[from, end) of line `line`, its names numbered from `ordinal`
    // on. Every name counts, also where nothing is read: the page counts so.
    void Code(const char16_t* s, qsizetype from, qsizetype end, int line, bool foreign,
              int& ordinal) {
        if (!FConditions.Active()) {
            TCodeToken t;
            for (qsizetype i = from; NextCodeToken(s, i, end, t); i = t.End)
                ordinal += t.Kind == TCodeKind::Name ? 1 : 0;
            return;
        }
        Tokens(s, from, end, line, foreign, ordinal);
    }

    // The same where code is read.
    Q_ALWAYS_INLINE void Tokens(const char16_t* s, qsizetype from, qsizetype end, int line,
                                bool foreign, int& ordinal) {
        TCodeToken t;
        // Made once: a token's kind and classes are added to it.
        const quint64 head = TXrefToken::Head(TXrefToken::TKind::Name, FConditions.Sure(), 0, line);
        // The counts kept apart till the end: the compiler then need not read them again
        // after each token stored.
        std::vector<TXrefToken>& tokens = FSource.Tokens;
        int count = ordinal, reserved = 0;
        TKeyedNameEnd names{FReadable, {}, false};
        for (qsizetype i = from; NextCodeToken(s, i, end, t, names); i = t.End) {
            const int start = int(t.Start), length = int(t.End - t.Start);
            if (t.Kind == TCodeKind::Name) {
                const TNameTable::TEntry& name =
                    names.Keyed ? Intern(names.Key, s + start, length) : Intern(s + start, length);
                tokens.emplace_back(head | quint64(name.Classes) << 16, foreign ? -1 : count, 0,
                                    start, length, name.Lower);
                ++count;
                reserved += name.Classes & 1;
            } else if (t.Kind == TCodeKind::Number) {
                tokens.emplace_back(head | quint64(TXrefToken::TKind::Number), -1, 0, start, length,
                                    &TXrefToken::kNoName);
            } else {
                const quint32 chars = s[start] | (length > 1 ? quint32(s[start + 1]) << 16 : 0);
                tokens.emplace_back(head | quint64(TXrefToken::TKind::Symbol), -1, chars, start,
                                    length, &TXrefToken::kNoName);
            }
        }
        FSource.UnreservedNames += size_t(count - ordinal - reserved);
        ordinal = count;
    }

    // A name is looked up as written: nearly every one has been met before in the same
    // spelling, in this source or an earlier one, and is then neither lowered nor copied.
    const TNameTable::TEntry& Intern(const char16_t* from, qsizetype length) {
        return length <= TNameTable::kShort
                   ? Intern(TNameTable::KeyOf(from, length), from, length)
                   : Known(FSource.Spellings.FindLong(from, length), from, length);
    }
    const TNameTable::TEntry& Intern(TNameKey key, const char16_t* from, qsizetype length) {
        return Known(FSource.Spellings.FindShort(key, length), from, length);
    }
    TNameTable::TEntry& Known(TNameTable::TEntry& spelling, const char16_t* from,
                              qsizetype length) {
        if (!spelling.Lower)
            Spelled(spelling, from, length);
        return spelling;
    }

    // A spelling met for the first time: out of line, leaving the registers of the tokens'
    // loop to it.
    Q_NEVER_INLINE void Spelled(TNameTable::TEntry& spelling, const char16_t* from,
                                qsizetype length) {
        if (length > TNameTable::kShort) // kept as the source's text is not
            spelling.SetLongUnits(FSource.SpelledNames.Keep(from, length));
        FKey.resize(length);
        char16_t* to = reinterpret_cast<char16_t*>(FKey.data());
        for (qsizetype i = 0; i < length; ++i) {
            const char16_t c = from[i];
            to[i] = c < 0x80 ? char16_t(c >= 'A' && c <= 'Z' ? c + 32 : c)
                             : QChar(c).toLower().unicode();
        }
        TNameTable::TEntry& lower = FSource.Lowers.Find(to, length);
        if (!lower.Lower) {
            const QString& kept = FSource.Names.emplace_back(FKey.constData(), length);
            if (length > TNameTable::kShort) // not the reused key
                lower.SetLongUnits(reinterpret_cast<const char16_t*>(kept.constData()));
            lower.Lower = &kept;
            const TWordClasses classes = ClassesOf(kept);
            lower.Classes = quint16(classes.Reserved | classes.Words << 8);
        }
        spelling.Lower = lower.Lower;
        spelling.Classes = lower.Classes;
    }

    // `body` lies in FDirective, which an include file's reading takes over.
    void Directive(QStringView body, int depth) {
        FConditions.Directive(body);
        qsizetype split = 0;
        while (split < body.size() && body[split].isLetter())
            ++split;
        const QStringView word = body.left(split);
        QStringView name = body.sliced(split).trimmed();
        if ((!IsUpperWord(word, "I") && !IsUpperWord(word, "INCLUDE")) || split == body.size() ||
            !body[split].isSpace() || name.startsWith(u'%') || !FConditions.Active() ||
            !FIncludes || depth >= 16)
            return;
        if (name.startsWith(u'\'') && name.endsWith(u'\'') && name.size() >= 2)
            name = name.sliced(1, name.size() - 2);
        // Files that include each other several times would be read in numbers that double
        // at every level: past what any real unit reads, the rest stays unread.
        constexpr int kMaxIncludes = 4096;
        constexpr qsizetype kMaxIncludedLength = 32 << 20;
        if (++FIncludeCount > kMaxIncludes)
            return;
        const std::optional<QString> text = FIncludes(name.toString());
        if (!text || (FIncludedLength += text->size()) > kMaxIncludedLength)
            return;
        FDirective.truncate(0); // the included file's own directives come next
        FSource.Texts << *text;
        ReserveTokens(FSource.Tokens, text->size());
        const qsizetype first = qsizetype(FSource.Lines.size());
        AppendSourceLines(FSource.Lines, FSource.Texts.constLast());
        Read(first, qsizetype(FSource.Lines.size()), true, depth + 1);
    }

    TXrefSource& FSource;
    const TIncludeReader& FIncludes;
    TConditions FConditions;
    QString FDirective;
    QString FKey;
    // The end of the text whose lines are being read: units up to it may be read ahead.
    const char16_t* FReadable = nullptr;
    int FIncludeCount = 0;
    qsizetype FIncludedLength = 0;
};

} // namespace

void ReadXrefSource(TXrefSource& source, const QString& text, const TIncludeReader& includes) {
    source.Texts = QStringList{text};
    source.Lines.clear(); // its room kept
    AppendSourceLines(source.Lines, source.Texts.constFirst());
    source.PageLines = qsizetype(source.Lines.size());
    source.Tokens.clear();
    source.UnreservedNames = 0;
    // The names met are kept for the next source, up to a number past which a reader of many
    // sources would hold more than they save: their table, looked up for each name a source
    // spells anew, would no longer stay in the cache.
    constexpr size_t kMaxKeptNames = 1 << 15;
    if (source.Names.size() > kMaxKeptNames)
        source.ForgetNames();
    ReserveTokens(source.Tokens, text.size());
    TReader reader(source, includes);
    try {
        reader.Read(0, source.PageLines, false, 0);
    } catch (...) {
        // A name met but not yet kept (no memory left) still points into this source's text:
        // none is kept for the next source.
        source.ForgetNames();
        throw;
    }
    source.DelphiMode = reader.DelphiMode();
}
