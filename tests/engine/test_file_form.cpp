// The file entry point: encodings, the rewrite rule, blank sources, failures that leave the
// old page alone, targets that are not pages, the one-pass byte conversion against the text
// path, and golden pages.

#include "Exception.h"
#include "PageRecipe.h"
#include "SourceEncoding.h"
#include "TextCodec.h"
#include "__pas2html.h"

#include "EnginePages.h"
#include "GoldenPage.h"
#include "TestFiles.h"

#include <QBuffer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <csignal>
#include <cstring>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// The page as the text path makes it: load the list, convert it in place, save it.
QByteArray PageThroughLists(const QString& source, const QString& title, const TStrings* tags,
                            const TStrings* after, const TStrings* before, const QString& scratch) {
    TStrings list;
    list.LoadFromFile(source);
    if (pas2html(&list, nullptr, title, tags, after, before) == 0)
        return {};
    list.SaveToFile(scratch);
    return ReadBytes(scratch);
}

} // namespace

class TestFileForm : public QObject {
    Q_OBJECT
private slots:
    void encodings_data();
    void encodings();
    void utf8Check_data();
    void utf8Check();
    void unmarkedUtf8AsMarked();
    void rewriteRule();
    void blankSources_data();
    void blankSources();
    void namesAreTrimmed();
    void missingSource();
    void unwritableTarget_data();
    void unwritableTarget();
    void failedWriteKeepsOldPage();
    void losslessAnsi();
    void sameAsTextPathOnRandomSources();
    void largeSources_data();
    void largeSources();
    void goldenPages_data();
    void goldenPages();

private:
    QTemporaryDir FDir;
};

void TestFileForm::encodings_data() {
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QByteArray>("pageStart"); // the bytes the page must begin with
    QTest::addColumn<QByteArray>("body");      // the bytes of the converted line

    QTest::newRow("ansi")
        << QByteArray("end; // \xCF\xF0\xE8\xE2\xE5\xF2") << QByteArray("<html>\r\n")
        << QByteArray("<b>end</b>; <i style=\"color: teal;\">// \xCF\xF0\xE8\xE2\xE5\xF2</i>\r\n");
    QTest::newRow("utf-8 with mark")
        << QByteArray("\xEF\xBB\xBF"
                      "end; // \xD0\x9F")
        << QByteArray("\xEF\xBB\xBF<html>\r\n")
        << QByteArray("<b>end</b>; <i style=\"color: teal;\">// \xD0\x9F</i>\r\n");
    QTest::newRow("utf-16le with mark")
        << (QByteArray("\xFF\xFE") + EncodeText(u"end\r\n", TTextEncoding::Utf16LE))
        << (QByteArray("\xFF\xFE") + EncodeText(u"<html>\r\n", TTextEncoding::Utf16LE))
        << EncodeText(u"<b>end</b>\r\n", TTextEncoding::Utf16LE);
    QTest::newRow("utf-16be with mark")
        << (QByteArray("\xFE\xFF") + EncodeText(u"end", TTextEncoding::Utf16BE))
        << (QByteArray("\xFE\xFF") + EncodeText(u"<html>\r\n", TTextEncoding::Utf16BE))
        << EncodeText(u"<b>end</b>\r\n", TTextEncoding::Utf16BE);
    // A NUL does not end the text; it is written as U+FFFD and stays a word character.
    QTest::newRow("ansi nul") << QByteArray("x\0 end\r\nbegin", 13) << QByteArray("<html>\r\n")
                              << QByteArray("x&#65533; <b>end</b>\r\n<b>begin</b>\r\n");
    QTest::newRow("utf-8 nul") << QByteArray("\xEF\xBB\xBF\0end", 7)
                               << QByteArray("\xEF\xBB\xBF<html>\r\n")
                               << QByteArray("<pre>\r\n\xEF\xBF\xBD"
                                             "end\r\n");
    // The Kelvin sign lower-cases to "k": the word is reserved, read from bytes too.
    QTest::newRow("utf-8 kelvin sign") << QByteArray("\xEF\xBB\xBFpac\xE2\x84\xAA"
                                                     "ed x")
                                       << QByteArray("\xEF\xBB\xBF<html>\r\n")
                                       << QByteArray("<b>pac\xE2\x84\xAA"
                                                     "ed</b> x\r\n");
    // Without a mark: UTF-8 when valid throughout with a character above ASCII, and then the
    // page is written as for the mark; anything else stays windows-1251.
    const QByteArray mb(1 << 20, ' ');
    QTest::newRow("utf-8 without mark")
        << QByteArray("end; // \xD0\x9F") << QByteArray("\xEF\xBB\xBF<html>\r\n")
        << QByteArray("<b>end</b>; <i style=\"color: teal;\">// \xD0\x9F</i>\r\n");
    QTest::newRow("utf-8 without mark, first character beyond the first read")
        << mb + mb + "\xC3\x9F" << QByteArray("\xEF\xBB\xBF<html>\r\n")
        << QByteArray("\xC3\x9F\r\n");
    QTest::newRow("ascii stays ansi")
        << QByteArray("end") << QByteArray("<html>\r\n") << QByteArray("<b>end</b>\r\n");
    QTest::newRow("utf-8 until a byte beyond the first read")
        << "\xD0\x9F" + mb + mb + "\xCF\xF0" << QByteArray("<html>\r\n") << QByteArray("\xD0\x9F");
    QTest::newRow("utf-8 cut at the end")
        << QByteArray("\xD0\x9F \xE2\x82") << QByteArray("<html>\r\n")
        << QByteArray("\xD0\x9F \xE2\x82\r\n");
    QTest::newRow("surrogate is not utf-8")
        << QByteArray("\xED\xA0\x80") << QByteArray("<html>\r\n") << QByteArray("\xED\xA0\x80\r\n");
    QTest::newRow("utf-16le nul")
        << (QByteArray("\xFF\xFE") +
            EncodeText(QString("1") + QChar(0) + " 1", TTextEncoding::Utf16LE))
        << QByteArray("\xFF\xFE")
        << EncodeText(u"1\xFFFD <span style=\"color: navy;\">1</span>\r\n", TTextEncoding::Utf16LE);
}

void TestFileForm::encodings() {
    QFETCH(QByteArray, source);
    QFETCH(QByteArray, pageStart);
    QFETCH(QByteArray, body);
    const QString src = FDir.filePath("enc.pas"), dst = FDir.filePath("enc.htm");
    WriteBytes(src, source);
    const TStrings tags = DefaultTags();
    QVERIFY(FilePas_2_FileHtml(src, dst, "enc.pas", &tags, nullptr, nullptr, true));
    const QByteArray page = ReadBytes(dst);
    QVERIFY(page.startsWith(pageStart));
    QVERIFY2(page.contains(body), page.constData());
}

void TestFileForm::utf8Check_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("ascii") << QByteArray("begin end.");
    QTest::newRow("two, three and four bytes")
        << QByteArray("\xC3\x9F \xE2\x82\xAC \xF0\x9F\x98\x80");
    QTest::newRow("smallest and largest") << QByteArray("\xC2\x80\xEF\xBF\xBF\xF4\x8F\xBF\xBF");
    QTest::newRow("overlong") << QByteArray("a\xC0\x80");
    QTest::newRow("overlong three") << QByteArray("\xE0\x9F\xBF");
    QTest::newRow("overlong four") << QByteArray("\xF0\x8F\xBF\xBF");
    QTest::newRow("surrogate") << QByteArray("\xED\xA0\x80");
    QTest::newRow("beyond U+10FFFF") << QByteArray("\xF4\x90\x80\x80");
    QTest::newRow("lone continuation") << QByteArray("abcdefgh\x80");
    QTest::newRow("cut") << QByteArray("\xE2\x82");
    QTest::newRow("ansi") << QByteArray("\xCF\xF0\xE8\xE2\xE5\xF2");
    QTest::newRow("nul") << QByteArray("a\0\xC3\x9F", 4);
}

// Fed in two pieces split anywhere, the check agrees with the system's decoder.
void TestFileForm::utf8Check() {
    QFETCH(QByteArray, bytes);
    const bool valid = IsValidUtf8(bytes);
    const bool nonAscii = std::any_of(bytes.begin(), bytes.end(), [](char c) { return c < 0; });
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    for (qsizetype split = 0; split <= bytes.size(); ++split) {
        TUtf8Scan scan;
        scan.Feed(p, split);
        scan.Feed(p + split, bytes.size() - split);
        QCOMPARE(scan.Complete(), valid);
        if (valid)
            QCOMPARE(scan.SawNonAscii(), nonAscii);
    }
}

// An unmarked UTF-8 source gives, through a file and through a stream that cannot seek, the
// very page of the same source with the mark; --encoding-style rules force either reading.
void TestFileForm::unmarkedUtf8AsMarked() {
    const QByteArray text = "unit \xC3\x9F; { \xD0\x9C\xD0\xBE\xD0\xB4 }\r\nbegin 'x' end.";
    const QString src = FDir.filePath("u.pas"), dst = FDir.filePath("u.htm");
    const TStrings tags = DefaultTags();
    WriteBytes(src, "\xEF\xBB\xBF" + text);
    QVERIFY(FilePas_2_FileHtml(src, dst, "u", &tags, nullptr, nullptr, true));
    const QByteArray marked = ReadBytes(dst);
    WriteBytes(src, text);
    QVERIFY(FilePas_2_FileHtml(src, dst, "u", &tags, nullptr, nullptr, true));
    QCOMPARE(ReadBytes(dst), marked);

    const auto throughPipe = [&](TUnmarkedSource rule) {
        int fds[2];
        if (pipe(fds) != 0 || write(fds[1], text.constData(), size_t(text.size())) != text.size())
            return QByteArray();
        close(fds[1]);
        QFile in;
        in.open(fds[0], QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle);
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        TPageRecipe recipe = RecipeOf("u", &tags, nullptr, nullptr);
        recipe.Unmarked = rule;
        ConvertSourceStream(
            in, "in", recipe, [&out]() -> QIODevice& { return out; }, "out");
        return out.data();
    };
    QCOMPARE(throughPipe(TUnmarkedSource::Auto), marked);
    QCOMPARE(throughPipe(TUnmarkedSource::Utf8), marked);
    const QByteArray ansi = throughPipe(TUnmarkedSource::Windows1251);
    QVERIFY(!ansi.startsWith("\xEF\xBB\xBF") && ansi.contains("\xD0\x9C\xD0\xBE\xD0\xB4"));
}

void TestFileForm::rewriteRule() {
    const QString src = FDir.filePath("rw.pas"), dst = FDir.filePath("rw.htm");
    WriteBytes(src, "begin end.");
    WriteBytes(dst, "old page");
    QVERIFY(!FilePas_2_FileHtml(src, dst, "t", nullptr, nullptr, nullptr, false));
    QCOMPARE(ReadBytes(dst), QByteArray("old page"));
    QVERIFY(FilePas_2_FileHtml(src, dst, "t", nullptr, nullptr, nullptr, true));
    QVERIFY(ReadBytes(dst).contains("<b>begin</b> <b>end.</b>\r\n"));
}

void TestFileForm::blankSources_data() {
    QTest::addColumn<QByteArray>("source");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("blank") << QByteArray(" \t\r\n \r\n");
    QTest::newRow("mark only") << QByteArray("\xEF\xBB\xBF");
    QTest::newRow("utf-16 blank") << QByteArray("\xFF\xFE \0\r\0\n\0", 8);
    QTest::newRow("nul and blanks") << QByteArray("\0 \r\n\0", 5);
    QTest::newRow("blank beyond memory") << QByteArray(6 << 20, ' ') + "\r\n";
}

void TestFileForm::blankSources() {
    QFETCH(QByteArray, source);
    const QString src = FDir.filePath("blank.pas"), dst = FDir.filePath("blank.htm");
    WriteBytes(src, source);
    QFile::remove(dst);
    QVERIFY(!FilePas_2_FileHtml(src, dst, "t", nullptr, nullptr, nullptr, true));
    QVERIFY(!QFile::exists(dst));
    WriteBytes(dst, "older");
    QVERIFY(!FilePas_2_FileHtml(src, dst, "t", nullptr, nullptr, nullptr, true));
    QCOMPARE(ReadBytes(dst), QByteArray("older"));
}

void TestFileForm::namesAreTrimmed() {
    const QString src = FDir.filePath("trim.pas"), dst = FDir.filePath("trim.htm");
    WriteBytes(src, "x");
    QVERIFY(FilePas_2_FileHtml("  " + src + "\t", " " + dst + " ", "t", nullptr, nullptr, nullptr,
                               true));
    QVERIFY(QFile::exists(dst));
}

void TestFileForm::missingSource() {
    QVERIFY(!FilePas_2_FileHtml(FDir.filePath("none.pas"), FDir.filePath("none.htm"), "t", nullptr,
                                nullptr, nullptr, true));
    QVERIFY(
        !FilePas_2_FileHtml("", FDir.filePath("none.htm"), "t", nullptr, nullptr, nullptr, true));
    QVERIFY(!FilePas_2_FileHtml(FDir.path(), FDir.filePath("none.htm"), "t", nullptr, nullptr,
                                nullptr, true));
    QVERIFY(!QFile::exists(FDir.filePath("none.htm")));
    // A FIFO would be waited on for ever.
    const QString fifo = FDir.filePath("fifo.pas");
    QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QVERIFY_THROWS_EXCEPTION(Exception, FilePas_2_FileHtml(fifo, FDir.filePath("fifo.htm"), "t",
                                                           nullptr, nullptr, nullptr, true));
    QVERIFY(!QFile::exists(FDir.filePath("fifo.htm")));
}

void TestFileForm::unwritableTarget_data() {
    QTest::addColumn<QString>("standing"); // what stands at the page's name
    QTest::newRow("folder") << "folder";
    QTest::newRow("under a regular file") << "under file";
    QTest::newRow("link to a file") << "link";
    QTest::newRow("fifo") << "fifo";
    QTest::newRow("the source itself") << "hard link";
}

// Whatever stands at the page's name is left as it was, and nothing is read from or written
// through it (a FIFO would hang the writer).
void TestFileForm::unwritableTarget() {
    QFETCH(QString, standing);
    QTemporaryDir dir;
    const QString src = dir.filePath("u.pas"), other = dir.filePath("other.txt");
    WriteBytes(src, "x");
    WriteBytes(other, "other");
    QString target = dir.filePath("u.htm");
    if (standing == "folder")
        QVERIFY(QDir().mkpath(target + "/inner"));
    else if (standing == "under file")
        target = src + "/u.htm";
    else if (standing == "link")
        QVERIFY(QFile::link(other, target));
    else if (standing == "fifo")
        QCOMPARE(mkfifo(QFile::encodeName(target).constData(), 0600), 0);
    else
        QCOMPARE(link(QFile::encodeName(src).constData(), QFile::encodeName(target).constData()),
                 0);
    try {
        FilePas_2_FileHtml(src, target, "t", nullptr, nullptr, nullptr, true);
        QFAIL("no error raised");
    } catch (const Exception& e) {
        QVERIFY2(e.Message().contains(target), qPrintable(e.Message()));
    }
    QCOMPARE(ReadBytes(src), QByteArray("x"));
    QCOMPARE(ReadBytes(other), QByteArray("other"));
    QCOMPARE(
        QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System).size(),
        standing == "under file" ? 2 : 3);
}

// A child with a small file size limit, which binds the superuser too, writes over an old page:
// the write fails with the system's reason and the old page stays.
void TestFileForm::failedWriteKeepsOldPage() {
    QTemporaryDir dir;
    const QString src = dir.filePath("r.pas"), dst = dir.filePath("r.htm");
    WriteBytes(src, QByteArray(200000, 'x'));
    WriteBytes(dst, "old");
    const pid_t child = fork();
    if (child == 0) {
        const rlimit limit{16384, 16384};
        setrlimit(RLIMIT_FSIZE, &limit);
        signal(SIGXFSZ, SIG_IGN);
        try {
            FilePas_2_FileHtml(src, dst, "t", nullptr, nullptr, nullptr, true);
        } catch (const Exception& e) {
            _exit(e.Message().contains(QString::fromLocal8Bit(strerror(EFBIG))) ? 0 : 2);
        }
        _exit(1);
    }
    int status = -1;
    QCOMPARE(waitpid(child, &status, 0), child);
    QVERIFY(WIFEXITED(status));
    QCOMPARE(WEXITSTATUS(status), 0);
    QCOMPARE(ReadBytes(dst), QByteArray("old"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 2);
}

void TestFileForm::losslessAnsi() {
    const QString src = FDir.filePath("l.pas"), dst = FDir.filePath("l.htm");
    WriteBytes(src, "x");
    const TStrings after(QStringList{QString::fromUtf8("<p>\u65e5\U0001F600 \u20ac</p>")});
    QVERIFY(FilePas_2_FileHtml(src, dst, QString::fromUtf8("\u00e9t\u00e9"), nullptr, &after,
                               nullptr, true));
    const QByteArray page = ReadBytes(dst);
    QVERIFY2(page.contains("<title>&#233;t&#233;</title>"), page.constData());
    QVERIFY2(page.contains("<p>&#26085;&#128512; \x88</p>"), page.constData());
}

void TestFileForm::sameAsTextPathOnRandomSources() {
    const QStringList pieces = {"begin",
                                " ",
                                "end.",
                                "{",
                                "}",
                                "(*",
                                "*)",
                                "{$I x}",
                                "'",
                                "//",
                                "\r\n",
                                "\n",
                                "\r",
                                "<",
                                ">",
                                "&",
                                "1",
                                "$F",
                                "\t",
                                "Привет",
                                "€",
                                QString(QChar(0)),
                                QString::fromUtf8("\U0001F600"),
                                "  ",
                                ";"};
    const TTextEncoding encodings[] = {TTextEncoding::Ansi, TTextEncoding::Utf8,
                                       TTextEncoding::Utf16LE, TTextEncoding::Utf16BE};
    const TStrings tags = DefaultTags();
    const TStrings after(QStringList{"<p>a</p>", "b"});
    const TStrings before(QStringList{"  <hr>  "});
    QRandomGenerator rng(7);
    const QString src = FDir.filePath("r.pas"), dst = FDir.filePath("r.htm"),
                  scratch = FDir.filePath("r.txt");
    for (int round = 0; round < 400; ++round) {
        QString text;
        const int count = int(rng.bounded(0, 30));
        for (int k = 0; k < count; ++k)
            text += pieces[int(rng.bounded(pieces.size()))];
        const TTextEncoding enc = encodings[round % 4];
        QByteArray bytes = ByteOrderMark(enc) + EncodeText(text, enc);
        if (round % 7 == 3 && enc != TTextEncoding::Ansi)
            bytes += '\x01'; // a malformed tail
        WriteBytes(src, bytes);
        QFile::remove(dst);
        const QString title = round % 5 ? QString("t") : QString("two\nlines");
        const QByteArray expected = PageThroughLists(src, title, &tags, &after, &before, scratch);
        const bool written = FilePas_2_FileHtml(src, dst, title, &tags, &after, &before, true);
        QCOMPARE(written, !expected.isEmpty());
        if (ReadBytes(dst) != expected)
            QFAIL(qPrintable("differs for source bytes " + bytes.toHex()));
        // The stream form, as standard input is converted.
        QBuffer in(&bytes), out;
        in.open(QIODevice::ReadOnly);
        out.open(QIODevice::WriteOnly);
        QCOMPARE(ConvertSourceStream(
                     in, "in", RecipeOf(title, &tags, &after, &before),
                     [&out]() -> QIODevice& { return out; }, "out"),
                 written);
        QCOMPARE(out.data(), expected);
    }
}

void TestFileForm::largeSources_data() {
    // Sources larger than one read, with line breaks, lines and characters across the
    // boundaries of reads, and a blank start too long to be held in memory.
    QTest::addColumn<QByteArray>("source");
    const qsizetype mb = 1 << 20;
    auto around = [&](qsizetype at, const QByteArray& piece, const QByteArray& fill) {
        QByteArray bytes = fill.repeated(at / fill.size() + 1).left(at) + piece;
        return bytes + fill.repeated(mb / fill.size());
    };
    const QByteArray code = "begin x := 'a<b'; { c } end;\n";
    for (qsizetype at : {mb - 1, mb, mb + 1}) {
        const QByteArray name = QByteArray::number(at - mb);
        QTest::newRow("crlf at " + name) << around(at, "\r\nend.\r", code);
        QTest::newRow("utf-16 crlf at " + name)
            << "\xFF\xFE" + EncodeText(QString::fromLatin1(around(at, "\r\nend.\r", code)),
                                       TTextEncoding::Utf16LE);
    }
    QTest::newRow("one long line") << QByteArray(3 * mb, '<') + "begin 1 " + QByteArray(mb, 'x');
    QTest::newRow("long blank start") << QByteArray(5 * mb, '\n') + " \t\r\n{ x\n} begin\r";
    QTest::newRow("utf-8 across reads")
        << "\xEF\xBB\xBF" + QByteArray("\xD0\x9F").repeated(mb) + "\xE2\x82 end\r\n";
}

void TestFileForm::largeSources() {
    QFETCH(QByteArray, source);
    const QString src = FDir.filePath("large.pas"), dst = FDir.filePath("large.htm");
    WriteBytes(src, source);
    const TStrings tags = DefaultTags();
    const QByteArray expected =
        PageThroughLists(src, "t", &tags, nullptr, nullptr, FDir.filePath("large.txt"));
    QVERIFY(FilePas_2_FileHtml(src, dst, "t", &tags, nullptr, nullptr, true));
    QVERIFY(ReadBytes(dst) == expected);
}

void TestFileForm::goldenPages_data() {
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("golden");
    const QString dir = QStringLiteral(DWELK_TEST_DATA "/pages");
    QDirIterator it(dir, {"*.pas", "*.dfm", "*.dpr"}, QDir::Files);
    int count = 0;
    while (it.hasNext()) {
        const QString src = it.next();
        const QString ext = QFileInfo(src).suffix();
        const QString base = src.left(src.size() - ext.size() - 1);
        const QString golden = base + (ext == "dpr" ? QString() : "_" + ext) + ".htm";
        QTest::newRow(qPrintable(QFileInfo(src).fileName())) << src << golden;
        ++count;
    }
    QVERIFY(count >= 4);
}

void TestFileForm::goldenPages() {
    QFETCH(QString, source);
    QFETCH(QString, golden);
    const TStrings tags = DefaultTags();
    const QString out = FDir.filePath("golden.htm");
    QVERIFY(
        FilePas_2_FileHtml(source, out, TitleFromFileName(source), &tags, nullptr, nullptr, true));
    const QString mismatch = GoldenPageMismatch(ReadBytes(out), golden);
    QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
}

QTEST_GUILESS_MAIN(TestFileForm)
#include "test_file_form.moc"
