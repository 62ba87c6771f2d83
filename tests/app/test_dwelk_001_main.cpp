// The main window's start-up and its settings: what a fresh program folder shows, what a
// settings file with odd values gives, the key each handler writes, and the HTML name rule.

#include "DateTimeText.h"
#include "EnginePages.h"
#include "Exception.h"
#include "THtmlEdit.h"
#include "TestFiles.h"
#include "WidgetKit.h"
#include "WindowTestKit.h"
#include "__files.h"
#include "__pas2html.h"
#include "synmemo.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <QWebEngineView>

namespace {

// The placeholder page as the system promises it: windows-1251, CR LF after every line.
const QByteArray PlaceholderBytes =
    "<html>\r\n"
    "<head>\r\n"
    "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1251\">\r\n"
    "<title>Quorvel_empty</title>\r\n"
    "</head>\r\n"
    "<body>\r\n"
    "<p></p>\r\n"
    "<p>-----</p>\r\n"
    "<p>HTML-\xF4\xE0\xE9\xEB \xED\xE5 \xED\xE0\xE9\xE4\xE5\xED</p>\r\n"
    "<p>-----</p>\r\n"
    "<p></p>\r\n"
    "</body>\r\n"
    "</html>\r\n";

// A control's state as text: a check box "1" or "0", a drop-down list its index, an edit or
// editor its text.
QString StateOf(QWidget* control) {
    if (auto* box = qobject_cast<QCheckBox*>(control))
        return box->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
    if (auto* list = qobject_cast<QComboBox*>(control))
        return QString::number(list->currentIndex());
    if (auto* edit = qobject_cast<QLineEdit*>(control))
        return edit->text();
    if (auto* memo = qobject_cast<QPlainTextEdit*>(control))
        return memo->toPlainText();
    qFatal("no state for %s", qPrintable(control->objectName()));
}

// Types `text` key by key, Cyrillic letters included.
void TypeText(QWidget* control, const QString& text) {
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, control, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

// Puts `name` into FLB as its only entry and selects it.
void SelectFile(TfMain* window, const QString& name) {
    auto* flb = Control<QListWidget>(window, "FLB");
    flb->clear();
    auto* item = new QListWidgetItem(name, flb);
    item->setData(Qt::UserRole, QStringLiteral("/src/") + name);
    flb->setCurrentItem(item);
    item->setSelected(true);
}

} // namespace

class TestDwelk001Main : public QObject {
    Q_OBJECT

private slots:
    void init();
    void freshProgramFolder();
    void existingPlaceholderPageStays();
    void settingsFileOddValues_data();
    void settingsFileOddValues();
    void checkBoxesStoreAtOnce_data();
    void checkBoxesStoreAtOnce();
    void extensionChoiceStoresIndex();
    void suffixEditStoredOnLeaving_data();
    void suffixEditStoredOnLeaving();
    void fnHTML_999_Get_data();
    void fnHTML_999_Get();
    void suffixThatCannotNameAPage();
    void clockText_data();
    void clockText();
    void fontsAsStated();

private:
    std::unique_ptr<QTemporaryDir> FDir;
};

void TestDwelk001Main::init() {
    FDir = std::make_unique<QTemporaryDir>();
    QVERIFY(FDir->isValid());
    SetMainDir(FDir->path());
}

void TestDwelk001Main::freshProgramFolder() {
    auto window = StartWindow();
    TfMain* w = window.get();

    QCOMPARE(w->windowTitle(),
             QStringLiteral("Конвертировщик Delphi файлов в HTML (*.pas; *.dfm; *.dpr)"));
    const QAction* version = w->menuBar()->actions().value(0);
    QVERIFY(version);
    QCOMPARE(version->objectName(), QStringLiteral("nVersion"));
    QCOMPARE(version->text(), QStringLiteral("Версия 1.00 от 22.02.2024"));
    QVERIFY(!version->isEnabled());
    QCOMPARE(Control<QLabel>(w, "LabelPath")->text(), MainDir());
    QVERIFY(MainDir().endsWith(u'/'));
    QVERIFY(Control<QLabel>(w, "LabelDT")->text() != QStringLiteral("..."));
    QVERIFY(w->windowState() & Qt::WindowMaximized);
    const auto* timer = Control<QTimer>(w, "Timer1");
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), 1000);
    QCOMPARE(Control<QTabWidget>(w, "pcMain")->currentWidget()->objectName(),
             QStringLiteral("tsFiles"));
    QCOMPARE(Control<QTabWidget>(w, "pcFiles")->currentWidget()->objectName(),
             QStringLiteral("tsFile"));
    QCOMPARE(Control<QTabWidget>(w, "pcSets")->currentWidget()->objectName(),
             QStringLiteral("tsSetHTML1"));
    QCOMPARE(Control<QToolButton>(w, "btn_File_ToHtml")->toolTip(),
             QStringLiteral("Конвертировать в HTML выбранный файд"));
    QVERIFY(!Control<QCheckBox>(w, "cb_WebBr_Show")->isChecked());
    QVERIFY(Control<QWidget>(w, "GroupBox_WebBr")->isHidden());
    // The source memos sit in their panels with gutter and footer on; only SyntMemo2 edits.
    const auto* source = Control<TSyntaxMemo>(w, "SyntMemo");
    const auto* clip = Control<TSyntaxMemo>(w, "SyntMemo2");
    QCOMPARE(source->parentWidget()->objectName(), QStringLiteral("Panel_SyntMemo"));
    QCOMPARE(clip->parentWidget()->objectName(), QStringLiteral("Panel_SyntMemo2"));
    QVERIFY(source->ReadOnly());
    QVERIFY(!clip->ReadOnly());
    QCOMPARE(source->GutterWidth(), 20);
    QCOMPARE(source->font().pixelSize(), 13);

    QCOMPARE(StateOf(Control<QCheckBox>(w, "cb_YesQuery_before_Convert")), QStringLiteral("0"));
    QCOMPARE(StateOf(Control<QCheckBox>(w, "cb_YesQuery_before_Open")), QStringLiteral("1"));
    QCOMPARE(StateOf(Control<QCheckBox>(w, "cb_Yes_Suffix_PAS")), QStringLiteral("1"));
    QCOMPARE(StateOf(Control<QCheckBox>(w, "cb_Yes_Suffix_DFM")), QStringLiteral("1"));
    QCOMPARE(StateOf(Control<QLineEdit>(w, "Edit_Suffix_PAS")), QStringLiteral("_pas"));
    QCOMPARE(StateOf(Control<QLineEdit>(w, "Edit_Suffix_DFM")), QStringLiteral("_dfm"));
    QCOMPARE(EditColor(Control<QLineEdit>(w, "Edit_Suffix_PAS")), clWindow());
    QCOMPARE(StateOf(Control<QComboBox>(w, "ComboBox_HTML_ExtFile")), QStringLiteral("0"));
    QCOMPARE(StateOf(Control<QCheckBox>(w, "cb_Yes_HTML_after_BODY")), QStringLiteral("0"));
    QCOMPARE(StateOf(Control<QCheckBox>(w, "cb_Yes_HTML_before_BODY")), QStringLiteral("0"));
    QCOMPARE(StateOf(Control<QPlainTextEdit>(w, "Memo_HTML_Attr")), DefaultTagLines());
    QCOMPARE(PanelColor(Control<QWidget>(w, "Panel_Ctrl_HTML_Attr")), clBtnFace());
    QCOMPARE(Control<THtmlEdit>(w, "SynMemo_BODY_After")->LineCount(), 0);
    QCOMPARE(PanelColor(Control<QWidget>(w, "Panel_Ctrl_BODY_After")), clBtnFace());
    QCOMPARE(Control<QListWidget>(w, "DLB")->currentItem()->data(Qt::UserRole).toString() + "/",
             MainDir());

    QCOMPARE(ReadBytes(MainDir() + "Quorvel_empty.htm"), PlaceholderBytes);
    QVERIFY(!QFileInfo::exists(fnINI()));
}

void TestDwelk001Main::existingPlaceholderPageStays() {
    const QByteArray own = "<html><body>mine</body></html>";
    WriteBytes(MainDir() + "Quorvel_empty.htm", own);
    auto window = StartWindow();
    QCOMPARE(ReadBytes(MainDir() + "Quorvel_empty.htm"), own);
}

void TestDwelk001Main::settingsFileOddValues_data() {
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("state");
    QTest::newRow("index 5 is html")
        << QByteArray("[HTML]\nHTML_ExtFile_Index=5\n") << "ComboBox_HTML_ExtFile"
        << "1";
    QTest::newRow("index -3 is htm")
        << QByteArray("[HTML]\nHTML_ExtFile_Index=-3\n") << "ComboBox_HTML_ExtFile"
        << "0";
    QTest::newRow("index abc is htm")
        << QByteArray("[HTML]\nHTML_ExtFile_Index=abc\n") << "ComboBox_HTML_ExtFile"
        << "0";
    QTest::newRow("index 1 is html")
        << QByteArray("[html]\nhtml_extfile_index=1\n") << "ComboBox_HTML_ExtFile"
        << "1";
    QTest::newRow("boolean 0") << QByteArray("[HTML]\nYes_Suffix_PAS=0\n") << "cb_Yes_Suffix_PAS"
                               << "0";
    QTest::newRow("boolean 2") << QByteArray("[HTML]\nYesQuery_before_Convert=2\n")
                               << "cb_YesQuery_before_Convert"
                               << "1";
    QTest::newRow("boolean abc keeps the default")
        << QByteArray("[HTML]\nYesQuery_before_Open=abc\n") << "cb_YesQuery_before_Open"
        << "1";
    QTest::newRow("apply switch") << QByteArray("[HTML]\nYes_HTML_before_BODY=1\n")
                                  << "cb_Yes_HTML_before_BODY"
                                  << "1";
    QTest::newRow("empty suffix stays empty")
        << QByteArray("[HTML]\nSuffix_PAS=\n") << "Edit_Suffix_PAS"
        << "";
    QTest::newRow("suffix trimmed")
        << QByteArray("[HTML]\nSuffix_DFM=  _form \n") << "Edit_Suffix_DFM"
        << "_form";
    QTest::newRow("tag set with one key")
        << QByteArray("[HTML_Attr]\nBcom=<b>\n") << "Memo_HTML_Attr"
        << "Bcom=<b>";
    QTest::newRow("tag keys with empty values")
        << QByteArray("[HTML_Attr]\nBcom=\nEcom=\n") << "Memo_HTML_Attr"
        << "Bcom=\nEcom=";
    QTest::newRow("tag section without keys gives the defaults")
        << QByteArray("[HTML_Attr]\n\n[HTML]\n") << "Memo_HTML_Attr" << DefaultTagLines();
    QTest::newRow("Cyrillic value")
        << QByteArray("[HTML_Attr]\nBcom=<i title=\"\xD0\xBA\">\n") << "Memo_HTML_Attr"
        << "Bcom=<i title=\"к\">";
}

// Whatever the file holds, start-up only reads it.
void TestDwelk001Main::settingsFileOddValues() {
    QFETCH(QByteArray, ini);
    QFETCH(QString, control);
    QFETCH(QString, state);
    WriteBytes(fnINI(), ini);
    auto window = StartWindow();
    QWidget* w = Control<QWidget>(window.get(), qPrintable(control));
    QCOMPARE(StateOf(w), state);
    QCOMPARE(PanelColor(Control<QWidget>(window.get(), "Panel_Ctrl_HTML_Attr")), clBtnFace());
    QCOMPARE(ReadBytes(fnINI()), ini);
}

void TestDwelk001Main::checkBoxesStoreAtOnce_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("stored");
    QTest::newRow("question before converting") << "cb_YesQuery_before_Convert"
                                                << "YesQuery_before_Convert"
                                                << "1";
    QTest::newRow("question before opening") << "cb_YesQuery_before_Open"
                                             << "YesQuery_before_Open"
                                             << "0";
    QTest::newRow("PAS suffix") << "cb_Yes_Suffix_PAS"
                                << "Yes_Suffix_PAS"
                                << "0";
    QTest::newRow("DFM suffix") << "cb_Yes_Suffix_DFM"
                                << "Yes_Suffix_DFM"
                                << "0";
    QTest::newRow("after-body fragment") << "cb_Yes_HTML_after_BODY"
                                         << "Yes_HTML_after_BODY"
                                         << "1";
    QTest::newRow("before-end-of-body fragment") << "cb_Yes_HTML_before_BODY"
                                                 << "Yes_HTML_before_BODY"
                                                 << "1";
}

void TestDwelk001Main::checkBoxesStoreAtOnce() {
    QFETCH(QString, control);
    QFETCH(QString, key);
    QFETCH(QString, stored);
    auto window = StartWindow();
    auto* box = Control<QCheckBox>(window.get(), qPrintable(control));
    Control<QTabWidget>(window.get(), "pcFiles")->setCurrentIndex(2);
    box->click();
    QCOMPARE(GetFromINI_StringParamDef(fnINI(), "HTML", key, "missing", false), stored);
    box->click();
    QCOMPARE(GetFromINI_StringParamDef(fnINI(), "HTML", key, "missing", false),
             stored == "1" ? QStringLiteral("0") : QStringLiteral("1"));

    // The next start shows the stored state.
    box->click();
    window.reset();
    window = StartWindow();
    QCOMPARE(StateOf(Control<QCheckBox>(window.get(), qPrintable(control))), stored);
}

void TestDwelk001Main::extensionChoiceStoresIndex() {
    auto window = StartWindow();
    auto* list = Control<QComboBox>(window.get(), "ComboBox_HTML_ExtFile");
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Down);
    QCOMPARE(list->currentIndex(), 1);
    QCOMPARE(GetFromINI_StringParamDef(fnINI(), "HTML", "HTML_ExtFile_Index", "missing", false),
             QStringLiteral("1"));
    window.reset();
    window = StartWindow();
    QCOMPARE(StateOf(Control<QComboBox>(window.get(), "ComboBox_HTML_ExtFile")),
             QStringLiteral("1"));
}

void TestDwelk001Main::suffixEditStoredOnLeaving_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("stored");
    QTest::newRow("PAS, blanks around") << "Edit_Suffix_PAS"
                                        << "Suffix_PAS"
                                        << "  _x  "
                                        << "_x";
    QTest::newRow("DFM") << "Edit_Suffix_DFM"
                         << "Suffix_DFM"
                         << "_форма"
                         << "_форма";
    QTest::newRow("PAS cleared") << "Edit_Suffix_PAS"
                                 << "Suffix_PAS"
                                 << ""
                                 << "";
}

void TestDwelk001Main::suffixEditStoredOnLeaving() {
    QFETCH(QString, control);
    QFETCH(QString, key);
    QFETCH(QString, typed);
    QFETCH(QString, stored);
    auto window = StartWindow();
    Control<QTabWidget>(window.get(), "pcFiles")->setCurrentIndex(2);
    auto* edit = Control<QLineEdit>(window.get(), qPrintable(control));
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    TypeText(edit, typed);
    QCOMPARE(EditColor(edit), clYellow);
    QVERIFY(!QFileInfo::exists(fnINI()));

    Control<QComboBox>(window.get(), "ComboBox_HTML_ExtFile")->setFocus();
    QCOMPARE(GetFromINI_StringParamDef(fnINI(), "HTML", key, "missing", false), stored);
    QCOMPARE(EditColor(edit), clWindow());
    QCOMPARE(edit->text(), typed);

    window.reset();
    window = StartWindow();
    QCOMPARE(StateOf(Control<QLineEdit>(window.get(), qPrintable(control))), stored);
}

void TestDwelk001Main::fnHTML_999_Get_data() {
    QTest::addColumn<QString>("selected");
    QTest::addColumn<bool>("pasSuffix");
    QTest::addColumn<bool>("dfmSuffix");
    QTest::addColumn<QString>("pasText");
    QTest::addColumn<int>("extension");
    QTest::addColumn<QString>("fn");
    QTest::addColumn<QString>("html");
    QTest::newRow("PAS with suffix") << "Main.PAS" << true << true << "_pas" << 0 << "Main.PAS"
                                     << "Main_pas.htm";
    QTest::newRow("PAS without suffix") << "Main.PAS" << false << true << "_pas" << 0 << "Main.PAS"
                                        << "Main.htm";
    QTest::newRow("full path keeps its folder")
        << "Unit1.pas" << true << true << "_pas" << 1 << "/src/Unit1.pas"
        << "/src/Unit1_pas.html";
    QTest::newRow("DFM with suffix") << "Unit1.dfm" << true << true << "_pas" << 0 << "Unit1.dfm"
                                     << "Unit1_dfm.htm";
    QTest::newRow("DFM suffix off") << "Unit1.dfm" << true << false << "_pas" << 0 << "Unit1.dfm"
                                    << "Unit1.htm";
    QTest::newRow("project never has a suffix")
        << "Project1.dpr" << true << true << "_pas" << 0 << "Project1.dpr"
        << "Project1.htm";
    QTest::newRow("Lazarus project, Delphi package: bare name")
        << "P.LPR" << true << true << "_pas" << 0 << "P.LPR"
        << "P.htm";
    QTest::newRow("package") << "P.dpk" << true << true << "_pas" << 0 << "P.dpk"
                             << "P.htm";
    QTest::newRow("Free Pascal unit: its own suffix, whatever the unit suffix")
        << "fpjson.PP" << false << true << "_x" << 1 << "/src/fpjson.PP"
        << "/src/fpjson_pp.html";
    QTest::newRow("Lazarus form") << "unit1.lfm" << true << false << "_pas" << 0 << "unit1.lfm"
                                  << "unit1_lfm.htm";
    QTest::newRow("include") << "system.Inc" << true << true << "_pas" << 0 << "system.Inc"
                             << "system_inc.htm";
    QTest::newRow("one-letter type") << "x.p" << true << true << "_pas" << 0 << "x.p"
                                     << "x_p.htm";
    QTest::newRow("suffix typed with blanks")
        << "a.pas" << true << true << "  _x  " << 0 << " a.pas "
        << "a_x.htm";
    QTest::newRow("blank suffix") << "a.pas" << true << true << "   " << 0 << "a.pas"
                                  << "a.htm";
    QTest::newRow("HTML file is not converted")
        << "index.htm" << true << true << "_pas" << 0 << "index.htm"
        << "";
    QTest::newRow("no extension") << "README" << true << true << "_pas" << 0 << "README"
                                  << "";
    QTest::newRow("type from the selection, not from the name")
        << "Unit1.pas" << true << true << "_pas" << 0 << "other.txt"
        << "other_pas.htm";
    QTest::newRow("blank name") << "Unit1.pas" << true << true << "_pas" << 0 << "   "
                                << "";
    QTest::newRow("no selection") << "" << true << true << "_pas" << 0 << "Unit1.pas"
                                  << "";
}

void TestDwelk001Main::fnHTML_999_Get() {
    QFETCH(QString, selected);
    QFETCH(bool, pasSuffix);
    QFETCH(bool, dfmSuffix);
    QFETCH(QString, pasText);
    QFETCH(int, extension);
    QFETCH(QString, fn);
    QFETCH(QString, html);
    auto window = StartWindow();
    TfMain* w = window.get();
    if (!selected.isEmpty())
        SelectFile(w, selected);
    Control<QCheckBox>(w, "cb_Yes_Suffix_PAS")->setChecked(pasSuffix);
    Control<QCheckBox>(w, "cb_Yes_Suffix_DFM")->setChecked(dfmSuffix);
    Control<QLineEdit>(w, "Edit_Suffix_PAS")->setText(pasText);
    Control<QComboBox>(w, "ComboBox_HTML_ExtFile")->setCurrentIndex(extension);
    QCOMPARE(w->fnHTML_999_Get(fn), html);
}

// A suffix with a "/" would put the page into another folder, one with a NUL would cut its
// name: the window says so, naming the suffix, rather than name a page.
void TestDwelk001Main::suffixThatCannotNameAPage() {
    auto window = StartWindow();
    TfMain* w = window.get();
    SelectFile(w, "Unit1.pas");
    for (const QString& suffix : {QString("/../x"), QString("_a") + QChar(0) + "b"}) {
        Control<QLineEdit>(w, "Edit_Suffix_PAS")->setText(suffix);
        try {
            w->fnHTML_999_Get("Unit1.pas");
            QFAIL("no error");
        } catch (const Exception& e) {
            QVERIFY2(e.Message().contains(QString(suffix).replace(QChar(0), "\\0")),
                     qPrintable(e.Message()));
        }
    }
    Control<QCheckBox>(w, "cb_Yes_Suffix_PAS")->setChecked(false);
    QCOMPARE(w->fnHTML_999_Get("Unit1.pas"), QString("Unit1.htm"));
}

void TestDwelk001Main::clockText_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QDateTime>("moment");
    QTest::addColumn<QString>("text");
    const QDate day(2024, 2, 22);
    const auto at = [day](int h, int m, int s) { return QDateTime(day, QTime(h, m, s), Qt::UTC); };
    QTest::newRow("time of day") << "ru_RU" << at(9, 5, 7) << "22.02.2024 09:05:07";
    QTest::newRow("midnight shows the date alone") << "ru_RU" << at(0, 0, 0) << "22.02.2024";
    QTest::newRow("a second after midnight") << "ru_RU" << at(0, 0, 1) << "22.02.2024 00:00:01";
    // The long time format's zone field goes wherever it stands, with its brackets.
    QTest::newRow("zone after, AM/PM") << "en_US" << at(20, 18, 56) << "2/22/24 8:18:56 PM";
    QTest::newRow("zone in brackets") << "ca_ES" << at(20, 18, 56) << "22/2/24 20:18:56";
    QTest::newRow("quoted text kept") << "nds_DE" << at(20, 18, 56) << "22.02.24 Klock 20.18:56";
    QTest::newRow("zone first") << "my_MM" << at(20, 18, 56)
                                << QStringView(u"\u1042\u1042-\u1040\u1042-\u1042\u1044 "
                                               u"\u1042\u1040:\u1041\u1048:\u1045\u1046")
                                       .toString();
}

void TestDwelk001Main::clockText() {
    QFETCH(QString, locale);
    QFETCH(QDateTime, moment);
    QFETCH(QString, text);
    QCOMPARE(DateTimeToStr(moment, QLocale(locale)), text);
}

// Every control takes the font of the nearest control, itself included, that states one.
void TestDwelk001Main::fontsAsStated() {
    const QHash<QString, QPair<QString, int>> stated{
        {"fMain", {"Tahoma", 16}},
        {"Panel_Bottom", {"Tahoma", 13}},
        {"cb_WebBr_Show", {"Tahoma", 13}},
        {"Label_FNhtml", {"Tahoma", 15}},
        {"DCB", {"Tahoma", 13}},
        {"DLB", {"Tahoma", 13}},
        {"FCB", {"Tahoma", 13}},
        {"FLB", {"Tahoma", 15}},
        {"Panel_File_HTML_Sets", {"Tahoma", 15}},
        {"Edit_Suffix_PAS", {"Tahoma", 16}},
        {"Edit_Suffix_DFM", {"Tahoma", 16}},
        {"GroupBox3", {"Tahoma", 15}},
        {"GroupBox4", {"Tahoma", 15}},
        {"Memo_HTML_Attr", {"Courier New", 15}},
        {"SyntMemo", {"Courier New", 13}},
        {"SyntMemo2", {"Courier New", 13}},
    };
    auto window = StartWindow();
    TfMain* w = window.get();
    QStringList wrong;
    int checked = 0;
    for (QWidget* control : w->findChildren<QWidget*>()) {
        if (control->window() != w)
            continue;
        // The editors' and the browser's insides draw with fonts of their own.
        bool inside = false;
        for (QWidget* up = control->parentWidget(); up; up = up->parentWidget())
            inside = inside || qobject_cast<THtmlEdit*>(up) || qobject_cast<TSyntaxMemo*>(up) ||
                     qobject_cast<QWebEngineView*>(up);
        if (inside || qobject_cast<THtmlEdit*>(control) || qobject_cast<QWebEngineView*>(control))
            continue;
        QWidget* source = control;
        while (!stated.contains(source->objectName()))
            source = source->parentWidget();
        const auto [family, size] = stated[source->objectName()];
        const QFont font = control->font();
        ++checked;
        if (font.family() != family || font.pixelSize() != size)
            wrong << QStringLiteral("%1 %2: %3 %4 px, stated by %5: %6 %7 px")
                         .arg(control->metaObject()->className(), control->objectName(),
                              font.family())
                         .arg(font.pixelSize())
                         .arg(source->objectName(), family)
                         .arg(size);
    }
    QVERIFY(checked > 100);
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(QLatin1Char('\n'))));
}

QTEST_MAIN(TestDwelk001Main)
#include "test_dwelk_001_main.moc"
