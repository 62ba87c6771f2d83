// Syntax types and keyword lists: built-in lists, keyword list files and their failures,
// and a map kept up to date after edits that equals a scan of the whole text.

#include "Exception.h"
#include "SynKeywords.h"
#include "TStrings.h"
#include "TestFiles.h"
#include "synmemo.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(TSyntaxType)

namespace {

// Keyword highlighting of each word of a one-line text, as "1"/"0" per word.
QString Highlighted(TSyntaxMemo& memo, const QString& text) {
    memo.SetText(TStrings({text}));
    QString result;
    int column = 1;
    for (const QString& word : text.split(u' ')) {
        result += memo.CharAttr(column, 1) == caKeyword ? u'1' : u'0';
        column += int(word.size()) + 1;
    }
    return result;
}

} // namespace

class TestSynMemoSyntax : public QObject {
    Q_OBJECT

private:
    QTemporaryDir FDir;
    QString KeywordFile(const QString& part) const {
        return FDir.filePath(QStringLiteral("Kestrane_KW_synt-") + part + QStringLiteral(".txt"));
    }

private slots:
    void init() {
        QVERIFY(FDir.isValid());
        for (const QString& name :
             QDir(FDir.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot)) {
            QFile::remove(FDir.filePath(name));
            QDir(FDir.filePath(name)).removeRecursively();
        }
    }

    void builtInLists_data() {
        QTest::addColumn<TSyntaxType>("type");
        QTest::addColumn<int>("entries");
        QTest::addColumn<QString>("part");
        QTest::newRow("pas") << stPascal << 99 << "pas";
        QTest::newRow("cpp") << stCpp << 27 << "cpp";
        QTest::newRow("js") << stJs << 22 << "js";
        QTest::newRow("vb") << stVB << 40 << "vb";
        QTest::newRow("sql") << stSQL << 127 << "sql";
        QTest::newRow("text") << stText << 0 << "";
        QTest::newRow("php") << stPHP << 117 << "php";
        QTest::newRow("1cv7") << st1Cv7 << 83 << "1cv7";
        QTest::newRow("erlang") << stErlang << 13 << "erl";
        QTest::newRow("quarnel") << stQuarnel << 7 << "qnl";
    }

    void builtInLists() {
        QFETCH(TSyntaxType, type);
        QFETCH(int, entries);
        QFETCH(QString, part);
        const QString list = BuiltInKeywords(type);
        QCOMPARE(list.isEmpty() ? 0 : int(list.split(u',').size()), entries);
        QCOMPARE(KeywordFilePart(type), part);
        TSyntaxMemo memo;
        memo.SetSyntaxType(type);
        QCOMPARE(memo.Keywords(), list);
    }

    void pascalMatching() {
        TSyntaxMemo memo;
        QCOMPARE(Highlighted(memo, QStringLiteral("String STRING AnsiString WideString begin")),
                 QStringLiteral("11001"));
    }

    void fileEntries_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("keywords");
        QTest::addColumn<QString>("highlighted"); // for "BEGIN Begin begin x"
        QTest::newRow("name=value lower-cased") << QByteArray("Begin=x\r\n") << "begin,"
                                                << "1110";
        QTest::newRow("plain line kept as is") << QByteArray("Begin\r\n") << "Begin,"
                                               << "0000";
        QTest::newRow("trimmed, empty lines skipped")
            << QByteArray("  x  \r\n\r\n=y\r\n  =z\r\n begin = 1\r\n") << "x,=y,begin,"
            << "1111";
        QTest::newRow("one empty line") << QByteArray("\r\n") << ""
                                        << "0000";
        QTest::newRow("utf-8 with mark")
            << QByteArray("\xEF\xBB\xBF\xD0\xB0=1\r\n") << QString::fromUtf8("а,") << "0000";
        QTest::newRow("windows-1251")
            << QByteArray("\xE0\xE1\r\n") << QString::fromUtf8("аб,") << "0000";
    }

    void fileEntries() {
        QFETCH(QByteArray, file);
        QFETCH(QString, keywords);
        QFETCH(QString, highlighted);
        WriteBytes(KeywordFile(QStringLiteral("pas")), file);
        TSyntaxMemo memo;
        memo.SetDir_KeyWords(FDir.path());
        memo.Set_KeyWords_LoadFromFile(true);
        QCOMPARE(memo.Keywords(), keywords);
        QVERIFY(memo.KeyWords_Load());
        QCOMPARE(Highlighted(memo, QStringLiteral("BEGIN Begin begin x")), highlighted);
    }

    void fallsBackToBuiltInList_data() {
        QTest::addColumn<bool>("createFile");
        QTest::addColumn<QByteArray>("file");
        QTest::newRow("missing file") << false << QByteArray();
        QTest::newRow("empty file") << true << QByteArray();
    }

    void fallsBackToBuiltInList() {
        QFETCH(bool, createFile);
        QFETCH(QByteArray, file);
        if (createFile)
            WriteBytes(KeywordFile(QStringLiteral("sql")), file);
        TSyntaxMemo memo;
        memo.SetSyntaxType(stSQL);
        memo.SetDir_KeyWords(FDir.path());
        memo.Set_KeyWords_LoadFromFile(true);
        QVERIFY(!memo.KeyWords_Load());
        QCOMPARE(memo.Keywords(), BuiltInKeywords(stSQL));
    }

    void unreadableFileRaises() {
        QVERIFY(QDir().mkpath(KeywordFile(QStringLiteral("pas"))));
        TSyntaxMemo memo;
        memo.SetText(TStrings({QStringLiteral("begin")}));
        memo.SetDir_KeyWords(FDir.path());
        QVERIFY_THROWS_EXCEPTION(Exception, memo.Set_KeyWords_LoadFromFile(true));
        QCOMPARE(memo.Keywords(), QString());
        QVERIFY(memo.KeyWords_LoadFromFile());
        // The next edit scans with no keywords.
        memo.SetPos(6, 1);
        memo.SetSelText(QStringLiteral(" "));
        QCOMPARE(memo.CharAttr(1, 1), quint8(caText));
    }

    void directoryIsNormalised() {
        WriteBytes(KeywordFile(QStringLiteral("sql")), "zz\r\n");
        TSyntaxMemo memo;
        memo.SetSyntaxType(stSQL);
        memo.SetDir_KeyWords(QStringLiteral("  ") + FDir.path() + QStringLiteral("  "));
        memo.Set_KeyWords_LoadFromFile(true);
        QCOMPARE(memo.Dir_KeyWords(), FDir.path() + u'/');
        QCOMPARE(memo.Keywords(), QStringLiteral("zz,"));
    }

    void switchingOnAndOff() {
        WriteBytes(KeywordFile(QStringLiteral("pas")), "one\r\n");
        TSyntaxMemo memo;
        memo.SetDir_KeyWords(FDir.path());
        memo.Set_KeyWords_LoadFromFile(true);
        QCOMPARE(memo.Keywords(), QStringLiteral("one,"));
        WriteBytes(KeywordFile(QStringLiteral("pas")), "two\r\n");
        memo.Set_KeyWords_LoadFromFile(true);
        QCOMPARE(memo.Keywords(), QStringLiteral("one,"));
        memo.Set_KeyWords_LoadFromFile(false);
        QCOMPARE(memo.Keywords(), BuiltInKeywords(stPascal));
        // A type set afterwards takes its built-in list without reading a file.
        memo.Set_KeyWords_LoadFromFile(true);
        memo.SetSyntaxType(stPascal);
        QCOMPARE(memo.Keywords(), BuiltInKeywords(stPascal));
    }

    void textTypeReadsNoFile() {
        WriteBytes(KeywordFile(QString()), "begin\r\n");
        TSyntaxMemo memo;
        memo.SetSyntaxType(stText);
        memo.SetDir_KeyWords(FDir.path());
        memo.Set_KeyWords_LoadFromFile(true);
        QVERIFY(!memo.KeyWords_Load());
        QCOMPARE(memo.Keywords(), QString());
        QCOMPARE(Highlighted(memo, QStringLiteral("begin")), QStringLiteral("0"));
    }

    // Edits of every kind keep the map equal to a scan of the whole text.
    void mapAfterEditsEqualsFullScan_data() {
        QTest::addColumn<TSyntaxType>("type");
        for (int t = 0; t < SyntaxTypeCount; ++t)
            QTest::newRow(qPrintable(QString::number(t))) << TSyntaxType(t);
    }

    void mapAfterEditsEqualsFullScan() {
        QFETCH(TSyntaxType, type);
        const QString alphabet = QStringLiteral("{}()*/-%'\" \tabeginendselect\r\n\n");
        QRandomGenerator random(77 + type);
        const auto randomText = [&](int length) {
            QString s;
            for (int k = 0; k < length; ++k)
                s += alphabet[random.bounded(int(alphabet.size()))];
            return s;
        };
        QWidget owner;
        TSyntaxMemo memo(&owner);
        memo.SetSyntaxType(type);
        memo.Lines().SetText(randomText(600));
        for (int step = 0; step < 200; ++step) {
            const int lines = int(memo.StoredLines().size());
            memo.SetPos(random.bounded(1, 30), random.bounded(1, lines + 1));
            if (random.bounded(3) == 0)
                memo.MySel_Z(memo.GetPos(), {random.bounded(1, 30), random.bounded(1, lines + 1)});
            if (random.bounded(10) == 0)
                memo.Undo();
            else
                memo.SetSelText(randomText(random.bounded(6)));

            TSynAttrMap full;
            full.SetRules(type, memo.Keywords());
            full.Rebuild(memo.StoredLines());
            const TSynAttrMap& kept = memo.SynStrings();
            QCOMPARE(kept.Count(), full.Count());
            for (qsizetype i = 0; i <= full.Count(); ++i)
                QCOMPARE(kept.Codes(i), full.Codes(i));
        }
    }
};

QTEST_MAIN(TestSynMemoSyntax)
#include "test_synmemo_syntax.moc"
