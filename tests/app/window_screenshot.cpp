// Starts the main window in a fresh program folder and saves a picture of it once start-up
// is over; used by scripts/screenshot.sh for README.

#include "dwelk_000_lib.h"
#include "dwelk_001_main.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>

int main(int argc, char* argv[]) {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: window_screenshot FILE.png\n");
        return 2;
    }
    QTemporaryDir programFolder;
    SetMainDir(programFolder.path());
    TfMain fMain;
    fMain.show();
    if (!QTest::qWaitFor([&] { return !fMain.ItsFirst(); }))
        return 1;
    QTest::qWait(500);
    return fMain.grab().save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
