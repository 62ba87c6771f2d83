// Responsiveness of the window's file browser: opening a folder of 20,000 files (the
// folder list, the file list and the change report), and selecting a 10 MB source with the
// mouse until the source view has painted it. A benchmark, not a test.

#include "PascalSample.h"
#include "dwelk_000_lib.h"
#include "dwelk_001_main.h"
#include "synmemo.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>
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

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QTemporaryDir dir;
    SetMainDir(dir.path());
    const QString many = dir.filePath("many");
    const QString big = dir.filePath("big");
    QDir().mkpath(many);
    QDir().mkpath(big);
    const int files = 20000;
    for (int i = 0; i < files; ++i)
        Write(QStringLiteral("%1/unit%2.%3").arg(many).arg(i).arg(i % 2 ? "pas" : "PAS"),
              "unit u;\r\n");
    Write(big + "/big.pas", GeneratePascal(10 * 1024 * 1024));

    TfMain window;
    window.show();
    if (!QTest::qWaitFor([&] { return !window.ItsFirst(); }))
        qFatal("the window did not start");
    auto* dlb = window.findChild<QListWidget*>(QStringLiteral("DLB"));
    auto* flb = window.findChild<QListWidget*>(QStringLiteral("FLB"));
    auto* memo = window.findChild<TSyntaxMemo*>(QStringLiteral("SyntMemo"));

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
    return 0;
}
