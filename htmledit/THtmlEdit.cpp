#include "THtmlEdit.h"

#include <Qsci/qscilexerhtml.h>

namespace {

// The editor control sizes its fonts in points only: a pixel size reaches it as the point
// size that gives those pixels on the widget's screen.
QFont CourierNew(const QWidget& widget, int pixelSize) {
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::Monospace);
    font.setPointSizeF(pixelSize * 72.0 / widget.logicalDpiY());
    return font;
}

constexpr int LineNumberMargin = 0;

} // namespace

THtmlEdit::THtmlEdit(QWidget* parent) : QsciScintilla(parent) {
    setUtf8(true);
    setEolMode(EolWindows);

    const QFont textFont = CourierNew(*this, 13);
    auto* lexer = new QsciLexerHTML(this);
    lexer->setDefaultFont(textFont);
    lexer->setFont(textFont);
    setLexer(lexer);
    setFolding(NoFoldStyle);

    setMarginsFont(CourierNew(*this, 11));
    setMarginType(LineNumberMargin, NumberMargin);
    setMarginLineNumbers(LineNumberMargin, true);
    FitGutterToLineCount();

    connect(this, &QsciScintilla::textChanged, this, &THtmlEdit::Change);
    connect(this, &QsciScintilla::linesChanged, this, &THtmlEdit::FitGutterToLineCount);
}

void THtmlEdit::FitGutterToLineCount() {
    const QString widest = QString::number(lines()) + u'0';
    setMarginWidth(LineNumberMargin, QString(widest.size(), u'0'));
}

void THtmlEdit::Clear() {
    clear();
}

void THtmlEdit::SetText(QStringView text) {
    SetLines(TStrings(TStrings::SplitLines(text)));
}

qsizetype THtmlEdit::LineCount() const {
    return TStrings::SplitLines(text()).size();
}

TStrings THtmlEdit::Lines() const {
    TStrings lines(TStrings::SplitLines(text()));
    lines.SetEncoding(FEncoding);
    return lines;
}

void THtmlEdit::SetLines(const TStrings& lines) {
    setText(lines.Lines().join(QStringLiteral("\r\n")));
}

void THtmlEdit::LoadFromFile(const QString& fileName) {
    TStrings lines;
    lines.LoadFromFile(fileName);
    SetLines(lines);
    FEncoding = lines.Encoding();
    setModified(false);
}

void THtmlEdit::SaveToFile(const QString& fileName) const {
    Lines().SaveToFile(fileName);
}

void THtmlEdit::SaveToFileAnsi(const QString& fileName) const {
    TStrings lines = Lines();
    lines.SetEncoding(TTextEncoding::Ansi);
    lines.SaveToFile(fileName);
}
