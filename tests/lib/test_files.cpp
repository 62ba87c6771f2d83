// Typed settings access and the folder helpers.

#include "Exception.h"
#include "__files.h"

#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>
#include <cstring>

class TestFiles : public QObject {
    Q_OBJECT
private slots:
    void integerRead_data();
    void integerRead();
    void booleanRead_data();
    void booleanRead();
    void stringRead();
    void longValueCut();
    void writesInTextForm();
    void blankNamesTouchNothing();
    void guardedWrites();
    void writeSection_data();
    void writeSection();
    void writeSectionKeepsOldKeys();
    void writeSectionWholeFile();
    void sectionOfAbsentOrBadInput();
    void unwritableSettings();

    void dirNameNormal_data();
    void dirNameNormal();
    void newNameFile();
    void extractDirExist();
    void writeProbe();
    void dirOpenOfMissingFolder();

private:
    QString Ini() const { return FDir.filePath("dwelk.ini"); }
    void SetValue(const QByteArray& value) { WriteBytes(Ini(), "[HTML]\nKey=" + value + "\n"); }
    QTemporaryDir FDir;
};

void TestFiles::integerRead_data() {
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<int>("value");
    QTest::newRow("0x") << QByteArray("0x1F") << 31;
    QTest::newRow("0X") << QByteArray("0X1f") << 31;
    QTest::newRow("$") << QByteArray("$10") << 16;
    QTest::newRow("x") << QByteArray("x10") << 16;
    QTest::newRow("negative hex") << QByteArray("-$10") << -16;
    QTest::newRow("eight hex digits are a 32-bit pattern") << QByteArray("$FFFFFFFF") << -1;
    QTest::newRow("highest bit") << QByteArray("0x80000000") << INT_MIN;
    QTest::newRow("nine hex digits") << QByteArray("$000000001") << 99;
    QTest::newRow("bare prefix") << QByteArray("0x") << 99;
    QTest::newRow("bare $") << QByteArray("$") << 99;
    QTest::newRow("decimal") << QByteArray("-5") << -5;
    QTest::newRow("plus and leading zeros") << QByteArray("+007") << 7;
    QTest::newRow("int max") << QByteArray("2147483647") << INT_MAX;
    QTest::newRow("int min") << QByteArray("-2147483648") << INT_MIN;
    QTest::newRow("overflow") << QByteArray("2147483648") << 99;
    QTest::newRow("huge") << QByteArray(5000, '9') << 99;
    QTest::newRow("trailing letters") << QByteArray("12abc") << 99;
    QTest::newRow("inner blank") << QByteArray("1 2") << 99;
    QTest::newRow("sign only") << QByteArray("-") << 99;
    QTest::newRow("empty") << QByteArray("") << 99;
    QTest::newRow("blanks around are trimmed") << QByteArray("  42 ") << 42;
}

void TestFiles::integerRead() {
    QFETCH(QByteArray, stored);
    QFETCH(int, value);
    SetValue(stored);
    QCOMPARE(GetFromINI_IntegerParamDef(Ini(), "HTML", "Key", 99), value);
}

void TestFiles::booleanRead_data() {
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<bool>("withTrueDefault");
    QTest::addColumn<bool>("withFalseDefault");
    QTest::newRow("1") << QByteArray("1") << true << true;
    QTest::newRow("2") << QByteArray("2") << true << true;
    QTest::newRow("-1") << QByteArray("-1") << true << true;
    QTest::newRow("0") << QByteArray("0") << false << false;
    QTest::newRow("hex zero") << QByteArray("$0") << false << false;
    QTest::newRow("yes") << QByteArray("yes") << true << false;
    QTest::newRow("empty") << QByteArray("") << true << false;
}

void TestFiles::booleanRead() {
    QFETCH(QByteArray, stored);
    QFETCH(bool, withTrueDefault);
    QFETCH(bool, withFalseDefault);
    SetValue(stored);
    QCOMPARE(GetFromINI_BooleanParamDef(Ini(), "HTML", "Key", true), withTrueDefault);
    QCOMPARE(GetFromINI_BooleanParamDef(Ini(), "HTML", "Key", false), withFalseDefault);
}

void TestFiles::stringRead() {
    WriteBytes(Ini(), "[HTML]\nEmpty=\nS=  v  \n[]\nNoName=x\n");
    QCOMPARE(GetFromINI_StringParamDef(Ini(), "HTML", "Missing", " d ", true), QString("d"));
    QCOMPARE(GetFromINI_StringParamDef(Ini(), "HTML", "Missing", " d ", false), QString(" d "));
    QCOMPARE(GetFromINI_StringParamDef(Ini(), "HTML", "Empty", "d", false), QString(""));
    QCOMPARE(GetFromINI_StringParamDef(" " + Ini() + " ", " HTML ", " S ", "d", false),
             QString("v"));
    QCOMPARE(GetFromINI_StringParamDef(Ini(), "  ", "NoName", "d", true), QString("x"));
    QCOMPARE(GetFromINI_StringParamDef(Ini(), "HTML", " ", " d ", true), QString("d"));
    QCOMPARE(GetFromINI_StringParamDef(Ini(), "HTML", "", " d ", false), QString(" d "));
    QCOMPARE(GetFromINI_StringParamDef("", "HTML", "S", "d", false), QString("d"));
}

void TestFiles::longValueCut() {
    QFile::remove(Ini());
    const QString value = QString(2000, u'ж') + QString(1000, u'z');
    PutToINI_StringParam(Ini(), "HTML", "Long", value);
    QCOMPARE(GetFromINI_StringParamDef(Ini(), "HTML", "Long", "", false), value.left(2047));
    TStrings list;
    INI_ReadSectionValues(Ini(), "HTML", &list);
    QCOMPARE(list.Lines(), QStringList{"Long=" + value.left(2047)});
}

void TestFiles::writesInTextForm() {
    QFile::remove(Ini());
    PutToINI_BooleanParam(Ini(), "HTML", "T", true);
    PutToINI_BooleanParam(Ini(), "HTML", "F", false);
    PutToINI_IntegerParam(Ini(), "HTML", "I", -5);
    PutToINI_StringParam(Ini(), " HTML ", " S ", " \t<b> x </b>\r\n");
    PutToINI_StringParam(Ini(), "FILES", "Dir", "/папка");
    PutToINI_IntegerParam(Ini(), "html", "i", INT_MIN);
    QCOMPARE(ReadBytes(Ini()),
             QByteArray("[HTML]\nT=1\nF=0\nI=-2147483648\nS=<b> x </b>\n[FILES]\nDir=/папка\n"));
}

void TestFiles::blankNamesTouchNothing() {
    QFile::remove(Ini());
    const QString blank = " \t";
    PutToINI_StringParam(blank, "HTML", "K", "v");
    PutToINI_StringParam(Ini(), blank, "K", "v");
    PutToINI_IntegerParam(Ini(), "HTML", blank, 1);
    PutToINI_BooleanParam(Ini(), "", "K", true);
    QVERIFY(!PutToINI_StringParamW(Ini(), blank, "K", "v"));
    QVERIFY(!PutToINI_IntegerParamW(Ini(), "HTML", "", 1));
    QVERIFY(!PutToINI_BooleanParamW(blank, "HTML", "K", true));
    QCOMPARE(GetFromINI_IntegerParamDef(Ini(), blank, "K", 7), 7);
    QCOMPARE(GetFromINI_BooleanParamDef(Ini(), "HTML", blank, true), true);
    QCOMPARE(GetFromINI_StringParamDef(Ini(), "HTML", blank, "d", false), QString("d"));
    QVERIFY(!QFileInfo::exists(Ini()));
    QCOMPARE(QDir(FDir.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
}

void TestFiles::guardedWrites() {
    QFile::remove(Ini());
    QVERIFY(PutToINI_BooleanParamW(Ini(), "HTML", "B", true));
    QVERIFY(PutToINI_IntegerParamW(Ini(), "HTML", "I", 1));
    QVERIFY(PutToINI_StringParamW(Ini(), "FILES", "Dir", " /a "));
    QCOMPARE(ReadBytes(Ini()), QByteArray("[HTML]\nB=1\nI=1\n[FILES]\nDir=/a\n"));
    QCOMPARE(QDir(FDir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"dwelk.ini"});
    // A bare file name has no folder to probe.
    QVERIFY(!PutToINI_BooleanParamW("dwelk.ini", "HTML", "B", true));
}

void TestFiles::writeSection_data() {
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<int>("written");
    QTest::addColumn<QByteArray>("file");
    QTest::newRow("lines without a name are skipped")
        << QStringList{"Bcom=1", "junk", "=2", " =3", "Ecom=3"} << 2
        << QByteArray("[HTML_Attr]\nBcom=1\nEcom=3\n");
    QTest::newRow("blanks around the name miss the value")
        << QStringList{" Bcom =1"} << 1 << QByteArray("[HTML_Attr]\nBcom=\n");
    QTest::newRow("blanks around the name take a later plain line's value")
        << QStringList{" a =1", "A=2"} << 2 << QByteArray("[HTML_Attr]\na=2\n");
    QTest::newRow("equal names differing in case")
        << QStringList{"A=1", "a=2"} << 2 << QByteArray("[HTML_Attr]\nA=1\n");
    QTest::newRow("value holding =")
        << QStringList{"Bcom=x=y"} << 1 << QByteArray("[HTML_Attr]\nBcom=x=y\n");
    QTest::newRow("value trimmed")
        << QStringList{"Bcom=  <b>  "} << 1 << QByteArray("[HTML_Attr]\nBcom=<b>\n");
}

void TestFiles::writeSection() {
    QFETCH(QStringList, lines);
    QFETCH(int, written);
    QFETCH(QByteArray, file);
    QFile::remove(Ini());
    TStrings list(lines);
    QCOMPARE(INI_WriteSection(Ini(), " HTML_Attr ", &list), written);
    QCOMPARE(ReadBytes(Ini()), file);
    QCOMPARE(list.Lines(), lines);
}

void TestFiles::writeSectionKeepsOldKeys() {
    QFile::remove(Ini());
    TStrings list(QStringList{"Bcom=<i>", "Bdir=<u>", "Ecom=</i>"});
    INI_WriteSection(Ini(), "HTML_Attr", &list);
    list.Delete(1);
    list[0] = "Bcom=<b>";
    QCOMPARE(INI_WriteSection(Ini(), "HTML_Attr", &list), 2);
    TStrings back;
    INI_ReadSectionValues(Ini(), "HTML_Attr", &back);
    QCOMPARE(back.Lines(), (QStringList{"Bcom=<b>", "Bdir=<u>", "Ecom=</i>"}));
}

void TestFiles::writeSectionWholeFile() {
    TStrings list(QStringList{"a", "", "б"});
    QCOMPARE(INI_WriteSection(Ini(), "  ", &list), 3);
    QCOMPARE(ReadBytes(Ini()), QByteArray("a\r\n\r\n\xE1\r\n"));
}

void TestFiles::sectionOfAbsentOrBadInput() {
    WriteBytes(Ini(), "[HTML_Attr]\nBcom=1\n[HTML_Attr\nEcom=2\nline\n");
    const QByteArray before = ReadBytes(Ini());
    TStrings list(QStringList{"old"});
    INI_ReadSectionValues(Ini(), "HTML_Attr", &list);
    // A header without its closing bracket opens no section; its keys stay in the one before.
    QCOMPARE(list.Lines(), (QStringList{"Bcom=1", "Ecom=2"}));
    INI_ReadSectionValues(Ini(), "Missing", &list);
    QCOMPARE(list.Count(), 0);
    list.Add("old");
    INI_ReadSectionValues(" ", "HTML_Attr", &list);
    QCOMPARE(list.Count(), 0);
    list.Add("old");
    INI_ReadSectionValues(Ini(), "", &list);
    QCOMPARE(list.Count(), 0);
    INI_ReadSectionValues(FDir.filePath("missing.ini"), "HTML_Attr", &list);
    QCOMPARE(list.Count(), 0);
    INI_ReadSectionValues(Ini(), "HTML_Attr", nullptr);
    QCOMPARE(INI_WriteSection(Ini(), "HTML_Attr", nullptr), 0);
    QCOMPARE(INI_WriteSection(" ", "HTML_Attr", &list), 0);
    QCOMPARE(ReadBytes(Ini()), before);
}

void TestFiles::unwritableSettings() {
    const QString notAFolder = FDir.filePath("plain");
    WriteBytes(notAFolder, "x");
    const QString ini = notAFolder + "/dwelk.ini";
    const QString message =
        "Unable to write to " + ini + " (" + QString::fromLocal8Bit(strerror(ENOTDIR)) + ")";
    try {
        PutToINI_StringParam(ini, "HTML", "K", "v");
        QFAIL("no error raised");
    } catch (const Exception& e) {
        QCOMPARE(e.Message(), message);
    }
    TStrings list(QStringList{"Bcom=1"});
    try {
        INI_WriteSection(" " + ini + " ", "HTML_Attr", &list);
        QFAIL("no error raised");
    } catch (const Exception& e) {
        QCOMPARE(e.Message(), message);
    }
    // The probe finds the deepest existing folder writable, so the guarded write tries and
    // fails like the plain one.
    QVERIFY_THROWS_EXCEPTION(Exception, PutToINI_BooleanParamW(ini, "HTML", "B", true));
    QCOMPARE(ReadBytes(notAFolder), QByteArray("x"));
}

void TestFiles::dirNameNormal_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("sep");
    QTest::addColumn<QString>("result");
    QTest::newRow("already ends in it") << "/a/b/"
                                        << "/"
                                        << "/a/b/";
    QTest::newRow("blanks around") << "  /a/b \t"
                                   << "/"
                                   << "/a/b/";
    QTest::newRow("blank separator") << "/a"
                                     << "  "
                                     << "/a/";
    QTest::newRow("first of several") << "/a"
                                      << "\\/"
                                      << "/a\\";
    QTest::newRow("blank name") << "  "
                                << "/"
                                << "";
}

void TestFiles::dirNameNormal() {
    QFETCH(QString, name);
    QFETCH(QString, sep);
    QFETCH(QString, result);
    QCOMPARE(DirName_Normal_1(name, sep), result);
}

void TestFiles::newNameFile() {
    const QString x = FDir.filePath("x.txt");
    QCOMPARE(GetNewNameFile(" " + x + " "), x);
    WriteBytes(x, "");
    WriteBytes(FDir.filePath("x-1.txt"), "");
    QCOMPARE(GetNewNameFile(x), FDir.filePath("x-2.txt"));
    QVERIFY(QDir(FDir.path()).mkdir("x-2.txt"));
    QCOMPARE(GetNewNameFile(x), FDir.filePath("x-3.txt"));
    WriteBytes(FDir.filePath("archive.tar.gz"), "");
    QCOMPARE(GetNewNameFile(FDir.filePath("archive.tar.gz")), FDir.filePath("archive.tar-1.gz"));
    WriteBytes(FDir.filePath("noext"), "");
    QCOMPARE(GetNewNameFile(FDir.filePath("noext")), FDir.filePath("noext-1"));
    QVERIFY(QFile::link(FDir.filePath("nowhere"), FDir.filePath("dangling")));
    QCOMPARE(GetNewNameFile(FDir.filePath("dangling")), FDir.filePath("dangling-1"));
    QCOMPARE(GetNewNameFile(FDir.path() + "/"), FDir.path() + "/");
    QCOMPARE(GetNewNameFile(" "), QString());
}

void TestFiles::extractDirExist() {
    const QString root = FDir.path();
    QVERIFY(QDir(root).mkpath("a/b"));
    QCOMPARE(Dir_Extract_Dir_Exist(root + "/a/b/c/d"), root + "/a/b/");
    QCOMPARE(Dir_Extract_Dir_Exist(root + "//a///x"), root + "/a/");
    QCOMPARE(Dir_Extract_Dir_Exist(" " + root + "/a "), root + "/a/");
    QCOMPARE(Dir_Extract_Dir_Exist("/no-such-top-folder/a"), QString("/"));
    QCOMPARE(Dir_Extract_Dir_Exist("no-such-drive:/a/b"), QString());
    QCOMPARE(Dir_Extract_Dir_Exist("  "), QString());
    QVERIFY(DirExist(root + "/a/"));
    QVERIFY(DirExist(root + "/a"));
    QVERIFY(!DirExist(" "));
    WriteBytes(root + "/file", "");
    QVERIFY(!DirExist(root + "/file"));
    QVERIFY(QFile::link(root + "/a", root + "/link"));
    QVERIFY(DirExist(root + "/link"));
}

void TestFiles::writeProbe() {
    QTemporaryDir dir;
    const QString root = dir.path();
    const QString existing = root + "/~!789!~.~~~";
    WriteBytes(existing, "keep");
    QVERIFY(ItsNotReadOnlyDisk_1(root + "/dwelk.ini"));
    QVERIFY(ItsNotReadOnlyDisk_1(root + "/missing/deeper/dwelk.ini"));
    QCOMPARE(ReadBytes(existing), QByteArray("keep"));
    QCOMPARE(QDir(root).entryList(QDir::Files | QDir::Hidden | QDir::Dirs | QDir::NoDotAndDotDot),
             QStringList{"~!789!~.~~~"});
    QVERIFY(!ItsNotReadOnlyDisk_1("dwelk.ini"));
    QVERIFY(!ItsNotReadOnlyDisk_1("  "));
    QVERIFY(!ItsNotReadOnlyDisk_1("no-such-drive:/a/dwelk.ini"));
    // A regular file in place of the folder: the deepest folder is its parent, which is
    // writable, so only its folder part matters.
    QVERIFY(ItsNotReadOnlyDisk_1(existing + "/dwelk.ini"));
}

void TestFiles::dirOpenOfMissingFolder() {
    QVERIFY(!Dir_Open(FDir.filePath("missing")));
    QVERIFY(!Dir_Open("  "));
}

QTEST_GUILESS_MAIN(TestFiles)
#include "test_files.moc"
