// pas2html driven as a process: names, -o forms, standard input, exit codes, options and failures.

#include "__pas2html.h"

#include "EnginePages.h"
#include "TestFiles.h"
#include "ToolRun.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>

class TestPas2htmlCli : public QObject {
    Q_OBJECT
private slots:
    void init();
    void pagesAndExitCodes_data();
    void pagesAndExitCodes();
    void pageBytesMatchEngine();
    void standardInput();
    void optionFiles();
    void unwritableTargetKeepsGoing();
    void sharedTargetKeepsFirstSource();
    void namedTarget_data();
    void namedTarget();
    void walkStaysInside();
    void windowSettings();
    void outputMustBeAFolder_data();
    void outputMustBeAFolder();
    void unmarkedSources();
    void messagesNameWhatWasTyped_data();
    void messagesNameWhatWasTyped();
    void damagedBinaryForm();
    void manualPageListsEveryOption();
    void licenceNamedAlike();
    void parseErrors_data();
    void parseErrors();

private:
    TRun Run(const QStringList& args, const QByteArray& input = {},
             const std::function<void(QProcess&)>& setup = {});
    QString Path(const QString& relative) const { return FDir->filePath(relative); }
    std::unique_ptr<QTemporaryDir> FDir;
};

TRun TestPas2htmlCli::Run(const QStringList& args, const QByteArray& input,
                          const std::function<void(QProcess&)>& setup) {
    return RunTool(QStringLiteral(DWELK_BIN_DIR "/pas2html"), args, FDir->path(), input, setup);
}

void TestPas2htmlCli::init() {
    FDir = std::make_unique<QTemporaryDir>();
    WriteBytes(Path("src/Unit1.pas"), "unit Unit1; begin end.");
    WriteBytes(Path("src/Unit1.dfm"), "object Form1: TForm1 end");
    WriteBytes(Path("src/Project1.dpr"), "program Project1; begin end.");
    WriteBytes(Path("src/sub/Main.PAS"), "x := 1;");
    WriteBytes(Path("src/sub/blank.pas"), " \r\n");
    WriteBytes(Path("src/readme.txt"), "not pascal");
    WriteBytes(Path("other/Unit1.pas"), "unit Other;");
    WriteBytes(Path("other/index.dpr"), "program Index;");
    WriteBytes(Path(" lead.pas"), "unit Lead;");
    WriteBytes(Path("lead.pas"), "unit NotLead;");
}

void TestPas2htmlCli::pagesAndExitCodes_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("code");
    QTest::addColumn<QStringList>("written");
    QTest::addColumn<QStringList>("absent");

    QTest::newRow("file beside source")
        << QStringList{"src/Unit1.pas"} << 0 << QStringList{"src/Unit1_pas.htm"} << QStringList{};
    QTest::newRow("form and project names")
        << QStringList{"src/Unit1.dfm", "src/Project1.dpr"} << 0
        << QStringList{"src/Unit1_dfm.htm", "src/Project1.htm"} << QStringList{};
    QTest::newRow("folder recursively, blank skipped")
        << QStringList{"src"} << 0
        << QStringList{"src/Unit1_pas.htm", "src/Unit1_dfm.htm", "src/Project1.htm",
                       "src/sub/Main_pas.htm"}
        << QStringList{"src/sub/blank_pas.htm", "src/readme.htm"};
    QTest::newRow("-o names the page of one file")
        << QStringList{"-o", "page.html", "src/Unit1.pas"} << 0 << QStringList{"page.html"}
        << QStringList{"src/Unit1_pas.htm"};
    QTest::newRow("-o folder keeps relative paths")
        << QStringList{"-o", "out", "src"} << 0
        << QStringList{"out/Unit1_pas.htm", "out/sub/Main_pas.htm", "out/Project1.htm"}
        << QStringList{"src/Unit1_pas.htm", "out/src/Unit1_pas.htm"};
    QTest::newRow("-o existing folder for one file")
        << QStringList{"-o", "src/sub", "src/Unit1.pas"} << 0
        << QStringList{"src/sub/Unit1_pas.htm"} << QStringList{"src/Unit1_pas.htm"};
    QTest::newRow("-o with trailing slash is a folder")
        << QStringList{"-o", "new/", "src/Unit1.dfm"} << 0 << QStringList{"new/Unit1_dfm.htm"}
        << QStringList{};
    QTest::newRow("-o folder for several files")
        << QStringList{"-q", "-o", "out2", "src/Unit1.pas", "src/sub/Main.PAS"} << 0
        << QStringList{"out2/Unit1_pas.htm", "out2/Main_pas.htm"} << QStringList{};
    QTest::newRow("two sources, one page: the later refused")
        << QStringList{"-o", "out", "src/Unit1.pas", "other/Unit1.pas"} << 1
        << QStringList{"out/Unit1_pas.htm"} << QStringList{};
    QTest::newRow("same source twice") << QStringList{"src/Unit1.pas", "./src/Unit1.pas"} << 0
                                       << QStringList{"src/Unit1_pas.htm"} << QStringList{};
    QTest::newRow("missing source, others still convert")
        << QStringList{"src/none.pas", "src/Unit1.pas"} << 1 << QStringList{"src/Unit1_pas.htm"}
        << QStringList{};
    QTest::newRow("named file of another type")
        << QStringList{"src/readme.txt"} << 1 << QStringList{} << QStringList{"src/readme.htm"};
    QTest::newRow("unknown option") << QStringList{"--frobnicate", "src/Unit1.pas"} << 2
                                    << QStringList{} << QStringList{"src/Unit1_pas.htm"};
    QTest::newRow("no source") << QStringList{"-v"} << 2 << QStringList{} << QStringList{};
    QTest::newRow("option without its value") << QStringList{"src/Unit1.pas", "-o"} << 2
                                              << QStringList{} << QStringList{"src/Unit1_pas.htm"};
    QTest::newRow("flag with a value") << QStringList{"--quiet=1", "src/Unit1.pas"} << 2
                                       << QStringList{} << QStringList{"src/Unit1_pas.htm"};
    QTest::newRow("options after sources, values glued")
        << QStringList{"src/Unit1.pas", "-oout.htm", "--title=T"} << 0 << QStringList{"out.htm"}
        << QStringList{"src/Unit1_pas.htm"};
    QTest::newRow("-- ends the options")
        << QStringList{"--", "-q"} << 1 << QStringList{} << QStringList{};
    QTest::newRow("bad job count")
        << QStringList{"-j", "0", "src"} << 2 << QStringList{} << QStringList{"src/Unit1_pas.htm"};
    QTest::newRow("long forms, switches together")
        << QStringList{"-qv", "--jobs=1", "--output", "o.htm", "src/Unit1.pas"} << 0
        << QStringList{"o.htm"} << QStringList{"src/Unit1_pas.htm"};
    QTest::newRow("one job at a time")
        << QStringList{"-j1", "src"} << 0 << QStringList{"src/sub/Main_pas.htm"} << QStringList{};
    QTest::newRow("leading blank belongs to the name")
        << QStringList{" lead.pas"} << 0 << QStringList{" lead_pas.htm"}
        << QStringList{"lead_pas.htm"};
    QTest::newRow("leading blank, no such file")
        << QStringList{" src/Unit1.pas"} << 1 << QStringList{} << QStringList{"src/Unit1_pas.htm"};
    QTest::newRow("index without an output folder")
        << QStringList{"--index", "src"} << 2 << QStringList{} << QStringList{"src/Unit1_pas.htm"};
    QTest::newRow("index with -o naming a page")
        << QStringList{"--site", "-o", "page.htm", "src/Unit1.pas"} << 2 << QStringList{}
        << QStringList{"page.htm"};
    QTest::newRow("a page that would be the index")
        << QStringList{"--index", "-o", "out", "other"} << 2 << QStringList{}
        << QStringList{"out/Unit1_pas.htm", "out/index.htm"};
    QTest::newRow("line numbers without an index")
        << QStringList{"--line-numbers", "src/Unit1.pas"} << 0 << QStringList{"src/Unit1_pas.htm"}
        << QStringList{"src/index.htm"};
    QTest::newRow("missing tag file") << QStringList{"--tags", "none.txt", "src"} << 2
                                      << QStringList{} << QStringList{"src/Unit1_pas.htm"};
}

void TestPas2htmlCli::pagesAndExitCodes() {
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(QStringList, written);
    QFETCH(QStringList, absent);
    const TRun run = Run(args);
    QVERIFY2(run.Code == code, run.Err.constData());
    for (const QString& file : written)
        QVERIFY2(QFile::exists(Path(file)), qPrintable(file));
    for (const QString& file : absent)
        QVERIFY2(!QFile::exists(Path(file)), qPrintable(file));
    if (code != 0)
        QVERIFY(run.Err.startsWith("pas2html: "));
}

void TestPas2htmlCli::pageBytesMatchEngine() {
    WriteBytes(Path("src/a&b<c>.pas"), "\xEF\xBB\xBF{ \xD0\x9F } begin 'x' end.");
    QCOMPARE(Run({"src"}).Code, 0);
    const QStringList pages[] = {{"src/Unit1.pas", "src/Unit1_pas.htm"},
                                 {"src/a&b<c>.pas", "src/a&b<c>_pas.htm"},
                                 {"src/sub/Main.PAS", "src/sub/Main_pas.htm"}};
    for (const QStringList& pair : pages) {
        const QString source = Path(pair[0]);
        QCOMPARE(ReadBytes(Path(pair[1])), EnginePage(source, TitleFromFileName(source)));
    }
    QVERIFY(ReadBytes(Path("src/a&b<c>_pas.htm")).contains("<title>a&amp;b&lt;c&gt;.pas</title>"));
}

void TestPas2htmlCli::standardInput() {
    const QByteArray source = "\xFF\xFE" + QByteArray("e\0n\0d\0", 6);
    WriteBytes(Path("stdin.pas"), source);
    const TRun run = Run({"-"}, source);
    QCOMPARE(run.Code, 0);
    QCOMPARE(run.Out, EnginePage(Path("stdin.pas"), ""));
    QCOMPARE(Run({"-o", "from-stdin.htm", "-"}, source).Code, 0);
    QCOMPARE(ReadBytes(Path("from-stdin.htm")), run.Out);
    const TRun blank = Run({"-"}, "  \n");
    QCOMPARE(blank.Code, 0);
    QVERIFY(blank.Out.isEmpty());

    // A folder is no input, and output that never arrives is a failure, whatever printed it.
    QCOMPARE(Run({"-"}, {}, [&](QProcess& p) { p.setStandardInputFile(FDir->path()); }).Code, 1);
    const auto full = [](QProcess& p) { p.setStandardOutputFile("/dev/full"); };
    for (const QStringList& args : {QStringList{"-"}, QStringList{"--help"}}) {
        const TRun lost = Run(args, source, full);
        QCOMPARE(lost.Code, 1);
        QVERIFY2(lost.Err.contains(strerror(ENOSPC)), lost.Err.constData());
    }
}

void TestPas2htmlCli::optionFiles() {
    WriteBytes(Path("tags.txt"), "Bres=<u>\r\neres=</u>\r\n");
    WriteBytes(Path("after.txt"), "<p>top</p>");
    WriteBytes(Path("before.txt"), "<p>bottom</p>");
    QCOMPARE(Run({"--tags", "tags.txt", "--title", "My <page>", "--after", "after.txt", "--before",
                  "before.txt", "src/Unit1.pas"})
                 .Code,
             0);
    const QByteArray page = ReadBytes(Path("src/Unit1_pas.htm"));
    QVERIFY(page.contains("<title>My <page></title>"));
    QVERIFY(page.contains("<body>\r\n<p>top</p>\r\n<pre>"));
    QVERIFY(page.contains("</pre>\r\n<p>bottom</p>\r\n</body>"));
    QVERIFY(page.contains("<u>unit</u>"));
    QVERIFY(page.contains("<i style=\"color: navy;\">") == false);

    // Without a mark: UTF-8 when it is valid UTF-8, else windows-1251; the page is ANSI.
    WriteBytes(Path("tags.txt"), "Bres=<b title=\"ключ\">\r\n");
    WriteBytes(Path("after.txt"), "<p>\xCF\xF0\xE8</p>");
    WriteBytes(Path("before.txt"), "\xEF\xBB\xBF<p>\xD0\xAF</p>");
    QCOMPARE(Run({"--tags", "tags.txt", "--after", "after.txt", "--before", "before.txt",
                  "src/Unit1.pas"})
                 .Code,
             0);
    const QByteArray mixed = ReadBytes(Path("src/Unit1_pas.htm"));
    QVERIFY(mixed.contains("<b title=\"\xEA\xEB\xFE\xF7\">unit"));
    QVERIFY(mixed.contains("<p>\xCF\xF0\xE8</p>"));
    QVERIFY(mixed.contains("<p>\xDF</p>"));
    QVERIFY(Run({"--help"}).Out.contains("UTF-8"));
    // The parser's English is not shown; the option is named.
    QVERIFY(Run({"src/Unit1.pas", "--tags"}).Err.contains("--tags"));
    QVERIFY(!Run({"src/Unit1.pas", "--tags"}).Err.contains("Missing"));
}

void TestPas2htmlCli::unwritableTargetKeepsGoing() {
    // A regular file stands where the output folder of one page should be.
    WriteBytes(Path("out/sub"), "a file, not a folder");
    const TRun run = Run({"-o", "out", "src"});
    QCOMPARE(run.Code, 1);
    QVERIFY(run.Err.contains("sub"));
    QVERIFY(QFile::exists(Path("out/Unit1_pas.htm")));
    QCOMPARE(ReadBytes(Path("out/sub")), QByteArray("a file, not a folder"));
    // A folder where a page should be: the page is reported, nothing is left half-written.
    QDir().mkpath(Path("src/Unit1_pas.htm"));
    QCOMPARE(Run({"src/Unit1.pas"}).Code, 1);
    QVERIFY(QFileInfo(Path("src/Unit1_pas.htm")).isDir());
    QCOMPARE(QDir(Path("src")).entryList({"*.htm*"}, QDir::Files).size(), 0);
    // A file size limit binds root too: the page cannot be finished, the old one stays.
    WriteBytes(Path("big/Big.pas"), QByteArray(100000, 'x'));
    WriteBytes(Path("big/Big_pas.htm"), "old");
    const TRun limited = Run({"big/Big.pas"}, {}, [](QProcess& p) {
        p.setChildProcessModifier([] {
            const rlimit limit{16384, 16384};
            setrlimit(RLIMIT_FSIZE, &limit);
            signal(SIGXFSZ, SIG_IGN);
        });
    });
    QCOMPARE(limited.Code, 1);
    QVERIFY2(limited.Err.contains(strerror(EFBIG)), limited.Err.constData());
    QCOMPARE(ReadBytes(Path("big/Big_pas.htm")), QByteArray("old"));
    QCOMPARE(QDir(Path("big")).entryList(QDir::Files).size(), 2);
}

void TestPas2htmlCli::sharedTargetKeepsFirstSource() {
    // Whichever worker finished last would otherwise decide the page; -j keeps them racing.
    const TRun run = Run({"-j2", "-o", "out", "src/Unit1.pas", "other/Unit1.pas"});
    QCOMPARE(run.Code, 1);
    QVERIFY(run.Err.contains("other/Unit1.pas"));
    QVERIFY(ReadBytes(Path("out/Unit1_pas.htm")).contains(" Unit1;"));
}

void TestPas2htmlCli::namedTarget_data() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("fifo is written into") << "fifo";
    QTest::newRow("link to a file is written through") << "link";
    QTest::newRow("link under /dev/shm replaces, never appends") << "shm link";
    QTest::newRow("standard output is written at its position") << "stdout";
    QTest::newRow("the source itself is refused") << "source";
}

void TestPas2htmlCli::namedTarget() {
    QFETCH(QString, kind);
    const QString page = Path("page.htm");
    const QByteArray expected = EnginePage(Path("src/Unit1.pas"), "Unit1.pas");
    if (kind == "source") {
        const TRun run = Run({"-o", "src/Unit1.pas", "src/Unit1.pas"});
        QCOMPARE(run.Code, 1);
        QCOMPARE(ReadBytes(Path("src/Unit1.pas")), QByteArray("unit Unit1; begin end."));
        return;
    }
    if (kind == "link" || kind == "shm link") {
        WriteBytes(Path("real.htm"), "old");
        const QTemporaryDir shm("/dev/shm/pas2html-test-XXXXXX");
        if (kind == "shm link" && !shm.isValid())
            QSKIP("no /dev/shm here");
        const QString link = kind == "link" ? page : shm.filePath("page.htm");
        QVERIFY(QFile::link(Path("real.htm"), link));
        QCOMPARE(Run({"-o", link, "src/Unit1.pas"}).Code, 0);
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(ReadBytes(Path("real.htm")), expected);
        return;
    }
    if (kind == "stdout") {
        WriteBytes(Path("log"), "before\n");
        for (const char* name : {"/dev/stdout", "-", "/proc/self/fd/1"})
            QCOMPARE(Run({"-o", name, "src/Unit1.pas"}, {},
                         [this](QProcess& p) {
                             p.setStandardOutputFile(Path("log"), QIODevice::Append);
                         })
                         .Code,
                     0);
        QCOMPARE(ReadBytes(Path("log")), "before\n" + expected + expected + expected);
        return;
    }
    QCOMPARE(mkfifo(QFile::encodeName(page).constData(), 0600), 0);
    QProcess p;
    p.setWorkingDirectory(FDir->path());
    p.start(QStringLiteral(DWELK_BIN_DIR "/pas2html"), {"-o", "page.htm", "src/Unit1.pas"});
    const QByteArray got = ReadBytes(page); // until the writer closes its end
    QVERIFY(p.waitForFinished(60000));
    QCOMPARE(p.exitCode(), 0);
    QCOMPARE(got, expected);
    QVERIFY(!QFileInfo(page).isFile());
}

// A hostile tree: links out of it, a device, FIFOs at a source's and at a page's name, a
// linked output subfolder. Each is reported and left alone; the rest is converted.
void TestPas2htmlCli::walkStaysInside() {
    WriteBytes(Path("outside/key.pas"), "secret");
    WriteBytes(Path("outside/victim"), "victim");
    WriteBytes(Path("src/.hidden/h.pas"), "unit H;");
    QVERIFY(QFile::link("../outside/key.pas", Path("src/key.pas")));
    QVERIFY(QFile::link("/dev/zero", Path("src/zero.pas")));
    QVERIFY(QFile::link("Unit1.pas", Path("src/inside.pas")));
    QVERIFY(QFile::link("../outside/victim", Path("src/Unit1_dfm.htm")));
    QVERIFY(QFile::link("../outside", Path("src/linked")));
    QCOMPARE(mkfifo(QFile::encodeName(Path("src/fifo.pas")).constData(), 0600), 0);
    QCOMPARE(mkfifo(QFile::encodeName(Path("src/Project1.htm")).constData(), 0600), 0);
    const QByteArray badName = QFile::encodeName(Path("src")) + "/bad\xff.pas";
    std::fclose(std::fopen(badName.constData(), "w"));

    const TRun run = Run({"src"});
    QCOMPARE(run.Code, 1);
    for (const char* name :
         {"key.pas", "zero.pas", "fifo.pas", "Unit1_dfm.htm", "Project1.htm", "bad"})
        QVERIFY2(run.Err.contains(name), name);
    QVERIFY(!run.Err.contains("hidden"));
    QCOMPARE(ReadBytes(Path("outside/victim")), QByteArray("victim"));
    QVERIFY(QFile::exists(Path("src/inside_pas.htm")));
    QVERIFY(QFile::exists(Path("src/sub/Main_pas.htm")));
    QVERIFY(!QFile::exists(Path("src/key_pas.htm")));
    QVERIFY(!QFile::exists(Path("src/.hidden/h_pas.htm")));

    QVERIFY(QDir().mkpath(Path("out")));
    QVERIFY(QFile::link("../outside", Path("out/sub")));
    QCOMPARE(Run({"-q", "-o", "out", "src"}).Code, 1);
    QCOMPARE(QDir(Path("outside")).entryList(QDir::Files).size(), 2);
}

void TestPas2htmlCli::windowSettings() {
    WriteBytes(Path("prog/dwelk.ini"),
               "[HTML]\r\nSuffix_PAS=  _unit \r\nYes_Suffix_DFM=0\r\nHTML_ExtFile_Index=7\r\n"
               "Yes_HTML_after_BODY=1\r\nYes_HTML_before_BODY=1\r\n"
               "[HTML_Attr]\r\nBres=<u>\r\nEres=</u>\r\n");
    WriteBytes(Path("prog/Quorvel_Body_after.txt"), "<p>\xCF\xF0\xE8</p>\r\n");
    // The before fragment is switched on but has no file: the window's editor stays empty.
    QCOMPARE(Run({"--settings", "prog/dwelk.ini", "src/Unit1.pas", "src/Unit1.dfm"}).Code, 0);
    const QByteArray unit = ReadBytes(Path("src/Unit1_unit.html"));
    QVERIFY(unit.contains("<u>unit</u>"));
    QVERIFY(unit.contains("<body>\r\n<p>\xCF\xF0\xE8</p>\r\n<pre>"));
    QVERIFY(unit.contains("</pre>\r\n</body>"));
    QVERIFY(QFile::exists(Path("src/Unit1.html")));

    // Options replace what the settings file says.
    WriteBytes(Path("tags.txt"), "Bres=<s>");
    QCOMPARE(Run({"--settings", "prog/dwelk.ini", "--tags", "tags.txt", "src/Project1.dpr"}).Code,
             0);
    QVERIFY(ReadBytes(Path("src/Project1.html")).contains("<s>begin</b>"));

    // An empty tag section gives the default set, as at the window's start-up.
    WriteBytes(Path("prog2/dwelk.ini"), "[HTML_Attr]\r\n");
    QCOMPARE(Run({"--settings", "prog2/dwelk.ini", "src/Unit1.pas"}).Code, 0);
    QVERIFY(ReadBytes(Path("src/Unit1_pas.htm")).contains("<b>unit</b>"));
    QCOMPARE(Run({"--settings", "prog3/none.ini", "src/Unit1.pas"}).Code, 2);
    // A file that is there but cannot be read; reading this one fails even for root.
    QCOMPARE(Run({"--settings", "/proc/self/mem", "src/Unit1.pas"}).Code, 2);

    // A suffix that would put the page elsewhere or cut its name: nothing is written.
    QDir(Path("src")).removeRecursively();
    WriteBytes(Path("src/Unit1.pas"), "unit Unit1;");
    WriteBytes(Path("prog4/dwelk.ini"), "[HTML]\nSuffix_PAS=/../../x\n");
    TRun bad = Run({"--settings", "prog4/dwelk.ini", "src/Unit1.pas"});
    QCOMPARE(bad.Code, 2);
    QVERIFY(bad.Err.contains("/../../x"));
    WriteBytes(Path("prog4/dwelk.ini"), QByteArray("[HTML]\nSuffix_DFM=a\0b\n", 22));
    QCOMPARE(Run({"--settings", "prog4/dwelk.ini", "src/Unit1.pas"}).Code, 2);
    QCOMPARE(QDir(Path(".")).entryList({"*.htm*"}, QDir::Files).size(), 0);
    QCOMPARE(QDir(Path("src")).entryList({"*.htm*"}, QDir::Files).size(), 0);
    // Switched off, the suffix is not used.
    WriteBytes(Path("prog4/dwelk.ini"),
               QByteArray("[HTML]\nSuffix_DFM=a\0b\nYes_Suffix_DFM=0\n", 39));
    QCOMPARE(Run({"--settings", "prog4/dwelk.ini", "src/Unit1.pas"}).Code, 0);
}

// A damaged binary form is written as far as it reads, reported by name, and fails the run
// without stopping the others.
void TestPas2htmlCli::damagedBinaryForm() {
    const QByteArray form = ReadBytes(QStringLiteral(DWELK_TEST_DATA "/forms/main.dfm"));
    QVERIFY(!form.isEmpty());
    WriteBytes(Path("src/Cut.dfm"), form.first(form.size() / 2));
    WriteBytes(Path("src/Whole.dfm"), form);
    const TRun run = Run({"-j1", "src"});
    QCOMPARE(run.Code, 1);
    QVERIFY2(run.Err.contains("src/Cut.dfm: ") && !run.Err.contains("Whole"), run.Err.constData());
    QVERIFY(ReadBytes(Path("src/Cut_dfm.htm")).contains("object fMain: TfMain"));
    QVERIFY(ReadBytes(Path("src/Whole_dfm.htm")).contains("object fMain: TfMain"));
    QVERIFY(QFile::exists(Path("src/Unit1_pas.htm")));
    // Its page is written, so the index lists it.
    QCOMPARE(Run({"-q", "--index", "-o", "out", "src"}).Code, 1);
    QVERIFY(ReadBytes(Path("out/index.htm")).contains("<a href=\"Cut_dfm.htm\">Cut.dfm</a>"));

    const TRun piped = Run({"-"}, form.first(form.size() / 2));
    QCOMPARE(piped.Code, 1);
    QVERIFY(piped.Out.contains("object fMain: TfMain"));
    QCOMPARE(Run({"-"}, form).Code, 0);
    // Cut inside its first header: still a damaged form, not text with its control bytes.
    const TRun header = Run({"-"}, QByteArray("TPF0\x05TFo"));
    QCOMPARE(header.Code, 1);
    QVERIFY2(header.Out.contains("// \xD0\x9E\xD1\x88\xD0\xB8\xD0\xB1\xD0\xBA\xD0\xB0: ") ||
                 header.Out.contains("// \xCE\xF8\xE8\xE1\xEA\xE0: "),
             header.Out.constData());
    QVERIFY(!header.Out.contains('\x05'));
}

// A folder's pages need a folder: -o naming a file or a device is refused before any work.
void TestPas2htmlCli::outputMustBeAFolder_data() {
    QTest::addColumn<QStringList>("args");
    QTest::newRow("device") << QStringList{"-o", "/dev/null", "src"};
    QTest::newRow("file, long form") << QStringList{"--output", "src/Unit1.pas", "src"};
    QTest::newRow("under a file") << QStringList{"-o", "src/Unit1.pas/x", "src"};
    QTest::newRow("several sources")
        << QStringList{"-o", "/dev/null", "src/Unit1.pas", "src/Unit1.dfm"};
}

void TestPas2htmlCli::outputMustBeAFolder() {
    QFETCH(QStringList, args);
    const QByteArray before = ReadBytes(Path("src/Unit1.pas"));
    const TRun run = Run(args);
    QCOMPARE(run.Code, 2);
    QCOMPARE(run.Err.count('\n'), 1);
    QVERIFY2(run.Err.contains(args[0].toUtf8() + ' ' + args[1].toUtf8()) &&
                 run.Err.contains(strerror(ENOTDIR)),
             run.Err.constData());
    QCOMPARE(ReadBytes(Path("src/Unit1.pas")), before);
    QCOMPARE(QDir(Path("src")).entryList({"*.htm"}, QDir::Files).size(), 0);
}

// Unmarked UTF-8 through standard input, larger than what is kept in memory, gives the page of
// the same source with its mark; --encoding forces the reading of unmarked sources only.
void TestPas2htmlCli::unmarkedSources() {
    const QByteArray text = QByteArray("x := 1;\r\n").repeated(1 << 20) + "// Stra\xC3\x9F"
                                                                          "e\r\n";
    WriteBytes(Path("m/Marked.pas"), "\xEF\xBB\xBF" + text);
    QCOMPARE(Run({"--title", "t", "m/Marked.pas"}).Code, 0);
    const QByteArray marked = ReadBytes(Path("m/Marked_pas.htm"));
    const TRun piped = Run({"--title", "t", "-"}, text);
    QCOMPARE(piped.Code, 0);
    QVERIFY(piped.Out == marked);

    const QByteArray small = "// \xD0\x9C";
    QVERIFY(Run({"-"}, small).Out.startsWith("\xEF\xBB\xBF<html>"));
    QVERIFY(Run({"--encoding", "windows-1251", "-"}, small).Out.startsWith("<html>"));
    QVERIFY(Run({"--encoding=UTF-8", "-"}, "// \xCF\xF0").Out.startsWith("\xEF\xBB\xBF<html>"));
    QVERIFY(Run({"--encoding=windows-1251", "-"}, "\xEF\xBB\xBF" + small)
                .Out.startsWith("\xEF\xBB\xBF<html>"));
    QCOMPARE(Run({"--encoding", "koi8-r", "-"}, small).Code, 2);
}

// Messages name what the user typed.
void TestPas2htmlCli::messagesNameWhatWasTyped_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("message");
    QTest::newRow("missing source with an index")
        << QStringList{"-o", "out", "--index", "/nonexistent"}
        << "pas2html: /nonexistent: нет такого файла или папки";
    QTest::newRow("--site without -o")
        << QStringList{"--site", "src"} << "pas2html: --site: нужна папка для страниц";
    QTest::newRow("--index without -o")
        << QStringList{"--index", "src"} << "pas2html: --index: нужна папка для страниц";
}

void TestPas2htmlCli::messagesNameWhatWasTyped() {
    QFETCH(QStringList, args);
    QFETCH(QString, message);
    const TRun run = Run(args);
    QCOMPARE(run.Code, 2);
    QVERIFY2(QString::fromUtf8(run.Err).startsWith(message), run.Err.constData());
}

// The manual page is written by hand: it must name exactly the options the help names.
void TestPas2htmlCli::manualPageListsEveryOption() {
    const TRun help = Run({"--help"});
    QCOMPARE(help.Code, 0);
    static const QRegularExpression name(QStringLiteral("(?<![\\w-])(--?[a-z][a-z-]*)"));
    const auto names = [](const QStringList& lines) {
        QStringList found;
        for (const QString& line : lines)
            for (const auto& m : name.globalMatch(line))
                found << m.captured(1);
        found.sort();
        return found;
    };
    // The help's option lines begin with two blanks and a dash; the name column ends at the
    // first run of two blanks.
    QStringList helpLines;
    for (const QString& line : QString::fromUtf8(help.Out).split(u'\n'))
        if (line.startsWith(u"  -"))
            helpLines << line.mid(2).section(QStringLiteral("  "), 0, 0);
    // The manual's options are the lines that follow ".TP" in its options section.
    const QString manual = QString::fromUtf8(ReadBytes(DWELK_SOURCE_DIR "/packaging/pas2html.1"))
                               .replace(QStringLiteral("\\-"), QStringLiteral("-"))
                               .remove(QRegularExpression(QStringLiteral("\\\\f[BIR]")));
    const QStringList lines = manual.section(QStringLiteral(".SH ПАРАМЕТРЫ"), 1)
                                  .section(QStringLiteral(".SH "), 0, 0)
                                  .split(u'\n');
    QStringList manualLines;
    for (qsizetype i = 1; i < lines.size(); ++i)
        if (lines[i - 1] == u".TP")
            manualLines << lines[i];
    const QStringList listed = names(helpLines);
    QCOMPARE(names(manualLines), listed);
    for (const char* option : {"--output", "--jobs", "--types", "-o", "-j", "--site"})
        QVERIFY2(listed.contains(option), option);
}

void TestPas2htmlCli::parseErrors_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("message");
    QTest::newRow("unknown long") << QStringList{"--frobnicate=1", "a.pas"}
                                  << "неизвестный параметр --frobnicate";
    QTest::newRow("unknown short in a cluster")
        << QStringList{"-qx", "a.pas"} << "неизвестный параметр -x";
    QTest::newRow("switch with a value")
        << QStringList{"--quiet=1", "a.pas"} << "параметру --quiet не нужно значение";
    QTest::newRow("value missing, long")
        << QStringList{"a.pas", "--output"} << "параметру --output нужно значение";
    QTest::newRow("value missing, short")
        << QStringList{"a.pas", "-qj"} << "параметру -j нужно значение";
    QTest::newRow("bad count, long form named")
        << QStringList{"--jobs=x", "a.pas"} << "--jobs: нужно целое число не меньше 1, а не «x»";
    QTest::newRow("unknown type") << QStringList{"--types", "pas,,pp", "a.pas"}
                                  << "--types: «» не тип исходного файла";
    QTest::newRow("no source") << QStringList{"-qv"} << "не указан ни один файл или папка";
}

// Our own sentences, naming the option as it was typed.
void TestPas2htmlCli::parseErrors() {
    QFETCH(QStringList, args);
    QFETCH(QString, message);
    const TRun run = Run(args);
    QCOMPARE(run.Code, 2);
    QVERIFY2(QString::fromUtf8(run.Err).startsWith("pas2html: " + message), run.Err.constData());
}

// One licence, named alike wherever a user or a package tool looks for it.
void TestPas2htmlCli::licenceNamedAlike() {
    const TRun version = Run({"--version"});
    QCOMPARE(version.Code, 0);
    QVERIFY(version.Out.startsWith("pas2html " DWELK_PROJECT_VERSION " "));
    const QByteArray licence = "GPL-3.0-or-later";
    QVERIFY(version.Out.contains(licence));
    for (const char* file : {"dwelk.1", "pas2html.1", "org.dwelk.Dwelk.metainfo.xml"})
        QVERIFY2(ReadBytes(QStringLiteral(DWELK_SOURCE_DIR "/packaging/") + QLatin1String(file))
                     .contains(licence),
                 file);
    QVERIFY(ReadBytes(DWELK_SOURCE_DIR "/packaging/copyright").contains("License: GPL-3+"));
}

QTEST_GUILESS_MAIN(TestPas2htmlCli)
#include "test_pas2html_cli.moc"
