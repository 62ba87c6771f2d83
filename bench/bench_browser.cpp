// Responsiveness of the window's file browser: opening a folder of 20,000 files (the
// folder list, the file list and the change report), selecting a 10 MB source with the
// mouse until the source view has painted it, and converting a folder of 20,000 small units
// with "convert every file of the list" beside `pas2html -j 1` on the same folder.
// A benchmark, not a test.

#include "PascalSample.h"
#include "__files.h"
#include "dwelk_000_lib.h"
#include "dwelk_001_main.h"
#include "synmemo.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QListWidget>
#include <QMessageBox>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double Milliseconds(const QElapsedTimer& timer) {
    return double(timer.nsecsElapsed()) / 1e6;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void Write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

// Opens `path` as a double click on its folder list entry does.
void OpenFolder(QListWidget* dlb, const QString& path) {
    for (int i = 0; i < dlb->count(); ++i) {
        if (dlb->item(i)->data(Qt::UserRole).toString() == path) {
            emit dlb->itemActivated(dlb->item(i));
            return;
        }
    }
    qFatal("no folder entry %s", qPrintable(path));
}

// Counts the paints of a widget.
class TPaintCounter : public QObject {
public:
    int Paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++Paints;
        return false;
    }
};

int CountPages(const QString& folder) {
    return int(QDir(folder).entryList({QStringLiteral("*.htm")}, QDir::Files).size());
}

void RemovePages(const QString& folder) {
    for (const QString& page : QDir(folder).entryList({QStringLiteral("*.htm")}, QDir::Files))
        QFile::remove(folder + u'/' + page);
}

// One whole-list run over the folder the window shows, every box answered with OK; prints
// its rate and how often the list was repainted meanwhile, and returns the seconds.
double TimeListRun(TfMain& window, QListWidget* flb, const QString& folder) {
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
            box->button(QMessageBox::Ok)->click();
    });
    answer.start(5);
    TPaintCounter paints;
    flb->viewport()->installEventFilter(&paints);
    const int listed = flb->count();
    QElapsedTimer timer;
    timer.start();
    window.findChild<QToolButton*>(QStringLiteral("btn_Files_ToHtml"))->click();
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    flb->viewport()->removeEventFilter(&paints);
    std::printf("window, whole-list run: %d files in %.2f s, %.0f files/s, the list repainted "
                "%d times (%.0f a second), %d pages written\n",
                listed, seconds, listed / seconds, paints.Paints, paints.Paints / seconds,
                CountPages(folder));
    return seconds;
}

double TimeCommandLine(const QString& folder) {
    QProcess cli;
    QElapsedTimer timer;
    timer.start();
    cli.start(QCoreApplication::applicationDirPath() + QStringLiteral("/pas2html"),
              {QStringLiteral("-j"), QStringLiteral("1"), QStringLiteral("-q"), folder});
    if (!cli.waitForFinished(-1) || cli.exitCode() != 0)
        qFatal("pas2html failed on %s", qPrintable(folder));
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    const int pages = CountPages(folder);
    std::printf("pas2html -j 1 on the same folder: %d files in %.2f s, %.0f files/s\n", pages,
                seconds, pages / seconds);
    return seconds;
}

} // namespace

// Without arguments every part runs; "run" runs the whole-list part alone.
int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const bool runOnly = argc > 1 && qstrcmp(argv[1], "run") == 0;
    QTemporaryDir dir;
    SetMainDir(dir.path());
    const int files = 20000;
    TfMain window;
    window.show();
    if (!QTest::qWaitFor([&] { return !window.ItsFirst(); }))
        qFatal("the window did not start");
    auto* dlb = window.findChild<QListWidget*>(QStringLiteral("DLB"));
    auto* flb = window.findChild<QListWidget*>(QStringLiteral("FLB"));
    auto* memo = window.findChild<TSyntaxMemo*>(QStringLiteral("SyntMemo"));

    if (!runOnly) {
        const QString many = dir.filePath("many");
        const QString big = dir.filePath("big");
        QDir().mkpath(many);
        QDir().mkpath(big);
        for (int i = 0; i < files; ++i)
            Write(QStringLiteral("%1/unit%2.%3").arg(many).arg(i).arg(i % 2 ? "pas" : "PAS"),
                  "unit u;\r\n");
        Write(big + "/big.pas", GeneratePascal(10 * 1024 * 1024));
        OpenFolder(dlb, QDir::cleanPath(dir.path())); // the new folders appear

        std::vector<double> listing;
        for (int round = 0; round < 5; ++round) {
            OpenFolder(dlb, QDir::cleanPath(dir.path()));
            QElapsedTimer timer;
            timer.start();
            OpenFolder(dlb, many);
            QCoreApplication::processEvents();
            listing.push_back(Milliseconds(timer));
        }
        std::printf("open a folder of %d files (%d listed under *.pas): %.1f ms (median of %zu)\n",
                    files, flb->count(), Median(listing), listing.size());

        OpenFolder(dlb, QDir::cleanPath(dir.path()));
        OpenFolder(dlb, big);
        QImage picture(memo->size(), QImage::Format_ARGB32_Premultiplied);
        std::vector<double> selecting;
        for (int round = 0; round < 5; ++round) {
            flb->setCurrentRow(-1);
            QCoreApplication::processEvents();
            QElapsedTimer timer;
            timer.start();
            QTest::mouseClick(flb->viewport(), Qt::LeftButton, {},
                              flb->visualItemRect(flb->item(0)).center());
            memo->render(&picture);
            selecting.push_back(Milliseconds(timer));
        }
        std::printf("select a 10 MB source and paint it: %.1f ms (median of %zu, %lld lines)\n",
                    Median(selecting), selecting.size(), qint64(memo->Lines().Count()));
    }

    // Pages are written through a synced save; on a disk the sync, not the conversion,
    // sets the pace of both, so the run folder lies in memory where the system offers it.
    const QString memoryDisk = QStringLiteral("/dev/shm");
    QTemporaryDir runDir(QDir(memoryDisk).exists() ? memoryDisk + "/bench_run-XXXXXX"
                                                   : QDir::tempPath() + "/bench_run-XXXXXX");
    const QString run = runDir.path();
    const QByteArray unit = GeneratePascal(600);
    for (int i = 0; i < files; ++i)
        Write(QStringLiteral("%1/unit%2.pas").arg(run).arg(i, 5, 10, QLatin1Char('0')), unit);
    std::printf("run folder %s, %d units of %lld bytes\n", qPrintable(run), files,
                qint64(unit.size()));
    // "Back to the remembered folder" of the folder list's menu.
    PutToINI_StringParam(fnINI(), QStringLiteral("FILES"), QStringLiteral("Dir"), run);
    window.findChild<QAction*>(QStringLiteral("N11"))->trigger();
    if (flb->count() != files)
        qFatal("the run folder lists %d files", flb->count());
    // Other work on the machine sways single runs, so the two alternate and the medians count.
    std::vector<double> inWindow;
    std::vector<double> commandLine;
    for (int round = 0; round < 3; ++round) {
        inWindow.push_back(TimeListRun(window, flb, run));
        RemovePages(run);
        commandLine.push_back(TimeCommandLine(run));
        RemovePages(run);
    }
    std::printf("medians of %zu: window %.0f files/s, pas2html -j 1 %.0f files/s, window run / "
                "command line %.2f\n",
                inWindow.size(), files / Median(inWindow), files / Median(commandLine),
                Median(inWindow) / Median(commandLine));
    return 0;
}
