// The highlighting scanner: the attribute of every character, per syntax type.
// Attribute strings show each character's code as a digit (1 text, 3 comment, 4 keyword,
// 5 string; a control character shows its own code) and "|" between lines.

#include "SynAttrMap.h"
#include "SynKeywords.h"
#include "TStrings.h"

#include <QRandomGenerator>
#include <QTest>

Q_DECLARE_METATYPE(TSyntaxType)

namespace {

QString Attributes(TSyntaxType type, const QString& text) {
    TSynAttrMap map;
    map.SetRules(type, BuiltInKeywords(type));
    const QStringList lines = TStrings::SplitLines(text);
    map.Rebuild(lines);
    QStringList rows;
    for (qsizetype i = 0; i < map.Count(); ++i) {
        QString row;
        for (char code : map.Codes(i))
            row += QChar(u'0' + code);
        rows << row;
    }
    return rows.join(u'|');
}

} // namespace

class TestSynAttrMap : public QObject {
    Q_OBJECT

private slots:
    void scan_data() {
        QTest::addColumn<TSyntaxType>("type");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("attributes");

        const auto row = [](const char* name, TSyntaxType type, const QString& text,
                            const char* attributes) {
            QTest::newRow(name) << type << text << QString::fromLatin1(attributes);
        };
        row("pas statement", stPascal, "x := 'abc'; // note", "1111155555113333333");
        row("pas brace over lines", stPascal, "{ a\nb }x", "333|3331");
        row("pas block then keyword", stPascal, "(* x *)begin", "333333344444");
        row("pas (*) closes itself", stPascal, "(*)x", "3331");
        row("pas block opener at line end", stPascal, "(*\nx*)y", "33|3331");
        row("pas keyword in any case", stPascal, "Begin BEGIN begin", "44444144444144444");
        row("pas not keywords", stPascal, "_begin begin1 AnsiString", "111111111111111111111111");
        row("pas String is string", stPascal, "String STRING", "4444441444444");
        row("pas numbers and operators", stPascal, "123 $FF #13 :=", "11111111111111");
        row("pas directive is comment", stPascal, "{$R *.res}", "3333333333");
        row("pas unclosed string", stPascal, "'abc\nx", "5555|1");
        row("pas doubled quote", stPascal, "'It''s'", "5555555");
        row("pas line comment ends at line", stPascal, "// c\nbegin", "3333|44444");
        row("pas unclosed brace", stPascal, "x { a\nb\nc", "11333|3|3");
        row("pas unclosed block", stPascal, "(* a\nb", "3333|3");
        row("pas tab keeps its code", stPascal, "{\t}", "393");
        row("pas control character keeps its code", stPascal,
            "a\x07"
            "b",
            "171");
        row("pas cyrillic is text", stPascal, QString::fromUtf8("Если x"), "111111");
        row("pas empty lines", stPascal, "\n\nx", "||1");
        row("cpp backslash does not escape", stCpp, "\"a\\\"b\"", "555515");
        row("cpp apostrophe is text", stCpp, "'c'", "111");
        row("cpp block comment", stCpp, "/* x */", "3333333");
        row("cpp /*/ closes itself", stCpp, "/*/x", "3331");
        row("cpp brace is text", stCpp, "{", "1");
        row("cpp block over lines", stCpp, "/* a\nb */ int", "3333|33331444");
        row("cpp line comment", stCpp, "int x; // y", "44411113333");
        row("js keywords", stJs, "function f", "4444444411");
        row("vb apostrophe is text", stVB, "dim x ' y", "444111111");
        row("sql line comment", stSQL, "-- x", "3333");
        row("sql single minus", stSQL, "- x", "111");
        row("sql apostrophe is text", stSQL, "'abc'", "11111");
        row("sql string", stSQL, "\"abc\"", "55555");
        row("sql keyword", stSQL, "select", "444444");
        row("php question mark", stPHP, "?php echo", "144414444");
        row("1cv7 nothing matches", st1Cv7, QString::fromUtf8("Если If"), "1111111");
        row("erlang comment", stErlang, "% note", "333333");
        row("erlang comment mid-line", stErlang, "a%b\nc", "133|1");
        row("erlang quote is text", stErlang, "\"s\"", "111");
        row("erlang keyword", stErlang, "module", "444444");
        row("quarnel comment", stQuarnel, "-- c", "3333");
        row("quarnel keyword and string", stQuarnel, "if \"s\"", "441555");
        row("quarnel no block comment", stQuarnel, "(* x *)", "1111111");
        row("text has no tokens", stText, "begin // x 'a'", "11111111111111");
    }

    void scan() {
        QFETCH(TSyntaxType, type);
        QFETCH(QString, text);
        QFETCH(QString, attributes);
        QCOMPARE(Attributes(type, text), attributes);
    }

    void extraEntryAfterTheLines() {
        TSynAttrMap map;
        map.SetRules(stPascal, BuiltInKeywords(stPascal));
        map.Rebuild({QStringLiteral("ab")});
        QCOMPARE(map.Codes(1), QByteArray(" "));
        QCOMPARE(map.Code(1, 1), quint8(' '));
        QCOMPARE(map.Code(0, 3), quint8(caText));
        QCOMPARE(map.Code(5, 1), quint8(caText));
    }

    // An update after an edit must give what a scan of the whole text gives.
    void updateEqualsRebuild_data() {
        QTest::addColumn<TSyntaxType>("type");
        for (int t = 0; t < SyntaxTypeCount; ++t)
            QTest::newRow(qPrintable(QString::number(t))) << TSyntaxType(t);
    }

    void updateEqualsRebuild() {
        QFETCH(TSyntaxType, type);
        const QString alphabet = QStringLiteral("{}()*/-%'\" \tab_beginendselectif1\n\n");
        QRandomGenerator random(1234 + type);
        const auto randomText = [&](int length) {
            QString s;
            for (int k = 0; k < length; ++k)
                s += alphabet[random.bounded(int(alphabet.size()))];
            return s;
        };
        QStringList lines = TStrings::SplitLines(randomText(400));
        TSynAttrMap incremental;
        incremental.SetRules(type, BuiltInKeywords(type));
        incremental.Rebuild(lines);
        for (int step = 0; step < 300; ++step) {
            const int at = random.bounded(int(lines.size()) + 1);
            const int removed = std::min(int(random.bounded(3)), int(lines.size()) - at);
            lines.remove(at, std::max(removed, 0));
            const QStringList added = TStrings::SplitLines(randomText(random.bounded(12)));
            for (qsizetype k = 0; k < added.size(); ++k)
                lines.insert(at + k, added[k]);
            incremental.Replace(lines, at, std::max(removed, 0), added.size());

            TSynAttrMap full;
            full.SetRules(type, BuiltInKeywords(type));
            full.Rebuild(lines);
            QCOMPARE(incremental.Count(), full.Count());
            for (qsizetype i = 0; i <= full.Count(); ++i)
                QCOMPARE(incremental.Codes(i), full.Codes(i));
        }
    }
};

QTEST_GUILESS_MAIN(TestSynAttrMap)
#include "test_SynAttrMap.moc"
