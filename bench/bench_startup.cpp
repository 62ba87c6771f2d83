// Start-up of the window: from starting a process to a usable window, that is, the window
// shown and the start-up work of its first timer tick done (tag set, settings, fragments,
// the remembered folder listed). The program starts itself as a child that does what the
// window program's main block does, in a fresh program folder, once without a settings file
// and once with a settings file of 5 MB. A benchmark, not a test.

#include "__files.h"
#include "dwelk_000_lib.h"
#include "dwelk_001_main.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int Rounds = 5;

// The child: the window program's start, then "ready" once the window is usable.
int Child(int argc, char** argv) {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    SetMainDir(QString::fromLocal8Bit(argv[2]));
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale::system(), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(&qtTranslator);
    TfMain fMain;
    fMain.show();
    if (!QTest::qWaitFor([&] { return !fMain.ItsFirst(); }, 60000))
        return 1;
    QCoreApplication::processEvents();
    std::printf("ready\n");
    std::fflush(stdout);
    return 0;
}

// A settings file of at least `bytes`: the window's own sections last, after many sections
// of other keys, so that every key the window reads is found only at the end.
void WriteBigSettings(const QString& fileName, const QString& sources, qint64 bytes) {
    QByteArray text;
    for (int section = 0; text.size() < bytes; ++section) {
        text += "[Other" + QByteArray::number(section) + "]\r\n";
        for (int key = 0; key < 20; ++key)
            text += "Key" + QByteArray::number(key) + "=value of some length " +
                    QByteArray::number(section * 20 + key) + "\r\n";
    }
    text += "[HTML]\r\nSuffix_PAS=_pas\r\nSuffix_DFM=_dfm\r\nYesQuery_before_Open=1\r\n"
            "HTML_ExtFile_Index=0\r\n[FILES]\r\nDir=" +
            sources.toUtf8() + "\r\n[HTML_Attr]\r\nBcom=<i>\r\nEcom=</i>\r\nBres=<b>\r\n" +
            "Eres=</b>\r\n";
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
        qFatal("cannot write %s", qPrintable(fileName));
}

// Milliseconds from starting the child to its "ready", median of the rounds.
double TimeStart(const QString& programFolder) {
    std::vector<double> times;
    for (int round = 0; round < Rounds; ++round) {
        QProcess child;
        QElapsedTimer timer;
        timer.start();
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--child"), programFolder});
        while (!child.canReadLine()) {
            if (!child.waitForReadyRead(60000))
                qFatal("the window did not start: %s", child.readAllStandardError().constData());
        }
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
        child.waitForFinished(-1);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && qstrcmp(argv[1], "--child") == 0)
        return Child(argc, argv);
    QCoreApplication app(argc, argv);
    QTemporaryDir fresh;
    QDir().mkpath(fresh.filePath("src"));
    std::printf("start to a usable window, no settings file: %.0f ms (median of %d)\n",
                TimeStart(fresh.path()), Rounds);

    QTemporaryDir big;
    const QString sources = big.filePath("src");
    QDir().mkpath(sources);
    for (int i = 0; i < 200; ++i) {
        QFile unit(QStringLiteral("%1/unit%2.pas").arg(sources).arg(i));
        if (!unit.open(QIODevice::WriteOnly) || unit.write("unit u;\r\n") < 0)
            qFatal("cannot write a unit");
    }
    SetMainDir(big.path());
    const qint64 bytes = 5 * 1024 * 1024;
    WriteBigSettings(fnINI(), sources, bytes);
    std::printf("start to a usable window, %.1f MB settings file: %.0f ms (median of %d)\n",
                double(QFileInfo(fnINI()).size()) / (1024 * 1024), TimeStart(big.path()), Rounds);
    return 0;
}
