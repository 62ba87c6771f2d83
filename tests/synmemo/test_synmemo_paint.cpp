// Painting, metrics, the caret and scrolling, checked on pictures of the control.

#include "MemoDriver.h"
#include "synmemo.h"

#include <QApplication>
#include <QFocusEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QTest>
#include <QWheelEvent>

namespace {

const QColor Base(255, 255, 255);
const QColor Button(192, 192, 192);
const QColor Light(250, 240, 0);
const QColor Ink(0, 0, 0);
const QColor Red(255, 0, 0);
const QColor BlockBack(0, 160, 0);
const QColor BlockInk(255, 255, 0);

// The control on a window, with the window's font; pictures are in client coordinates.
struct TShownMemo : TDrivenMemo {
    using TDrivenMemo::TDrivenMemo;
    QImage Picture() const { return Memo->grab().toImage(); }
    QColor At(const QImage& image, int x, int y) const {
        return image.pixelColor(QPoint(x, y) + Memo->ClientOrigin());
    }
    // Client rectangle of the cell of column x, row r (0-based) with no horizontal scroll.
    QRect Cell(int x, int r) const {
        return {Memo->GutterWidth() + (x - 1) * Memo->CharWidth(), r * Memo->CharHeight(),
                Memo->CharWidth(), Memo->CharHeight()};
    }
};

int CountColour(const QImage& image, QRect clientRect, const QColor& colour, QPoint origin) {
    int n = 0;
    const QRect r = clientRect.translated(origin).intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (image.pixelColor(x, y) == colour)
                ++n;
    return n;
}

} // namespace

class TestSynMemoPaint : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QPalette pal = QApplication::palette();
        pal.setColor(QPalette::Base, Base);
        pal.setColor(QPalette::Button, Button);
        pal.setColor(QPalette::Light, Light);
        pal.setColor(QPalette::Text, Ink);
        QApplication::setPalette(pal);
    }

    void metricsAndWindowSize() {
        TShownMemo m({"x"});
        const QFontMetrics bold([&] {
            QFont f = m.Memo->font();
            f.setBold(true);
            return f;
        }());
        QCOMPARE(m.Memo->CharHeight(), bold.height());
        QCOMPARE(m.Memo->CharWidth(), bold.horizontalAdvance(u'W'));
        QVERIFY(m.Memo->IsMonoType());
        QCOMPARE(m.Memo->WindowSize().y(), (200 - 20) / m.Memo->CharHeight());
        QCOMPARE(m.Memo->WindowSize().x(), (300 - 4 - 20) / m.Memo->CharWidth());

        QFont other(QStringLiteral("DejaVu Sans"));
        other.setPixelSize(13);
        m.Memo->setFont(other);
        QVERIFY(!m.Memo->IsMonoType());
        QFont mixedCase(QStringLiteral("courier new"));
        m.Memo->setFont(mixedCase);
        QVERIFY(m.Memo->IsMonoType());
    }

    // Glyphs land in the cells the caret and the mouse count in, however long the run and
    // whatever the font's own advance, in every style.
    void glyphsStandInTheirCells_data() {
        QTest::addColumn<bool>("bold");
        QTest::addColumn<bool>("italic");
        QTest::addColumn<int>("first");
        QTest::newRow("plain") << false << false << 5;
        QTest::newRow("bold") << true << false << 5;
        QTest::newRow("italic") << false << true << 5;
        QTest::newRow("scrolled beyond column 1024") << false << false << 2005;
    }

    void glyphsStandInTheirCells() {
        QFETCH(bool, bold);
        QFETCH(bool, italic);
        QFETCH(int, first);
        const int lastMark = first + 120;
        QString line(lastMark + 40, u' ');
        line.back() = u'.';
        for (int c = first; c <= lastMark; c += 10)
            line[c - 1] = u'|';
        TShownMemo m({line});
        m.Owner.resize(1300, 300);
        m.Memo->setGeometry(0, 0, 1250, 200);
        TSynFont text = m.Memo->TextAttr();
        text.Font.setBold(bold);
        text.Font.setItalic(italic);
        m.Memo->SetTextAttr(text);
        m.Memo->SetPos(lastMark + 30, 1);
        const int offset = m.Memo->Offset().x();
        QVERIFY(offset < first);
        const QImage image = m.Picture();
        const int w = m.Memo->CharWidth();
        const int h = m.Memo->CharHeight();
        for (int c = first; c <= lastMark; c += 10) {
            const QRect cell = m.Cell(c - offset, 0);
            // The ink of the glyph, looked for two cells either side of its own.
            qint64 sum = 0, n = 0;
            for (int x = cell.left() - 2 * w; x < cell.right() + 2 * w; ++x)
                for (int y = 0; y < h; ++y)
                    if (m.At(image, x, y).lightness() < 128) {
                        sum += x;
                        ++n;
                    }
            QVERIFY2(n > 0, qPrintable(QString::number(c)));
            const int inkX = int(sum / n);
            QVERIFY2(inkX >= cell.left() && inkX < cell.left() + w,
                     qPrintable(QStringLiteral("column %1: ink at %2, cell from %3")
                                    .arg(c)
                                    .arg(inkX)
                                    .arg(cell.left())));
            QTest::mouseClick(m.Memo, Qt::LeftButton, {},
                              QPoint(inkX, h / 2) + m.Memo->ClientOrigin());
            QCOMPARE(m.Memo->GetPos(), QPoint(c, 1));
            const int caretX = (c - offset - 1) * w + m.Memo->GutterWidth();
            QVERIFY(inkX >= caretX && inkX < caretX + w);
        }
    }

    void gutterAndFooter() {
        TShownMemo m({"x"});
        const QImage image = m.Picture();
        const int H = 200;
        QCOMPARE(m.At(image, 17, 40), Button);
        QCOMPARE(m.At(image, 16, 40), Light);
        QCOMPARE(m.At(image, 18, 40), Base);
        QCOMPARE(m.At(image, 150, H - 20), Button);
        QCOMPARE(m.At(image, 150, H - 19), Light);
        QCOMPARE(m.At(image, 150, H - 21), Base);
    }

    void withoutGutterTextStartsAtTheEdge() {
        TShownMemo m({"begin"});
        m.Memo->SetShowGutter(false);
        m.Memo->AddBookmark(0, 1);
        m.Memo->fCurLine_Set(0);
        QCOMPARE(m.Memo->GutterWidth(), 0);
        TSynFont keyword = m.Memo->KeywordAttr();
        keyword.Color = Red;
        m.Memo->SetKeywordAttr(keyword);
        const QImage image = m.Picture();
        QVERIFY(CountColour(image, {0, 0, m.Memo->CharWidth(), m.Memo->CharHeight()}, Red,
                            m.Memo->ClientOrigin()) > 0);
        QCOMPARE(CountColour(image, {0, 0, 20, 200}, QColor(0, 0x80, 0), m.Memo->ClientOrigin()),
                 0);
    }

    void keywordCellHasKeywordColour() {
        TShownMemo m({"begin x := 'abc'"});
        TSynFont keyword = m.Memo->KeywordAttr();
        keyword.Color = Red;
        m.Memo->SetKeywordAttr(keyword);
        const QImage image = m.Picture();
        const QPoint origin = m.Memo->ClientOrigin();
        for (int x = 1; x <= 5; ++x)
            QVERIFY2(CountColour(image, m.Cell(x, 0), Red, origin) > 0,
                     qPrintable(QString::number(x)));
        QCOMPARE(CountColour(image, m.Cell(7, 0), Red, origin), 0);
        QCOMPARE(CountColour(image, m.Cell(13, 0), Red, origin), 0);
        QVERIFY(CountColour(image, m.Cell(13, 0), QColor(0, 0, 0x80), origin) > 0);
    }

    void selectedBlockColours() {
        TShownMemo m({"ab", "cd", "ef"});
        m.Memo->SetBlockColor(BlockBack);
        m.Memo->SetBlockFontColor(BlockInk);
        m.Memo->MySel_Z({1, 1}, {1, 2});
        QImage image = m.Picture();
        const QPoint origin = m.Memo->ClientOrigin();
        const int h = m.Memo->CharHeight();
        // A whole selected line is filled to the right edge.
        QCOMPARE(m.At(image, 250, 1), BlockBack);
        QVERIFY(CountColour(image, m.Cell(1, 0), BlockInk, origin) > 0);
        QCOMPARE(m.At(image, 250, h + 1), Base);
        QCOMPARE(CountColour(image, m.Cell(1, 1), BlockInk, origin), 0);

        // A selection that starts mid-line is filled only as far as the text.
        m.Memo->MySel_Z({2, 1}, {2, 2});
        image = m.Picture();
        QCOMPARE(m.At(image, m.Cell(1, 0).left() + 1, 1), Base);
        QCOMPARE(m.At(image, m.Cell(2, 0).left() + 1, 1), BlockBack);
        QCOMPARE(m.At(image, m.Cell(3, 0).left() + 1, 1), Base);
        QCOMPARE(m.At(image, m.Cell(1, 1).left() + 1, h + 1), BlockBack);
        QCOMPARE(m.At(image, m.Cell(2, 1).left() + 1, h + 1), Base);
    }

    void footerShowsLineAndColumn() {
        TShownMemo m({"abc", "def"});
        m.Memo->SetPos(3, 2);
        const QImage image = m.Picture();
        QFont tahoma(QStringLiteral("Tahoma"), 8);
        const QFontMetrics metrics(tahoma);
        const auto expected = [&](const QString& text) {
            QImage ref(metrics.horizontalAdvance(text), metrics.height(),
                       QImage::Format_ARGB32_Premultiplied);
            ref.fill(Button);
            QPainter p(&ref);
            p.setFont(tahoma);
            p.setPen(Ink);
            p.drawText(0, metrics.ascent(), text);
            return ref;
        };
        const QImage want = expected(QStringLiteral("2 : 3    "));
        const QPoint at = QPoint(20 + 4, 200 - metrics.height() - 5) + m.Memo->ClientOrigin();
        const QImage got = image.copy(QRect(at, want.size())).convertToFormat(want.format());
        QCOMPARE(got, want);
        QVERIFY(got != expected(QStringLiteral("2 : 4    ")));
    }

    void messageBarUntilNextCaretPlacement() {
        TShownMemo m({"abc"});
        m.Memo->ShowMessage(QStringLiteral("Text \"x\" not found."));
        QCOMPARE(m.At(m.Picture(), 150, 200 - 6), QColor(0x80, 0, 0));
        m.Memo->SetPos(2, 1);
        QCOMPARE(m.Memo->Message(), QString());
        QCOMPARE(m.At(m.Picture(), 150, 200 - 6), Button);
    }

    void gutterMarkers() {
        TShownMemo m({"a", "b", "c"});
        m.Memo->AddBookmark(0, 3);
        m.Memo->fCurLine_Set(1);
        m.Memo->SetActiveLine(2);
        const QImage image = m.Picture();
        const int h = m.Memo->CharHeight();
        QCOMPARE(m.At(image, 2, 12), QColor(0, 0x80, 0));
        QCOMPARE(m.At(image, 14, h + 6), Red);
        QCOMPARE(m.At(image, 7, 2 * h + 7), Red);
        QCOMPARE(m.At(image, 6, h + 8), Button);
    }

    void scrollBarFollowsTheText() {
        QStringList lines;
        for (int i = 0; i < 100; ++i)
            lines << QString::number(i);
        TShownMemo m(lines);
        QScrollBar* bar = m.Memo->VScroll();
        const int rows = m.Memo->WindowSize().y();
        QVERIFY(bar->isVisibleTo(m.Memo));
        QCOMPARE(bar->orientation(), Qt::Vertical);
        QCOMPARE(bar->maximum(), 100 - rows + 1);
        QCOMPARE(bar->pageStep(), rows);
        const int barWidth = m.Memo->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, bar);
        QCOMPARE(bar->geometry(), QRect(300 - barWidth - 2, 2, barWidth, 200 - 4));

        m.Memo->SetPos(1, 50);
        QCOMPARE(bar->value(), 50 - rows);
        bar->setValue(10);
        QCOMPARE(m.Memo->Offset().y(), 10);
        QCOMPARE(m.Memo->GetPos(), QPoint(1, 50));

        m.Memo->SetText(TStrings({QStringLiteral("one")}));
        QVERIFY(!bar->isVisibleTo(m.Memo));
    }

    void wheelMovesTheViewNotTheCaret() {
        QStringList lines;
        for (int i = 0; i < 100; ++i)
            lines << QString::number(i);
        TShownMemo m(lines);
        m.Memo->KWheel = 3;
        const QPointF at(50, 50);
        QWheelEvent down(at, m.Memo->mapToGlobal(at), {}, {0, -120}, Qt::NoButton, Qt::NoModifier,
                         Qt::NoScrollPhase, false);
        QApplication::sendEvent(m.Memo, &down);
        QCOMPARE(m.Memo->Offset().y(), 3);
        QCOMPARE(m.Memo->GetPos(), QPoint(1, 1));
        QWheelEvent up(at, m.Memo->mapToGlobal(at), {}, {0, 120}, Qt::NoButton, Qt::NoModifier,
                       Qt::NoScrollPhase, false);
        QApplication::sendEvent(m.Memo, &up);
        QCOMPARE(m.Memo->Offset().y(), 0);
    }

    void caretOnlyWhileFocused() {
        TShownMemo m({"abc"});
        m.Memo->SetPos(4, 1);
        const QRect caret(m.Cell(4, 0).topLeft(), QSize(2, m.Memo->CharHeight()));
        QVERIFY(!m.Memo->CaretShown());
        QCOMPARE(CountColour(m.Picture(), caret, Ink, m.Memo->ClientOrigin()), 0);

        QFocusEvent in(QEvent::FocusIn);
        QApplication::sendEvent(m.Memo, &in);
        QVERIFY(m.Memo->CaretShown());
        QCOMPARE(CountColour(m.Picture(), caret, Ink, m.Memo->ClientOrigin()),
                 caret.width() * caret.height());

        QFocusEvent out(QEvent::FocusOut);
        QApplication::sendEvent(m.Memo, &out);
        QVERIFY(!m.Memo->CaretShown());
    }
};

QTEST_MAIN(TestSynMemoPaint)
#include "test_synmemo_paint.moc"
