// TSyntaxMemo: cell metrics, painting, the painted caret, the scroll bar and the wheel.
// Everything is drawn in client coordinates, inside a two-pixel sunken border.

#include "synmemo.h"

#include <QApplication>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QGlyphRun>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QWheelEvent>
#include <qdrawutil.h>

namespace {

const QColor clMaroon(0x80, 0, 0);
const QColor clRed(0xFF, 0, 0);
const QColor clGreen(0, 0x80, 0);
const QColor clBlack(0, 0, 0);
const QColor clWhite(0xFF, 0xFF, 0xFF);

QFont Tahoma(int pointSize, bool bold) {
    QFont f(QStringLiteral("Tahoma"), pointSize);
    f.setBold(bold);
    return f;
}

// Fills the rectangle (left, top, right, bottom), right and bottom edges excluded.
void FillLTRB(QPainter& p, int left, int top, int right, int bottom, const QColor& color) {
    if (right > left && bottom > top)
        p.fillRect(left, top, right - left, bottom - top, color);
}

void CopyNameAndSize(QFont& target, const QFont& source) {
    target.setFamily(source.family());
    if (source.pixelSize() > 0)
        target.setPixelSize(source.pixelSize());
    else
        target.setPointSizeF(source.pointSizeF());
}

} // namespace

// Metrics and layout

void TSyntaxMemo::CMFontChanged() {
    const QFont control = font();
    for (TSynFont* attr : {&FCommentAttr, &FKeywordAttr, &FStringAttr, &FTextAttr})
        CopyNameAndSize(attr->Font, control);
    QFont bold = control;
    bold.setBold(true);
    const QFontMetrics metrics(bold);
    FCharHeight = metrics.height();
    FCharWidth = metrics.horizontalAdvance(u'W');
    FIsMonoType = control.family().toUpper().contains(QStringLiteral("COURIER NEW"));
}

int TSyntaxMemo::ClientWidth() const {
    return width() - 2 * ClientEdge;
}

int TSyntaxMemo::ClientHeight() const {
    return height() - 2 * ClientEdge;
}

void TSyntaxMemo::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    BoundsChanged();
}

void TSyntaxMemo::BoundsChanged() {
    if (FCharWidth == 0 || FCharHeight == 0)
        return;
    const int W = width();
    const int H = height();
    const int barWidth = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, FVScroll);
    const int clientWidth = FVScroll->isHidden() ? ClientWidth() : W - barWidth - 4;
    FWindowSize = {std::max((clientWidth - FGutterWidth) / FCharWidth, 0),
                   std::max((H - FFooterHeight) / FCharHeight, 0)};
    FVScroll->setGeometry(ClientEdge + W - barWidth - 4, ClientEdge, barWidth, H - 4);
    UpdateScrollBar();
}

// Scroll bar and wheel

void TSyntaxMemo::UpdateScrollBar() {
    FUpdating = true;
    const int lineCount = int(std::min<qsizetype>(FText.Count(), INT_MAX / 2));
    FVScroll->setValue(0);
    FVScroll->setPageStep(0);
    FVScroll->setRange(0, lineCount);
    FVScroll->setSingleStep(1);
    if (FWindowSize.y() < lineCount) {
        // A page of N rows leaves the bar N - 1 positions short of its maximum.
        FVScroll->setPageStep(FWindowSize.y());
        FVScroll->setRange(0, lineCount - FWindowSize.y() + 1);
        FVScroll->show();
    } else {
        FVScroll->hide();
    }
    FVScroll->setValue(FOffset.y());
    FUpdating = false;
}

void TSyntaxMemo::ScrollClick(int position) {
    if (FUpdating)
        return;
    FOffset.setY(int(std::min<qsizetype>(position, FText.Count())));
    ShowCaretPos();
    update();
}

void TSyntaxMemo::wheelEvent(QWheelEvent* event) {
    FWheelRest += event->angleDelta().y();
    const int step = FVScroll->singleStep() * KWheel;
    for (; FWheelRest >= QWheelEvent::DefaultDeltasPerStep;
         FWheelRest -= QWheelEvent::DefaultDeltasPerStep)
        FVScroll->setValue(FVScroll->value() - step);
    for (; FWheelRest <= -QWheelEvent::DefaultDeltasPerStep;
         FWheelRest += QWheelEvent::DefaultDeltasPerStep)
        FVScroll->setValue(FVScroll->value() + step);
    event->accept();
}

// The caret

void TSyntaxMemo::ShowCaretPos() {
    ResetCaretBlink();
    update();
    emit OnChangePOS(FPos.y(), FPos.x());
}

void TSyntaxMemo::ResetCaretBlink() {
    FCaretVisible = true;
    const int flash = QApplication::cursorFlashTime();
    if (FCaretCreated && flash > 0)
        FCaretTimer.start(flash / 2, this);
    else
        FCaretTimer.stop();
}

void TSyntaxMemo::timerEvent(QTimerEvent* event) {
    if (event->timerId() != FCaretTimer.timerId()) {
        QWidget::timerEvent(event);
        return;
    }
    FCaretVisible = !FCaretVisible;
    update();
}

void TSyntaxMemo::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    FCaretCreated = true;
    ShowCaretPos();
}

void TSyntaxMemo::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    FCaretCreated = false;
    FCaretTimer.stop();
    update();
}

bool TSyntaxMemo::focusNextPrevChild(bool) {
    return false;
}

// Painting

void TSyntaxMemo::paintEvent(QPaintEvent*) {
    QPainter p(this);
    qDrawWinPanel(&p, rect(), palette(), true);
    p.translate(ClientEdge, ClientEdge);
    p.setClipRect(0, 0, ClientWidth(), ClientHeight());
    const int W = width();
    const int H = height();
    const QPalette& pal = palette();

    p.fillRect(0, 0, W, H, FColor);
    FillLTRB(p, 0, 0, FGutterWidth - 2, H - FFooterHeight, pal.color(QPalette::Button));
    FillLTRB(p, 0, H - FFooterHeight, W, H, pal.color(QPalette::Button));
    p.setPen(pal.color(QPalette::Light));
    const int lineX = FGutterWidth - 4;
    const int lineBottom = H - FFooterHeight + 1;
    p.drawLine(lineX, 0, lineX, lineBottom - 1);
    if (FFooterHeight > 0)
        p.drawLine(lineX, lineBottom, W - 1, lineBottom);

    if (!FUpdatingSyntax) {
        TCanvas canvas{p, {font(), pal.color(QPalette::Text)}, FColor, 0};
        const qsizetype end =
            std::min<qsizetype>(FText.Count(), qsizetype(FOffset.y()) + FWindowSize.y());
        for (qsizetype i = FOffset.y(); i < end; ++i)
            PaintRow(canvas, int(i));
    }

    if (!FMessage.isEmpty())
        PaintMessage(p);
    else
        ShowPos(p);

    // A caret scrolled out of the rows is not drawn over the gutter or the footer.
    const int caretRow = FPos.y() - FOffset.y() - 1;
    const int caretX = (FPos.x() - FOffset.x() - 1) * FCharWidth + FGutterWidth;
    if (FCaretCreated && FCaretVisible && caretRow >= 0 && caretRow < FWindowSize.y() &&
        caretX >= FGutterWidth)
        p.fillRect(caretX, caretRow * FCharHeight, 2, FCharHeight, pal.color(QPalette::Text));
}

void TSyntaxMemo::PaintRow(TCanvas& canvas, int i) {
    const QString& s = FText[i];
    const int y = (i - FOffset.y()) * FCharHeight;
    const int row = i + 1;
    canvas.PenX = FGutterWidth;

    int j0 = FOffset.x() + 1;
    TCharAttributes a = GetCharAttr({j0, row});
    const qsizetype last = std::min<qsizetype>(qsizetype(FOffset.x()) + FWindowSize.x(), s.size());
    for (int j = FOffset.x() + 1; j <= last; ++j) {
        const TCharAttributes b = GetCharAttr({j, row});
        if (b == a)
            continue;
        SetAttr(canvas, a);
        MyTextOut(canvas, y, QStringView(s).sliced(j0 - 1, j - j0));
        a = b;
        j0 = j;
    }
    if (FShowGutter)
        CurLineDraw(canvas.Painter, i);

    SetAttr(canvas, a);
    // The rest of the run as far as the window shows it, one cell cut at the edge included.
    if (j0 - 1 < s.size())
        MyTextOut(canvas, y, QStringView(s).first(std::min(s.size(), last + 1)).sliced(j0 - 1));
    if (IsBlock(1, row))
        MyTextOut(canvas, y, Pad(int(FWindowSize.x() - s.size() - FOffset.x() + 3), 32));
    if (FShowGutter) {
        BookmarkDraw(canvas.Painter, i);
        ActiveLineDraw(canvas.Painter, i);
    }
}

void TSyntaxMemo::SetAttr(TCanvas& canvas, TCharAttributes a) const {
    canvas.Brush = FColor;
    if (a.Has(caText))
        canvas.Font = FTextAttr;
    if (a.Has(caComment))
        canvas.Font = FCommentAttr;
    if (a.Has(caKeyword))
        canvas.Font = FKeywordAttr;
    if (a.Has(caString))
        canvas.Font = FStringAttr;
    if (a.Has(caBlock)) {
        canvas.Brush = FBlockColor;
        canvas.Font.Color = FBlockFontColor;
    }
}

void TSyntaxMemo::MyTextOut(TCanvas& canvas, int y, QStringView s) const {
    QPainter& p = canvas.Painter;
    const int x = canvas.PenX;
    const qint64 width = qint64(FCharWidth) * s.size();
    canvas.PenX = int(std::min<qint64>(x + width, INT_MAX / 2));
    if (s.isEmpty() || x >= ClientWidth())
        return;
    // Cells right of the client area are clipped anyway; skip drawing them.
    const qsizetype visible = std::min<qsizetype>(s.size(), (ClientWidth() - x) / FCharWidth + 1);
    FillLTRB(p, x, y, x + FCharWidth * int(visible), y + FCharHeight, canvas.Brush);
    p.setFont(canvas.Font.Font);
    p.setPen(canvas.Font.Color);
    const QRawFont& raw = RawFont(canvas.Font.Font);
    const int baseline = y + QFontMetrics(canvas.Font.Font).ascent();
    // Every character stands in its own cell, whatever advance the font gives it: the caret,
    // the selection and the mouse all count in whole cells.
    QList<quint32> glyphs(visible);
    int count = int(visible);
    const bool mapped = raw.isValid() &&
                        raw.glyphIndexesForChars(s.data(), int(visible), glyphs.data(), &count) &&
                        count == visible;
    QList<QPointF> positions;
    positions.reserve(visible);
    QList<quint32> drawn;
    drawn.reserve(visible);
    for (qsizetype k = 0; k < visible; ++k) {
        const int cellX = x + int(k) * FCharWidth;
        if (mapped && glyphs[k] != 0) {
            drawn.append(glyphs[k]);
            positions.append(QPointF(cellX, baseline));
        } else if (s[k].unicode() >= 32 &&
                   !(s[k].isLowSurrogate() && k > 0 && s[k - 1].isHighSurrogate())) {
            // Not in the font itself: the font's fallbacks draw it, still in its cell.
            const bool pair =
                s[k].isHighSurrogate() && k + 1 < s.size() && s[k + 1].isLowSurrogate();
            p.drawText(cellX, baseline, s.sliced(k, pair ? 2 : 1).toString());
        }
    }
    if (drawn.isEmpty())
        return;
    QGlyphRun run;
    run.setRawFont(raw);
    run.setGlyphIndexes(drawn);
    run.setPositions(positions);
    p.drawGlyphRun(QPointF(0, 0), run);
}

const QRawFont& TSyntaxMemo::RawFont(const QFont& font) const {
    for (const auto& [key, raw] : FRawFonts)
        if (key == font)
            return raw;
    // Fonts come and go with the attribute settings; a handful is all a memo draws with.
    if (FRawFonts.size() >= 8)
        FRawFonts.clear();
    FRawFonts.append({font, QRawFont::fromFont(font)});
    return FRawFonts.back().second;
}

void TSyntaxMemo::ShowPos(QPainter& p) const {
    if (FFooterHeight <= 0)
        return;
    const QFont f = Tahoma(8, false);
    const QFontMetrics metrics(f);
    const QString text = QStringLiteral("%1 : %2    ").arg(FPos.y()).arg(FPos.x());
    const int t = metrics.height();
    const QPoint at(FGutterWidth + 4, height() - t - 5);
    p.fillRect(QRect(at, QSize(metrics.horizontalAdvance(text), t)),
               palette().color(QPalette::Button));
    p.setFont(f);
    p.setPen(clBlack);
    p.drawText(at.x(), at.y() + metrics.ascent(), text);
}

void TSyntaxMemo::PaintMessage(QPainter& p) const {
    const QFont f = Tahoma(8, true);
    const QFontMetrics metrics(f);
    const int t = metrics.height();
    const int H = height();
    FillLTRB(p, 0, H - t - 6, width(), H, clMaroon);
    p.setFont(f);
    p.setPen(clWhite);
    p.drawText(6, H - t - 5 + metrics.ascent(), FMessage);
}

void TSyntaxMemo::CurLineDraw(QPainter& p, int i) const {
    if (fCurLine != i)
        return;
    const int y = (i - FOffset.y()) * FCharHeight;
    FillLTRB(p, 12, y + 1, 17, y + 13, clRed);
}

void TSyntaxMemo::BookmarkDraw(QPainter& p, int i) const {
    const int y = (i - FOffset.y()) * FCharHeight;
    const int n = IsBookmark(i);
    if (n < 0) {
        FillLTRB(p, 2, y + 2, 13, y + 13, palette().color(QPalette::Button));
        return;
    }
    FillLTRB(p, 3, y + 1, 13, y + 12, clBlack);
    FillLTRB(p, 2, y + 2, 12, y + 13, clGreen);
    const QFont f = Tahoma(7, true);
    p.setFont(f);
    p.setPen(clWhite);
    p.drawText(4, y + 2 + QFontMetrics(f).ascent(), QString::number(n));
}

void TSyntaxMemo::ActiveLineDraw(QPainter& p, int i) const {
    if (FActiveLine != i)
        return;
    const int y = (i - FOffset.y()) * FCharHeight;
    p.setPen(clBlack);
    p.setBrush(clRed);
    p.drawEllipse(QRect(QPoint(4, y + 4), QPoint(9, y + 9)));
    p.setBrush(Qt::NoBrush);
}
