// The settings file store: layout of written files, reading rules, unwritable files and two
// programs writing at the same time.

#include "Exception.h"
#include "IniStore.h"

#include "TestFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <vector>

class TestIniStore : public QObject {
    Q_OBJECT
private slots:
    void write_data();
    void write();
    void read_data();
    void read();
    void sectionKeysInFileOrder();
    void readingChangesNothing();
    void roundTripOfAwkwardValues_data();
    void roundTripOfAwkwardValues();
    void sectionInOnePass_data();
    void sectionInOnePass();
    void unwritablePlace_data();
    void unwritablePlace();
    void readOnlyFile();
    void linkWrittenThrough();
    void twoProgramsLoseNoKey();

private:
    QString FreshFile() { return FDir.filePath(QString("s%1.ini").arg(++FCount)); }
    QTemporaryDir FDir;
    int FCount = 0;
};

void TestIniStore::write_data() {
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("after");
    QTest::newRow("new file") << QByteArray() << "HTML"
                              << "Suffix_PAS"
                              << "_pas" << QByteArray("[HTML]\nSuffix_PAS=_pas\n");
    QTest::newRow("utf-8 value") << QByteArray() << "FILES"
                                 << "Dir"
                                 << "/дом/папка" << QByteArray("[FILES]\nDir=/дом/папка\n");
    QTest::newRow("replace keeps the file's spelling and other lines")
        << QByteArray("; comment\n[html]\nsuffix_pas = _x\nother=1\n") << "HTML"
        << "Suffix_PAS"
        << "_pas" << QByteArray("; comment\n[html]\nsuffix_pas=_pas\nother=1\n");
    QTest::newRow("new key after the section's last key, before blank lines")
        << QByteArray("[A]\nx=1\n\n[B]\ny=2\n") << "a"
        << "z"
        << "3" << QByteArray("[A]\nx=1\nz=3\n\n[B]\ny=2\n");
    QTest::newRow("new key into a section without keys")
        << QByteArray("[A]\n; note\n[B]\n") << "A"
        << "k"
        << "v" << QByteArray("[A]\nk=v\n; note\n[B]\n");
    QTest::newRow("new section at the end of a file without final break")
        << QByteArray("[A]\nx=1") << "B"
        << "k"
        << "v" << QByteArray("[A]\nx=1\n[B]\nk=v\n");
    QTest::newRow("new key after a last line without break") << QByteArray("[A]\nx=1") << "A"
                                                             << "k"
                                                             << "v" << QByteArray("[A]\nx=1\nk=v");
    QTest::newRow("crlf file stays crlf, bom stays")
        << QByteArray("\xEF\xBB\xBF[A]\r\nx=1\r\n") << "A"
        << "k"
        << "v" << QByteArray("\xEF\xBB\xBF[A]\r\nx=1\r\nk=v\r\n");
    QTest::newRow("empty value") << QByteArray("[A]\nx=1\n") << "A"
                                 << "x"
                                 << "" << QByteArray("[A]\nx=\n");
    QTest::newRow("line breaks in a value cannot add lines")
        << QByteArray() << "A"
        << "x"
        << "1\n[B]\r\ny=2" << QByteArray("[A]\nx=1 [B]  y=2\n");
    QTest::newRow("unreadable bytes of other lines kept")
        << QByteArray("\xFF\xFE\x00garbage\n[A]\nx=1\n", 18) << "A"
        << "x"
        << "2" << QByteArray("\xFF\xFE\x00garbage\n[A]\nx=2\n", 18);
    QTest::newRow("key before any section is not in a section")
        << QByteArray("x=1\n") << "A"
        << "x"
        << "2" << QByteArray("x=1\n[A]\nx=2\n");
    QTest::newRow("header without closing bracket opens no section")
        << QByteArray("[A\nx=1\n") << "A"
        << "x"
        << "2" << QByteArray("[A\nx=1\n[A]\nx=2\n");
    QTest::newRow("empty section name") << QByteArray() << ""
                                        << "k"
                                        << "v" << QByteArray("[]\nk=v\n");
    QTest::newRow("a section named twice is written in its first place")
        << QByteArray("[A]\nx=1\n[B]\n[a]\nk=2\n") << "A"
        << "k"
        << "3" << QByteArray("[A]\nx=1\nk=3\n[B]\n[a]\nk=2\n");
    QTest::newRow("non-ASCII names match letter case aside")
        << QByteArray("[Ключи]\nЁж=1\n") << "КЛЮЧИ"
        << "ёЖ"
        << "2" << QByteArray("[Ключи]\nЁж=2\n");
}

void TestIniStore::write() {
    QFETCH(QByteArray, before);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QByteArray, after);
    const QString file = FreshFile();
    if (!before.isNull())
        WriteBytes(file, before);
    IniStore(file).WriteString(section, key, value);
    QCOMPARE(ReadBytes(file), after);
    QVERIFY(!QFileInfo::exists(file + ".lock"));
}

void TestIniStore::read_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::newRow("letter case ignored") << QByteArray("[Html]\nSUFFIX=x\n") << "hTML"
                                         << "suffix"
                                         << "x";
    QTest::newRow("blanks around name and value") << QByteArray(" [ A ] \n  k  =  v w \t\n") << "A"
                                                  << "k"
                                                  << "v w";
    QTest::newRow("first of two equal keys") << QByteArray("[A]\nk=1\nK=2\n") << "A"
                                             << "k"
                                             << "1";
    QTest::newRow("second section of the same name is not read")
        << QByteArray("[A]\nx=1\n[B]\n[a]\nk=2\n") << "A"
        << "k"
        << "<def>";
    QTest::newRow("NUL inside a value kept") << QByteArray("[A]\nk=a\0b\n", 10) << "A"
                                             << "k" << QString("a") + QChar(0) + "b";
    QTest::newRow("value with =") << QByteArray("[A]\nBcom=x=y\n") << "A"
                                  << "Bcom"
                                  << "x=y";
    QTest::newRow("bom") << QByteArray("\xEF\xBB\xBF[A]\nk=v\n") << "A"
                         << "k"
                         << "v";
    QTest::newRow("cr only breaks") << QByteArray("[A]\rk=v\r") << "A"
                                    << "k"
                                    << "v";
    QTest::newRow("empty value is not the default") << QByteArray("[A]\nk=\n") << "A"
                                                    << "k"
                                                    << "";
    QTest::newRow("line without =") << QByteArray("[A]\nk\n") << "A"
                                    << "k"
                                    << "<def>";
    QTest::newRow("comment") << QByteArray("[A]\n;k=v\n#k=w\n") << "A"
                             << "k"
                             << "<def>";
    QTest::newRow("other section") << QByteArray("[A]\nk=v\n") << "B"
                                   << "k"
                                   << "<def>";
    QTest::newRow("key before any section") << QByteArray("k=v\n") << ""
                                            << "k"
                                            << "<def>";
    QTest::newRow("empty section name") << QByteArray("[ ]\nk=v\n") << ""
                                        << "k"
                                        << "v";
    QTest::newRow("header without closing bracket") << QByteArray("[A]\nk=1\n[B\nk=2\n") << "B"
                                                    << "k"
                                                    << "<def>";
    QTest::newRow("binary") << QByteArray("\x00\xFF[\x01=\n\xC3", 7) << "A"
                            << "k"
                            << "<def>";
    QTest::newRow("missing file") << QByteArray() << "A"
                                  << "k"
                                  << "<def>";
}

void TestIniStore::read() {
    QFETCH(QByteArray, content);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    const QString file = FreshFile();
    if (!content.isEmpty())
        WriteBytes(file, content);
    QCOMPARE(IniStore(file).ReadString(section, key, "<def>"), value);
}

void TestIniStore::sectionKeysInFileOrder() {
    const QString file = FreshFile();
    WriteBytes(file, "[A]\nzeta=1\nalpha=2\n[B]\nb=3\n[a]\nALPHA=4\nmid=5\n");
    QCOMPARE(IniStore(file).ReadSectionKeys(u"A"), (QStringList{"zeta", "alpha"}));
    QCOMPARE(IniStore(file).ReadSectionKeys(u"C"), QStringList());
    WriteBytes(file, "[A]\nЁж=1\nk=2\nёЖ=3\nK=4\n");
    QCOMPARE(IniStore(file).ReadSectionKeys(u"a"), (QStringList{"Ёж", "k"}));
    QCOMPARE(IniStore(FDir.filePath("missing.ini")).ReadSectionKeys(u"A"), QStringList());
}

void TestIniStore::readingChangesNothing() {
    const QString file = FreshFile();
    const QByteArray bytes("\x00\x01[A\n=\n\xFF[A]\nk=v", 15);
    WriteBytes(file, bytes);
    const IniStore store(file);
    store.ReadString(u"A", u"k", QString());
    store.ReadSectionKeys(u"A");
    QCOMPARE(ReadBytes(file), bytes);
    QVERIFY(!QFileInfo::exists(file + ".lock"));
}

void TestIniStore::roundTripOfAwkwardValues_data() {
    QTest::addColumn<QString>("value");
    QTest::newRow("markup") << R"(<font color="#800000"><b>)";
    QTest::newRow("cyrillic") << "Привет, ёжик";
    QTest::newRow("brackets and semicolons") << "[x];y#z";
    QTest::newRow("long") << QString(100000, u'ж');
    QTest::newRow("leading zero-width no-break space") << QStringLiteral(u"\uFEFF_pas");
}

void TestIniStore::roundTripOfAwkwardValues() {
    QFETCH(QString, value);
    const QString file = FreshFile();
    const IniStore store(file);
    store.WriteString(u"HTML_Attr", u"Bcom", value);
    store.WriteString(u"HTML_Attr", u"Ecom", u"</b>");
    QCOMPARE(store.ReadString(u"HTML_Attr", u"Bcom", QString()), value);
    QCOMPARE(store.ReadString(u"HTML_Attr", u"Ecom", QString()), QString("</b>"));
}

void TestIniStore::sectionInOnePass_data() {
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QStringList>("keys"); // name, value, name, value...
    QTest::newRow("new file") << QByteArray() << "A" << QStringList{"k", "1", "j", "2"};
    QTest::newRow("existing keys keep their spelling, new ones follow the last key")
        << QByteArray("; c\n[a]\nK=0\nx=1\n\n[B]\ny=2\n") << "A"
        << QStringList{"k", "5", "New", "6", "X", "7", "other", "8"};
    QTest::newRow("a name given twice, in other letter case")
        << QByteArray("[A]\nx=1\n") << "A" << QStringList{"n", "1", "N", "2", "x", "3", "X", "4"};
    QTest::newRow("a key in the file twice: its first line")
        << QByteArray("[A]\nk=1\nK=2\n") << "A" << QStringList{"k", "3", "K", "4"};
    QTest::newRow("last line without break")
        << QByteArray("[A]\nx=1") << "A" << QStringList{"k", "v", "j", "w"};
    QTest::newRow("no such section, file without final break")
        << QByteArray("[B]\ny=2") << "A" << QStringList{"k", "v", "j", "w"};
    QTest::newRow("crlf and bom") << QByteArray("\xEF\xBB\xBF[A]\r\nx=1\r\n[B]\r\n") << "A"
                                  << QStringList{"x", "2", "k", "v"};
    QTest::newRow("section named twice")
        << QByteArray("[A]\nx=1\n[B]\n[a]\nk=2\n") << "A" << QStringList{"k", "3", "x", "4"};
    QTest::newRow("section without keys")
        << QByteArray("[A]\n; note\n[B]\n") << "A" << QStringList{"k", "v", "j", "w"};
    QTest::newRow("non-ASCII names") << QByteArray("[Ключи]\nЁж=1\n") << "КЛЮЧИ"
                                     << QStringList{"ёЖ", "2", "Ёлка", "3", "ЁЛКА", "4"};
    QTest::newRow("line breaks and blanks in names and values")
        << QByteArray("[A]\n") << "A"
        << QStringList{"a\nb", "1\r\n2", "a\nb", "3", " c ", "4", "c", "5", "d=e", "6", "d", "7"};
}

// Saving a section at once gives the file that saving its keys one by one gives.
void TestIniStore::sectionInOnePass() {
    QFETCH(QByteArray, before);
    QFETCH(QString, section);
    QFETCH(QStringList, keys);
    const QString oneByOne = FreshFile(), atOnce = FreshFile();
    if (!before.isNull()) {
        WriteBytes(oneByOne, before);
        WriteBytes(atOnce, before);
    }
    std::vector<std::pair<QString, QString>> pairs;
    for (qsizetype i = 0; i + 1 < keys.size(); i += 2) {
        IniStore(oneByOne).WriteString(section, keys[i], keys[i + 1]);
        pairs.emplace_back(keys[i], keys[i + 1]);
    }
    IniStore(atOnce).WriteSection(section, pairs);
    QCOMPARE(ReadBytes(atOnce), ReadBytes(oneByOne));
}

void TestIniStore::unwritablePlace_data() {
    QTest::addColumn<QString>("name"); // relative to the test folder
    QTest::addColumn<int>("error");
    QTest::addColumn<bool>("section"); // written as a section rather than one key
    // Means root cannot pass: a path under a regular file, a folder or a FIFO at the name.
    QTest::newRow("under a regular file") << "plain/s.ini" << ENOTDIR << false;
    QTest::newRow("a folder at the name") << "folder.ini" << EISDIR << false;
    QTest::newRow("a folder, section") << "folder.ini" << EISDIR << true;
    QTest::newRow("a link to a folder") << "folderlink.ini" << EISDIR << false;
    QTest::newRow("a FIFO at the name") << "fifo.ini" << 0 << false;
    QTest::newRow("a FIFO, section") << "fifo.ini" << 0 << true;
}

// The write fails with the system's reason and writes nothing into what stands there; a FIFO
// is neither read nor written, so nothing waits on it.
void TestIniStore::unwritablePlace() {
    QFETCH(QString, name);
    QFETCH(int, error);
    QFETCH(bool, section);
    WriteBytes(FDir.filePath("plain"), "x");
    QDir(FDir.path()).mkdir("folder.ini");
    QFile::link(FDir.filePath("folder.ini"), FDir.filePath("folderlink.ini"));
    mkfifo(QFile::encodeName(FDir.filePath("fifo.ini")).constData(), 0600);
    const QString file = FDir.filePath(name);
    QCOMPARE(IniStore(file).ReadString(u"A", u"k", "d"), QString("d"));
    try {
        if (section)
            IniStore(file).WriteSection(u"A", {{"k", "v"}});
        else
            IniStore(file).WriteString(u"A", u"k", u"v");
        QFAIL("no error raised");
    } catch (const Exception& e) {
        const QString reason =
            error != 0 ? QString::fromLocal8Bit(strerror(error)) : QString("это не обычный файл");
        QCOMPARE(e.Message(), "Unable to write to " + file + " (" + reason + ")");
    }
    QCOMPARE(ReadBytes(FDir.filePath("plain")), QByteArray("x"));
    QVERIFY(QFileInfo(FDir.filePath("folder.ini")).isDir());
    QVERIFY(QDir(FDir.filePath("folder.ini")).isEmpty());
    QVERIFY(!QFileInfo(FDir.filePath("fifo.ini")).isFile());
}

// As editors do: the file the link leads to gets the new content, the link stays a link. A
// temporary a killed program left there goes.
void TestIniStore::linkWrittenThrough() {
    const QString target = FDir.filePath("real/target.ini");
    WriteBytes(target, "[A]\nk=old\n");
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    WriteBytes(FDir.filePath("real/.target.ini.dwelk-tmp-999999999-0"), "left by a killed run");
    const QString link = FDir.filePath("linked.ini");
    QVERIFY(QFile::link(target, link));
    IniStore(link).WriteSection(u"A", {{"k", "new"}, {"j", "2"}});
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(ReadBytes(target), QByteArray("[A]\nk=new\nj=2\n"));
    struct stat info {};
    QCOMPARE(stat(QFile::encodeName(target).constData(), &info), 0);
    QCOMPARE(info.st_mode & 0777, mode_t(0640));
    QCOMPARE(QDir(FDir.filePath("real")).entryList(QDir::Files | QDir::Hidden),
             QStringList{"target.ini"});
}

void TestIniStore::readOnlyFile() {
    const QString file = FreshFile();
    const QByteArray old("[A]\nk=old\n");
    WriteBytes(file, old);
    QFile::setPermissions(file, QFile::ReadOwner | QFile::ReadUser);
    QFile probe(file);
    if (probe.open(QIODevice::ReadWrite))
        QSKIP("this user may write read-only files");
    QVERIFY_THROWS_EXCEPTION(Exception, IniStore(file).WriteString(u"A", u"k", u"new"));
    QCOMPARE(ReadBytes(file), old);
}

void TestIniStore::twoProgramsLoseNoKey() {
    const QString file = FreshFile();
    WriteBytes(file, "; shared\n");
    const QString writer = QCoreApplication::applicationDirPath() + "/ini_writer";
    constexpr int Count = 200;
    QProcess first, second;
    first.start(writer, {file, "first", QString::number(Count)});
    second.start(writer, {file, "second", QString::number(Count)});
    QVERIFY(first.waitForFinished(-1));
    QVERIFY(second.waitForFinished(-1));
    QCOMPARE(first.exitCode(), 0);
    QCOMPARE(second.exitCode(), 0);
    const IniStore store(file);
    QCOMPARE(store.ReadSectionKeys(u"Load").size(), 2 * Count);
    for (int i = 0; i < Count; ++i) {
        QCOMPARE(store.ReadString(u"Load", QString("first%1").arg(i), QString()),
                 QString::number(i));
        QCOMPARE(store.ReadString(u"Load", QString("second%1").arg(i), QString()),
                 QString::number(i));
    }
    QVERIFY(ReadBytes(file).startsWith("; shared\n[Load]\n"));
}

QTEST_GUILESS_MAIN(TestIniStore)
#include "test_IniStore.moc"
