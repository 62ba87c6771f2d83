// The line scan: the token rules on hand-picked lines, and the one-pass scan against the
// in-place reference on random texts.

#include "ReferenceScan.h"
#include "__pas2html.h"

#include <QRandomGenerator>
#include <QTest>

namespace {

// Short markup so that expected lines stay readable.
void UseShortMarkup(TDelphiToHTML& cv) {
    cv.Bcom = "<C>";
    cv.Ecom = "</C>";
    cv.Bres = "<R>";
    cv.Eres = "</R>";
    cv.Bnum = "<N>";
    cv.Enum = "</N>";
    cv.Bstr = "<S>";
    cv.Estr = "</S>";
    cv.Bdir = "<D>";
    cv.Edir = "</D>";
}

// The converted lines of `text`, without the "<pre>" frame.
QStringList ConvertedLines(TDelphiToHTML& cv, const QString& text) {
    QStringList lines = TStrings::SplitLines(cv.Convert(text, false));
    if (lines.isEmpty())
        return lines;
    return lines.mid(1, lines.size() - 2);
}

} // namespace

class TestScanner : public QObject {
    Q_OBJECT
private slots:
    void tokens_data();
    void tokens();
    void defaultMarkup();
    void wordPrimitives();
    void isValue_data();
    void isValue();
    void isReservWord_data();
    void isReservWord();
    void sameAsReferenceOnRandomTexts();
};

void TestScanner::tokens_data() {
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("expected"); // lines joined with "\n"

    QTest::newRow("comparison and line comment")
        << "  if x > 10 then // done"
        << "  <R>if</R> x &gt; <N>10</N> <R>then</R> <C>// done</C>";
    QTest::newRow("range is one number") << "array[0..9] of Byte;"
                                         << "<R>array</R>[<N>0..9</N>] <R>of</R> Byte;";
    QTest::newRow("string and char codes") << "S := 'a' + #13#10;"
                                           << "S := <S>'a'</S> + <N>#13#10</N>;";
    QTest::newRow("brace directive") << "{$R *.res}"
                                     << "<D>{$R *.res}</D>";
    QTest::newRow("paren directive") << "(*$I x*)"
                                     << "<D>(*$I x*)</D>";
    QTest::newRow("paren comment") << "(* c *)"
                                   << "<C>(* c *)</C>";
    QTest::newRow("end with full stop") << "end."
                                        << "<R>end.</R>";
    QTest::newRow("dotted names") << "Self.Free;"
                                  << "Self.Free;";
    QTest::newRow("dotted assignment") << "x:=y.z;"
                                       << "x:=y.z;";
    QTest::newRow("comment over three lines")
        << "x := 1; { start\nstill begin comment\nend } begin"
        << "x := <N>1</N>; <C>{ start\nstill begin comment\nend }</C> <R>begin</R>";
    QTest::newRow("unclosed string ends with its line") << "s := 'open\nbegin"
                                                        << "s := <S>'open\n<R>begin</R>";
    QTest::newRow("word glued to brace") << "begin{x}"
                                         << "begin<C>{x}</C>";
    QTest::newRow("leading tab joins first word") << "\tbegin end;"
                                                  << "\tbegin <R>end</R>;";
    QTest::newRow("language word") << "#Language abc"
                                   << "<R>#Language</R> abc";
    QTest::newRow("doubled apostrophe") << "'It''s'"
                                        << "<S>'It'</S><S>'s'</S>";
    QTest::newRow("word after closing brace") << "{x}begin"
                                              << "<C>{x}</C>begin";
    QTest::newRow("char code after string") << "'a'#13"
                                            << "<S>'a'</S>#13";
    QTest::newRow("less-than glues number") << "1<x"
                                            << "1&lt;x";
    QTest::newRow("number after greater-than") << "x>1"
                                               << "x&gt;<N>1</N>";
    QTest::newRow("paren star paren opens") << "(*) begin"
                                            << "<C>(*) begin";
    QTest::newRow("line comment inside comment") << "{ // }x"
                                                 << "<C>{ // }</C>x";
    QTest::newRow("directive closes on brace only") << "{$I a*)} end"
                                                    << "<D>{$I a*)}</D> <R>end</R>";
    QTest::newRow("paren directive keeps braces") << "(*$I {x} *) end"
                                                  << "<D>(*$I {x} *)</D> <R>end</R>";
    QTest::newRow("upper case reserved") << "BEGIN End"
                                         << "<R>BEGIN</R> <R>End</R>";
    QTest::newRow("hex number") << "x := $FF;"
                                << "x := <N>$FF</N>;";
    QTest::newRow("sign is not part of a number") << "-1+2"
                                                  << "-<N>1</N>+<N>2</N>";
    QTest::newRow("lone dollar and hash") << "a $ # ."
                                          << "a <N>$</N> <N>#</N> .";
    QTest::newRow("not reserved words") << "program label goto raise xor is as"
                                        << "program label goto raise xor is as";
    QTest::newRow("leading spaces still classify") << "  begin"
                                                   << "  <R>begin</R>";
    QTest::newRow("first word at column one") << "unit Unit1;"
                                              << "<R>unit</R> Unit1;";
    QTest::newRow("ampersand written as entity") << "a & b := c&d; x:=1 &2"
                                                 << "a &amp; b := c&amp;d; x:=<N>1</N> &amp;2";
    QTest::newRow("ampersand does not join reserved") << "&begin begin&"
                                                      << "&amp;begin begin&amp;";
    QTest::newRow("escaped text kept") << "'<b>' & \"q\""
                                       << "<S>'&lt;b&gt;'</S> &amp; \"q\"";
    QTest::newRow("delimiter at line end") << "x;"
                                           << "x;";
    QTest::newRow("word inside string ignored") << "'begin' end"
                                                << "<S>'begin'</S> <R>end</R>";
    QTest::newRow("directive state carries") << "{$IFDEF X\nbegin\n}end"
                                             << "<D>{$IFDEF X\nbegin\n}</D>end";
    QTest::newRow("brace inside word opens comment") << "ab{c} end"
                                                     << "ab<C>{c}</C> <R>end</R>";
    QTest::newRow("cyrillic word") << "// Привет\nПривет := 1;"
                                   << "<C>// Привет</C>\nПривет := <N>1</N>;";
    QTest::newRow("empty lines kept") << "\n\nend"
                                      << "\n\n<R>end</R>";
    QTest::newRow("nul is a word character")
        << QString("end\nx") + QChar(0) + "begin" << QString("<R>end</R>\nx\uFFFDbegin");
    QTest::newRow("nul before a word")
        << QChar(0) + QString(" begin") << QString("\uFFFD <R>begin</R>");
}

void TestScanner::tokens() {
    QFETCH(QString, source);
    QFETCH(QString, expected);
    TDelphiToHTML cv;
    UseShortMarkup(cv);
    QCOMPARE(ConvertedLines(cv, source).join('\n'), expected);
}

void TestScanner::defaultMarkup() {
    TDelphiToHTML cv;
    QCOMPARE(
        ConvertedLines(cv, "x := 10; { c } 's'").join('\n'),
        QString("x := <span style=\"color: navy;\">10</span>; "
                "<i style=\"color: navy;\">{ c }</i> <span style=\"color: navy;\">'s'</span>"));
    QCOMPARE(cv.ReservList.Count(), 59);
    QCOMPARE(cv.ReservList[0], QString("#language"));
    QCOMPARE(cv.ReservList[58], QString("shl"));
    QCOMPARE(int(cv.DelimSet.count()), 15);
}

void TestScanner::wordPrimitives() {
    TDelphiToHTML cv;
    QCOMPARE(cv.GetWord(1, "begin;"), QString("begin"));
    QCOMPARE(cv.GetWord(1, "end."), QString("end."));
    QCOMPARE(cv.GetWord(1, "Form1.Caption:=x"), QString("Form1.Caption"));
    QCOMPARE(cv.GetWord(3, "ab"), QString());
    QCOMPARE(cv.GetWord(1, ";x"), QString());
    QCOMPARE(cv.GetWord(0, "ab"), QString());
    QString s = "a<b";
    TDelphiToHTML::ReplaceText(2, "<", "&lt;", s);
    QCOMPARE(s, QString("a&lt;b"));
}

void TestScanner::isValue_data() {
    QTest::addColumn<QString>("word");
    QTest::addColumn<bool>("number");
    for (const char* yes :
         {"12", "1.5", "1e10", "$FF", "#13#10", "#$0D", "0..9", "..", "$", "#", "1F"})
        QTest::newRow(yes) << QString(yes) << true;
    for (const char* no : {".", "1h", "x1", "Foo", "", "1G", "1-2"})
        QTest::newRow(*no ? no : "empty") << QString(no) << false;
}

void TestScanner::isValue() {
    QFETCH(QString, word);
    QFETCH(bool, number);
    QCOMPARE(TDelphiToHTML::IsValue(word), number);
    QCOMPARE(ReferenceIsValue(word), number);
}

void TestScanner::isReservWord_data() {
    QTest::addColumn<QString>("word");
    QTest::addColumn<bool>("reserved");
    for (const char* yes : {"Begin", "END.", "#LANGUAGE", "implementation", "shl", "In"})
        QTest::newRow(yes) << QString(yes) << true;
    for (const char* no : {"program", "", "\tbegin", "begins", "end..", "implementations"})
        QTest::newRow(*no ? no : "empty") << QString(no) << false;
    QTest::newRow("kelvin sign lower-cases to k") << QString::fromUtf8("pac\u212Aed") << true;
    QTest::newRow("cyrillic look-alike") << QString::fromUtf8("\u0435nd") << false;
}

void TestScanner::isReservWord() {
    QFETCH(QString, word);
    QFETCH(bool, reserved);
    TDelphiToHTML cv;
    QCOMPARE(cv.IsReservWord(word), reserved);
    QCOMPARE(ReferenceIsReservWord(cv, word), reserved);
}

void TestScanner::sameAsReferenceOnRandomTexts() {
    // Pieces that exercise every rule and their interplay.
    const QStringList pieces = {
        "{",  "}",    "{$",    "(*",  "*)",   "(*$", "(",  ")",         "*",
        "'",  "''",   "//",    "/",   "<",    ">",   "&",  " ",         "\t",
        "\n", "\r\n", "\r",    ";",   ":=",   ".",   "..", "#13",       "$F",
        "1",  "12",   "begin", "END", "end.", "x",   "Ab", "#language", "=",
        "[",  "]",    ",",     "@",   "+",    "-",   "Я",  "ё",         QString(QChar(0))};
    QRandomGenerator rng(20261209);
    for (int round = 0; round < 3000; ++round) {
        QString text;
        const int count = int(rng.bounded(1, 40));
        for (int k = 0; k < count; ++k)
            text += pieces[int(rng.bounded(pieces.size()))];
        TDelphiToHTML fast;
        TDelphiToHTML slow;
        if (round % 2) {
            UseShortMarkup(fast);
            UseShortMarkup(slow);
        }
        const QStringList expected = ReferenceConvertLines(slow, text);
        const QStringList actual = ConvertedLines(fast, text);
        if (actual != expected)
            QFAIL(qPrintable(QString("differs for: %1\nexpected: %2\nactual:   %3")
                                 .arg(text, expected.join("\\n"), actual.join("\\n"))));
    }
}

QTEST_GUILESS_MAIN(TestScanner)
#include "test_scanner.moc"
