// The string list: line splitting, Name=Value lookup, and text files in every encoding.

#include "Exception.h"
#include "TStrings.h"
#include "TextCodec.h"

#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>

class TestTStrings : public QObject {
    Q_OBJECT
private slots:
    void splitLines_data();
    void splitLines();
    void textJoinsWithCrLf();
    void values_data();
    void values();
    void roundTrip_data();
    void roundTrip();
    void allAnsiBytes();
    void ansiWritesCharacterReferences();
    void unreadableAndUnwritable();
    void savedThroughWhatStandsThere_data();
    void savedThroughWhatStandsThere();

private:
    QTemporaryDir FDir;
};

void TestTStrings::splitLines_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("empty") << "" << QStringList{};
    QTest::newRow("crlf only") << "\r\n" << QStringList{""};
    QTest::newRow("no final break") << "a\r\nb" << QStringList{"a", "b"};
    QTest::newRow("final break adds no line") << "a\nb\n" << QStringList{"a", "b"};
    QTest::newRow("lone cr") << "a\rb\r" << QStringList{"a", "b"};
    QTest::newRow("lf cr is two breaks") << "a\n\rb" << QStringList{"a", "", "b"};
    QTest::newRow("cr cr lf") << "a\r\r\nb" << QStringList{"a", "", "b"};
    QTest::newRow("blank lines kept") << "\n \n" << QStringList{"", " "};
    QTest::newRow("nul is a character")
        << QString("a") + QChar(0) + "b" << QStringList{QString("a") + QChar(0) + "b"};
}

void TestTStrings::splitLines() {
    QFETCH(QString, text);
    QFETCH(QStringList, lines);
    QCOMPARE(TStrings::SplitLines(text), lines);
    TStrings list;
    list.SetText(text);
    QCOMPARE(list.Lines(), lines);
}

void TestTStrings::textJoinsWithCrLf() {
    QCOMPARE(TStrings(QStringList{"a", "", "b"}).Text(), QString("a\r\n\r\nb\r\n"));
    QCOMPARE(TStrings().Text(), QString());
}

void TestTStrings::values_data() {
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("value");
    QTest::newRow("case ignored") << QStringList{"BRES=<b>"} << "bres"
                                  << "<b>";
    QTest::newRow("first match wins") << QStringList{"a=1", "A=2"} << "a"
                                      << "1";
    QTest::newRow("later equals belong to value") << QStringList{"k=a=b"} << "k"
                                                  << "a=b";
    QTest::newRow("value untrimmed") << QStringList{"k= x "} << "k"
                                     << " x ";
    QTest::newRow("spaces in name count") << QStringList{"k =1"} << "k"
                                          << "";
    QTest::newRow("line without equals ignored") << QStringList{"k", "k=2"} << "k"
                                                 << "2";
    QTest::newRow("cyrillic name") << QStringList{"Ключ=1"} << "КЛЮЧ"
                                   << "1";
}

void TestTStrings::values() {
    QFETCH(QStringList, lines);
    QFETCH(QString, name);
    QFETCH(QString, value);
    QCOMPARE(TStrings(lines).Values(name), value);
}

void TestTStrings::roundTrip_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("encoding");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QByteArray>("saved");

    QTest::newRow("ansi cyrillic")
        << QByteArray("\xCF\xF0\xE8\r\n\xB8") << int(TTextEncoding::Ansi) << QStringList{"При", "ё"}
        << QByteArray("\xCF\xF0\xE8\r\n\xB8\r\n");
    QTest::newRow("utf-8 with mark")
        << QByteArray("\xEF\xBB\xBF\xD0\x9F\n") << int(TTextEncoding::Utf8) << QStringList{"П"}
        << QByteArray("\xEF\xBB\xBF\xD0\x9F\r\n");
    QTest::newRow("utf-8 without mark reads as ansi")
        << QByteArray("\xD0\x9F") << int(TTextEncoding::Ansi) << QStringList{"Рџ"}
        << QByteArray("\xD0\x9F\r\n");
    QTest::newRow("utf-16le") << QByteArray("\xFF\xFEx\0\r\0y\0", 8) << int(TTextEncoding::Utf16LE)
                              << QStringList{"x", "y"}
                              << QByteArray("\xFF\xFEx\0\r\0\n\0y\0\r\0\n\0", 14);
    QTest::newRow("utf-16be") << QByteArray("\xFE\xFF\0x", 4) << int(TTextEncoding::Utf16BE)
                              << QStringList{"x"} << QByteArray("\xFE\xFF\0x\0\r\0\n", 8);
    QTest::newRow("cr only") << QByteArray("a\rb\r") << int(TTextEncoding::Ansi)
                             << QStringList{"a", "b"} << QByteArray("a\r\nb\r\n");
    QTest::newRow("lf only") << QByteArray("a\n\nb") << int(TTextEncoding::Ansi)
                             << QStringList{"a", "", "b"} << QByteArray("a\r\n\r\nb\r\n");
    QTest::newRow("nul kept") << QByteArray("a\0b", 3) << int(TTextEncoding::Ansi)
                              << QStringList{QString("a") + QChar(0) + "b"}
                              << QByteArray("a\0b\r\n", 5);
    QTest::newRow("empty file") << QByteArray() << int(TTextEncoding::Ansi) << QStringList{}
                                << QByteArray();
    QTest::newRow("blank file") << QByteArray("  \r\n") << int(TTextEncoding::Ansi)
                                << QStringList{"  "} << QByteArray("  \r\n");
    QTest::newRow("odd utf-16 byte")
        << QByteArray("\xFF\xFEx\0y", 5) << int(TTextEncoding::Utf16LE)
        << QStringList{QString("x") + QChar(QChar::ReplacementCharacter)}
        << QByteArray("\xFF\xFEx\0\xFD\xFF\r\0\n\0", 10);
}

void TestTStrings::roundTrip() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, encoding);
    QFETCH(QStringList, lines);
    QFETCH(QByteArray, saved);
    const QString path = FDir.filePath("rt.txt");
    WriteBytes(path, bytes);
    TStrings list;
    list.LoadFromFile(path);
    QCOMPARE(int(list.Encoding()), encoding);
    QCOMPARE(list.Lines(), lines);
    list.SaveToFile(path);
    QCOMPARE(ReadBytes(path), saved);
}

void TestTStrings::allAnsiBytes() {
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        if (b != '\r' && b != '\n')
            all += char(b);
    const QString path = FDir.filePath("all.txt");
    WriteBytes(path, all);
    TStrings list;
    list.LoadFromFile(path);
    QCOMPARE(list.Count(), 1);
    QCOMPARE(list[0].size(), all.size());
    QCOMPARE(list[0][0xC0 - 2], QChar(0x0410)); // А
    QCOMPARE(list[0][0x98 - 2], QChar(0x0098)); // the one byte windows-1251 leaves unassigned
    list.SaveToFile(path);
    QCOMPARE(ReadBytes(path), all + "\r\n");
}

void TestTStrings::ansiWritesCharacterReferences() {
    QCOMPARE(EncodeText(QString::fromUtf8("a\u00e9\u0416\u20ac\U0001F600"), TTextEncoding::Ansi),
             QByteArray("a&#233;\xC6\x88&#128512;"));
    QCOMPARE(EncodeText(QString(QChar(0xD800)) + "x", TTextEncoding::Ansi),
             QByteArray("&#55296;x"));
}

void TestTStrings::unreadableAndUnwritable() {
    TStrings list(QStringList{"keep"});
    QVERIFY_THROWS_EXCEPTION(Exception, list.LoadFromFile(FDir.filePath("missing.txt")));
    QVERIFY_THROWS_EXCEPTION(Exception, list.LoadFromFile(FDir.path()));
    QCOMPARE(list.Lines(), QStringList{"keep"});
    const QString blocker = FDir.filePath("file");
    WriteBytes(blocker, "x");
    try {
        list.SaveToFile(blocker + "/sub.txt");
        QFAIL("no error raised");
    } catch (const Exception& e) {
        QVERIFY(e.Message().contains(blocker + "/sub.txt"));
    }
    QCOMPARE(ReadBytes(blocker), QByteArray("x"));
}

void TestTStrings::savedThroughWhatStandsThere_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason"); // empty: saved
    QTest::newRow("link to a file: the file replaced, the link kept") << "link"
                                                                      << "";
    QTest::newRow("dangling link: its file made") << "dangling"
                                                  << "";
    QTest::newRow("folder") << "folder" << QString::fromLocal8Bit(strerror(EISDIR));
    QTest::newRow("link to a folder") << "folder link" << QString::fromLocal8Bit(strerror(EISDIR));
    QTest::newRow("FIFO, never waited on") << "fifo"
                                           << "это не обычный файл";
}

// The window's own files (placeholder page, fragments) are saved through here.
void TestTStrings::savedThroughWhatStandsThere() {
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    const QTemporaryDir dir;
    const QString name = dir.filePath("saved.txt"), real = dir.filePath("real.txt");
    if (kind == "link" || kind == "dangling") {
        if (kind == "link")
            WriteBytes(real, "old");
        QVERIFY(QFile::link(real, name));
    } else if (kind == "fifo") {
        QCOMPARE(mkfifo(QFile::encodeName(name).constData(), 0600), 0);
    } else {
        QVERIFY(QDir().mkdir(real));
        QVERIFY(kind == "folder" ? QDir().rename(real, name) : QFile::link(real, name));
    }
    const TStrings list(QStringList{"new"});
    try {
        list.SaveToFile(name);
        QVERIFY2(reason.isEmpty(), "saved");
        QVERIFY(QFileInfo(name).isSymLink());
        QCOMPARE(ReadBytes(real), QByteArray("new\r\n"));
    } catch (const Exception& e) {
        QVERIFY2(e.Message().endsWith(": " + reason), qPrintable(e.Message()));
        QVERIFY(!QFileInfo(name).isFile());
    }
    QCOMPARE(
        QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System).filter("dwelk-tmp"),
        QStringList());
}

QTEST_GUILESS_MAIN(TestTStrings)
#include "test_TStrings.moc"
