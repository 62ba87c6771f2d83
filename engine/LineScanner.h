#pragma once
// The line scan of a conversion: escapes "<", ">" and "&", finds comments, directives,
// strings, reserved words and numbers, and appends the line with its markup to an output
// buffer in one pass. Comment and directive states carry over from line to line.

#include <QString>
#include <QStringView>
#include <vector>

class TDelphiToHTML;

class TLineScanner {
public:
    explicit TLineScanner(const TDelphiToHTML& converter) : FConverter(converter) {}

    // Clears the comment and directive states before the first line of a text.
    void Reset() { FIsCom = FIsCom1 = FIsDir = FIsDir1 = false; }

    // Appends the converted `line` (no line break in it) to `out`.
    void ConvertLine(QStringView line, QString& out);

private:
    void Escape(QStringView line);
    // Appends escaped characters [from, to); a source "&" becomes "&amp;".
    void Emit(QString& out, qsizetype from, qsizetype to) const;
    // Length of the word starting at `start`: up to the next delimiter or the line's end.
    qsizetype WordEnd(qsizetype start) const;

    const TDelphiToHTML& FConverter;
    bool FIsCom = false, FIsCom1 = false, FIsDir = false, FIsDir1 = false;

    // The line with only "<" and ">" escaped: what the scan classifies tokens on.
    QString FEscaped;
    // Offsets into FEscaped of the ampersands that stand in the source, in order.
    std::vector<qsizetype> FSourceAmps;
};
