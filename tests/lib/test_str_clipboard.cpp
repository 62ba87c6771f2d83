// The clipboard's text taken as lines.

#include "__str_clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QTest>

class TestStrClipboard : public QObject {
    Q_OBJECT
private slots:
    void takesLines_data();
    void takesLines();
    void clearsAfter();
    void absentList();
};

void TestStrClipboard::takesLines_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("mixed breaks") << "a\r\nb\rc\nd\n" << QStringList{"a", "b", "c", "d"};
    QTest::newRow("empty clipboard") << "" << QStringList{};
    QTest::newRow("one break") << "\n" << QStringList{""};
}

void TestStrClipboard::takesLines() {
    QFETCH(QString, text);
    QFETCH(QStringList, lines);
    QGuiApplication::clipboard()->setText(text);
    TStrings buf(QStringList{"old"});
    QCOMPARE(Clipboard_TextToStrings(&buf, false), !lines.isEmpty());
    QCOMPARE(buf.Lines(), lines);
    QCOMPARE(QGuiApplication::clipboard()->text(), text);
}

void TestStrClipboard::clearsAfter() {
    QGuiApplication::clipboard()->setText("x");
    TStrings buf;
    QVERIFY(Clipboard_TextToStrings(&buf, true));
    QCOMPARE(QGuiApplication::clipboard()->text(), QString());
}

void TestStrClipboard::absentList() {
    QGuiApplication::clipboard()->setText("keep");
    QVERIFY(!Clipboard_TextToStrings(nullptr, true));
    QCOMPARE(QGuiApplication::clipboard()->text(), QString("keep"));
}

QTEST_MAIN(TestStrClipboard)
#include "test_str_clipboard.moc"
