// Opening documents and folders through a stand-in `xdg-open` that records its arguments,
// and the messages shown when that fails.

#include "__files.h"
#include "__sys.h"

#include "TestFiles.h"

#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

class TestSys : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void opensOneArgument_data();
    void opensOneArgument();
    void relativeNameWithLeadingDash();
    void openerFailure();
    void missingFile();
    void missingOpener();
    void blankName();
    void explore();

private:
    // The arguments the stand-in received, then its working folder; empty when it never ran.
    QStringList Recorded() const;
    // Answers the next modal box with OK and keeps its text.
    void AnswerNextBox();

    QTemporaryDir FDir;
    QString FLog;
    QString FBoxText;
};

void TestSys::initTestCase() {
    QVERIFY(QDir(FDir.path()).mkdir("bin"));
    QVERIFY(QDir(FDir.path()).mkdir("nobin"));
    const QString opener = FDir.filePath("bin/xdg-open");
    WriteBytes(opener, "#!/bin/sh\n"
                       "printf '%s\\0' \"$@\" \"$(pwd)\" > \"$XDG_STUB_LOG\"\n"
                       "exit \"${XDG_STUB_EXIT:-0}\"\n");
    QFile::setPermissions(opener, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    FLog = FDir.filePath("log");
    qputenv("XDG_STUB_LOG", FLog.toLocal8Bit());
}

void TestSys::init() {
    qputenv("PATH", FDir.filePath("bin").toLocal8Bit());
    qputenv("XDG_STUB_EXIT", "0");
    QFile::remove(FLog);
    FBoxText.clear();
}

QStringList TestSys::Recorded() const {
    QFile f(FLog);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QStringList fields = QString::fromLocal8Bit(f.readAll()).split(QChar(0));
    fields.removeLast();
    return fields;
}

void TestSys::AnswerNextBox() {
    auto* poll = new QTimer(this);
    connect(poll, &QTimer::timeout, this, [this, poll] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        FBoxText = box->text();
        box->accept();
        poll->deleteLater();
    });
    poll->start(20);
}

void TestSys::opensOneArgument_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("spaces") << "my page.htm";
    QTest::newRow("quotes") << R"(it's "quoted".htm)";
    QTest::newRow("command substitution") << "$(touch pwned); `id`.htm";
    QTest::newRow("leading dash") << "-n.htm";
    QTest::newRow("cyrillic") << "страница.htm";
}

void TestSys::opensOneArgument() {
    QFETCH(QString, name);
    const QString path = FDir.filePath(name);
    WriteBytes(path, "<html></html>");
    QVERIFY(File_OpenForView("  " + path + " ", nullptr, SW_SHOWMAXIMIZED, true));
    QCOMPARE(Recorded(), (QStringList{path, FDir.path()}));
    QVERIFY(!QFile::exists(FDir.filePath("pwned")));
    QVERIFY(!QFile::exists("pwned"));
}

void TestSys::relativeNameWithLeadingDash() {
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(FDir.path()));
    WriteBytes("--help.htm", "");
    const bool opened = File_OpenForView("--help.htm", nullptr, SW_SHOWMAXIMIZED, false);
    const QString expected = QDir::currentPath() + "/--help.htm";
    QDir::setCurrent(before);
    QVERIFY(opened);
    QCOMPARE(Recorded().value(0), expected);
}

void TestSys::openerFailure() {
    const QString path = FDir.filePath("page.htm");
    WriteBytes(path, "");
    qputenv("XDG_STUB_EXIT", "3");
    QVERIFY(!File_OpenForView(path, nullptr, SW_SHOWMAXIMIZED, false));
    QCOMPARE(Recorded().value(0), path);
    AnswerNextBox();
    QVERIFY(!File_OpenForView(path, nullptr, SW_SHOWMAXIMIZED, true));
    QCOMPARE(FBoxText, "Ошибка при открытии документа : " + path);
}

void TestSys::missingFile() {
    const QString path = FDir.filePath("missing.htm");
    AnswerNextBox();
    QVERIFY(!File_OpenForView(path, nullptr, SW_SHOWMAXIMIZED, true));
    QCOMPARE(FBoxText, "Ошибка при открытии документа : " + path);
    QCOMPARE(Recorded(), QStringList());
}

void TestSys::missingOpener() {
    qputenv("PATH", FDir.filePath("nobin").toLocal8Bit());
    const QString path = FDir.filePath("page.htm");
    WriteBytes(path, "");
    QVERIFY(!File_OpenForView(path, nullptr, SW_SHOWMAXIMIZED, false));
}

void TestSys::blankName() {
    QVERIFY(!File_OpenForView(" \t", nullptr, SW_SHOWMAXIMIZED, false));
    AnswerNextBox();
    QVERIFY(!File_OpenForView("", nullptr, SW_SHOWMAXIMIZED, true));
    QCOMPARE(FBoxText, QString("НЕ указано имя файла документа"));
    QCOMPARE(Recorded(), QStringList());
}

void TestSys::explore() {
    const QString folder = FDir.filePath("-folder $(x)");
    QVERIFY(QDir(FDir.path()).mkdir("-folder $(x)"));
    QVERIFY(Dir_Open(" " + folder + " "));
    QTRY_COMPARE(Recorded(), (QStringList{folder, folder}));
}

QTEST_MAIN(TestSys)
#include "test_sys.moc"
