#include "TStrings.h"
#include "TextCodec.h"
#include "Exception.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestTStrings : public QObject {
    Q_OBJECT
private slots:
    void splitLines_data();
    void splitLines();
};

void TestTStrings::splitLines_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("empty") << "" << QStringList{};
    QTest::newRow("crlf only") << "\r\n" << QStringList{""};
}

void TestTStrings::splitLines() {
    QFETCH(QString, text);
    QFETCH(QStringList, lines);
    QCOMPARE(TStrings::SplitLines(text), lines);
}

QTEST_GUILESS_MAIN(TestTStrings)
#include "test_TStrings.moc"
