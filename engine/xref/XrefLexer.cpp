#include "XrefLexer.h"

#include "CodeTokens.h"
#include "Conditions.h"
#include "LineScanner.h"
#include "TextCodec.h"
#include "WordSet.h"

#include <QHash>
#include <cstring>

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

const TWordSet& ReservedWords() {
    static const TWordSet words = {"and",
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
                                   "bitpacked"};
    return words;
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

std::vector<QStringView> SplitSourceLines(QStringView text) {
    std::vector<QStringView> lines;
    lines.reserve(size_t(text.size() / 32)); // real code has some thirty units a line
    const char16_t* s = text.utf16();
    const qsizetype size = text.size();
    // Nearly every text breaks its lines with LF alone.
    const bool lfOnly = FindAsciiUnit(s, 0, size, u'\r') == size;
    const auto nextBreak = [&](qsizetype from) -> qsizetype {
        if (lfOnly) {
            const qsizetype at = FindAsciiUnit(s, from, size, u'\n');
            return at < size ? at : -1;
        }
        for (qsizetype i = from; i < size; ++i)
            if (s[i] == u'\r' || s[i] == u'\n')
                return i;
        return -1;
    };
    qsizetype start = 0;
    for (qsizetype i; (i = nextBreak(start)) >= 0; start = i + 1) {
        lines.push_back(text.sliced(start, i - start));
        if (s[i] == u'\r' && i + 1 < size && s[i + 1] == u'\n')
            ++i;
    }
    if (start < size)
        lines.push_back(text.sliced(start));
    return lines;
}

QString DecodeSource(const QByteArray& bytes, TUnmarkedSource unmarked) {
    qsizetype bom = 0;
    TTextEncoding encoding = DetectEncoding(bytes, &bom);
    if (bom == 0 && unmarked != TUnmarkedSource::Windows1251 &&
        (unmarked == TUnmarkedSource::Utf8 || IsValidUtf8(bytes)))
        encoding = TTextEncoding::Utf8;
    return DecodeText(QByteArrayView(bytes).sliced(bom), encoding);
}

namespace {

// Whether the scan could find a comment, directive or string opening in a line of code: else
// the line is code alone. Most lines of code are, and are told so by a loop the compiler
// vectorizes.
bool OpensAnything(const char16_t* s, qsizetype length) {
    unsigned opens = 0;
    for (qsizetype i = 0; i < length; ++i) {
        const char16_t c = s[i];
        opens |=
            unsigned(c == u'{') | unsigned(c == u'\'') | unsigned(c == u'*') | unsigned(c == u'/');
    }
    return opens != 0;
}

// Reads lines into tokens; an include file's lines are read where it is included.
class TReader {
public:
    TReader(TXrefSource& source, const TIncludeReader& includes)
        : FSource(source), FIncludes(includes) {}

    // Reads the lines [first, end) of the source; `foreign` for an include file's.
    void Read(qsizetype first, qsizetype end, bool foreign, int depth) {
        TLineScanner<char16_t> scanner(TTextEncoding::Utf16LE);
        TRecorder recorder;
        for (qsizetype n = first; n < end; ++n) {
            const QStringView line = FSource.Lines[size_t(n)]; // includes may grow the list
            const auto* s = line.utf16();
            recorder.Begin(s);
            if (!recorder.InCode() || OpensAnything(s, line.size()))
                scanner.ConvertLine(s, line.size(), recorder);
            else if (!line.isEmpty())
                recorder.Text(s, line.size()); // what the scan would find, at a fraction
            int ordinal = 0;
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
                    if (r >= settled && !FConditions.Active())
                        break;
                    TCodeToken t;
                    for (qsizetype i = run.At; NextCodeToken(s, i, stretch, t); i = t.End) {
                        // Every name counts, also where nothing is read: the page counts so.
                        const int number = t.Kind == TCodeKind::Name ? ordinal++ : -1;
                        Add(t.Kind == TCodeKind::Name     ? TXrefToken::TKind::Name
                            : t.Kind == TCodeKind::Number ? TXrefToken::TKind::Number
                                                          : TXrefToken::TKind::Symbol,
                            s, int(n + 1), foreign ? -1 : number, int(t.Start),
                            int(t.End - t.Start));
                    }
                    break;
                }
                case TRunClass::String:
                    Add(TXrefToken::TKind::String, s, int(n + 1), -1, int(run.At), int(run.Length));
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
    // A token of `s`, the characters of line `line`.
    Q_ALWAYS_INLINE void Add(TXrefToken::TKind kind, const char16_t* s, int line, int ordinal,
                             int start, int length) {
        if (!FConditions.Active())
            return;
        TXrefToken& token = FSource.Tokens.emplace_back();
        token.Kind = kind;
        token.Sure = FConditions.Sure();
        token.Line = line;
        token.Ordinal = ordinal;
        token.Start = start;
        token.Length = length;
        if (kind == TXrefToken::TKind::Name) {
            const TNameTable::TEntry& name = Intern(s + start, length);
            token.LowerName = name.Lower;
            token.Reserved = name.Reserved;
        } else if (kind == TXrefToken::TKind::Symbol) {
            token.Chars = s[start] | (length > 1 ? quint32(s[start + 1]) << 16 : 0);
        }
    }

    // A name is looked up as written: nearly every one has been met before in the same
    // spelling, and is then neither lowered nor copied.
    const TNameTable::TEntry& Intern(const char16_t* from, qsizetype length) {
        TNameTable::TEntry& spelling = FSpellings.Find(from, length);
        if (spelling.Lower)
            return spelling;
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
            lower.At = reinterpret_cast<const char16_t*>(kept.constData()); // not the reused key
            lower.Lower = &kept;
            lower.Reserved = ReservedWords().contains(kept);
        }
        spelling.Lower = lower.Lower;
        spelling.Reserved = lower.Reserved;
        return spelling;
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
        const std::vector<QStringView> lines = SplitSourceLines(FSource.Texts.constLast());
        const qsizetype first = qsizetype(FSource.Lines.size());
        FSource.Lines.insert(FSource.Lines.end(), lines.begin(), lines.end());
        Read(first, qsizetype(FSource.Lines.size()), true, depth + 1);
    }

    TXrefSource& FSource;
    const TIncludeReader& FIncludes;
    TConditions FConditions;
    QString FDirective;
    QString FKey;
    TNameTable FSpellings; // keyed by the source's own characters
    int FIncludeCount = 0;
    qsizetype FIncludedLength = 0;
};

} // namespace

void ReadXrefSource(TXrefSource& source, const QString& text, const TIncludeReader& includes) {
    source.Texts = QStringList{text};
    source.Lines = SplitSourceLines(source.Texts.constFirst());
    source.PageLines = qsizetype(source.Lines.size());
    source.Tokens.clear();
    // The names met are kept for the next source, up to a number past which a reader of many
    // sources would hold more than they save: their table, looked up for each name a source
    // spells anew, would no longer stay in the cache.
    constexpr size_t kMaxKeptNames = 1 << 14;
    if (source.Names.size() > kMaxKeptNames) {
        source.Lowers = {};
        source.Names.clear();
    }
    // Real code has about one token in five characters: growing the list costs more.
    source.Tokens.reserve(size_t(text.size() / 5));
    TReader reader(source, includes);
    reader.Read(0, source.PageLines, false, 0);
    source.DelphiMode = reader.DelphiMode();
}
