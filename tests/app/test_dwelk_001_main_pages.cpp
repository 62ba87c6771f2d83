// The settings pages driven as a user drives them: the markup tag set editor with its load,
// save, defaults and explanation buttons, the two body fragments, and the window's answers to
// bad settings and fragment files.

#include "EnginePages.h"
#include "THtmlEdit.h"
#include "TestFiles.h"
#include "WidgetKit.h"
#include "WindowTestKit.h"
#include "__files.h"
#include "__pas2html.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QToolButton>

namespace {

QString TagLines(TfMain* w) {
    return Control<QPlainTextEdit>(w, "Memo_HTML_Attr")->toPlainText();
}

void SetTagLines(TfMain* w, const QString& text) {
    Control<QPlainTextEdit>(w, "Memo_HTML_Attr")->setPlainText(text);
}

QColor TagBar(TfMain* w) {
    return PanelColor(Control<QWidget>(w, "Panel_Ctrl_HTML_Attr"));
}

void Click(TfMain* w, const char* button) {
    QTest::mouseClick(Control<QToolButton>(w, button), Qt::LeftButton);
}

QString StoredTags() {
    TStrings lines;
    INI_ReadSectionValues(fnINI(), "HTML_Attr", &lines);
    return lines.Lines().join(u'\n');
}

} // namespace

class TestDwelk001MainPages : public QObject {
    Q_OBJECT

private slots:
    void init();
    void typingTurnsTheTagBarYellowAndSavingStores();
    void savingDropsBlankLinesAndKeepsRemovedKeys();
    void loadWithoutSectionEmptiesTheEditor();
    void defaultsAreNotStoredUntilSaved();
    void explanationDialog();
    void fragmentLoadedAtStartAndSavedInItsEncoding();
    void fragmentClearSaveLeavesEmptyFile();
    void fragmentNeverLoadedIsSavedAnsiWithReferences();
    void fragmentLoadOfMissingFile();
    void badSettingsFileIsOnlyRead_data();
    void badSettingsFileIsOnlyRead();
    void unwritableSettingsFileShowsTheErrorBox();
    void unreadableFragmentShowsTheErrorBoxAtStart();
    void programFolderMissingStillOpens();

private:
    std::unique_ptr<QTemporaryDir> FDir;
};

void TestDwelk001MainPages::init() {
    FDir = std::make_unique<QTemporaryDir>();
    QVERIFY(FDir->isValid());
    SetMainDir(FDir->path());
}

void TestDwelk001MainPages::typingTurnsTheTagBarYellowAndSavingStores() {
    auto window = StartWindow();
    TfMain* w = window.get();
    auto* memo = Control<QPlainTextEdit>(w, "Memo_HTML_Attr");
    memo->setFocus();
    memo->moveCursor(QTextCursor::End);
    QTest::keyClicks(memo, "x");
    QCOMPARE(TagBar(w), clYellow);
    QVERIFY(!QFileInfo::exists(fnINI()));

    Click(w, "sb_HTML_Attr_Save");
    QCOMPARE(TagBar(w), clBtnFace());
    QCOMPARE(StoredTags(), DefaultTagLines() + "x");

    window.reset();
    window = StartWindow();
    QCOMPARE(TagLines(window.get()), DefaultTagLines() + "x");
}

// The section is not erased before writing: a key taken out of the editor comes back.
void TestDwelk001MainPages::savingDropsBlankLinesAndKeepsRemovedKeys() {
    WriteBytes(fnINI(), "[HTML_Attr]\nBcom=<i>\nBdir=<b>\n");
    auto window = StartWindow();
    TfMain* w = window.get();
    SetTagLines(w, "Bcom=<u>\n\n   \nEcom=</u>");
    Click(w, "sb_HTML_Attr_Save");
    QCOMPARE(TagLines(w), QStringLiteral("Bcom=<u>\nEcom=</u>"));
    QCOMPARE(StoredTags(), QStringLiteral("Bcom=<u>\nBdir=<b>\nEcom=</u>"));

    SetTagLines(w, "junk");
    QCOMPARE(TagBar(w), clYellow);
    Click(w, "sb_HTML_Attr_Load");
    QCOMPARE(TagLines(w), QStringLiteral("Bcom=<u>\nBdir=<b>\nEcom=</u>"));
    QCOMPARE(TagBar(w), clBtnFace());
}

void TestDwelk001MainPages::loadWithoutSectionEmptiesTheEditor() {
    auto window = StartWindow();
    Click(window.get(), "sb_HTML_Attr_Load");
    QCOMPARE(TagLines(window.get()), QString());
    QCOMPARE(TagBar(window.get()), clBtnFace());
    QVERIFY(!QFileInfo::exists(fnINI()));
}

void TestDwelk001MainPages::defaultsAreNotStoredUntilSaved() {
    const QByteArray ini = "[HTML_Attr]\nBcom=<b>\n";
    WriteBytes(fnINI(), ini);
    auto window = StartWindow();
    Click(window.get(), "sb_HTML_Attr_Def");
    QCOMPARE(TagLines(window.get()), DefaultTagLines());
    QCOMPARE(TagBar(window.get()), clYellow);
    window.reset();
    QCOMPARE(ReadBytes(fnINI()), ini);
    window = StartWindow();
    QCOMPARE(TagLines(window.get()), QStringLiteral("Bcom=<b>"));
}

void TestDwelk001MainPages::explanationDialog() {
    auto window = StartWindow();
    QString caption, heading, text;
    bool readOnly = false;
    TModalAnswerer answerer([&](QDialog* dialog) {
        caption = dialog->windowTitle();
        heading = Control<QLabel>(dialog, "Label_Head")->text();
        auto* re = Control<QPlainTextEdit>(dialog, "RE_Text");
        text = re->toPlainText();
        readOnly = re->isReadOnly();
    });
    Click(window.get(), "SpeedButton4");
    QCOMPARE(caption, QStringLiteral("Расшифровка параметров: \"Теги\""));
    QCOMPARE(heading, QStringLiteral("Теги HTML"));
    QVERIFY(readOnly);
    const QStringList lines = text.split(u'\n');
    QCOMPARE(lines.value(0), QStringLiteral("Bcom - перед комментарием;"));
    QCOMPARE(lines.value(9), QStringLiteral("Edir - после директив компилятора."));
}

void TestDwelk001MainPages::fragmentLoadedAtStartAndSavedInItsEncoding() {
    const QByteArray utf8 =
        "\xEF\xBB\xBF<p>\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 \xE2\x82\xAC</p>\r\n";
    WriteBytes(MainDir() + "Quorvel_Body_after.txt", utf8);
    auto window = StartWindow();
    TfMain* w = window.get();
    auto* memo = Control<THtmlEdit>(w, "SynMemo_BODY_After");
    QCOMPARE(memo->Lines().Lines(), QStringList{QStringLiteral("<p>Привет €</p>")});
    QCOMPARE(PanelColor(Control<QWidget>(w, "Panel_Ctrl_BODY_After")), clBtnFace());
    QVERIFY(!memo->Modified());

    memo->setFocus();
    QTest::keyClick(memo, Qt::Key_End);
    QTest::keyClicks(memo, "!");
    QCOMPARE(PanelColor(Control<QWidget>(w, "Panel_Ctrl_BODY_After")), clYellow);
    Click(w, "sb_BODY_After_Save");
    QCOMPARE(PanelColor(Control<QWidget>(w, "Panel_Ctrl_BODY_After")), clBtnFace());
    QVERIFY(!memo->Modified());
    QCOMPARE(ReadBytes(MainDir() + "Quorvel_Body_after.txt"),
             QByteArray("\xEF\xBB\xBF<p>\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 "
                        "\xE2\x82\xAC</p>!\r\n"));
}

void TestDwelk001MainPages::fragmentClearSaveLeavesEmptyFile() {
    WriteBytes(MainDir() + "Quorvel_Body_before.txt", "<hr>\r\n");
    auto window = StartWindow();
    TfMain* w = window.get();
    Click(w, "sb_BODY_Before_Clear");
    QCOMPARE(Control<THtmlEdit>(w, "SynMemo_BODY_Before")->LineCount(), 0);
    QCOMPARE(PanelColor(Control<QWidget>(w, "Panel_Ctrl_BODY_Before")), clYellow);
    QCOMPARE(ReadBytes(MainDir() + "Quorvel_Body_before.txt"), QByteArray("<hr>\r\n"));
    Click(w, "sb_BODY_Before_Save");
    QVERIFY(QFileInfo::exists(MainDir() + "Quorvel_Body_before.txt"));
    QCOMPARE(ReadBytes(MainDir() + "Quorvel_Body_before.txt"), QByteArray());
}

// windows-1251 has no U+2603; it is kept as a character reference.
void TestDwelk001MainPages::fragmentNeverLoadedIsSavedAnsiWithReferences() {
    auto window = StartWindow();
    TfMain* w = window.get();
    Control<THtmlEdit>(w, "SynMemo_BODY_After")->SetText(QStringLiteral("<b>Да \u2603</b>\n<i>"));
    Click(w, "sb_BODY_After_Save");
    QCOMPARE(ReadBytes(MainDir() + "Quorvel_Body_after.txt"),
             QByteArray("<b>\xC4\xE0 &#9731;</b>\r\n<i>\r\n"));
}

void TestDwelk001MainPages::fragmentLoadOfMissingFile() {
    auto window = StartWindow();
    TfMain* w = window.get();
    auto* memo = Control<THtmlEdit>(w, "SynMemo_BODY_After");
    memo->SetText(QStringLiteral("kept"));
    TModalAnswerer answerer;
    Click(w, "sb_BODY_After_Load");
    QCOMPARE(answerer.Texts(), QStringList{QStringLiteral("Ошибка! Файл не найден!")});
    QCOMPARE(memo->Lines().Lines(), QStringList{QStringLiteral("kept")});
    QCOMPARE(PanelColor(Control<QWidget>(w, "Panel_Ctrl_BODY_After")), clYellow);
}

void TestDwelk001MainPages::badSettingsFileIsOnlyRead_data() {
    QTest::addColumn<QByteArray>("ini");
    QByteArray binary;
    for (int i = 0; i < 4096; ++i)
        binary.append(char((i * 37 + 11) % 256));
    QTest::newRow("binary") << binary;
    QTest::newRow("binary with a readable key") << binary + "\n[HTML]\nYes_Suffix_PAS=0\n" + binary;
    QByteArray huge;
    const QByteArray junk(1000, 'z');
    for (int i = 0; i < 4000; ++i)
        huge += "[S" + QByteArray::number(i) + "]\nk=" + junk + "\n";
    QTest::newRow("huge") << huge;
}

void TestDwelk001MainPages::badSettingsFileIsOnlyRead() {
    QFETCH(QByteArray, ini);
    WriteBytes(fnINI(), ini);
    TModalAnswerer answerer;
    auto window = StartWindow();
    QVERIFY(answerer.Texts().isEmpty());
    QCOMPARE(TagLines(window.get()), DefaultTagLines());
    window.reset();
    QCOMPARE(ReadBytes(fnINI()), ini);
}

// A settings "file" that is a folder can be neither read nor written, whoever runs the test.
void TestDwelk001MainPages::unwritableSettingsFileShowsTheErrorBox() {
    QVERIFY(QDir().mkpath(fnINI()));
    TModalAnswerer answerer;
    auto window = StartWindow();
    TfMain* w = window.get();
    QVERIFY(answerer.Texts().isEmpty());
    SetTagLines(w, "Bcom=<b>");
    Click(w, "sb_HTML_Attr_Save");
    QCOMPARE(answerer.Texts().size(), 1);
    QVERIFY2(answerer.Texts()[0].startsWith("Unable to write to "),
             qPrintable(answerer.Texts()[0]));
    QCOMPARE(answerer.Icons()[0], QMessageBox::Critical);
    QCOMPARE(TagBar(w), clYellow);
    QVERIFY(w->isVisible());
    QVERIFY(!QApplication::overrideCursor());
}

void TestDwelk001MainPages::unreadableFragmentShowsTheErrorBoxAtStart() {
    QVERIFY(QDir().mkpath(MainDir() + "Quorvel_Body_after.txt"));
    WriteBytes(MainDir() + "Quorvel_Body_before.txt", "<hr>\r\n");
    TModalAnswerer answerer;
    auto window = StartWindow();
    QCOMPARE(answerer.Texts().size(), 1);
    QCOMPARE(answerer.Icons()[0], QMessageBox::Critical);
    QVERIFY(answerer.Texts()[0].contains("Quorvel_Body_after.txt"));
    // The later steps still ran.
    QCOMPARE(Control<THtmlEdit>(window.get(), "SynMemo_BODY_Before")->Lines().Lines(),
             QStringList{QStringLiteral("<hr>")});
    QVERIFY(window->isVisible());
}

void TestDwelk001MainPages::programFolderMissingStillOpens() {
    SetMainDir(FDir->filePath("missing"));
    TModalAnswerer answerer;
    auto window = StartWindow();
    QCOMPARE(answerer.Texts().size(), 1);
    QVERIFY(answerer.Texts()[0].contains("Quorvel_empty.htm"));
    QCOMPARE(TagLines(window.get()), DefaultTagLines());
    QVERIFY(window->isVisible());
    QVERIFY(!QFileInfo::exists(FDir->filePath("missing")));
}

QTEST_MAIN(TestDwelk001MainPages)
#include "test_dwelk_001_main_pages.moc"
