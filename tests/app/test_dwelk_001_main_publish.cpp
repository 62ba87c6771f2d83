// Publishing the browsed folder as a site from the window: the pages against pas2html
// --settings byte for byte, the dialog's remembered choices, the report with the pages it
// could not write, the site opened in the preview, and a stop or a close mid-way.

#include "ChangedSettings.h"
#include "THtmlEdit.h"
#include "TestFiles.h"
#include "WebBrowser.h"
#include "WindowSettings.h"
#include "WindowTestKit.h"
#include "__files.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDirIterator>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTabWidget>
#include <QToolButton>

namespace {

const QByteArray Unit1 = "unit Unit1;\r\ninterface\r\nuses Unit2;\r\nimplementation\r\n"
                         "{$R *.dfm}\r\nend.\r\n";
const QByteArray Unit2 = "unit Unit2;\r\ninterface\r\nconst N = $1F; S = 'text';\r\n"
                         "implementation\r\nend.\r\n";
const QByteArray Form1 = "object Form1: TForm1\r\n  Caption = 'Form & more'\r\nend\r\n";
const QByteArray Project1 = "program Project1;\r\nuses Unit1 in 'Unit1.pas';\r\nbegin\r\nend.\r\n";

// Every file under `root` by its relative path, with its bytes.
QMap<QString, QByteArray> Tree(const QString& root) {
    QMap<QString, QByteArray> files;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files.insert(QDir(root).relativeFilePath(path), ReadBytes(path));
    }
    return files;
}

// Fills the publishing dialog with `output` and accepts it.
std::function<void(QDialog*)> PublishTo(const QString& output) {
    return [output](QDialog* dialog) {
        if (dialog->objectName() != QLatin1String("fPublish"))
            return;
        Control<QLineEdit>(dialog, "Edit_Output")->setText(output);
        dialog->accept();
    };
}

int RunPas2html(const QStringList& arguments) {
    QProcess p;
    p.start(QStringLiteral(DWELK_BIN_DIR "/pas2html"), arguments);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit)
        return -1;
    return p.exitCode();
}

} // namespace

class TestDwelk001MainPublish : public QObject {
    Q_OBJECT

private slots:
    void init() { FFolder = std::make_unique<TSourcesFolder>(); }
    void pagesEqualTheCommandLine();
    void choicesRemembered();
    void reportAndSiteInPreview();
    void outputThatIsAFileRefused();
    void stopOrClose_data();
    void stopOrClose();

private:
    QString Src(const QString& name = {}) const { return FFolder->Src(name); }
    QString Out(const QString& name = {}) const { return FFolder->Path() + "/site/" + name; }

    std::unique_ptr<TSourcesFolder> FFolder;
};

// With the window's own settings, saved, the site is the one pas2html --settings makes; the
// publishing section it leaves in the settings file changes nothing there.
void TestDwelk001MainPublish::pagesEqualTheCommandLine() {
    WriteBytes(Src("Unit1.pas"), Unit1);
    WriteBytes(Src("Unit1.dfm"), Form1);
    WriteBytes(Src("Project1.dpr"), Project1);
    WriteBytes(Src("lib/Unit2.pas"), Unit2);
    WriteBytes(Src("lib/blank.pas"), " \r\n");
    auto window = FFolder->StartWindow();
    TfMain* w = window.get();
    ChangePageSettings(w, "<p>after the body</p>");

    QStringList shown;
    TModalAnswerer answerer([&](QDialog* dialog) {
        shown << Control<QLineEdit>(dialog, "Edit_Source")->text();
        for (const char* box : {"cb_Index", "cb_LineNumbers", "cb_LinkUnits", "cb_CrossReferences"})
            if (Control<QCheckBox>(dialog, box)->isChecked())
                shown << box;
        PublishTo(Out())(dialog);
    });
    QTest::keyClick(w, Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(shown, (QStringList{QDir::cleanPath(Src()), "cb_Index", "cb_LineNumbers",
                                 "cb_LinkUnits", "cb_CrossReferences"}));
    QCOMPARE(answerer.Texts().size(), 1);
    QVERIFY2(answerer.Texts()[0].startsWith("Записано страниц: 4\nНе записано: 0\nВремя: "),
             qPrintable(answerer.Texts()[0]));
    QCOMPARE(GetFromINI_StringParamDef(fnINI(), "PUBLISH", "Output", {}, true),
             QDir::cleanPath(Out()));

    const QString cli = FFolder->Path() + "/cli";
    QCOMPARE(RunPas2html({"--settings", fnINI(), "-o", cli, "--site", Src()}), 0);
    const QMap<QString, QByteArray> site = Tree(Out());
    QVERIFY(site.contains("index.htm"));
    QVERIFY(site.contains("lib/Unit2_src.html"));
    QVERIFY(site.value("Unit1_src.html").contains("<b class=\"kw\">"));
    QVERIFY(site.value("Unit1_src.html").contains("<p>after the body</p>"));
    QCOMPARE(site.keys(), Tree(cli).keys());
    QCOMPARE(site, Tree(cli));
}

// The dialog opens with what the last publishing chose, kept in the settings file.
void TestDwelk001MainPublish::choicesRemembered() {
    auto window = FFolder->StartWindow();
    TfMain* w = window.get();
    {
        TModalAnswerer answerer([&](QDialog* dialog) {
            Control<QCheckBox>(dialog, "cb_LineNumbers")->setChecked(false);
            Control<QCheckBox>(dialog, "cb_CrossReferences")->setChecked(false);
            PublishTo(Out())(dialog);
        });
        Control<QToolButton>(w, "btn_Publish")->click();
    }
    QCOMPARE(GetFromINI_BooleanParamDef(fnINI(), "PUBLISH", "LineNumbers", true), false);
    QStringList shown;
    TModalAnswerer answerer([&](QDialog* dialog) {
        shown << Control<QLineEdit>(dialog, "Edit_Output")->text();
        for (const char* box : {"cb_Index", "cb_LineNumbers", "cb_LinkUnits", "cb_CrossReferences"})
            shown << (Control<QCheckBox>(dialog, box)->isChecked() ? "on" : "off");
    });
    Control<QAction>(w, "nPublish")->trigger();
    QCOMPARE(shown, (QStringList{QDir::cleanPath(Out()), "on", "off", "on", "off"}));
}

// The report counts what was written and names what was not; the index then opens in the
// preview, which follows its links through the published folder and comes back.
void TestDwelk001MainPublish::reportAndSiteInPreview() {
    WriteBytes(Src("Unit1.pas"), Unit1);
    WriteBytes(Src("lib/Unit2.pas"), Unit2);
    QVERIFY(QDir().mkpath(Out("lib/Unit2_pas.htm/kept")));
    auto window = FFolder->StartWindow();
    TfMain* w = window.get();
    w->showNormal();
    auto* web = Control<TWebBrowser>(w, "WebBr");
    auto* label = Control<QLabel>(w, "Label_FNhtml");
    Control<QTabWidget>(w, "pcFiles")->setCurrentIndex(1);
    QSignalSpy loaded(web, &QWebEngineView::loadFinished);
    {
        TModalAnswerer answerer(PublishTo(Out()), QMessageBox::Ok, "btn_OpenInPreview");
        Control<QToolButton>(w, "btn_Publish")->click();
        QCOMPARE(answerer.Texts().size(), 1);
        QVERIFY(answerer.Texts()[0].startsWith("Записано страниц: 1\nНе записано: 1\n"));
    }
    QVERIFY(QFileInfo(Out("lib/Unit2_pas.htm/kept")).isDir());
    QCOMPARE(Control<QTabWidget>(w, "pcFiles")->currentWidget()->objectName(), "tsFile");
    QVERIFY(Control<QCheckBox>(w, "cb_WebBr_Show")->isChecked());
    QTRY_COMPARE_WITH_TIMEOUT(web->url(), QUrl::fromLocalFile(Out("index.htm")), kWebWait);
    QTRY_COMPARE_WITH_TIMEOUT(label->text(), Out("index.htm"), kWebWait);
    QTRY_VERIFY_WITH_TIMEOUT(loaded.contains(QVariantList{true}), kWebWait);

    // The index links the symbols first, then the page of Unit1.
    QApplication::setActiveWindow(w);
    web->setFocus();
    QTest::keyClick(web->focusProxy(), Qt::Key_Tab);
    QTest::keyClick(web->focusProxy(), Qt::Key_Tab);
    QTest::keyClick(web->focusProxy(), Qt::Key_Return);
    QTRY_COMPARE_WITH_TIMEOUT(web->url(), QUrl::fromLocalFile(Out("Unit1_pas.htm")), kWebWait);
    QTRY_COMPARE_WITH_TIMEOUT(label->text(), Out("Unit1_pas.htm"), kWebWait);
    web->triggerPageAction(QWebEnginePage::Back);
    QTRY_COMPARE_WITH_TIMEOUT(label->text(), Out("index.htm"), kWebWait);
}

// A file where the pages should go: nothing runs, a box says why.
void TestDwelk001MainPublish::outputThatIsAFileRefused() {
    WriteBytes(Src("Unit1.pas"), Unit1);
    WriteBytes(FFolder->Path() + "/site", "a file");
    auto window = FFolder->StartWindow();
    TfMain* w = window.get();
    TModalAnswerer answerer(PublishTo(FFolder->Path() + "/site"));
    Control<QToolButton>(w, "btn_Publish")->click();
    QCOMPARE(answerer.Texts().size(), 1);
    QVERIFY2(answerer.Texts()[0].startsWith("Папка для страниц " + FFolder->Path() +
                                            "/site: здесь нужна папка для страниц"),
             qPrintable(answerer.Texts()[0]));
    QCOMPARE(ReadBytes(FFolder->Path() + "/site"), QByteArray("a file"));
}

void TestDwelk001MainPublish::stopOrClose_data() {
    QTest::addColumn<bool>("closing");
    QTest::newRow("Стоп") << false;
    QTest::newRow("closing the window") << true;
}

// Stopped at its first look at the window, the publishing writes no page and no index; a
// stop is reported, a close ends it without a word and closes the window.
void TestDwelk001MainPublish::stopOrClose() {
    QFETCH(bool, closing);
    for (int i = 0; i < 20; ++i)
        WriteBytes(Src(QStringLiteral("u%1.pas").arg(i)), Unit2);
    auto window = FFolder->StartWindow();
    TfMain* w = window.get();
    auto* progress = Control<QProgressBar>(w, "ProgressBar_Run");
    connect(progress, &QProgressBar::valueChanged, w, [&](int value) {
        if (value != 1)
            return;
        QVERIFY(w->ListRunActive());
        QVERIFY(progress->isVisible());
        if (closing)
            QVERIFY(!w->close()); // refused while the publishing ends
        else
            Control<QToolButton>(w, "btn_Run_Stop")->click();
    });
    TModalAnswerer answerer(PublishTo(Out()));
    Control<QToolButton>(w, "btn_Publish")->click();
    QVERIFY(!w->ListRunActive());
    QVERIFY(!progress->isVisible());
    QCOMPARE(w->isVisible(), !closing);
    if (closing)
        QCOMPARE(answerer.Texts(), QStringList());
    else
        QVERIFY(answerer.Texts().value(0).startsWith("Останов!\nЗаписано страниц: 0\n"));
    QVERIFY(Tree(Out()).isEmpty());
}

QTEST_MAIN(TestDwelk001MainPublish)
#include "test_dwelk_001_main_publish.moc"
