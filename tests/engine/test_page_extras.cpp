// Published pages: line anchors and numbers, and which names of a source become links.

#include "PageExtras.h"
#include "PageRecipe.h"
#include "TextCodec.h"
#include "__pas2html.h"

#include <QBuffer>
#include <QRegularExpression>
#include <QTest>

namespace {

// The page of `source` with `extras`, decoded; `lines` receives the line count.
QString Page(const QByteArray& source, const TPageExtras& extras, qsizetype* lines = nullptr) {
    TPageRecipe recipe;
    htmlTextAttr_Def1(&recipe.Tags);
    recipe.Title = "t";
    recipe.Extras = extras;
    QBuffer in, out;
    in.setData(source);
    in.open(QIODevice::ReadOnly);
    out.open(QIODevice::WriteOnly);
    TPageReport report;
    ConvertSourceStream(
        in, "in", recipe, [&out]() -> QIODevice& { return out; }, "out", &report);
    if (lines)
        *lines = report.Lines;
    qsizetype bom = 0;
    const TTextEncoding encoding = DetectEncoding(out.data().left(3), &bom);
    return DecodeText(QByteArrayView(out.data()).sliced(bom), encoding);
}

// Every link of the page as "text=>href", the markup inside the link taken out.
QStringList Links(const QString& page) {
    static const QRegularExpression link("<a href=\"([^\"]*)\">(.*?)</a>");
    static const QRegularExpression tag("<[^>]*>");
    QStringList found;
    for (const auto& m : link.globalMatch(page))
        found << QString(m.captured(2)).remove(tag) + "=>" + m.captured(1);
    return found;
}

} // namespace

class TestPageExtras : public QObject {
    Q_OBJECT
private slots:
    void unitLinks_data();
    void unitLinks();
    void lineAnchors_data();
    void lineAnchors();
};

void TestPageExtras::unitLinks_data() {
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QStringList>("links");

    QTest::newRow("names and dotted names")
        << QByteArray("unit U; interface uses A, System.B;\r\nimplementation\r\nuses C; end.")
        << QStringList{"A=>A|", "System.B=>System.B|", "C=>C|"};
    QTest::newRow("comments, strings and directives are no names")
        << QByteArray("uses A {B}, (* C *) {$IFDEF X} D, {$ENDIF} E; // uses F\r\n"
                      "s := 'uses G'; { uses H }")
        << QStringList{"A=>A|", "D=>D|", "E=>E|"};
    QTest::newRow("alternatives of conditional compilation")
        << QByteArray("uses {$if X}A{$else}B{$endif}, C in 'c.pas'{$ifdef Y} D{$endif};")
        << QStringList{"A=>A|", "B=>B|", "C=>C|c.pas", "D=>D|"};
    QTest::newRow("clause over lines, comment over lines")
        << QByteArray("uses\r\n  A,\r\n  { B,\r\n C, }\r\n  D\r\n  ;\r\nvar X: E;")
        << QStringList{"A=>A|", "D=>D|"};
    QTest::newRow("in path of a project")
        << QByteArray("program P;\r\nuses\r\n  A in '..\\x\\A.pas' {Form1},\r\n  B in 'B.pas';")
        << QStringList{"A=>A|..\\x\\A.pas", "B=>B|B.pas"};
    QTest::newRow("reserved word or tab around a name")
        << QByteArray("uses\tA,\tString;\r\nUSES B;")
        << QStringList{"A=>A|", "String=>String|", "B=>B|"};
    QTest::newRow("form directive in any case")
        << QByteArray("{$r *.Dfm}\r\n{ {$R *.dfm} }\r\n{$R *.res}")
        << QStringList{"{$r *.Dfm}=>form:*.Dfm"};
    QTest::newRow("Lazarus form, named form, quoted name")
        << QByteArray("{$R *.lfm}{$R main.lfm}{$RESOURCE 'a b.dfm'}(*$R x.lfm*)")
        << QStringList{"{$R *.lfm}=>form:*.lfm", "{$R main.lfm}=>form:main.lfm",
                       "{$RESOURCE 'a b.dfm'}=>form:a b.dfm", "(*$R x.lfm*)=>form:x.lfm"};
    QTest::newRow("includes, not switches nor values")
        << QByteArray("{$I a.inc}{$i+}{$I-}{$I %DATE%}{$INCLUDE  b }{$IFDEF X}{$I 'c d'}\r\n"
                      "{$R+}{$IOCHECKS ON}{$Include e}")
        << QStringList{"{$I a.inc}=>include:a.inc", "{$INCLUDE  b }=>include:b",
                       "{$I 'c d'}=>include:c d", "{$Include e}=>include:e"};
    QTest::newRow("name without a page") << QByteArray("uses Missing, A;") << QStringList{"A=>A|"};
    QTest::newRow("utf-8 name") << QByteArray("\xEF\xBB\xBFuses \xD0\x9C\xD0\xBE\xD0\xB4;")
                                << QStringList{"Мод=>Мод|"};
    QTest::newRow("utf-16 name") << QByteArray("\xFF\xFE") +
                                        EncodeText(u"uses Мод, A;", TTextEncoding::Utf16LE)
                                 << QStringList{"Мод=>Мод|", "A=>A|"};
}

void TestPageExtras::unitLinks() {
    QFETCH(QByteArray, source);
    QFETCH(QStringList, links);
    TPageExtras extras;
    extras.FileHref = [](const TFileDirective& directive) {
        return (directive.Kind == TFileDirective::TKind::Form ? "form:" : "include:") +
               directive.Name;
    };
    extras.UnitHref = [](const QString& name, const QString& inPath) {
        return name == "Missing" ? QString() : name + "|" + inPath;
    };
    const QString page = Page(source, extras);
    QCOMPARE(Links(page), links);
    // Links add markup only: the text is the page's without them.
    static const QRegularExpression tag("<[^>]*>");
    TPageExtras none;
    QCOMPARE(QString(page).remove(tag), Page(source, none).remove(tag));
}

void TestPageExtras::lineAnchors_data() {
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<bool>("numbers");
    QTest::addColumn<int>("lines");

    QTest::newRow("blank lines first, CR, LF and CR LF")
        << QByteArray("\r\n\r\nunit U;\rbegin\nend.") << false << 5;
    QTest::newRow("numbers") << QByteArray("a\r\nb\r\n") << true << 2;
    QTest::newRow("utf-16 numbers")
        << QByteArray("\xFF\xFE") + EncodeText(u"a\r\nb\r\nc", TTextEncoding::Utf16LE) << true << 3;
}

void TestPageExtras::lineAnchors() {
    QFETCH(QByteArray, source);
    QFETCH(bool, numbers);
    QFETCH(int, lines);
    TPageExtras extras;
    extras.LineAnchors = true;
    extras.LineNumbers = numbers;
    qsizetype counted = 0;
    const QString page = Page(source, extras, &counted);
    QCOMPARE(counted, lines);
    const QString pre = page.section("<pre>\r\n", 1).section("</pre>", 0, 0);
    const QStringList rows = pre.split("\r\n", Qt::SkipEmptyParts);
    QCOMPARE(rows.size(), lines);
    for (int n = 1; n <= lines; ++n) {
        const QString id = QString("id=\"L%1\"").arg(n);
        QVERIFY2(rows[n - 1].startsWith("<span ") && rows[n - 1].contains(id), qPrintable(pre));
        QCOMPARE(rows[n - 1].contains(QString("data-n=\"%1\"").arg(n)), numbers);
    }
    QCOMPARE(page.contains("content:attr(data-n)"), numbers);
}

QTEST_GUILESS_MAIN(TestPageExtras)
#include "test_page_extras.moc"
