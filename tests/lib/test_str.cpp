// Words of a text by a delimiter set, and removing blank lines.

#include "__str.h"

#include <QTest>

class TestStr : public QObject {
    Q_OBJECT
private slots:
    void words_data();
    void words();
    void deleteEmptyLine_data();
    void deleteEmptyLine();
    void deleteEmptyLineOfAbsentList();
};

void TestStr::words_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("delimiters");
    QTest::addColumn<bool>("trimFirst");
    QTest::addColumn<QStringList>("words");
    QTest::newRow("date") << "12.05.2024"
                          << ".:" << true << QStringList{"12", "05", "2024"};
    QTest::newRow("doubled and trailing separators")
        << "/home//user/docs/"
        << "/" << true << QStringList{"home", "user", "docs"};
    QTest::newRow("leading blank belongs to the first word")
        << " ab.cd"
        << "." << false << QStringList{" ab", "cd"};
    QTest::newRow("trimmed first") << " ab.cd\t"
                                   << "." << true << QStringList{"ab", "cd"};
    QTest::newRow("only delimiters") << "..::.."
                                     << ".:" << true << QStringList{};
    QTest::newRow("empty text") << ""
                                << "." << true << QStringList{};
    QTest::newRow("blank text trimmed") << " \t "
                                        << "." << true << QStringList{};
    QTest::newRow("no delimiters: one word") << "a.b c"
                                             << "" << false << QStringList{"a.b c"};
    QTest::newRow("blank as delimiter") << "  a  b  "
                                        << " " << false << QStringList{"a", "b"};
    QTest::newRow("single characters") << "a,b,c"
                                       << "," << true << QStringList{"a", "b", "c"};
    QTest::newRow("surrogate pairs stay whole")
        << QString::fromUtf8("\xF0\x9F\x98\x80;x") << ";" << true
        << QStringList{QString::fromUtf8("\xF0\x9F\x98\x80"), "x"};
}

void TestStr::words() {
    QFETCH(QString, text);
    QFETCH(QString, delimiters);
    QFETCH(bool, trimFirst);
    QFETCH(QStringList, words);
    QCOMPARE(Get_CountWords_In_WideString(text, delimiters, trimFirst), words.size());
    for (int i = 0; i < words.size(); ++i)
        QCOMPARE(Get_Word_From_WideString(text, i + 1, delimiters, trimFirst), words[i]);
    for (int outside : {0, -1, static_cast<int>(words.size()) + 1, 1 << 30})
        QCOMPARE(Get_Word_From_WideString(text, outside, delimiters, trimFirst), QString());
}

void TestStr::deleteEmptyLine_data() {
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QStringList>("kept");
    QTest::newRow("blank lines go, others stay as they are")
        << QStringList{"A=1", "", "   ", " B=2 "} << QStringList{"A=1", " B=2 "};
    QTest::newRow("control characters count as blank")
        << QStringList{"\t", QString(QChar(0)), "x"} << QStringList{"x"};
    QTest::newRow("only blank lines") << QStringList{"", " ", "\t"} << QStringList{};
    QTest::newRow("empty list") << QStringList{} << QStringList{};
}

void TestStr::deleteEmptyLine() {
    QFETCH(QStringList, lines);
    QFETCH(QStringList, kept);
    TStrings list(lines);
    QCOMPARE(TStrings_DeleteEmptyLine(&list), kept.size());
    QCOMPARE(list.Lines(), kept);
}

void TestStr::deleteEmptyLineOfAbsentList() {
    QCOMPARE(TStrings_DeleteEmptyLine(nullptr), 0);
}

QTEST_GUILESS_MAIN(TestStr)
#include "test_str.moc"
