// Published folders: which page links to which, line anchors, the index, and the pages a
// run leaves out; and the Free Pascal and Lazarus types of a walk.

#include "TestFiles.h"
#include "ToolRun.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <memory>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

// Every link of the page `page` under `out` as "text=>href", the markup inside it taken out;
// a link to no existing file gives "href is missing" alone. Pages are read byte for byte.
QStringList CheckedLinks(const QString& out, const QString& page) {
    static const QRegularExpression link("<a href=\"([^\"]*)\">(.*?)</a>");
    static const QRegularExpression tag("<[^>]*>");
    QStringList found;
    const QString path = QDir(out).filePath(page);
    for (const auto& m : link.globalMatch(QString::fromLatin1(ReadBytes(path)))) {
        const QString href = m.captured(1);
        const QString file = QUrl::fromPercentEncoding(href.section('#', 0, 0).toUtf8());
        if (!QFileInfo(QFileInfo(path).dir().filePath(file)).isFile())
            return {href + " is missing"};
        found << QString(m.captured(2)).remove(tag) + "=>" + href;
    }
    return found;
}

// Files of at most 64 KB, and few descriptors: a batch holds 16 folders.
void SmallFilesAndFew(QProcess& p) {
    p.setChildProcessModifier([] {
        const rlimit size{65536, 65536}, files{84, 84};
        setrlimit(RLIMIT_FSIZE, &size);
        setrlimit(RLIMIT_NOFILE, &files);
        signal(SIGXFSZ, SIG_IGN);
    });
}

} // namespace

class TestPas2htmlSite : public QObject {
    Q_OBJECT
private slots:
    void init() { FDir = std::make_unique<QTemporaryDir>(); }
    void site();
    void siteLeavesOutUnwritablePages();
    void lineAnchorsOutsideMarkup();
    void freePascalTypes_data();
    void freePascalTypes();
    void includeAndFormLinks();
    void codeBrowser();
    void codeBrowserReadsAsPages();
    void codeBrowserSymbolOrder();
    void codeBrowserHostileIncludes_data();
    void codeBrowserHostileIncludes();
    void codeBrowserLongLine();
    void codeBrowserUsedLines_data();
    void codeBrowserUsedLines();
    void codeBrowserLeavesOutUnwrittenPages();
    void codeBrowserReportsUnwrittenReferencesPage();
    void siteOfANamedFifo();

private:
    TRun Run(const QStringList& args, const QByteArray& input = {},
             const std::function<void(QProcess&)>& setup = {}) {
        return RunTool(QStringLiteral(DWELK_BIN_DIR "/pas2html"), args, FDir->path(), input, setup);
    }
    QString Path(const QString& relative) const { return FDir->filePath(relative); }
    std::unique_ptr<QTemporaryDir> FDir;
};

// Units of one name in several folders, a blank unit, a form, a project with `in` paths, odd
// names: each link goes to the unit meant, every link and the index lead to existing pages.
void TestPas2htmlSite::site() {
    WriteBytes(Path("web/a/Dup.pas"), "unit Dup;");
    WriteBytes(Path("web/b/Dup.pas"), "unit Dup;");
    WriteBytes(Path("web/b/Near.pas"), "unit Near; uses Dup; {$R *.dfm} end.");
    WriteBytes(Path("web/b/Near.dfm"), "object F: TF end");
    WriteBytes(Path("web/c/Far.pas"), "unit Far;\r\nuses Dup, Blank, Near, Odd;\r\nend.");
    WriteBytes(Path("web/Blank.pas"), " \r\n");
    // The compiler takes the file `in` names, not the unit of that name beside the project.
    WriteBytes(Path("web/Far.pas"), "unit Far;");
    WriteBytes(Path("web/P.dpr"), "program P;\r\nuses Dup in 'B\\DUP.PAS', Far in 'c/Far.pas';");
    WriteBytes(Path("web/x y/Odd.pas"), "unit Odd; end.");
    WriteBytes(Path("web/x y/<&>.pas"), "unit Strange; end.");
    WriteBytes(Path("after.txt"), "<p>top</p>");
    const TRun run = Run({"-j2", "-q", "--index", "--line-numbers", "--link-units", "--after",
                          "after.txt", "-o", "out", "web"});
    QVERIFY2(run.Code == 0, run.Err.constData());

    const auto links = [&](const QString& page) { return CheckedLinks(Path("out"), page); };
    // The pages are windows-1251, read here byte for byte.
    const QString contents = QString::fromLatin1("\xCE\xE3\xEB\xE0\xE2\xEB\xE5\xED\xE8\xE5");
    QCOMPARE(links("b/Near_pas.htm"), (QStringList{contents + "=>../index.htm", "Dup=>Dup_pas.htm",
                                                   "{$R *.dfm}=>Near_dfm.htm"}));
    QCOMPARE(links("c/Far_pas.htm"),
             (QStringList{contents + "=>../index.htm", "Dup=>../a/Dup_pas.htm",
                          "Near=>../b/Near_pas.htm", "Odd=>../x%20y/Odd_pas.htm"}));
    QCOMPARE(links("P.htm"),
             (QStringList{contents + "=>index.htm", "Dup=>b/Dup_pas.htm", "Far=>c/Far_pas.htm"}));
    const QByteArray page = ReadBytes(Path("out/c/Far_pas.htm"));
    QVERIFY(page.contains("<span class=\"ln\" id=\"L3\" data-n=\"3\"></span><b>end.</b>"));
    // The contents link stands on its own line right after the fragment; the page is ANSI.
    QVERIFY(page.contains("<body>\r\n<p>top</p>\r\n<a href=\"../index.htm\">\xCE\xE3\xEB\xE0\xE2"
                          "\xEB\xE5\xED\xE8\xE5</a>\r\n<pre>"));

    const QStringList index = links("index.htm");
    QCOMPARE(index.size(), 9); // every page but the blank unit's
    QVERIFY(index.contains("x y/&lt;&amp;&gt;.pas=>x%20y/%3C%26%3E_pas.htm"));
    QVERIFY(index.indexOf("P.dpr=>P.htm") < index.indexOf("a/Dup.pas=>a/Dup_pas.htm"));
    const QByteArray html = ReadBytes(Path("out/index.htm"));
    QVERIFY(html.contains("<meta charset=\"utf-8\">") && html.contains("<title>web</title>"));
    QVERIFY(!html.contains("<script"));
    QVERIFY(html.contains("<td class=\"n\">3</td><td class=\"n\">"));
}

// A page that cannot be written is known before the run: no page links to it and the index
// leaves it out. A page that fails while written is left out of the index with every page of
// its batch, and the pages already written with a link to it are named.
void TestPas2htmlSite::siteLeavesOutUnwritablePages() {
    const QString longName = QString(250, u'u');
    WriteBytes(Path("web/a/" + longName + ".pas"), "unit x;");
    WriteBytes(Path("web/a/InDir.pas"), "unit InDir;");
    WriteBytes(Path("web/a/Linked.pas"), "unit Linked;");
    WriteBytes(Path("web/a/Main.pas"),
               ("unit Main; uses InDir, Linked, Late, " + longName + ";").toUtf8());
    // With few descriptors a batch holds 16 folders: "a" and b01..b15 are replaced before
    // Late's page, too big for the file size limit, fails its batch.
    for (int i = 1; i <= 20; ++i)
        WriteBytes(Path(QStringLiteral("web/b%1/B.pas").arg(i, 2, 10, QChar(u'0'))), "unit B;");
    WriteBytes(Path("web/z/Late.pas"), QByteArray(100000, 'x'));
    QVERIFY(QDir().mkpath(Path("out/a/InDir_pas.htm")));
    QVERIFY(QFile::link(Path("elsewhere.htm"), Path("out/a/Linked_pas.htm")));
    const TRun run =
        Run({"-j1", "-q", "--index", "--link-units", "-o", "out", "web"}, {}, SmallFilesAndFew);
    QCOMPARE(run.Code, 1);
    for (const QByteArray& reason : {QByteArray(strerror(ENAMETOOLONG)),
                                     QByteArray("InDir_pas.htm"), QByteArray("Linked_pas.htm")})
        QVERIFY2(run.Err.contains(reason), run.Err.constData());
    QVERIFY2(run.Err.contains("out/z/Late_pas.htm") && run.Err.contains("out/a/Main_pas.htm"),
             run.Err.constData());
    const QByteArray main = ReadBytes(Path("out/a/Main_pas.htm"));
    QVERIFY(!main.contains("href=\"InDir_pas") && !main.contains("href=\"Linked_pas") &&
            !main.contains("href=\"uuu"));
    QVERIFY(main.contains("href=\"../z/Late_pas.htm\""));
    QVERIFY(!QFile::exists(Path("out/z/Late_pas.htm")));
    // The index names only pages that are there.
    const QStringList index = CheckedLinks(Path("out"), "index.htm");
    QVERIFY(index.contains("a/Main.pas=>a/Main_pas.htm"));
    QVERIFY2(index.size() == 16 && !index.join(' ').contains("missing"),
             qPrintable(index.join(' ')));
}

// Every line's anchor stands outside the markup, even inside a comment, directive or string
// over several lines; without anchors the page is as before.
void TestPas2htmlSite::lineAnchorsOutsideMarkup() {
    WriteBytes(Path("m/M.pas"), "{ one\r\ntwo }\r\n(*$IFDEF\r\nX*) 'open\r\nnext\r\nend.");
    QCOMPARE(Run({"m/M.pas"}).Code, 0);
    const QByteArray plain = ReadBytes(Path("m/M_pas.htm"));
    QCOMPARE(Run({"--line-numbers", "m/M.pas"}).Code, 0);
    QByteArray numbered = ReadBytes(Path("m/M_pas.htm"));
    static const QRegularExpression anchor(
        "<span class=\"ln\" id=\"L\\d+\" data-n=\"\\d+\"></span>");
    const QString pre =
        QString::fromLatin1(numbered).section("<pre>\r\n", 1).section("</pre>", 0, 0);
    QStringList rows = pre.split("\r\n", Qt::SkipEmptyParts);
    QCOMPARE(rows.size(), 6);
    QCOMPARE(rows[1], QString("</i><span class=\"ln\" id=\"L2\" data-n=\"2\"></span>"
                              "<i style=\"color: teal;\">two }</i>"));
    QVERIFY2(rows[3].startsWith("</span><span class=\"ln\" id=\"L4\""), qPrintable(rows[3]));
    QVERIFY2(rows[4].startsWith("</span><span class=\"ln\" id=\"L5\" data-n=\"5\"></span>"
                                "<span style=\"color: blue;\">"),
             qPrintable(rows[4]));
    // Taken out again, the anchors and the markup around them leave the plain page.
    QString stripped = QString::fromLatin1(numbered).remove(anchor);
    for (const char* pair :
         {"</i><i style=\"color: teal;\">", "</span><span style=\"color: green;\">",
          "</span><span style=\"color: blue;\">"})
        stripped.remove(QString::fromLatin1(pair));
    stripped.remove(QRegularExpression("<style>.*</style>\r\n"));
    QCOMPARE(stripped.toLatin1(), plain);
}

void TestPas2htmlSite::freePascalTypes_data() {
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("code");
    QTest::addColumn<QStringList>("pages");

    const QStringList all{"a_pp.htm",  "B_pp.htm",  "c_p.htm",   "d.htm",     "e.htm",
                          "f_inc.htm", "U_lfm.htm", "U_pas.htm", "U_dfm.htm", "P.htm"};
    QTest::newRow("every type, any letter case") << QStringList{} << 0 << all;
    QTest::newRow("--types") << QStringList{"--types", "PP,inc"} << 0
                             << QStringList{"a_pp.htm", "B_pp.htm", "f_inc.htm"};
    QTest::newRow("--types with an unknown type")
        << QStringList{"--types", "pp,txt"} << 2 << QStringList{};
    QTest::newRow("--types empty") << QStringList{"--types="} << 2 << QStringList{};
}

// Free Pascal's and Lazarus' types are walked and named apart from a unit of the same name.
void TestPas2htmlSite::freePascalTypes() {
    QFETCH(QStringList, options);
    QFETCH(int, code);
    QFETCH(QStringList, pages);
    for (const char* name : {"a.pp", "B.PP", "c.p", "d.lpr", "e.dpk", "f.inc", "U.lfm", "U.pas",
                             "U.dfm", "P.dpr", "g.txt", "h.lrs"})
        WriteBytes(Path(QStringLiteral("fp/") + name), "unit x;");
    const TRun run = Run(options + QStringList{"-o", "out", "fp"});
    QVERIFY2(run.Code == code, run.Err.constData());
    QStringList written = QDir(Path("out")).entryList(QDir::Files);
    QStringList expected = pages;
    written.sort();
    expected.sort();
    QCOMPARE(written, expected);
}

// `{$R *.lfm}`, `{$R name.lfm}` and includes link to pages of the run; the include's own folder
// comes first, an include without extension may be any include type.
void TestPas2htmlSite::includeAndFormLinks() {
    WriteBytes(Path("lz/main.pas"), "unit main;\r\n{$R *.lfm}{$R other.lfm}{$R x.res}\r\n"
                                    "{$I defs}{$INCLUDE 'sub/part.inc'}{$I+}{$I %DATE%}\r\n"
                                    "{$I missing.inc}{$i Near.PP}\r\nend.");
    WriteBytes(Path("lz/main.lfm"), "object F: TF end");
    WriteBytes(Path("lz/other.lfm"), "object G: TG end");
    WriteBytes(Path("lz/defs.inc"), "{$mode objfpc}");
    WriteBytes(Path("lz/defs.pas"), "unit defs;");
    WriteBytes(Path("lz/sub/part.inc"), "x := 1;");
    WriteBytes(Path("lz/sub/in.inc"), "{$I part.inc}");
    WriteBytes(Path("lz/near.pp"), "unit near;");
    const TRun run = Run({"-q", "--link-units", "-o", "out", "lz"});
    QVERIFY2(run.Code == 0, run.Err.constData());
    const auto links = [&](const QString& page) { return CheckedLinks(Path("out"), page); };
    QCOMPARE(links("main_pas.htm"),
             (QStringList{"{$R *.lfm}=>main_lfm.htm", "{$R other.lfm}=>other_lfm.htm",
                          "{$I defs}=>defs_inc.htm", "{$INCLUDE 'sub/part.inc'}=>sub/part_inc.htm",
                          "{$i Near.PP}=>near_pp.htm"}));
    QCOMPARE(links("sub/in_inc.htm"), (QStringList{"{$I part.inc}=>part_inc.htm"}));
}

// A code browser over a small tree: every link of every page leads to a page and an id that
// exist, the references pages list the uses, the symbol index the interfaces, and the bytes
// do not depend on -j.
void TestPas2htmlSite::codeBrowser() {
    WriteBytes(Path("w/u1.pas"), "unit u1;\r\ninterface\r\ntype TFoo = class\r\n"
                                 "  procedure Bump;\r\nend;\r\n"
                                 "function Twice(x: Integer): Integer;\r\nvar Spare: Byte;\r\n"
                                 "implementation\r\nprocedure TFoo.Bump;\r\nbegin\r\nend;\r\n"
                                 "function Twice(x: Integer): Integer;\r\nbegin\r\n"
                                 "  Result := x * 2;\r\nend;\r\nend.\r\n");
    WriteBytes(Path("w/sub/u2.pas"), "unit u2;\r\ninterface\r\nuses u1;\r\nvar L12: TFoo;\r\n"
                                     "implementation\r\nbegin\r\n"
                                     "  L12.Bump; Twice(1); { Twice }\r\n"
                                     "  if 1<Twice(1) then L12.Bump; { a<b & c }\r\n"
                                     "  if Twice(1)>0 then L12.Bump; { \xe9 }\r\nend.\r\n");
    // Letters above ASCII before a name: the page counts names in its own bytes.
    WriteBytes(Path("w/P.dpr"), "program P;\r\nuses u1 in 'u1.pas';\r\nbegin\r\n"
                                "  u1.Twice(2);\r\n  Twice(Ord('\xd1\x91')); { \xd1\x91 } Twice(3);"
                                "\r\nend.\r\n");
    const TRun one = Run({"-j1", "-q", "--site", "-o", "one", "w"});
    QVERIFY2(one.Code == 0, one.Err.constData());
    QCOMPARE(Run({"-j4", "-q", "--site", "-o", "four", "w"}).Code, 0);

    static const QRegularExpression href("href=\"([^\"]*)\"");
    QStringList pages;
    for (const QString& name : QDir(Path("one")).entryList(QDir::Files))
        pages << name;
    for (const QString& name : QDir(Path("one/sub")).entryList(QDir::Files))
        pages << "sub/" + name;
    QCOMPARE(pages.size(), 8); // 3 pages, 3 references pages, index, symbols
    for (const QString& page : pages) {
        const QByteArray bytes = ReadBytes(Path("one/" + page));
        QCOMPARE(ReadBytes(Path("four/" + page)), bytes);
        for (const auto& m : href.globalMatch(QString::fromLatin1(bytes))) {
            const QString file = m.captured(1).section(u'#', 0, 0);
            const QString id = QUrl::fromPercentEncoding(m.captured(1).section(u'#', 1).toUtf8());
            const QString target = file.isEmpty()
                                       ? Path("one/" + page)
                                       : QFileInfo(Path("one/" + page))
                                             .dir()
                                             .filePath(QUrl::fromPercentEncoding(file.toUtf8()));
            QVERIFY2(QFileInfo(target).isFile(), qPrintable(page + ": " + m.captured(1)));
            QVERIFY2(id.isEmpty() || ReadBytes(target).contains("id=\"" + id.toUtf8() + '"'),
                     qPrintable(page + ": " + m.captured(1)));
        }
    }
    const QByteArray u2 = ReadBytes(Path("one/sub/u2_pas.htm"));
    QVERIFY(u2.contains("<a id=\"L12~1\" href=\"u2_pas.refs.htm#L12~1\">L12</a>"));
    QVERIFY(u2.contains("<a href=\"../u1_pas.htm#TFoo.Bump\" title=\"procedure Bump; \x97 "
                        "u1.pas:4\">Bump</a>"));
    QVERIFY(u2.contains("\">{ Twice }</"));
    // Escaped characters before, between and after the links of a line.
    QVERIFY(u2.contains("<b>if</b> 1&lt;<a href=\"../u1_pas.htm#Twice\" title="));
    QVERIFY(u2.contains(">Bump</a>; <i style=\"color: teal;\">{ a&lt;b &amp; c }</i>"));
    QVERIFY(u2.contains(">Twice</a>(<span style=\"color: navy;\">1</span>)&gt;<span"));
    const QByteArray refs = ReadBytes(Path("one/u1_pas.refs.htm"));
    QVERIFY(refs.contains("<div class=\"decl\" id=\"Twice\">"));
    QVERIFY(refs.contains("<li><a href=\"sub/u2_pas.htm#L7\">sub/u2.pas:7</a> "
                          "<code>L12.Bump; Twice(1); { Twice }</code></li>"));
    QVERIFY(refs.contains("<li><a href=\"P.htm#L4\">P.dpr:4</a> <code>u1.Twice(2);</code></li>"));
    QVERIFY(refs.contains("id=\"Spare\"><p class=\"decl\"><a href=\"u1_pas.htm#Spare\"><code>"
                          "var Spare: Byte;</code></a><span class=\"kind\">переменная</span></p>"
                          "\n<p class=\"none\">не используется</p>"));
    const QString symbols = QString::fromUtf8(ReadBytes(Path("one/symbols.htm")));
    for (const char* row : {">TFoo.Bump</a></td><td>метод<", ">Twice</a></td><td>функция<",
                            ">L12</a></td><td>переменная<", ">Spare</a></td><td>переменная<"})
        QVERIFY2(symbols.contains(QString::fromUtf8(row)), row);
    QVERIFY(!symbols.contains(QStringLiteral(">Twice.x<")));
    QVERIFY(ReadBytes(Path("one/index.htm")).contains("<a href=\"symbols.htm\">"));
    QCOMPARE(ReadBytes(Path("one/P.htm")).count("<a href=\"u1_pas.htm#Twice\""), 3);

    WriteBytes(Path("w/symbols.dpr"), "program symbols;");
    const TRun refused = Run({"-q", "--xref", "-o", "one", "w"});
    QCOMPARE(refused.Code, 2);
    QVERIFY(refused.Err.contains("symbols.htm"));
}

// The analysis reads a source as its page does: windows-1251 text that is also valid UTF-8
// ("\xcf\xb8" is "Пё" there, U+03F8 in UTF-8) gives titles and lines as the page shows them.
void TestPas2htmlSite::codeBrowserReadsAsPages() {
    WriteBytes(Path("w/e.pas"),
               "unit e;\r\ninterface\r\nconst Hello = '\xcf\xb8';\r\n"
               "implementation\r\nbegin\r\n  Writeln(Hello); { \xcf\xb8 }\r\nend.\r\n");
    const TRun run = Run({"-q", "--xref", "--encoding", "windows-1251", "-o", "out", "w"});
    QVERIFY2(run.Code == 0, run.Err.constData());
    QVERIFY(ReadBytes(Path("out/e_pas.htm"))
                .contains("title=\"const Hello = '\xcf\xb8'; \x97 e.pas:3\">Hello</a>"));
    const QString refs = QString::fromUtf8(ReadBytes(Path("out/e_pas.refs.htm")));
    QVERIFY2(refs.contains(QStringLiteral("<code>const Hello = 'Пё';</code>")), qPrintable(refs));
    QVERIFY2(refs.contains(QStringLiteral("<code>Writeln(Hello); { Пё }</code>")),
             qPrintable(refs));
}

// The symbol index lists names by their lower case, a character's code deciding beyond
// ASCII and beyond the eighth; equal names by their sources' paths, then as declared.
void TestPas2htmlSite::codeBrowserSymbolOrder() {
    WriteBytes(Path("w/u.pas"),
               "unit u;\ninterface\nvar \xc5\xb7xa, \xc3\xbfxb, abcdefghz, "
               "abcdefgha, ab, ab_long: Integer;\nprocedure P(a: Integer); "
               "overload;\nprocedure P(s: string); overload;\nimplementation\nend.\n");
    WriteBytes(Path("w/v.pas"), "unit v;\ninterface\nvar AB: Integer;\nimplementation\nend.\n");
    const TRun run = Run({"-q", "--xref", "-o", "out", "w"});
    QVERIFY2(run.Code == 0, run.Err.constData());
    static const QRegularExpression row("<tr><td><a href=\"([^\"]*)\">([^<]*)</a>");
    QStringList rows;
    for (const auto& m : row.globalMatch(QString::fromUtf8(ReadBytes(Path("out/symbols.htm")))))
        rows << QUrl::fromPercentEncoding(m.captured(1).toUtf8()) + " " + m.captured(2);
    QCOMPARE(rows,
             (QStringList{"u_pas.htm#ab ab", "v_pas.htm#AB AB", "u_pas.htm#ab_long ab_long",
                          "u_pas.htm#abcdefgha abcdefgha", "u_pas.htm#abcdefghz abcdefghz",
                          "u_pas.htm#P P", "u_pas.htm#P~2 P", QStringLiteral("u_pas.htm#ÿxb ÿxb"),
                          QStringLiteral("u_pas.htm#ŷxa ŷxa")}));
}

void TestPas2htmlSite::codeBrowserHostileIncludes_data() {
    QTest::addColumn<QByteArray>("include"); // the directive of d.pas
    QTest::addColumn<QString>("kind");       // what x.inc is
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("linked"); // Y links to its declaration
    QTest::newRow("a FIFO") << QByteArray("{$I x.inc}") << "fifo" << 1 << true;
    QTest::newRow("a link to /dev/zero") << QByteArray("{$I x.inc}") << "zero" << 1 << true;
    QTest::newRow("a link out of the folder") << QByteArray("{$I x.inc}") << "out" << 1 << true;
    QTest::newRow("a path out of the folder")
        << QByteArray("{$I ../outside.inc}") << "" << 0 << true;
    QTest::newRow("an absolute path") << QByteArray("{$I /etc/passwd}") << "" << 0 << true;
    QTest::newRow("a loop") << QByteArray("{$I x.inc}") << "loop" << 0 << true;
    QTest::newRow("four times itself") << QByteArray("{$I x.inc}") << "bomb" << 0 << true;
    // The unit read into itself is no unit the compiler would take.
    QTest::newRow("itself") << QByteArray("{$I d.pas}") << "" << 0 << false;
}

// Include files are read only when regular, below the folder named, and never wait on what
// they name: the run ends, the names around them are linked, nothing from outside is.
void TestPas2htmlSite::codeBrowserHostileIncludes() {
    QFETCH(QByteArray, include);
    QFETCH(QString, kind);
    QFETCH(int, code);
    QFETCH(bool, linked);
    WriteBytes(Path("outside.inc"), "const Secret = 1;");
    WriteBytes(Path("w/d.pas"), "unit d;\ninterface\n" + include +
                                    "\nconst Y = 2;\n"
                                    "implementation\nend.\n");
    WriteBytes(Path("w/u.pas"), "program u;\nuses d;\nbegin\n  Writeln(Y, Secret);\nend.\n");
    const QByteArray inc = QFile::encodeName(Path("w/x.inc"));
    if (kind == u"fifo")
        QCOMPARE(mkfifo(inc.constData(), 0600), 0);
    else if (kind == u"zero")
        QVERIFY(QFile::link("/dev/zero", Path("w/x.inc")));
    else if (kind == u"out")
        QVERIFY(QFile::link("../outside.inc", Path("w/x.inc")));
    else if (kind == u"loop")
        WriteBytes(Path("w/x.inc"), "{$I x.inc}\nconst Z = 3;\n");
    else if (kind == u"bomb") // 4^16 readings, were they not cut short
        WriteBytes(Path("w/x.inc"), QByteArray("{$I x.inc}\n").repeated(4) + "const Z = 3;\n");
    const TRun run = Run({"-q", "--xref", "-o", "out", "w"});
    QCOMPARE(run.Code, code);
    const QByteArray page = ReadBytes(Path("out/u_pas.htm"));
    QCOMPARE(page.contains("title=\"const Y = 2; \x97 d.pas:4\">Y</a>"), linked);
    QVERIFY2(!page.contains("Secret</a>"), page.constData());
    QVERIFY(QFileInfo(Path("out/d_pas.htm")).isFile());
}

// A line of megabytes is shown in part in the references page, not copied into every use.
void TestPas2htmlSite::codeBrowserLongLine() {
    const QByteArray uses = "X := X + 1; ";
    WriteBytes(Path("w/p.pas"),
               "program p;\nvar X: Integer;\nbegin\n" + uses.repeated(20000) + "\nend.\n");
    const TRun run = Run({"-q", "--xref", "-o", "out", "w"});
    QVERIFY2(run.Code == 0, run.Err.constData());
    const QByteArray refs = ReadBytes(Path("out/p_pas.refs.htm"));
    static const QRegularExpression shown(
        "<li><a href=\"p_pas.htm#L4\">p.pas:4</a> <code>([^<]*)<");
    const QRegularExpressionMatch m = shown.match(QString::fromUtf8(refs));
    QVERIFY(m.hasMatch());
    QCOMPARE(m.captured(1), QString::fromLatin1(uses.repeated(200)).trimmed().left(2000));
    QVERIFY(refs.size() < 10000);
}

void TestPas2htmlSite::codeBrowserUsedLines_data() {
    QTest::addColumn<QByteArray>("source"); // uses of X on its lines 4 and 6
    QTest::addColumn<QString>("line4");
    QTest::addColumn<QString>("title"); // of the links to X, as its page shows it
    const QByteArray lf =
        "program p;\nvar X: Integer;\nbegin\n\t X := 1; \t\n\nX := X + 1;\nend.\n";
    const QString plain = QStringLiteral("var X: Integer;");
    const auto utf16 = [](const QString& text) {
        return "\xFF\xFE" +
               QByteArray(reinterpret_cast<const char*>(text.utf16()), 2 * text.size());
    };
    QTest::newRow("LF") << lf << "X := 1;" << plain;
    QTest::newRow("CR LF") << QByteArray(lf).replace("\n", "\r\n") << "X := 1;" << plain;
    QTest::newRow("lone CR") << QByteArray(lf).replace("\n", "\r") << "X := 1;" << plain;
    QTest::newRow("mixed, no break at the end")
        << QByteArray("program p;\r\nvar X: Integer;\rbegin\n\t X := 1; \t\r\n\rX := X + 1;\nend.")
        << "X := 1;" << plain;
    // Indentation is passed sixteen bytes at a time, and the lines found so.
    QTest::newRow("deep indentation")
        << QByteArray(lf).replace("\t X := 1;", QByteArray(18, ' ') + "\t\t X := 1;") << "X := 1;"
        << plain;
    QTest::newRow("breaks past sixteen bytes")
        << QByteArray(lf)
               .replace("program p;\n", "program p; { " + QByteArray(20, '-') + " }\r")
               .replace("begin\n", "begin { " + QByteArray(9, '-') + " }\r\n")
        << "X := 1;" << plain;
    QTest::newRow("UTF-8 mark") << "\xEF\xBB\xBF" + lf << "X := 1;" << plain;
    QTest::newRow("UTF-16 mark") << utf16(QString::fromLatin1(lf)) << "X := 1;" << plain;
    QTest::newRow("escaped") << QByteArray(lf).replace("X := 1;", "X := Ord('<&>');")
                             << "X := Ord('&lt;&amp;&gt;');" << plain;
    QTest::newRow("UTF-8 in the line")
        << QByteArray(lf).replace("1; \t", "1; { \xd1\x91 }\xc2\xa0") << "X := 1; { ё }" << plain;
    QTest::newRow("UTF-8 elsewhere")
        << QByteArray(lf).replace("\n\nX", "\n{ \xd1\x91 }\nX") << "X := 1;" << plain;
    // Cut to 2000 characters before it is escaped.
    QTest::newRow("over the length limit")
        << QByteArray(lf).replace("1; \t", "1; { " + QByteArray(1989, 'a') + "<b> }")
        << "X := 1; { " + QString(1989, u'a') + "&lt;" << plain;
    QTest::newRow("UTF-8 before the name")
        << QByteArray(lf).replace("\t X := 1;", "\t { \xd1\x91 } X := 1;") << "{ ё } X := 1;"
        << plain;
    QTest::newRow("windows-1251 before the name")
        << QByteArray(lf).replace("\t X := 1;", "\t { \xb8 } X := 1;") << "{ ё } X := 1;" << plain;
    QTest::newRow("malformed UTF-8 before")
        << QByteArray(lf).replace("begin\n", "begin { \xE2\x82 }\n") << "X := 1;" << plain;
    // A name of 300 letters, linked on the line of X and declared beside it, in a title cut short.
    const QByteArray longName(300, 'a');
    QTest::newRow("a long name")
        << QByteArray(lf)
               .replace("var X:", "var X, " + longName + ":")
               .replace("\t X := 1;", "\t X := 1; " + longName + " := 2;")
        << "X := 1; " + QString::fromLatin1(longName) + " := 2;"
        << QString::fromLatin1("var X, " + longName + ": Integer;").left(200);
    // A declaration's line beyond ASCII and with markup characters, and an id beyond ASCII.
    const QByteArray declared =
        QString::fromLatin1(lf)
            .replace("var X: Integer;", QStringLiteral("var X, Ёж: Integer; { <ё> & \"😀\" }"))
            .toUtf8();
    const QString title = QStringLiteral("var X, Ёж: Integer; { &lt;ё&gt; &amp; &quot;😀&quot; }");
    QTest::newRow("title in UTF-8") << declared << "X := 1;" << title;
    QTest::newRow("title in UTF-16") << utf16(QString::fromUtf8(declared)) << "X := 1;" << title;
    QTest::newRow("title in windows-1251")
        << QByteArray(lf).replace("var X: Integer;", "var X, \xc5\xe6: Integer; { <\xb8> & \"\" }")
        << "X := 1;" << QStringLiteral("var X, Еж: Integer; { &lt;ё&gt; &amp; &quot;&quot; }");
}

// The lines uses stand in are the source's lines as its page numbers and shows them, trimmed
// and escaped, whatever ends its lines and however it is encoded; the links to a declaration
// carry its line the same way, in the page's encoding.
void TestPas2htmlSite::codeBrowserUsedLines() {
    QFETCH(QByteArray, source);
    QFETCH(QString, line4);
    QFETCH(QString, title);
    WriteBytes(Path("w/p.pas"), source);
    const TRun run = Run({"-q", "--xref", "-o", "out", "w"});
    QVERIFY2(run.Code == 0, run.Err.constData());
    const QString refs = QString::fromUtf8(ReadBytes(Path("out/p_pas.refs.htm")));
    QVERIFY2(refs.contains("p.pas:4</a> <code>" + line4 + "</code>"), qPrintable(refs));
    QVERIFY2(refs.contains("p.pas:6</a> <code>X := X + 1;</code>"), qPrintable(refs));
    const QByteArray bytes = ReadBytes(Path("out/p_pas.htm"));
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString page = utf8(bytes);
    if (bytes.startsWith("\xFF\xFE"))
        page = QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData() + 2),
                                  (bytes.size() - 2) / 2);
    else if (utf8.hasError())
        page = QStringDecoder("windows-1251")(bytes);
    QCOMPARE(page.count("title=\"" + title + QStringLiteral(" — p.pas:2\">X</a>")), 3);
    if (title.contains(QStringLiteral("Ёж")))
        QVERIFY2(page.contains(
                     QStringLiteral("<a id=\"Ёж\" href=\"p_pas.refs.htm#%D0%81%D0%B6\">Ёж</a>")),
                 qPrintable(page));
}

// A page whose batch fails is not linked from the references pages and the symbol index, and
// the pages written with a code browser's link into it are named.
void TestPas2htmlSite::codeBrowserLeavesOutUnwrittenPages() {
    WriteBytes(Path("web/a/Main.pas"),
               "unit Main;\ninterface\nuses Late;\nprocedure Run;\n"
               "implementation\nprocedure Run;\nbegin\n  Go;\nend;\nend.\n");
    for (int i = 1; i <= 20; ++i)
        WriteBytes(Path(QStringLiteral("web/b%1/B.pas").arg(i, 2, 10, QChar(u'0'))), "unit B;");
    WriteBytes(Path("web/z/Late.pas"), "unit Late;\ninterface\nprocedure Go;\nimplementation\n"
                                       "uses Main;\nprocedure Go;\nbegin\n  Run;\nend;\n" +
                                           QByteArray("{ padding }\n").repeated(8000) + "end.\n");
    const TRun run = Run({"-j1", "-q", "--xref", "-o", "out", "web"}, {}, SmallFilesAndFew);
    QCOMPARE(run.Code, 1);
    QVERIFY(!QFile::exists(Path("out/z/Late_pas.htm")));
    QVERIFY2(run.Err.contains("out/z/Late_pas.htm") && run.Err.contains("out/a/Main_pas.htm"),
             run.Err.constData());
    const QByteArray refs = ReadBytes(Path("out/a/Main_pas.refs.htm"));
    QVERIFY(refs.contains("<li><a href=\"Main_pas.htm#L6\">"));
    QVERIFY2(!refs.contains("Late_pas.htm"), refs.constData());
    QVERIFY(!ReadBytes(Path("out/symbols.htm")).contains("Late_pas.htm"));
}

// A references page too long to be written fails the run and its batch: the references pages
// and the symbol index it was written with stay as they were, and both are reported.
void TestPas2htmlSite::codeBrowserReportsUnwrittenReferencesPage() {
    WriteBytes(Path("w/U.pas"), "unit U;\ninterface\nvar V: Integer;\nimplementation\nend.\n");
    const QByteArray use = "  V := V + 1; { " + QByteArray(100, 'x') + " }\n";
    for (int i = 1; i <= 30; ++i)
        WriteBytes(Path(QStringLiteral("w/p%1.pas").arg(i, 2, 10, QChar(u'0'))),
                   "program p;\nuses U;\nbegin\n" + use.repeated(100) + "end.\n");
    const TRun run = Run({"-j1", "-q", "--xref", "-o", "out", "w"}, {}, SmallFilesAndFew);
    QCOMPARE(run.Code, 1);
    QVERIFY2(run.Err.contains("out/U_pas.refs.htm") && run.Err.contains("остались прежними"),
             run.Err.constData());
    QVERIFY(QFile::exists(Path("out/p01_pas.htm")));
    QVERIFY(!QFile::exists(Path("out/U_pas.refs.htm")));
    QVERIFY(!QFile::exists(Path("out/p01_pas.refs.htm")));
    QVERIFY(!QFile::exists(Path("out/symbols.htm")));
    const QStringList left = QDir(Path("out")).entryList(QDir::Files | QDir::Hidden);
    QVERIFY2(std::all_of(left.begin(), left.end(),
                         [](const QString& name) { return name.endsWith(".htm"); }),
             qPrintable(left.join(' ')));
}

// A FIFO named on the command line is read once, by its page: the site's look for blank
// sources and the code browser's reading leave it alone, or its writer's text would be lost.
void TestPas2htmlSite::siteOfANamedFifo() {
    QVERIFY(QDir().mkpath(Path("out")));
    QCOMPARE(mkfifo(QFile::encodeName(Path("f.pas")).constData(), 0600), 0);
    signal(SIGPIPE, SIG_IGN); // a reader gone early fails the write instead
    QProcess p;
    p.setWorkingDirectory(FDir->path());
    p.start(QStringLiteral(DWELK_BIN_DIR "/pas2html"), {"-q", "--site", "-o", "out/", "f.pas"});
    QFile fifo(Path("f.pas"));
    QVERIFY(fifo.open(QIODevice::WriteOnly)); // once a reader opens it
    fifo.write("unit f;\ninterface\nconst Answer = 42;\nimplementation\nend.\n");
    fifo.close();
    QVERIFY(p.waitForFinished(60000));
    QCOMPARE(p.exitCode(), 0);
    QVERIFY(ReadBytes(Path("out/f_pas.htm")).contains("Answer"));
}

QTEST_GUILESS_MAIN(TestPas2htmlSite)
#include "test_pas2html_site.moc"
