#pragma once
// The attribute map: for every text line, the attribute code of each of its characters
// (a character of code 31 or less keeps its own code), followed by one extra entry " ".
// The scanner runs over the text as one string; a comment that spans lines is carried from
// line to line as the state at the line start, so after an edit only the changed lines and
// those whose starting state changed are scanned again. The map keeps no copy of the text:
// whoever changes the lines says which ones changed.

#include "SynKeywords.h"
#include "SynMemoTypes.h"

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QStringList>

class TSynAttrMap {
public:
    // Where the scan stands at the start of a line.
    enum class TScanState : quint8 { Neutral, InBrace, InBlock };

    // Delimiters and keywords for the next scan, which then covers every line.
    void SetRules(TSyntaxType type, QStringView keywords);
    bool IsKeyWord(QStringView word) const;

    // Scans every line.
    void Rebuild(const QStringList& lines);
    // Brings the map in line with `lines`, in which lines [first, first + newCount) stand
    // where `oldCount` lines stood when the map was last brought in line; every other line is
    // as it was then. The result equals Rebuild(lines). After new rules, or when the counts
    // do not fit, every line is scanned.
    void Replace(const QStringList& lines, qsizetype first, qsizetype oldCount, qsizetype newCount);
    // Number of text lines mapped (the extra entry not counted).
    qsizetype Count() const { return FEntries.size(); }
    // The codes of line `index` (0-based); the extra entry " " at index Count().
    QByteArray Codes(qsizetype index) const;
    // The code of column x (1-based) of line index; caText outside the map.
    quint8 Code(qsizetype index, qsizetype x) const;

private:
    struct TLineAttr {
        QByteArray Codes;
        TScanState Start = TScanState::Neutral;
    };

    TScanState ScanLine(QStringView line, TScanState state, QByteArray& codes) const;
    TScanState StartOf(qsizetype index) const;

    TSynDelimiters FDelims = SyntaxDelimiters(stPascal);
    bool FErlang = false;
    QSet<QString> FKeywords;
    mutable QString FWord;

    bool FStale = true; // new rules since the last scan
    QList<TLineAttr> FEntries;
    TScanState FEndState = TScanState::Neutral;
};
