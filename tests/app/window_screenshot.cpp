// Starts the main window in a fresh program folder with one example unit, selects it,
// converts it with the preview on, and saves a picture of the window; used by
// scripts/screenshot.sh for README. A second argument pictures one more scene of the whole
// screen instead: "settings" (the page "Настройка"), "clip" (the page "Clipboard" with a
// converted result), "menu" (the preview's context menu), "run" (a whole-list run under
// way, then stopped by choosing another mask: FILE and FILE with "-stopped").

#include "__files.h"
#include "dwelk_000_lib.h"
#include "dwelk_001_main.h"
#include "synmemo.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QInputDialog>
#include <QListWidget>
#include <QMessageBox>
#include <QScreen>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
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

bool SaveScreen(const QString& fileName) {
    return QGuiApplication::primaryScreen()->grabWindow(0).save(fileName);
}

template <class T> T* Find(QWidget& window, const char* name) {
    T* control = window.findChild<T*>(QString::fromLatin1(name));
    if (!control)
        qFatal("no control %s", name);
    return control;
}

// Answers the next message box with OK after a look at the screen.
void AnswerNextBox(const QString& pictureOfBox) {
    auto* answer = new QTimer(qApp);
    QObject::connect(answer, &QTimer::timeout, answer, [answer, pictureOfBox] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        if (!pictureOfBox.isEmpty() && box->text() != QStringLiteral("Желаете конвертировать в "
                                                                     "HTML-формат все файлы из "
                                                                     "списка?"))
            SaveScreen(pictureOfBox);
        box->button(QMessageBox::Ok)->click();
    });
    answer->start(300);
}

int Scene(TfMain& fMain, const QString& scene, const QString& picture, const QString& sources) {
    auto* pages = Find<QTabWidget>(fMain, "pcFiles");
    if (scene == QLatin1String("settings")) {
        pages->setCurrentWidget(Find<QWidget>(fMain, "tsFileSet"));
    } else if (scene == QLatin1String("clip")) {
        pages->setCurrentWidget(Find<QWidget>(fMain, "tsClip"));
        QFile unit(sources + "/Example.pas");
        if (!unit.open(QIODevice::ReadOnly))
            return 1;
        const QString text = QString::fromLatin1(unit.readAll());
        Find<TSyntaxMemo>(fMain, "SyntMemo2")->Lines().SetText(text);
        auto* answerTitle = new QTimer(qApp);
        QObject::connect(answerTitle, &QTimer::timeout, answerTitle, [] {
            if (auto* box = qobject_cast<QInputDialog*>(QApplication::activeModalWidget())) {
                box->setTextValue(QStringLiteral("Example"));
                box->accept();
            }
        });
        answerTitle->start(50);
        Find<QToolButton>(fMain, "SpeedButton1")->click();
        Find<QToolButton>(fMain, "sb_Clip_CopyHtml")->click();
    } else if (scene == QLatin1String("menu")) {
        auto* web = Find<QWidget>(fMain, "WebBr");
        QTest::qWait(1000);
        QTest::mouseClick(web->focusProxy(), Qt::RightButton, {}, QPoint(60, 40));
    } else if (scene == QLatin1String("run")) {
        for (int i = 0; i < 3000; ++i)
            QFile::copy(sources + "/Example.pas",
                        QStringLiteral("%1/Unit%2.pas").arg(sources).arg(i, 4, 10, QChar(u'0')));
        Find<QAction>(fMain, "N13")->trigger();
        QString stopped = picture;
        stopped.replace(QLatin1String(".png"), QLatin1String("-stopped.png"));
        AnswerNextBox(stopped);
        QTimer::singleShot(1500, &fMain, [&fMain, picture] {
            SaveScreen(picture);
            auto* filter = Find<QComboBox>(fMain, "FCB");
            filter->setCurrentIndex(1);
            emit filter->activated(1);
        });
        Find<QToolButton>(fMain, "btn_Files_ToHtml")->click();
        return 0;
    } else {
        return 2;
    }
    QTest::qWait(1500);
    return SaveScreen(picture) ? 0 : 1;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: window_screenshot FILE.png [settings|clip|menu|run]\n");
        return 2;
    }
    QTemporaryDir programFolder;
    SetMainDir(programFolder.path());
    const QString sources = programFolder.filePath("src");
    QDir().mkpath(sources);
    QFile unit(sources + "/Example.pas");
    if (!unit.open(QIODevice::WriteOnly) || unit.write(ExampleUnit) < 0)
        return 1;
    unit.close();
    PutToINI_StringParam(fnINI(), "FILES", "Dir", sources);

    TfMain fMain;
    fMain.show();
    if (!QTest::qWaitFor([&] { return !fMain.ItsFirst(); }))
        return 1;
    auto* flb = fMain.findChild<QListWidget*>("FLB");
    if (!flb || flb->count() == 0)
        return 1;
    QTest::mouseClick(flb->viewport(), Qt::LeftButton, {},
                      flb->visualItemRect(flb->item(0)).center());
    fMain.findChild<QCheckBox*>("cb_WebBr_Show")->click();
    fMain.findChild<QToolButton*>("btn_File_ToHtml")->click();
    QTest::qWait(1500);
    if (argc == 3)
        return Scene(fMain, QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[1]),
                     sources);
    return fMain.grab().save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
