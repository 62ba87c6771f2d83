// pas2html writing pages into a tree that changes under it, with threads that will not start,
// killed at any step and with a disk that fills. Every change is made at a named step of the
// run (the seams of pas2html_hooked), never at a moment.

#include "TestFiles.h"
#include "ToolRun.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <memory>
#include <sys/resource.h>
#include <sys/stat.h>

class TestPas2htmlWrites : public QObject {
    Q_OBJECT
private slots:
    void init();
    void changedAtItsStep_data();
    void changedAtItsStep();
    void xrefSourceChangedBeforeItsPage();
    void threadsThatCannotStart_data();
    void threadsThatCannotStart();
    void oneSyncPerBatch();
    void killedAtAnyStep_data();
    void killedAtAnyStep();
    void fullDiskKeepsTheBatch();

private:
    TRun Run(const QStringList& args, const QStringList& environment = {},
             const std::function<void(QProcess&)>& setup = {});
    QString Path(const QString& relative) const { return FDir->filePath(relative); }
    QStringList FilesUnder(const QString& folder) const;
    std::unique_ptr<QTemporaryDir> FDir;
};

TRun TestPas2htmlWrites::Run(const QStringList& args, const QStringList& environment,
                             const std::function<void(QProcess&)>& setup) {
    return RunTool(QCoreApplication::applicationDirPath() + "/pas2html_hooked", args, FDir->path(),
                   {}, [&](QProcess& p) {
                       QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
                       for (const QString& setting : environment)
                           env.insert(setting.section('=', 0, 0), setting.section('=', 1));
                       p.setProcessEnvironment(env);
                       if (setup)
                           setup(p);
                   });
}

QStringList TestPas2htmlWrites::FilesUnder(const QString& folder) const {
    QStringList files;
    QDirIterator it(Path(folder), QDir::Files | QDir::Hidden | QDir::NoSymLinks,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(Path(folder)).relativeFilePath(it.next());
    files.sort();
    return files;
}

void TestPas2htmlWrites::init() {
    FDir = std::make_unique<QTemporaryDir>();
    for (int i = 0; i < 6; ++i)
        WriteBytes(Path(QString("src/U%1.pas").arg(i)), "unit U" + QByteArray::number(i) + ";");
    WriteBytes(Path("src/sub/Main.pas"), "x := 1;");
    WriteBytes(Path("outside/key.pas"), "secret");
    WriteBytes(Path("outside/sub/Main.pas"), "secret too");
    WriteBytes(Path("outside/victim"), "victim");
}

void TestPas2htmlWrites::changedAtItsStep_data() {
    QTest::addColumn<QString>("step");
    QTest::addColumn<QString>("victim"); // swapped at the step for what `swap` names
    QTest::addColumn<QString>("swap");   // "fifo", or the target of a link in the test folder
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("code");
    const QStringList toOut{"-o", "out", "src"};
    QTest::newRow("page turned into a link before its rename") << "page"
                                                               << "out/U1_pas.htm"
                                                               << "outside/victim" << toOut << 0;
    QTest::newRow("output subfolder turned into a link") << "folder"
                                                         << "out/sub"
                                                         << "outside/sub" << toOut << 1;
    QTest::newRow("source subfolder turned into a link")
        << "folder"
        << "src/sub"
        << "outside/sub" << QStringList{"src"} << 1;
    QTest::newRow("source turned into a link out of the tree") << "source"
                                                               << "src/U2.pas"
                                                               << "outside/key.pas" << toOut << 1;
    QTest::newRow("linked source retargeted after planning") << "source"
                                                             << "src/linked.pas"
                                                             << "outside/key.pas" << toOut << 1;
    QTest::newRow("source turned into a FIFO") << "source"
                                               << "src/U3.pas"
                                               << "fifo" << toOut << 1;
}

// Nothing is written outside the tree nor read from outside it, and the run ends.
void TestPas2htmlWrites::changedAtItsStep() {
    QFETCH(QString, step);
    QFETCH(QString, victim);
    QFETCH(QString, swap);
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QVERIFY(QFile::link("U0.pas", Path("src/linked.pas")));
    QCOMPARE(Run(args).Code, 0); // the pages and folders are there already
    const QString swapped = Path(victim) + ".swap";
    if (swap == "fifo")
        QCOMPARE(mkfifo(QFile::encodeName(swapped).constData(), 0600), 0);
    else
        QVERIFY(QFile::link(Path(swap), swapped));
    const QStringList outside = FilesUnder("outside");

    // The seam names files as the system resolves their folders.
    const QString real = QFileInfo(FDir->path()).canonicalFilePath() + "/" + victim;
    const TRun run = Run(args, {"DWELK_TEST_SWAP=" + step + ":" + real});
    QVERIFY2(run.Code == code, run.Err.constData());
    QVERIFY2(!QFile::exists(swapped), "the step was never reached");
    QCOMPARE(FilesUnder("outside"), outside);
    QCOMPARE(ReadBytes(Path("outside/victim")), QByteArray("victim"));
    for (const QString folder : {"src", "out"})
        for (const QString& page : FilesUnder(folder))
            QVERIFY2(!ReadBytes(Path(folder + "/" + page)).contains("secret"), qPrintable(page));
    if (code != 0)
        QVERIFY2(run.Err.contains(QFileInfo(victim).fileName().toUtf8()), run.Err.constData());
}

// The code browser read one text; the page opens another: its names get no links rather than
// the links of the text that was read.
void TestPas2htmlWrites::xrefSourceChangedBeforeItsPage() {
    WriteBytes(Path("x/A.pas"), "unit A;\ninterface\nvar One, Two: Integer;\n"
                                "implementation\nbegin One := Two; end.\n");
    WriteBytes(Path("x/A.pas.swap"), "unit A;\ninterface\nvar Uno, Dos: Integer;\n"
                                     "implementation\nbegin Dos := Uno; end.\n");
    const QString real = QFileInfo(Path("x")).canonicalFilePath() + "/A.pas";
    // Opened three times: whether it is blank, the code browser's reading, the page.
    const TRun run = Run({"-q", "-j", "1", "--xref", "-o", "out", "x"},
                         {"DWELK_TEST_SWAP=source:" + real, "DWELK_TEST_SWAP_AT=3"});
    QVERIFY2(run.Code == 0, run.Err.constData());
    QVERIFY2(!QFile::exists(Path("x/A.pas.swap")), "the step was never reached");
    const QByteArray page = ReadBytes(Path("out/A_pas.htm"));
    QVERIFY(page.contains("Dos"));
    QVERIFY2(!page.contains("title="), page.constData());
}

void TestPas2htmlWrites::threadsThatCannotStart_data() {
    QTest::addColumn<QString>("threads");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("files");
    QTest::newRow("none starts") << "0" << QStringList{} << 40;
    QTest::newRow("two start") << "2" << QStringList{} << 40;
    // Pages, references pages, the symbol index and the index.
    QTest::newRow("none starts, code browser") << "0" << QStringList{"--site"} << 82;
    QTest::newRow("two start, code browser") << "2" << QStringList{"--site"} << 82;
}

// -j asks for far more workers than the system gives: the run goes on with those it got.
void TestPas2htmlWrites::threadsThatCannotStart() {
    QFETCH(QString, threads);
    QFETCH(QStringList, options);
    QFETCH(int, files);
    for (int i = 0; i < 40; ++i)
        WriteBytes(Path(QString("many/M%1.pas").arg(i)), "unit M;");
    const TRun run = Run(options + QStringList{"-j", "1000", "-o", "out", "many"},
                         {"DWELK_TEST_THREADS=" + threads});
    QVERIFY2(run.Code == 0, run.Err.constData());
    QCOMPARE(FilesUnder("out").size(), files);
}

// Pages go to their temporaries, then one sync, the renames, and one more sync.
void TestPas2htmlWrites::oneSyncPerBatch() {
    const TRun run = Run({"-j", "3", "-o", "out", "src"}, {"DWELK_TEST_LOG=" + Path("log")});
    QVERIFY2(run.Code == 0, run.Err.constData());
    QString order;
    for (const QByteArray& line : ReadBytes(Path("log")).split('\n')) {
        const QByteArray step = line.left(line.indexOf(' '));
        order += step == "written" ? "w" : step == "sync" ? "s" : step == "page" ? "r" : "";
    }
    QCOMPARE(order, "wwwwwww"
                    "s"
                    "rrrrrrr"
                    "s");
}

void TestPas2htmlWrites::killedAtAnyStep_data() {
    QTest::addColumn<QString>("kill");
    for (const char* step : {"written:1", "written:4", "sync:1", "page:1", "page:5", "sync:2"})
        QTest::newRow(step) << step;
}

// Killed at any step, every page is the old one or the new one, whole; the next run removes
// the temporaries the killed one left.
void TestPas2htmlWrites::killedAtAnyStep() {
    QFETCH(QString, kill);
    QCOMPARE(Run({"-o", "new", "src"}).Code, 0);
    const QStringList pages = FilesUnder("new");
    for (const QString& page : pages)
        WriteBytes(Path("out/" + page), "old");
    QCOMPARE(Run({"-j", "2", "-o", "out", "src"}, {"DWELK_TEST_KILL=" + kill}).Code, -1);
    for (const QString& page : pages) {
        const QByteArray bytes = ReadBytes(Path("out/" + page));
        QVERIFY2(bytes == "old" || bytes == ReadBytes(Path("new/" + page)), qPrintable(page));
    }
    QCOMPARE(Run({"-o", "out", "src"}).Code, 0);
    QCOMPARE(FilesUnder("out"), pages);
}

// A page that cannot be finished (here its size limit, which binds root too) keeps every page
// of its batch as it was, and says why.
void TestPas2htmlWrites::fullDiskKeepsTheBatch() {
    WriteBytes(Path("src/Big.pas"), QByteArray(100000, 'x'));
    QCOMPARE(Run({"-o", "out", "src"}).Code, 0);
    const QStringList pages = FilesUnder("out");
    for (const QString& page : pages)
        WriteBytes(Path("out/" + page), "old");
    const TRun run = Run({"-o", "out", "src"}, {}, [](QProcess& p) {
        p.setChildProcessModifier([] {
            const rlimit limit{16384, 16384};
            setrlimit(RLIMIT_FSIZE, &limit);
            signal(SIGXFSZ, SIG_IGN);
        });
    });
    QCOMPARE(run.Code, 1);
    QVERIFY2(run.Err.contains(strerror(EFBIG)), run.Err.constData());
    QCOMPARE(FilesUnder("out"), pages);
    for (const QString& page : pages)
        QCOMPARE(ReadBytes(Path("out/" + page)), QByteArray("old"));
}

QTEST_GUILESS_MAIN(TestPas2htmlWrites)
#include "test_pas2html_writes.moc"
