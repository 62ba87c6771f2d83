// The HTML editor: its lines as TStrings, file round trips in every encoding, the modified
// flag and the change signal.

#include "THtmlEdit.h"

#include "Exception.h"
#include "TestFiles.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString Privet = QStringLiteral("Привет");

QByteArray Utf16(const QString& text, bool bigEndian) {
    QByteArray bytes;
    for (const QChar c : text) {
        const char hi = char(c.unicode() >> 8), lo = char(c.unicode() & 0xFF);
        bytes.append(bigEndian ? hi : lo).append(bigEndian ? lo : hi);
    }
    return bytes;
}

} // namespace

class TestTHtmlEdit : public QObject {
    Q_OBJECT

private slots:
    void lineCount_data();
    void lineCount();
    void setLinesShowsNoTrailingEmptyLine();
    void roundTripKeepsEncoding_data();
    void roundTripKeepsEncoding();
    void neverLoadedSavesAnsi();
    void saveAnsiAfterUnicodeLoad();
    void unwritableFileRaises();
    void missingFileRaisesAndKeepsText();
    void modifiedFlag();
    void changeSignal_data();
    void changeSignal();
    void drawnTextAndGutterSizes();

private:
    QString Path(const QString& name) const { return FDir.filePath(name); }
    QTemporaryDir FDir;
};

void TestTHtmlEdit::lineCount_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("empty") << QString() << QStringList();
    QTest::newRow("one line, no break") << "<p>" << QStringList{"<p>"};
    QTest::newRow("break after the last line adds no line") << "<p>\r\n</p>\r\n"
                                                            << QStringList{"<p>", "</p>"};
    QTest::newRow("lone CR and LF") << "a\rb\nc" << QStringList{"a", "b", "c"};
    QTest::newRow("blank lines count") << "\r\n\r\nx" << QStringList{"", "", "x"};
}

void TestTHtmlEdit::lineCount() {
    QFETCH(QString, text);
    QFETCH(QStringList, lines);
    THtmlEdit edit;
    edit.SetText(text);
    QCOMPARE(edit.LineCount(), lines.size());
    QCOMPARE(edit.Lines().Lines(), lines);
}

void TestTHtmlEdit::setLinesShowsNoTrailingEmptyLine() {
    THtmlEdit edit;
    edit.SetLines(TStrings({"<b>", "</b>"}));
    QCOMPARE(edit.text(), QStringLiteral("<b>\r\n</b>"));
    QCOMPARE(edit.lines(), 2);
}

void TestTHtmlEdit::roundTripKeepsEncoding_data() {
    QTest::addColumn<QByteArray>("original");
    QTest::addColumn<QString>("firstLine");
    QTest::addColumn<int>("encoding");
    QTest::addColumn<QByteArray>("saved");

    const QString text = "<p>" + Privet + "</p>\r\n<hr>\r\n";
    const QByteArray utf8 = "\xEF\xBB\xBF" + text.toUtf8();
    const QByteArray le = "\xFF\xFE" + Utf16(text, false);
    const QByteArray be = "\xFE\xFF" + Utf16(text, true);
    const QByteArray ansi = "<p>\xCF\xF0\xE8\xE2\xE5\xF2</p>\r\n<hr>\r\n";
    const QString first = "<p>" + Privet + "</p>";
    QTest::newRow("UTF-8 with mark") << utf8 << first << int(TTextEncoding::Utf8) << utf8;
    QTest::newRow("UTF-16 LE") << le << first << int(TTextEncoding::Utf16LE) << le;
    QTest::newRow("UTF-16 BE") << be << first << int(TTextEncoding::Utf16BE) << be;
    QTest::newRow("ANSI") << ansi << first << int(TTextEncoding::Ansi) << ansi;
    QTest::newRow("LF endings become CR LF")
        << QByteArray("\xEF\xBB\xBF<a>\n<b>") << "<a>" << int(TTextEncoding::Utf8)
        << QByteArray("\xEF\xBB\xBF<a>\r\n<b>\r\n");
    QTest::newRow("empty file") << QByteArray() << QString() << int(TTextEncoding::Ansi)
                                << QByteArray();
}

void TestTHtmlEdit::roundTripKeepsEncoding() {
    QFETCH(QByteArray, original);
    QFETCH(QString, firstLine);
    QFETCH(int, encoding);
    QFETCH(QByteArray, saved);
    WriteBytes(Path("in.txt"), original);

    THtmlEdit edit;
    edit.LoadFromFile(Path("in.txt"));
    QCOMPARE(int(edit.Encoding()), encoding);
    QCOMPARE(edit.Lines().IsEmpty() ? QString() : edit.Lines()[0], firstLine);
    edit.SaveToFile(Path("out.txt"));
    QCOMPARE(ReadBytes(Path("out.txt")), saved);
}

void TestTHtmlEdit::neverLoadedSavesAnsi() {
    THtmlEdit edit;
    edit.SetText(Privet + QStringLiteral(" \u20AC \u4E2D\n<br>"));
    edit.SaveToFile(Path("new.txt"));
    // The euro sign is in windows-1251; the CJK character is not and is kept as a reference.
    QCOMPARE(ReadBytes(Path("new.txt")),
             QByteArray("\xCF\xF0\xE8\xE2\xE5\xF2 \x88 &#20013;\r\n<br>\r\n"));
}

void TestTHtmlEdit::saveAnsiAfterUnicodeLoad() {
    WriteBytes(Path("u8.txt"), "\xEF\xBB\xBF" + Privet.toUtf8());
    THtmlEdit edit;
    edit.LoadFromFile(Path("u8.txt"));
    edit.SaveToFileAnsi(Path("ansi.htm"));
    QCOMPARE(ReadBytes(Path("ansi.htm")), QByteArray("\xCF\xF0\xE8\xE2\xE5\xF2\r\n"));
    // The explicit ANSI save does not change what a plain save writes.
    edit.SaveToFile(Path("again.txt"));
    QCOMPARE(ReadBytes(Path("again.txt")), ReadBytes(Path("u8.txt")) + "\r\n");
}

void TestTHtmlEdit::unwritableFileRaises() {
    THtmlEdit edit;
    edit.SetText(u"<p>");
    QVERIFY_THROWS_EXCEPTION(Exception, edit.SaveToFile(Path("no/such/folder/f.txt")));
    QVERIFY_THROWS_EXCEPTION(Exception, edit.SaveToFileAnsi(Path("no/such/folder/f.htm")));
}

void TestTHtmlEdit::missingFileRaisesAndKeepsText() {
    THtmlEdit edit;
    edit.SetText(u"<p>");
    QVERIFY_THROWS_EXCEPTION(Exception, edit.LoadFromFile(Path("missing.txt")));
    QCOMPARE(edit.text(), QStringLiteral("<p>"));
}

void TestTHtmlEdit::modifiedFlag() {
    WriteBytes(Path("frag.txt"), "<hr>\r\n");
    THtmlEdit edit;
    edit.show();
    edit.SetText(u"x");
    QVERIFY(edit.Modified());
    edit.LoadFromFile(Path("frag.txt"));
    QVERIFY(!edit.Modified());
    QTest::keyClicks(&edit, "ab");
    QVERIFY(edit.Modified());
    edit.SetModified(false);
    QVERIFY(!edit.Modified());
}

void TestTHtmlEdit::changeSignal_data() {
    QTest::addColumn<QString>("action");
    QTest::newRow("typing") << "type";
    QTest::newRow("deleting") << "backspace";
    QTest::newRow("Clear") << "clear";
    QTest::newRow("SetText") << "settext";
    QTest::newRow("SetLines") << "setlines";
    QTest::newRow("LoadFromFile") << "load";
}

void TestTHtmlEdit::changeSignal() {
    QFETCH(QString, action);
    WriteBytes(Path("frag.txt"), "<i>\r\n");
    THtmlEdit edit;
    edit.show();
    edit.SetText(u"<b>");
    QSignalSpy spy(&edit, &THtmlEdit::Change);
    if (action == "type") {
        QTest::keyClick(&edit, Qt::Key_A);
    } else if (action == "backspace") {
        QTest::keyClick(&edit, Qt::Key_End, Qt::ControlModifier);
        QTest::keyClick(&edit, Qt::Key_Backspace);
    } else if (action == "clear") {
        edit.Clear();
    } else if (action == "settext") {
        edit.SetText(u"<u>");
    } else if (action == "setlines") {
        edit.SetLines(TStrings({"<s>"}));
    } else {
        edit.LoadFromFile(Path("frag.txt"));
    }
    QVERIFY(spy.count() >= 1);
    QVERIFY(edit.text() != QStringLiteral("<b>"));
}

namespace {

// Rows of `image` within `columns` that hold dark ink.
QList<int> InkRows(const QImage& image, int left, int right) {
    QList<int> rows;
    for (int y = 0; y < image.height(); ++y)
        for (int x = left; x < right; ++x)
            if (QColor(image.pixel(x, y)).lightness() < 100) {
                rows.append(y);
                break;
            }
    return rows;
}

// Groups of consecutive rows: the top and height of each drawn line.
QList<QPair<int, int>> Bands(const QList<int>& rows) {
    QList<QPair<int, int>> bands;
    for (int y : rows) {
        if (!bands.isEmpty() && bands.back().first + bands.back().second == y)
            ++bands.back().second;
        else
            bands.append({y, 1});
    }
    return bands;
}

int InkHeight(const QFont& font, QChar c) {
    return QFontMetrics(font).tightBoundingRect(QString(c)).height();
}

} // namespace

// The text in Courier New 13 pixels, the line numbers in Courier New 11, as drawn.
void TestTHtmlEdit::drawnTextAndGutterSizes() {
    THtmlEdit edit;
    edit.resize(400, 300);
    edit.SetText(QStringLiteral("HHHH\r\nHHHH\r\nHHHH\r\nHHHH"));
    edit.show();
    QVERIFY(QTest::qWaitForWindowExposed(&edit));
    // The viewport's picture, inside the frame.
    const QImage image = edit.viewport()->grab().toImage();
    QFont text(QStringLiteral("Courier New"));
    text.setPixelSize(13);
    QFont gutter = text;
    gutter.setPixelSize(11);

    const int textLeft = edit.marginWidth(0) + 4;
    const QList<QPair<int, int>> lines = Bands(InkRows(image, textLeft, textLeft + 30));
    QCOMPARE(lines.size(), 4);
    // The caret stands on the first line; the others show the letters alone.
    const int pitch = lines[2].first - lines[1].first;
    QVERIFY2(qAbs(pitch - QFontMetrics(text).height()) <= 2, qPrintable(QString::number(pitch)));
    QVERIFY2(qAbs(lines[1].second - InkHeight(text, u'H')) <= 1,
             qPrintable(QString::number(lines[1].second)));

    const QList<QPair<int, int>> numbers = Bands(InkRows(image, 0, edit.marginWidth(0)));
    // The number 2 stands on the baseline of the second line.
    const int baseline = lines[1].first + lines[1].second;
    const auto two = std::find_if(numbers.begin(), numbers.end(), [&](const QPair<int, int>& b) {
        return qAbs(b.first + b.second - baseline) <= 1;
    });
    QVERIFY(two != numbers.end());
    QVERIFY2(qAbs(two->second - InkHeight(gutter, u'2')) <= 1,
             qPrintable(QString::number(two->second)));
}

QTEST_MAIN(TestTHtmlEdit)
#include "test_THtmlEdit.moc"
