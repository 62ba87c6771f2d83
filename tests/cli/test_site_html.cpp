// The site pages' own writing: text put into UTF-8 and escaped on the way must give the
// bytes Qt's escaping and conversion give, since the pages are compared byte for byte with
// what they were.

#include "SiteHtml.h"
#include "XrefMarks.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

class TestSiteHtml : public QObject {
    Q_OBJECT
private slots:
    void escapedUtf8_data();
    void escapedUtf8();
    void idFragment_data();
    void idFragment();
    void relativeHref_data();
    void relativeHref();
};

void TestSiteHtml::escapedUtf8_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << QString();
    QTest::newRow("ascii") << QStringLiteral("procedure Bump(n: Integer);");
    QTest::newRow("escapes") << QStringLiteral("a<b> & \"c\" 'd'");
    QTest::newRow("cyrillic") << QStringLiteral("не используется & <ещё>");
    QTest::newRow("two and three bytes") << QStringLiteral("é€ ü");
    QTest::newRow("surrogate pair") << QString::fromUtf8("x\xF0\x9F\x98\x80y");
    QTest::newRow("lone high at the end") << QStringLiteral("ab") + QChar(0xD83D);
    QTest::newRow("lone high before text") << QChar(0xD83D) + QStringLiteral("<x");
    QTest::newRow("lone low") << QStringLiteral("a") + QChar(0xDE00) + QStringLiteral("b");
    QTest::newRow("controls") << QStringLiteral("\t\u0001\u007F\u0080");
    QTest::newRow("only escapes") << QStringLiteral("\"<>&&\"");
    QTest::newRow("escapes far in")
        << QStringLiteral("procedure Bump(const a: array of Integer; b: TList<T>); { \"x\" & y }");
    QTest::newRow("escapes at eighths") << QStringLiteral("1234567<1234567>12345678&12345678\"");
    QTest::newRow("escapes around a pair") << QString::fromUtf8("<\xF0\x9F\x98\x80>\"ж&");
    // Texts are told plain sixteen bytes at a time, the last sixteen overlapping.
    QTest::newRow("escape last of sixteen") << QStringLiteral("procedure Bump;<");
    QTest::newRow("escape last of seventeen") << QStringLiteral("procedure Bmp(x)&");
    QTest::newRow("escape first of seventeen") << QStringLiteral("\"procedure Bmp(x)");
    QTest::newRow("above ASCII last of thirty-three")
        << QStringLiteral("procedure Bump(const a: Integer)") + QChar(0xE9);
    QTest::newRow("lone halves between escapes")
        << QChar(0xDE00) + QStringLiteral("&") + QChar(0xD83D) + QStringLiteral("\"");
}

void TestSiteHtml::escapedUtf8() {
    QFETCH(QString, text);
    std::string plain = "<";
    AppendUtf8(plain, text);
    QCOMPARE(QByteArray::fromStdString(plain), "<" + text.toUtf8());
    std::string escaped;
    AppendEscapedUtf8(escaped, text);
    QCOMPARE(QByteArray::fromStdString(escaped), text.toHtmlEscaped().toUtf8());
    // And as a page's writer puts it into its page.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("page.htm"));
    TSitePageWriter page(path);
    page << std::string_view("<p>");
    page.Escaped(text) << std::string_view("</p>");
    page.Commit();
    QFile written(path);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.readAll(), "<p>" + text.toHtmlEscaped().toUtf8() + "</p>");
    const QByteArray latin1 = text.toLatin1();
    if (std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; })) {
        std::string ascii(6 * size_t(latin1.size()) + 16, '\0');
        ascii.resize(size_t(EscapeAscii(ascii.data(), latin1.toStdString()) - ascii.data()));
        QCOMPARE(QByteArray::fromStdString(ascii), text.toHtmlEscaped().toUtf8());
    }
    // A line of a source, its bytes taken as they are when there is nothing to escape.
    const QByteArray utf8 = text.toUtf8();
    std::string copied(size_t(utf8.size()) + 16, '\0');
    const bool plainAscii = text.toHtmlEscaped() == text && utf8.size() == text.size();
    QCOMPARE(CopyIfPlainAscii(copied.data(), utf8.toStdString()), plainAscii);
    if (plainAscii)
        QCOMPARE(QByteArray(copied.data(), utf8.size()), utf8);
}

void TestSiteHtml::idFragment_data() {
    QTest::addColumn<QString>("id");
    QTest::newRow("empty") << QString();
    QTest::newRow("plain") << QStringLiteral("TFoo.Bump~2");
    QTest::newRow("reserved") << QStringLiteral("a b#c%d/e?f");
    QTest::newRow("cyrillic") << QStringLiteral("Запись.Поле");
    QTest::newRow("reserved last") << QStringLiteral("TFoo.Bump&");
    // Long ids are taken sixteen characters at a time, the last ones overlapping.
    QTest::newRow("plain, long") << QStringLiteral("TSynEditStrings.DoGetPhysicalWidths.Start~2");
    QTest::newRow("'/' among the digits, past eight") << QStringLiteral("TFoo.Bump0123/456");
    QTest::newRow("before 'A', in the second eight") << QStringLiteral("ABCDEFGHIJKLMNO@");
    QTest::newRow("after 'z', in the overlap") << QStringLiteral("abcdefghijklmnopq{");
    QTest::newRow("'[' and '`', nine") << QStringLiteral("abcdefgh[`");
    QTest::newRow("Latin-1") << QStringLiteral("Straße.Größe.Wert");
    QTest::newRow("past Latin-1") << QStringLiteral("Lošinj.Value.Item");
    QTest::newRow("past 0x7FFF") << QStringLiteral("TFooBarBazQux.\uFB00x");
    QTest::newRow("NUL") << QString::fromUtf16(u"abcdefgh\0ij", 11);
}

// Put after other text, as the pages do, it reads as the fragment the pages' marks use.
void TestSiteHtml::idFragment() {
    QFETCH(QString, id);
    std::string fragment = "page.htm#";
    AppendIdFragment(fragment, id);
    QCOMPARE(QString::fromStdString(fragment), "page.htm#" + IdFragment(id));
    QCOMPARE(IdFragment(id), QString::fromLatin1(QUrl::toPercentEncoding(id)));
}

void TestSiteHtml::relativeHref_data() {
    QTest::addColumn<QString>("from"); // a page's folder
    QTest::addColumn<QString>("to");   // the file it links to
    QTest::newRow("beside") << "/out/a"
                            << "/out/a/u_pas.htm";
    QTest::newRow("beside, to be encoded") << "/out/a" << QStringLiteral("/out/a/ё 100%.htm");
    QTest::newRow("below") << "/out/a"
                           << "/out/a/sub/u_pas.htm";
    QTest::newRow("above") << "/out/a"
                           << "/out/u_pas.htm";
    QTest::newRow("a sibling named alike") << "/out/a"
                                           << "/out/ab/u_pas.htm";
    QTest::newRow("a folder up from") << "/out/a/.."
                                      << "/out/a/../u_pas.htm";
    QTest::newRow("a name of dots") << "/out/a"
                                    << "/out/a/..";
    QTest::newRow("from the root") << "/"
                                   << "/u_pas.htm";
    QTest::newRow("from a relative folder") << ""
                                            << "/u_pas.htm";
    QTest::newRow("doubled slashes") << "/out//a"
                                     << "/out//a/u_pas.htm";
}

// The way from a page to another is what the file system's rules make it, encoded part by part.
void TestSiteHtml::relativeHref() {
    QFETCH(QString, from);
    QFETCH(QString, to);
    QStringList parts = QDir(from).relativeFilePath(to).split(u'/');
    for (QString& part : parts)
        part = QString::fromLatin1(QUrl::toPercentEncoding(part));
    QCOMPARE(RelativeHref(from, to), parts.join(u'/'));
}

QTEST_APPLESS_MAIN(TestSiteHtml)
#include "test_site_html.moc"
