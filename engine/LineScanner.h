#pragma once
// The line scan of a conversion: escapes "<", ">" and "&", finds comments, directives,
// strings, reserved words and numbers, and appends the line with its markup to an output
// buffer in one pass. Comment and directive states carry over from line to line.

#include "TextBuffer.h"

#include <QString>
#include <QStringView>
#include <array>
#include <vector>

class TDelphiToHTML;

class TLineScanner {
public:
    explicit TLineScanner(const TDelphiToHTML& converter);

    // Clears the comment and directive states before the first line of a text.
    void Reset() { FIsCom = FIsCom1 = FIsDir = FIsDir1 = false; }

    // Appends the converted `line` (no line break in it) to `out`.
    void ConvertLine(QStringView line, TTextBuffer& out);

private:
    void Escape(QStringView line);
    // Appends escaped characters [from, to); a source "&" becomes "&amp;".
    void Emit(TTextBuffer& out, qsizetype from, qsizetype to) const;
    // End of the word starting at `start`: up to the next delimiter or the line's end.
    qsizetype WordEnd(qsizetype start) const;

    bool IsDelimiter(char16_t c) const { return c < 256 && (FClass[c] & kDelimiter); }
    // Neither a delimiter nor "{": after the first column such a character starts nothing.
    bool IsPlain(char16_t c) const { return c >= 256 || !(FClass[c] & (kDelimiter | kOpenBrace)); }

    static constexpr unsigned char kDelimiter = 1, kOpenBrace = 2, kEscaped = 4;
    const TDelphiToHTML& FConverter;
    std::array<unsigned char, 256> FClass{};
    bool FIsCom = false, FIsCom1 = false, FIsDir = false, FIsDir1 = false;

    // The line with only "<" and ">" escaped: what the scan classifies tokens on. It is
    // the line itself when there is nothing to escape, else FEscaped.
    QStringView FText;
    QString FEscaped;
    // Offsets into FEscaped of the ampersands that stand in the source, in order.
    std::vector<qsizetype> FSourceAmps;
};
