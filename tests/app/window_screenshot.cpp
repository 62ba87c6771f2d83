// Starts the main window in a fresh program folder with one example unit (or the given
// source), selects it, converts it with the preview on, and saves a picture of the window;
// used by scripts/screenshot.sh for README.

#include "__files.h"
#include "dwelk_000_lib.h"
#include "dwelk_001_main.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <cstdio>

namespace {

const char ExampleUnit[] = "unit Example;\r\n"
                           "\r\n"
                           "{ A small unit to show the highlighting }\r\n"
                           "\r\n"
                           "interface\r\n"
                           "\r\n"
                           "{$R *.dfm}\r\n"
                           "\r\n"
                           "const\r\n"
                           "  Greeting = 'Hello, world';\r\n"
                           "  Answer = 42;\r\n"
                           "\r\n"
                           "function Twice(Value: Integer): Integer;\r\n"
                           "\r\n"
                           "implementation\r\n"
                           "\r\n"
                           "// Doubles its argument.\r\n"
                           "function Twice(Value: Integer): Integer;\r\n"
                           "begin\r\n"
                           "  Result := Value * 2;\r\n"
                           "end;\r\n"
                           "\r\n"
                           "end.\r\n";

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: window_screenshot FILE.png [SOURCE]\n");
        return 2;
    }
    QTemporaryDir programFolder;
    SetMainDir(programFolder.path());
    const QString sources = programFolder.filePath("src");
    QDir().mkpath(sources);
    if (argc == 3) {
        const QString source = QString::fromLocal8Bit(argv[2]);
        if (!QFile::copy(source, sources + "/" + QFileInfo(source).fileName()))
            return 1;
    } else {
        QFile unit(sources + "/Example.pas");
        if (!unit.open(QIODevice::WriteOnly) || unit.write(ExampleUnit) < 0)
            return 1;
    }
    PutToINI_StringParam(fnINI(), "FILES", "Dir", sources);

    TfMain fMain;
    fMain.show();
    if (!QTest::qWaitFor([&] { return !fMain.ItsFirst(); }))
        return 1;
    if (argc == 3) { // "Все файлы"
        auto* fcb = fMain.findChild<QComboBox*>("FCB");
        fcb->setCurrentIndex(4);
        emit fcb->activated(4);
    }
    auto* flb = fMain.findChild<QListWidget*>("FLB");
    if (!flb || flb->count() == 0)
        return 1;
    QTest::mouseClick(flb->viewport(), Qt::LeftButton, {},
                      flb->visualItemRect(flb->item(0)).center());
    fMain.findChild<QCheckBox*>("cb_WebBr_Show")->click();
    fMain.findChild<QToolButton*>("btn_File_ToHtml")->click();
    QTest::qWait(1500);
    return fMain.grab().save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
