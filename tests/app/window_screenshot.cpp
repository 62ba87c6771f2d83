// Starts the main window in a fresh program folder with one example unit, selects it,
// converts it with the preview on, and saves a picture of the window; then, when more file
// names are given, the Clipboard page with the unit taken from the clipboard and converted,
// and the settings pages HTML-1 and HTML-2 with two example fragments. Used by
// scripts/screenshot.sh for README. With a scene name after one file name it pictures the
// whole screen instead: "menu" (the preview's context menu) or "run" (a whole-list run under
// way, then stopped by choosing another mask: FILE and FILE with "-stopped") or "publish"
// (the publishing dialog, then the published site in the preview after following the index's
// link to a unit in a subfolder: FILE and FILE with "-site"); "smallest" pictures the window
// at its smallest size; with a source's file name after it (a form under the DFM mask,
// anything else under "Все файлы"), the window with that source selected and converted.

#include "__files.h"
#include "dwelk_000_lib.h"
#include "dwelk_001_main.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>
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

bool WriteFile(const QString& name, const QByteArray& bytes) {
    QFile file(name);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

bool Show(TfMain& fMain, const char* pages, const char* page) {
    auto* tabs = fMain.findChild<QTabWidget*>(pages);
    auto* tab = fMain.findChild<QWidget*>(page);
    if (!tabs || !tab)
        return false;
    tabs->setCurrentWidget(tab);
    QTest::qWait(300);
    return true;
}

bool Save(TfMain& fMain, const char* fileName) {
    return fMain.grab().save(QString::fromLocal8Bit(fileName));
}

// The Clipboard page: the unit taken from the clipboard and converted under a title.
bool ShowClipboardPage(TfMain& fMain) {
    QGuiApplication::clipboard()->setText(QString::fromLatin1(ExampleUnit));
    auto* take = fMain.findChild<QAbstractButton*>("SpeedButton3");
    auto* convert = fMain.findChild<QAbstractButton*>("SpeedButton1");
    if (!take || !convert || !Show(fMain, "pcFiles", "tsClip"))
        return false;
    take->click();
    QTimer::singleShot(300, [] {
        if (auto* box = qobject_cast<QInputDialog*>(QApplication::activeModalWidget())) {
            box->setTextValue(QStringLiteral("Example"));
            box->accept();
        }
    });
    convert->click();
    QTest::qWait(300);
    return true;
}

bool SaveScreen(const QString& fileName) {
    return QGuiApplication::primaryScreen()->grabWindow(0).save(fileName);
}

// Answers every message box with OK, after a picture of the screen for any but the question.
void AnswerBoxes(const QString& pictureOfBox) {
    auto* answer = new QTimer(qApp);
    QObject::connect(answer, &QTimer::timeout, answer, [pictureOfBox] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        if (!box->text().startsWith(QStringLiteral("Желаете")))
            SaveScreen(pictureOfBox);
        box->button(QMessageBox::Ok)->click();
    });
    answer->start(300);
}

// The publishing dialog over the window, then the site it publishes opened in the preview
// from the report, one link of the index followed.
int PublishScene(TfMain& fMain, const QString& picture, const QString& sources) {
    const QByteArray user = "unit Shapes;\r\n\r\ninterface\r\n\r\nuses\r\n  Example;\r\n\r\n"
                            "function Area(Side: Integer): Integer;\r\n\r\nimplementation\r\n"
                            "\r\nfunction Area(Side: Integer): Integer;\r\nbegin\r\n"
                            "  Result := Twice(Side) * Side div 2;\r\nend;\r\n\r\nend.\r\n";
    QDir().mkpath(sources + "/geometry");
    if (!WriteFile(sources + "/geometry/Shapes.pas", user))
        return 1;
    QString site = picture;
    site.replace(QLatin1String(".png"), QLatin1String("-site.png"));
    const QString output = QFileInfo(sources).path() + "/site";
    auto* answer = new QTimer(qApp);
    QObject::connect(answer, &QTimer::timeout, answer, [picture, output] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            box->findChild<QAbstractButton*>("btn_OpenInPreview")->click();
        } else if (auto* dialog = qobject_cast<QDialog*>(modal)) {
            // Filled on one tick, pictured and accepted on the next, once painted.
            auto* edit = dialog->findChild<QLineEdit*>("Edit_Output");
            if (edit->text().isEmpty()) {
                edit->setText(output);
                return;
            }
            SaveScreen(picture);
            dialog->accept();
        }
    });
    answer->start(500);
    fMain.findChild<QToolButton*>("btn_Publish")->click();
    QTest::qWait(1500);
    auto* web = fMain.findChild<QWidget*>("WebBr");
    QApplication::setActiveWindow(&fMain);
    web->setFocus();
    // The index links the symbols, then Example's page, then the page of Shapes.
    for (int link = 0; link < 3; ++link)
        QTest::keyClick(web->focusProxy(), Qt::Key_Tab);
    QTest::keyClick(web->focusProxy(), Qt::Key_Return);
    QTest::qWait(1500);
    return Save(fMain, qPrintable(site)) ? 0 : 1;
}

int Scene(TfMain& fMain, const QString& scene, const QString& picture, const QString& sources) {
    if (scene == QLatin1String("publish"))
        return PublishScene(fMain, picture, sources);
    if (scene == QLatin1String("menu")) {
        auto* web = fMain.findChild<QWidget*>("WebBr");
        QTest::mouseClick(web->focusProxy(), Qt::RightButton, {}, QPoint(60, 40));
        QTest::qWait(1000);
        return SaveScreen(picture) ? 0 : 1;
    }
    if (scene == QLatin1String("smallest")) {
        fMain.showNormal();
        fMain.resize(fMain.minimumSizeHint());
        QTest::qWait(500);
        return Save(fMain, qPrintable(picture)) ? 0 : 1;
    }
    // A form under its own mask, any other source under "Все файлы".
    if (scene.endsWith(QLatin1String(".dfm")) || QFileInfo(scene).isFile()) {
        const QString name = QFileInfo(scene).fileName();
        if (!QFile::copy(scene, sources + "/" + name))
            return 1;
        const int mask = scene.endsWith(QLatin1String(".dfm")) ? 1 : 4;
        auto* filter = fMain.findChild<QComboBox*>("FCB");
        filter->setCurrentIndex(mask);
        emit filter->activated(mask);
        auto* flb = fMain.findChild<QListWidget*>("FLB");
        const QList<QListWidgetItem*> items = flb->findItems(name, Qt::MatchExactly);
        if (items.size() != 1)
            return 1;
        QTest::mouseClick(flb->viewport(), Qt::LeftButton, {},
                          flb->visualItemRect(items.first()).center());
        fMain.findChild<QToolButton*>("btn_File_ToHtml")->click();
        QTest::qWait(1500);
        return Save(fMain, qPrintable(picture)) ? 0 : 1;
    }
    if (scene != QLatin1String("run"))
        return 2;
    for (int i = 0; i < 3000; ++i)
        QFile::copy(sources + "/Example.pas",
                    QStringLiteral("%1/Unit%2.pas").arg(sources).arg(i, 4, 10, QChar(u'0')));
    fMain.findChild<QAction*>("N13")->trigger();
    QString stopped = picture;
    stopped.replace(QLatin1String(".png"), QLatin1String("-stopped.png"));
    AnswerBoxes(stopped);
    QTimer::singleShot(1500, &fMain, [&fMain, picture] {
        SaveScreen(picture);
        auto* filter = fMain.findChild<QComboBox*>("FCB");
        filter->setCurrentIndex(1);
        emit filter->activated(1);
    });
    fMain.findChild<QToolButton*>("btn_Files_ToHtml")->click();
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    if (argc < 2 || argc > 5 || argc == 4) {
        std::fprintf(
            stderr,
            "usage: window_screenshot WINDOW.png [CLIPBOARD.png HTML-1.png "
            "HTML-2.png]\n       window_screenshot FILE.png menu|run|publish|smallest|SOURCE\n");
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
    if (!WriteFile(programFolder.filePath("Quorvel_Body_after.txt"),
                   "<p class=\"nav\"><a href=\"index.htm\">Contents</a></p>\r\n") ||
        !WriteFile(programFolder.filePath("Quorvel_Body_before.txt"),
                   "<hr>\r\n<p><small>Generated by dwelk</small></p>\r\n"))
        return 1;
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
    if (!Save(fMain, argv[1]))
        return 1;
    if (argc == 2)
        return 0;
    fMain.findChild<QCheckBox*>("cb_WebBr_Show")->click();
    const bool ok = ShowClipboardPage(fMain) && Save(fMain, argv[2]) &&
                    Show(fMain, "pcFiles", "tsFileSet") && Show(fMain, "pcSets", "tsSetHTML1") &&
                    Save(fMain, argv[3]) && Show(fMain, "pcSets", "tsSetHTML2") &&
                    Save(fMain, argv[4]);
    return ok ? 0 : 1;
}
