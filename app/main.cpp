// The program: the application, its main window, the message loop.

#include "AppIcon.h"
#include "CloseOnSignals.h"
#include "dwelk_001_main.h"

#include <QApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

int main(int argc, char* argv[]) {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(DesktopFileName);
    QApplication::setWindowIcon(AppIcon());
    // Qt's own buttons (OK, Cancel) speak the user's language.
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale::system(), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(&qtTranslator);
    const TCloseOnSignals closeOnSignals;
    TfMain fMain;
    // One optional argument, a file or a folder to open (Qt's own options are gone from
    // argv by now).
    if (argc > 1)
        fMain.OpenAtStart(QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath());
    fMain.show();
    return app.exec();
}
