#pragma once
// A Pascal source as the cross-reference reads it: the tokens of its code, with conditional
// compilation evaluated as Free Pascal 3.2.2 does on Linux x86-64. What is code, comment,
// string or directive is decided by the page's own scan, so the reference never names a
// token the page shows otherwise.

#include "PageRecipe.h"

#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

struct TXrefToken {
    enum class TKind : quint8 { Name, Number, String, Symbol };
    TKind Kind = TKind::Symbol;
    // False inside a branch of a condition the reader could not decide: such names are read
    // for the parse but never linked.
    bool Sure = true;
    bool Reserved = false; // a word of the language, never a name of the source's
    int Line = 0;          // from 1
    int Ordinal = -1;      // a name's number among the names of its line, from 0
    quint32 Chars = 0;     // a symbol's one or two units, the second in the high half
    // Where it stands in its line: a name as written (without "&"), a symbol, a string with
    // its quotes.
    int Start = 0, Length = 0;
    // A name in lower case, kept once per source: a token is read by the million, and
    // copying a string into each costs more than reading it.
    const QString* LowerName = &kNoName;

    const QString& Lower() const { return *LowerName; }
    static inline const QString kNoName;
};

struct TXrefSource {
    // The texts read: the source's, then those of the files it includes.
    QStringList Texts;
    // Their lines. The names of included lines are read for the parse but have no place in
    // the page: their ordinal is -1.
    std::vector<QStringView> Lines;
    qsizetype PageLines = 0;
    std::vector<TXrefToken> Tokens;
    std::deque<QString> Names; // what the tokens' lower names point at; never moved
    bool DelphiMode = false;   // the last {$mode} seen chose delphi

    TXrefSource() = default;
    TXrefSource(TXrefSource&&) = default;
    TXrefSource& operator=(TXrefSource&&) = default;

    QStringView Text(const TXrefToken& t) const {
        return Lines[size_t(t.Line - 1)].mid(t.Start, t.Length);
    }
};

// The lines of a decoded text as a page counts them: CR LF, lone CR and lone LF end a line,
// and a break at the very end starts no further line. They are views into `text`.
std::vector<QStringView> SplitSourceLines(QStringView text);

// The text of the include file `name` ({$I name}), or none when it is not read.
using TIncludeReader = std::function<std::optional<QString>(const QString& name)>;

// Reads the tokens of `text`, and of the files it includes through `includes` when given,
// into `source`, replacing what it held but keeping its room: a reader of many sources
// reuses one.
void ReadXrefSource(TXrefSource& source, const QString& text, const TIncludeReader& includes = {});

// The source text of a file's bytes as its page reads them: by its byte-order mark, else by
// `unmarked`.
QString DecodeSource(const QByteArray& bytes, TUnmarkedSource unmarked);
