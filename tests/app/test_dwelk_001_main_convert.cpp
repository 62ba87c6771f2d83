// The conversion commands end to end through the real window: one file by double click, the
// fragments of the settings pages, the whole-list run with its messages, progress and stop,
// failing writes, and the clipboard page from the clipboard to a saved file.

#include "ChangedSettings.h"
#include "EnginePages.h"
#include "THtmlEdit.h"
#include "TestFiles.h"
#include "WindowSettings.h"
#include "WindowTestKit.h"
#include "__files.h"
#include "__pas2html.h"
#include "synmemo.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QRegularExpression>
#include <QTabWidget>
#include <QToolButton>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QByteArray UnitText = "unit Unit1;\r\n"
                            "{ comment & <more> }\r\n"
                            "interface\r\n"
                            "const S = 'text'; N = $1F;\r\n"
                            "{$R *.res}\r\n"
                            "implementation\r\n"
                            "end.\r\n";

const QString ConvertAllQuestion =
    QStringLiteral("Желаете конвертировать в HTML-формат все файлы из списка?");
const QString ViewQuestion = QStringLiteral("Желате посмотреть результат?");

} // namespace

class TestDwelk001MainConvert : public QObject {
    Q_OBJECT

private slots:
    void init();
    void convertSelectedFile_data();
    void convertSelectedFile();
    void viewQuestionCancelled();
    void fragmentsEachAlone_data();
    void fragmentsEachAlone();
    void storedSettingsMakeTheSamePage();
    void unwritablePageShowsError_data();
    void unwritablePageShowsError();
    void readOnlyFolderKeepsOldPage();
    void wholeList_data();
    void wholeList();
    void wholeListStops();
    void wholeListStaysInItsList_data();
    void wholeListStaysInItsList();
    void clipboardTakeAndConvert();
    void clipboardTakeShowsTheStart();
    void clipboardBlankSource();
    void clipboardCopyHtml();
    void clipboardSave_data();
    void clipboardSave();
    void damagedBinaryForm();

private:
    QString Src(const QString& name = {}) const { return FFolder->Src(name); }
    std::unique_ptr<TfMain> StartInSources() { return FFolder->StartWindow(); }

    std::unique_ptr<TSourcesFolder> FFolder;
};

void TestDwelk001MainConvert::init() {
    FFolder = std::make_unique<TSourcesFolder>();
}

void TestDwelk001MainConvert::convertSelectedFile_data() {
    QTest::addColumn<int>("filter");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QString>("olderPage"); // written beforehand, empty for none
    QTest::addColumn<QString>("page");      // expected page, empty for none
    QTest::addColumn<QStringList>("messages");
    const QByteArray bom = "\xEF\xBB\xBF";
    QTest::newRow("pas replaces an older page") << 0 << "Unit1.pas" << UnitText << "Unit1_pas.htm"
                                                << "Unit1_pas.htm" << QStringList{ViewQuestion};
    QTest::newRow("title escaped") << 0 << "Tom&Jerry<1>.pas" << UnitText << ""
                                   << "Tom&Jerry<1>_pas.htm" << QStringList{ViewQuestion};
    QTest::newRow("dfm") << 1 << "Form1.dfm" << QByteArray("object Form1: TForm1\r\nend\r\n") << ""
                         << "Form1_dfm.htm" << QStringList{ViewQuestion};
    QTest::newRow("dpr") << 2 << "Proj.dpr" << QByteArray("program Proj;\r\nbegin end.\r\n") << ""
                         << "Proj.htm" << QStringList{ViewQuestion};
    QTest::newRow("UTF-8 with mark")
        << 0 << "Utf.pas" << bom + QString("unit Юникод; { ✓ }\r\n").toUtf8() << ""
        << "Utf_pas.htm" << QStringList{ViewQuestion};
    QTest::newRow("html is not converted")
        << 3 << "page.htm" << QByteArray("<html></html>") << ""
        << "" << QStringList{"Ошибка! Файлы этого типа НЕ конвертируются"};
    QTest::newRow("empty source, no older page")
        << 0 << "Empty.pas" << QByteArray() << ""
        << "" << QStringList{"Ошибка! HTML-файл не найден"};
    QTest::newRow("blank source keeps the older page")
        << 0 << "Blank.pas" << QByteArray("  \r\n\r\n") << "Blank_pas.htm"
        << "" << QStringList{ViewQuestion};
}

void TestDwelk001MainConvert::convertSelectedFile() {
    QFETCH(int, filter);
    QFETCH(QString, name);
    QFETCH(QByteArray, source);
    QFETCH(QString, olderPage);
    QFETCH(QString, page);
    QFETCH(QStringList, messages);
    WriteBytes(Src(name), source);
    if (!olderPage.isEmpty())
        WriteBytes(Src(olderPage), "older page");
    const TOpenerStandIn opener;
    auto window = StartInSources();
    TfMain* w = window.get();
    ChooseFilter(w, filter);
    TModalAnswerer answerer;
    DoubleClickFile(w, name);
    QCOMPARE(answerer.Texts(), messages);
    if (!page.isEmpty()) {
        QCOMPARE(ReadBytes(Src(page)), EnginePage(Src(name), TitleFromFileName(Src(name))));
        const QString title = name.toHtmlEscaped().replace("&quot;", "\"");
        QVERIFY(ReadBytes(Src(page)).contains("<title>" + title.toUtf8() + "</title>"));
        QCOMPARE(opener.Opened(), QStringList{Src(page)});
    } else if (!olderPage.isEmpty()) {
        QCOMPARE(ReadBytes(Src(olderPage)), QByteArray("older page"));
    } else {
        QCOMPARE(QDir(Src()).entryList(QDir::Files), QStringList{name});
    }
}

// With the preview off and the question answered Cancel nothing is opened; with the
// preview on the page is shown instead of asking.
void TestDwelk001MainConvert::viewQuestionCancelled() {
    WriteBytes(Src("Unit1.pas"), UnitText);
    const TOpenerStandIn opener;
    auto window = StartInSources();
    TfMain* w = window.get();
    {
        TModalAnswerer answerer({}, QMessageBox::Cancel);
        DoubleClickFile(w, "Unit1.pas");
        QCOMPARE(answerer.Texts(), QStringList{ViewQuestion});
    }
    Control<QCheckBox>(w, "cb_WebBr_Show")->click();
    TModalAnswerer answerer;
    Control<QToolButton>(w, "btn_File_ToHtml")->click();
    QVERIFY(answerer.Texts().isEmpty());
    QVERIFY(opener.Opened().isEmpty());
    QVERIFY(QFileInfo::exists(Src("Unit1_pas.htm")));
}

void TestDwelk001MainConvert::fragmentsEachAlone_data() {
    QTest::addColumn<bool>("after");
    QTest::addColumn<bool>("before");
    QTest::addColumn<bool>("typedLast"); // the texts change after the switches, unsaved
    QTest::newRow("neither") << false << false << false;
    QTest::newRow("after the body tag only") << true << false << false;
    QTest::newRow("before the body end only") << false << true << false;
    QTest::newRow("both") << true << true << false;
    QTest::newRow("both, typed after switching on") << true << true << true;
}

void TestDwelk001MainConvert::fragmentsEachAlone() {
    QFETCH(bool, after);
    QFETCH(bool, before);
    QFETCH(bool, typedLast);
    WriteBytes(Src("Unit1.pas"), UnitText);
    auto window = StartInSources();
    TfMain* w = window.get();
    const TStrings afterLines({"<div>AFTER-BODY</div>"});
    const TStrings beforeLines({"<div>BEFORE-END</div>", "<p>двa</p>"});
    const auto type = [w, &afterLines, &beforeLines] {
        Control<THtmlEdit>(w, "SynMemo_BODY_After")->SetLines(afterLines);
        Control<THtmlEdit>(w, "SynMemo_BODY_Before")->SetLines(beforeLines);
    };
    if (!typedLast)
        type();
    Control<QCheckBox>(w, "cb_Yes_HTML_after_BODY")->setChecked(after);
    Control<QCheckBox>(w, "cb_Yes_HTML_before_BODY")->setChecked(before);
    if (typedLast)
        type();
    TModalAnswerer answerer({}, QMessageBox::Cancel);
    DoubleClickFile(w, "Unit1.pas");
    const QByteArray page = ReadBytes(Src("Unit1_pas.htm"));
    QCOMPARE(page, EnginePage(Src("Unit1.pas"), TitleFromFileName(Src("Unit1.pas")),
                              after ? &afterLines : nullptr, before ? &beforeLines : nullptr));
    QCOMPARE(page.contains("AFTER-BODY"), after);
    QCOMPARE(page.contains("BEFORE-END"), before);
}

// What the window stores while it is set up is what a conversion outside it reads back:
// the same page under the same name.
void TestDwelk001MainConvert::storedSettingsMakeTheSamePage() {
    WriteBytes(Src("Unit1.pas"), UnitText);
    auto window = StartInSources();
    TfMain* w = window.get();
    TModalAnswerer answerer({}, QMessageBox::Cancel);
    ChangePageSettings(w, "<p>после</p>");
    DoubleClickFile(w, "Unit1.pas");

    const TWindowSettings stored = ReadWindowSettings(fnINI(), DefaultTags());
    const QString name = PageFileName(Src("Unit1.pas"), u"Unit1.pas", stored.Naming);
    QCOMPARE(QFileInfo(name).fileName(), QStringLiteral("Unit1_src.html"));
    const QString page = FFolder->Path() + "/outside.html";
    QVERIFY(FilePas_2_FileHtml(Src("Unit1.pas"), page, TitleFromFileName(Src("Unit1.pas")),
                               &stored.Attr, stored.AfterOrNull(), stored.EndBeforeOrNull(), true));
    QVERIFY(ReadBytes(page).contains("<b class=\"kw\">"));
    QCOMPARE(ReadBytes(Src("Unit1_src.html")), ReadBytes(page));
}

void TestDwelk001MainConvert::unwritablePageShowsError_data() {
    QTest::addColumn<QString>("standing");
    QTest::newRow("folder") << "folder";
    QTest::newRow("FIFO") << "fifo";
    QTest::newRow("link") << "link";
}

// What stands where the page goes is never replaced, written through nor waited on: the
// error box names the problem, the window stays usable.
void TestDwelk001MainConvert::unwritablePageShowsError() {
    QFETCH(QString, standing);
    WriteBytes(Src("Unit1.pas"), UnitText);
    WriteBytes(Src("../other.txt"), "other");
    const QString at = Src("Unit1_pas.htm");
    if (standing == "folder")
        QVERIFY(QDir().mkpath(at + "/keep"));
    else if (standing == "link")
        QVERIFY(QFile::link(Src("../other.txt"), at));
    else
        QCOMPARE(mkfifo(QFile::encodeName(at).constData(), 0600), 0);
    auto window = StartInSources();
    TfMain* w = window.get();
    ClickFile(w, "Unit1.pas");
    const auto unchanged = [&] {
        const QFileInfo info(at);
        return standing == "folder" ? info.isDir()
               : standing == "link" ? info.isSymLink() && ReadBytes(Src("../other.txt")) == "other"
                                    : info.exists() && !info.isFile() && !info.isDir();
    };
    {
        TModalAnswerer answerer;
        Control<QToolButton>(w, "btn_File_ToHtml")->click();
        QCOMPARE(answerer.Icons().value(0), QMessageBox::Critical);
        QVERIFY(unchanged());
    }

    // In a whole-list run the error ends the run and the panel comes back.
    TModalAnswerer runAnswerer;
    Control<QToolButton>(w, "btn_Files_ToHtml")->click();
    QCOMPARE(runAnswerer.Texts().size(), 2);
    QCOMPARE(runAnswerer.Texts()[0], ConvertAllQuestion);
    QCOMPARE(runAnswerer.Icons()[1], QMessageBox::Critical);
    QVERIFY(Control<QWidget>(w, "Panel_File_Ctrl")->isEnabled());
    QVERIFY(!w->ListRunActive());
    QVERIFY(unchanged());
    QVERIFY(w->isVisible());
}

void TestDwelk001MainConvert::readOnlyFolderKeepsOldPage() {
    if (geteuid() == 0)
        QSKIP("permission bits do not stop the superuser");
    WriteBytes(Src("Unit1.pas"), UnitText);
    WriteBytes(Src("Unit1_pas.htm"), "older page");
    QFile::setPermissions(Src(), QFile::ReadOwner | QFile::ExeOwner);
    auto window = StartInSources();
    TModalAnswerer answerer;
    DoubleClickFile(window.get(), "Unit1.pas");
    QFile::setPermissions(Src(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QCOMPARE(answerer.Icons().value(0), QMessageBox::Critical);
    QCOMPARE(ReadBytes(Src("Unit1_pas.htm")), QByteArray("older page"));
}

void TestDwelk001MainConvert::wholeList_data() {
    QTest::addColumn<int>("filter");
    QTest::addColumn<QStringList>("sources"); // an "empty" name gets no text
    QTest::addColumn<QMessageBox::StandardButton>("answer");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QStringList>("pages"); // "source=page"
    QTest::newRow("mixed types, html skipped")
        << 4 << QStringList{"a.pas", "b.dfm", "c.htm", "d.dpr"} << QMessageBox::Ok
        << QStringList{ConvertAllQuestion, "Готово!"}
        << QStringList{"a.pas=a_pas.htm", "b.dfm=b_dfm.htm", "d.dpr=d.htm"};
    QTest::newRow("empty file stops the run")
        << 0 << QStringList{"a.pas", "b_empty.pas", "c.pas"} << QMessageBox::Ok
        << QStringList{ConvertAllQuestion, "Ошибка! HTML-файл не найден", "Останов!"}
        << QStringList{"a.pas=a_pas.htm"};
    QTest::newRow("cancelled") << 0 << QStringList{"a.pas", "c.pas"} << QMessageBox::Cancel
                               << QStringList{ConvertAllQuestion} << QStringList{};
    QTest::newRow("empty list") << 0 << QStringList{"a.dfm"} << QMessageBox::Ok << QStringList{}
                                << QStringList{};
}

void TestDwelk001MainConvert::wholeList() {
    QFETCH(int, filter);
    QFETCH(QStringList, sources);
    QFETCH(QMessageBox::StandardButton, answer);
    QFETCH(QStringList, messages);
    QFETCH(QStringList, pages);
    for (const QString& name : sources)
        WriteBytes(Src(name), name.contains("empty") ? QByteArray() : UnitText);
    auto window = StartInSources();
    TfMain* w = window.get();
    ChooseFilter(w, filter);
    auto* preview = Control<QCheckBox>(w, "cb_WebBr_Show");
    preview->click();
    TModalAnswerer answerer({}, answer);
    Control<QToolButton>(w, "btn_Files_ToHtml")->click();
    QCOMPARE(answerer.Texts(), messages);
    for (const QString& pair : pages) {
        const QString source = pair.section('=', 0, 0);
        const QString page = pair.section('=', 1);
        QVERIFY2(QFileInfo::exists(Src(page)), qPrintable(page));
        QCOMPARE(ReadBytes(Src(page)), EnginePage(Src(source), TitleFromFileName(Src(source))));
    }
    const QStringList written = QDir(Src()).entryList({"*.htm"}, QDir::Files);
    QCOMPARE(written.size() - int(sources.contains("c.htm")), pages.size());
    // A run unticks the preview; a cancelled question or an empty list changes nothing.
    QCOMPARE(preview->isChecked(), messages.size() <= 1);
    QVERIFY(Control<QWidget>(w, "Panel_File_Ctrl")->isEnabled());
    QVERIFY(!Control<QProgressBar>(w, "ProgressBar_Run")->isVisible());
    if (filter == 4)
        QVERIFY(FileNames(w).contains("a_pas.htm")); // the list was read again
    QVERIFY(w->SelectedFile().isEmpty());
}

// Esc stops a run between two files; a second run cannot start meanwhile. The keys come with
// the first input the run takes, so the outcome does not depend on how fast pages are written.
void TestDwelk001MainConvert::wholeListStops() {
    const int count = 5;
    for (int i = 0; i < count; ++i)
        WriteBytes(Src(QStringLiteral("u%1.pas").arg(i)), UnitText);
    auto window = StartInSources();
    TfMain* w = window.get();
    auto* progress = Control<QProgressBar>(w, "ProgressBar_Run");
    int seenMaximum = 0;
    bool panelDisabled = false;
    bool stopped = false;
    bool escClicked = false;
    connect(progress, &QProgressBar::valueChanged, w, [&] {
        if (stopped)
            return;
        stopped = true;
        seenMaximum = progress->maximum();
        panelDisabled = !Control<QWidget>(w, "Panel_File_Ctrl")->isEnabled();
        QTimer::singleShot(0, w, [&] {
            Control<QToolButton>(w, "btn_Files_ToHtml")->click();
            QApplication::setActiveWindow(w); // the box that asked has just closed
            // The shortcut clicks "Стоп" as an animated click, a moment after the key.
            QSignalSpy stopClicked(Control<QToolButton>(w, "btn_Run_Stop"),
                                   &QAbstractButton::clicked);
            QTest::keyClick(w, Qt::Key_Escape);
            escClicked = stopClicked.wait();
        });
    });
    TModalAnswerer answerer;
    Control<QToolButton>(w, "btn_Files_ToHtml")->click();
    QCOMPARE(answerer.Texts(), (QStringList{ConvertAllQuestion, "Останов!"}));
    QVERIFY(escClicked);
    QCOMPARE(seenMaximum, count);
    QVERIFY(panelDisabled);
    // The run stops where it took the keys, before its next file.
    QCOMPARE(QDir(Src()).entryList({"*.htm"}, QDir::Files), QStringList());
    QVERIFY(!w->ListRunActive());
    QVERIFY(!progress->isVisible());
}

void TestDwelk001MainConvert::wholeListStaysInItsList_data() {
    QTest::addColumn<bool>("newFolder"); // else a new mask
    QTest::newRow("another folder") << true;
    QTest::newRow("another mask") << false;
}

// Changing the folder or the mask during a run ends it as "Стоп" does: the new list's files
// are never converted.
void TestDwelk001MainConvert::wholeListStaysInItsList() {
    QFETCH(bool, newFolder);
    for (const char* name : {"a.pas", "b.pas", "x.dfm", "other/o.pas"}) {
        QDir().mkpath(QFileInfo(Src(name)).path());
        WriteBytes(Src(name), UnitText);
    }
    auto window = StartInSources();
    TfMain* w = window.get();
    // The change comes with the first input the run takes.
    auto* progress = Control<QProgressBar>(w, "ProgressBar_Run");
    connect(progress, &QProgressBar::valueChanged, w, [&] {
        QTimer::singleShot(0, w, [&] {
            if (!newFolder) {
                ChooseFilter(w, 1);
                return;
            }
            auto* dlb = Control<QListWidget>(w, "DLB");
            for (int i = 0; i < dlb->count(); ++i)
                if (dlb->item(i)->data(Qt::UserRole).toString() == Src("other"))
                    emit dlb->itemActivated(dlb->item(i));
        });
    });
    TModalAnswerer answerer;
    Control<QToolButton>(w, "btn_Files_ToHtml")->click();
    QCOMPARE(answerer.Texts(), (QStringList{ConvertAllQuestion, "Останов!"}));
    QCOMPARE(w->BrowserFolder() == QDir::cleanPath(Src("other")), newFolder);
    QVERIFY(!QFileInfo::exists(Src("other/o_pas.htm")));
    QVERIFY(!QFileInfo::exists(Src("x_dfm.htm")));
    QVERIFY(!w->ListRunActive());
}

void TestDwelk001MainConvert::clipboardTakeAndConvert() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText(QString::fromLatin1(UnitText));
    if (clipboard->text().isEmpty())
        QSKIP("this platform has no clipboard");
    auto window = StartWindow();
    TfMain* w = window.get();
    auto* source = Control<TSyntaxMemo>(w, "SyntMemo2");
    auto* result = Control<THtmlEdit>(w, "SynMemo1");
    result->SetText(u"old result");
    Control<QToolButton>(w, "SpeedButton3")->click();
    QCOMPARE(result->LineCount(), 0);
    QCOMPARE(source->Lines().Text(), QString::fromLatin1(UnitText));
    QCOMPARE(clipboard->text(), QString::fromLatin1(UnitText));

    for (const QString& typed : {QStringLiteral("  My <b>title</b> "), QString()}) {
        TModalAnswerer answerer([&](QDialog* dialog) {
            auto* box = qobject_cast<QInputDialog*>(dialog);
            QVERIFY(box);
            QCOMPARE(box->windowTitle(), QStringLiteral("Заголовок HTML-файла"));
            QCOMPARE(box->labelText(), QStringLiteral("Введите"));
            QCOMPARE(box->textValue(), QString());
            box->setTextValue(typed);
            if (!typed.isEmpty())
                box->accept();
        });
        Control<QToolButton>(w, "SpeedButton1")->click();
        TStrings lines = source->Lines().Strings();
        TStrings expected;
        const TStrings tags = DefaultTags();
        pas2html(&lines, &expected, typed.trimmed(), &tags, nullptr, nullptr);
        QCOMPARE(result->Lines().Lines(), expected.Lines());
        const QString title = typed.isEmpty() ? "NewFile" : typed.trimmed();
        QVERIFY(result->Lines().Text().contains("<title>" + title + "</title>"));
    }

    // Typing in the source empties the result.
    QVERIFY(result->LineCount() > 0);
    QTest::keyClick(source, Qt::Key_X);
    QVERIFY(source->Lines().Text().contains(QLatin1Char('x')));
    QCOMPARE(result->LineCount(), 0);
}

// A text taken after a long line was scrolled sideways shows from its first column.
void TestDwelk001MainConvert::clipboardTakeShowsTheStart() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText(QString(300, u'x'));
    if (clipboard->text().isEmpty())
        QSKIP("this platform has no clipboard");
    auto window = StartWindow();
    TfMain* w = window.get();
    Control<QTabWidget>(w, "pcFiles")->setCurrentWidget(Control<QWidget>(w, "tsClip"));
    auto* source = Control<TSyntaxMemo>(w, "SyntMemo2");
    Control<QToolButton>(w, "SpeedButton3")->click();
    source->setFocus();
    QTest::keyClick(source, Qt::Key_End);
    QVERIFY(source->Offset().x() > 0);
    clipboard->setText(QStringLiteral("short"));
    Control<QToolButton>(w, "SpeedButton3")->click();
    QCOMPARE(source->Offset(), QPoint(0, 0));
    QCOMPARE(source->GetPos(), QPoint(1, 1));
}

void TestDwelk001MainConvert::clipboardBlankSource() {
    auto window = StartWindow();
    TfMain* w = window.get();
    Control<TSyntaxMemo>(w, "SyntMemo2")->Lines().SetText(u"   \r\n\t\r\n");
    int asked = 0;
    TModalAnswerer answerer([&](QDialog*) { ++asked; });
    Control<QToolButton>(w, "SpeedButton1")->click();
    QCOMPARE(asked, 1);
    QCOMPARE(Control<THtmlEdit>(w, "SynMemo1")->LineCount(), 0);
    // Nothing to save: no dialog.
    Control<QToolButton>(w, "SpeedButton2")->click();
    QCOMPARE(asked, 1);
}

// The page goes to the clipboard as UTF-8 HTML without its code-page line, and as its source.
void TestDwelk001MainConvert::clipboardCopyHtml() {
    auto window = StartWindow();
    TfMain* w = window.get();
    auto* copy = Control<QToolButton>(w, "sb_Clip_CopyHtml");
    QCOMPARE(copy->toolTip(), QStringLiteral("Копировать HTML в буфер обмена"));
    QVERIFY(!copy->isEnabled());
    TStrings source({QStringLiteral("{ Привет & <мир> }"), QStringLiteral("begin end.")});
    TStrings page;
    const TStrings tags = DefaultTags();
    pas2html(&source, &page, QStringLiteral("Заголовок"), &tags, nullptr, nullptr);
    auto* result = Control<THtmlEdit>(w, "SynMemo1");
    result->SetLines(page);
    QVERIFY(copy->isEnabled());
    copy->click();

    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    QVERIFY(data && data->hasHtml() && data->hasText());
    QStringList shown = page.Lines();
    QCOMPARE(data->text(), shown.join('\n') + '\n');
    const qsizetype meta = shown.indexOf(QRegularExpression("<meta .*charset=windows-1251.*"));
    QVERIFY(meta > 0);
    shown.removeAt(meta);
    QCOMPARE(data->html(), shown.join('\n') + '\n');
    QCOMPARE(QString::fromUtf8(data->data("text/html")), data->html());
    QVERIFY(data->html().contains(QStringLiteral("Привет &amp; &lt;мир&gt;")));

    result->SetText({});
    QVERIFY(!copy->isEnabled());
}

void TestDwelk001MainConvert::clipboardSave_data() {
    QTest::addColumn<int>("extension");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QMessageBox::StandardButton>("answer");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("saved");
    QTest::newRow("htm, then open") << 0 << "htm (*.htm)" << QMessageBox::Ok << "saved.html"
                                    << "saved.html";
    QTest::newRow("html, not opened") << 1 << "html (*.html)" << QMessageBox::Cancel << "saved.html"
                                      << "saved.html";
    // A name without extension takes the chosen filter's.
    QTest::newRow("htm, bare name") << 0 << "htm (*.htm)" << QMessageBox::Cancel << "saved"
                                    << "saved.htm";
    QTest::newRow("html, bare name") << 1 << "html (*.html)" << QMessageBox::Cancel << "saved"
                                     << "saved.html";
}

// The saved file is the editor's text in windows-1251 with CR LF after each line; a
// character the code page lacks becomes a character reference.
void TestDwelk001MainConvert::clipboardSave() {
    QFETCH(int, extension);
    QFETCH(QString, filter);
    QFETCH(QMessageBox::StandardButton, answer);
    QFETCH(QString, typed);
    QFETCH(QString, saved);
    const TOpenerStandIn opener;
    auto window = StartWindow();
    TfMain* w = window.get();
    Control<QComboBox>(w, "ComboBox_HTML_ExtFile")->setCurrentIndex(extension);
    Control<THtmlEdit>(w, "SynMemo1")->SetText(u"<p>Привет ✓</p>\n<p>&amp;</p>");
    const QString target = Src(saved);
    WriteBytes(target, "older");
    {
        QString shownFilter;
        TModalAnswerer answerer(
            [&](QDialog* dialog) {
                auto* chooser = qobject_cast<QFileDialog*>(dialog);
                QVERIFY(chooser);
                shownFilter = chooser->selectedNameFilter();
                // Typed into the name box, as a user does.
                chooser->setDirectory(Src());
                auto* nameBox = chooser->findChild<QLineEdit*>("fileNameEdit");
                QVERIFY(nameBox);
                nameBox->setText(typed);
                QMetaObject::invokeMethod(chooser, "accept");
            },
            answer);
        Control<QToolButton>(w, "SpeedButton2")->click();
        QCOMPARE(shownFilter, filter);
        QCOMPARE(ReadBytes(target), QByteArray("<p>\xCF\xF0\xE8\xE2\xE5\xF2 &#10003;</p>\r\n"
                                               "<p>&amp;</p>\r\n"));
        QCOMPARE(answerer.Texts(), QStringList{ViewQuestion});
        QCOMPARE(opener.Opened(), answer == QMessageBox::Ok ? QStringList{target} : QStringList{});
    }

    // A cancelled dialog writes nothing and asks nothing.
    QFile::remove(target);
    TModalAnswerer canceller;
    Control<QToolButton>(w, "SpeedButton2")->click();
    QVERIFY(!QFileInfo::exists(target));
    QVERIFY(canceller.Texts().isEmpty());
}

// A damaged binary form shows as its text up to the damage and a last line saying why,
// and converts to its page without a message box.
void TestDwelk001MainConvert::damagedBinaryForm() {
    const QByteArray form = ReadBytes(QStringLiteral(DWELK_TEST_DATA "/forms/main.dfm"));
    WriteBytes(Src("Cut.dfm"), form.first(form.size() / 2));
    auto window = StartInSources();
    TfMain* w = window.get();
    ChooseFilter(w, 1);
    ClickFile(w, "Cut.dfm");
    const TSyntaxMemoLines& lines = Control<TSyntaxMemo>(w, "SyntMemo")->Lines();
    QCOMPARE(lines[0], QStringLiteral("object fMain: TfMain"));
    QVERIFY2(lines[lines.Count() - 1].startsWith("// Ошибка: чтение двоичной формы остановлено"),
             qPrintable(lines[lines.Count() - 1]));
    Control<QCheckBox>(w, "cb_WebBr_Show")->click();
    TModalAnswerer answerer;
    Control<QToolButton>(w, "btn_File_ToHtml")->click();
    QVERIFY(answerer.Texts().isEmpty());
    const QByteArray page = ReadBytes(Src("Cut_dfm.htm"));
    QVERIFY2(page.contains("fMain: TfMain"), page.constData());
}

QTEST_MAIN(TestDwelk001MainConvert)
#include "test_dwelk_001_main_convert.moc"
