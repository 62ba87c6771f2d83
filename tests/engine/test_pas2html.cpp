// The page frame, the markup tag set and the string and list entry points.

#include "__pas2html.h"

#include <QTest>

namespace {

TStrings Lines(const QString& text) {
    TStrings list;
    list.SetText(text);
    return list;
}

const QString kHead = "<html>\r\n<head>\r\n<meta http-equiv=\"Content-Type\" "
                      "content=\"text/html; charset=windows-1251\">\r\n";

} // namespace

class TestPas2html : public QObject {
    Q_OBJECT
private slots:
    void wholePage();
    void frame_data();
    void frame();
    void standalonePage();
    void tagSet_data();
    void tagSet();
    void defaultTagText();
    void stringForm();
    void listForm();
    void titleFromFileName_data();
    void titleFromFileName();
};

void TestPas2html::wholePage() {
    TDelphiToHTML cv;
    QCOMPARE(cv.Convert2("begin", "T", "", ""),
             kHead + "<title>T</title>\r\n</head>\r\n<body>\r\n<pre>\r\n<b>begin</b>\r\n</pre>\r\n"
                     "</body>\r\n</html>\r\n");
    QCOMPARE(cv.Convert2("", "T", "x", "y"), QString());
    QCOMPARE(cv.Convert2("\r\n", "T", "", ""),
             kHead + "<title>T</title>\r\n</head>\r\n<body>\r\n<pre>\r\n\r\n</pre>\r\n</body>\r\n"
                     "</html>\r\n");
}

void TestPas2html::frame_data() {
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("after");
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("expectedStart"); // from "<title>" to "<pre>"
    QTest::addColumn<QString>("expectedEnd");   // from "</pre>" on

    QTest::newRow("blank title") << "   "
                                 << ""
                                 << ""
                                 << "<title>NewFile</title>\r\n</head>\r\n<body>\r\n<pre>"
                                 << "</pre>\r\n</body>\r\n</html>\r\n";
    QTest::newRow("title trimmed, unescaped") << " a<b\t"
                                              << ""
                                              << ""
                                              << "<title>a<b</title>\r\n</head>\r\n<body>\r\n<pre>"
                                              << "</pre>\r\n</body>\r\n</html>\r\n";
    QTest::newRow("after fragment trimmed")
        << "T"
        << "  <p>x</p>  "
        << " \r\n "
        << "<title>T</title>\r\n</head>\r\n<body>\r\n<p>x</p>\r\n<pre>"
        << "</pre>\r\n</body>\r\n</html>\r\n";
    QTest::newRow("before fragment keeps inner breaks")
        << "T"
        << ""
        << "<hr>\r\n<p>end</p>\r\n"
        << "<title>T</title>\r\n</head>\r\n<body>\r\n<pre>"
        << "</pre>\r\n<hr>\r\n<p>end</p>\r\n</body>\r\n</html>\r\n";
}

void TestPas2html::frame() {
    QFETCH(QString, title);
    QFETCH(QString, after);
    QFETCH(QString, before);
    QFETCH(QString, expectedStart);
    QFETCH(QString, expectedEnd);
    TDelphiToHTML cv;
    const QString page = cv.Convert2("x", title, after, before);
    QVERIFY(page.startsWith(kHead));
    QCOMPARE(page.mid(kHead.size(), expectedStart.size()), expectedStart);
    QVERIFY2(page.endsWith("<pre>\r\nx\r\n" + expectedEnd), qPrintable(page));
}

void TestPas2html::standalonePage() {
    TDelphiToHTML cv;
    QCOMPARE(cv.Convert("end", false), QString("<pre>\r\n<b>end</b>\r\n</pre>\r\n"));
    const QStringList page = TStrings::SplitLines(cv.Convert("end", true));
    QCOMPARE(page.size(), 13);
    QCOMPARE(page[0], QString("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0 Transitional//EN\">"));
    QCOMPARE(page[3], QString("<title> New Document </title>"));
    QCOMPARE(
        page[5],
        QString(" <meta content=\"text/html; charset=windows-1251\" http-equiv=\"content-type\">"));
    QCOMPARE(page.mid(8, 3), QStringList({"<pre>", "<b>end</b>", "</pre>"}));
    QCOMPARE(page.last(), QString("</html>"));
    QCOMPARE(cv.Convert("", true), QString());
}

void TestPas2html::tagSet_data() {
    QTest::addColumn<QString>("tags");
    QTest::addColumn<QString>("expected"); // converted "{c} begin 1 's' {$d}"

    const QString defaults = "<i style=\"color: navy;\">{c}</i> <b>begin</b> "
                             "<span style=\"color: navy;\">1</span> "
                             "<span style=\"color: navy;\">'s'</span> "
                             "<span style=\"color: green;\">{$d}</span>";
    QTest::newRow("no tags keep converter defaults") << "" << defaults;
    QTest::newRow("case-insensitive names, first wins")
        << "Bres=<u>\neres=</u>\nBRES=<s>"
        << QString(defaults).replace("<b>begin</b>", "<u>begin</u>");
    QTest::newRow("blank values keep defaults") << "Bstr=\nEstr=   \nBcom" << defaults;
    QTest::newRow("space before equals supplies nothing") << "Bres =<u>" << defaults;
    QTest::newRow("value trimmed, later equals kept")
        << "Bnum=  <font color=red>  "
        << QString(defaults).replace("<span style=\"color: navy;\">1", "<font color=red>1");
    QTest::newRow("default text")
        << "Bcom=<i style=\"color: teal;\">\nBstr=<span style=\"color: blue;\">"
        << QString(defaults)
               .replace("navy;\">{c}", "teal;\">{c}")
               .replace("navy;\">'s'", "blue;\">'s'");
}

void TestPas2html::tagSet() {
    QFETCH(QString, tags);
    QFETCH(QString, expected);
    const TStrings attrs = Lines(tags);
    const QStringList page = TStrings::SplitLines(
        pas2html("{c} begin 1 's' {$d}", "T", tags.isEmpty() ? nullptr : &attrs, nullptr, nullptr));
    QCOMPARE(page.value(7), expected);
}

void TestPas2html::defaultTagText() {
    QVERIFY(!htmlTextAttr_Def1(nullptr));
    TStrings list = Lines("keep=me\nBcom=x");
    QVERIFY(htmlTextAttr_Def1(&list));
    QCOMPARE(list.Count(), 10);
    QCOMPARE(list[0], QString("Bcom=<i style=\"color: teal;\">"));
    QCOMPARE(list[6], QString("Bstr=<span style=\"color: blue;\">"));
    QCOMPARE(list[9], QString("Edir=</span>"));
}

void TestPas2html::stringForm() {
    QCOMPARE(pas2html("  \r\n \t\r\n", "T", nullptr, nullptr, nullptr), QString());
    // Leading blank lines and indentation survive: the text is not trimmed for the scan.
    const QStringList page =
        TStrings::SplitLines(pas2html("\r\n  end", "T", nullptr, nullptr, nullptr));
    QCOMPARE(page.mid(6, 4), QStringList({"<pre>", "", "  <b>end</b>", "</pre>"}));
    const TStrings after = Lines("<p>a</p>\n<p>b</p>");
    const QStringList withFragment =
        TStrings::SplitLines(pas2html("x", "T", nullptr, &after, nullptr));
    QCOMPARE(withFragment.mid(6, 3), QStringList({"<p>a</p>", "<p>b</p>", "<pre>"}));
}

void TestPas2html::listForm() {
    TStrings source = Lines("end");
    TStrings target = Lines("old");
    QCOMPARE(pas2html(&source, &target, "T", nullptr, nullptr, nullptr), 11);
    QCOMPARE(target.Count(), 11);
    QCOMPARE(source.Count(), 1);

    QCOMPARE(pas2html(&source, nullptr, "T", nullptr, nullptr, nullptr), 11);
    QCOMPARE(source[7], QString("<b>end</b>"));

    TStrings empty;
    target = Lines("old");
    QCOMPARE(pas2html(&empty, &target, "T", nullptr, nullptr, nullptr), 0);
    QCOMPARE(target.Count(), 0);
    target = Lines("old");
    QCOMPARE(pas2html(nullptr, &target, "T", nullptr, nullptr, nullptr), 0);
    QCOMPARE(target.Count(), 0);
    TStrings blank = Lines("  \n\t");
    QCOMPARE(pas2html(&blank, &target, "T", nullptr, nullptr, nullptr), 0);
    // A title holding a line break becomes two lines of the list.
    source = Lines("x");
    QCOMPARE(pas2html(&source, &target, "a\nb", nullptr, nullptr, nullptr), 12);
    QCOMPARE(target[3], QString("<title>a"));
    // A NUL in a line loses nothing after it.
    source = TStrings(QStringList{QString("a") + QChar(0) + "b", "end"});
    QCOMPARE(pas2html(&source, &target, "T", nullptr, nullptr, nullptr), 12);
    QCOMPARE(target.Lines().mid(7, 2), QStringList({"a\uFFFDb", "<b>end</b>"}));
}

void TestPas2html::titleFromFileName_data() {
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("title");
    QTest::newRow("plain") << "/src/Unit1.pas"
                           << "Unit1.pas";
    QTest::newRow("no folder") << "Unit1.pas"
                               << "Unit1.pas";
    QTest::newRow("markup characters") << "/a/x<y>&z.pas"
                                       << "x&lt;y&gt;&amp;z.pas";
}

void TestPas2html::titleFromFileName() {
    QFETCH(QString, fileName);
    QFETCH(QString, title);
    QCOMPARE(TitleFromFileName(fileName), title);
}

QTEST_GUILESS_MAIN(TestPas2html)
#include "test_pas2html.moc"
