// The settings pages' handlers: the HTML name rule and its five controls, the questions, the
// markup tag set editor and the two body fragments. Every value goes to the settings file the
// moment it changes; the tag set and the fragments only when their save buttons are pressed.

#include "MessageBoxes.h"
#include "THtmlEdit.h"
#include "TStrings.h"
#include "Trim.h"
#include "WebBrowser.h"
#include "WidgetKit.h"
#include "WindowSettings.h"
#include "_View_Text.h"
#include "__files.h"
#include "__pas2html.h"
#include "__str.h"
#include "dwelk_000_lib.h"
#include "dwelk_001_main.h"
#include "synmemo.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTimer>
#include <QToolButton>

namespace {

// What each markup name stands for, one line feed after each line.
const QString HtmlAttrExplanation = QStringLiteral("Bcom - перед комментарием;\n"
                                                   "Ecom - после комментария;\n"
                                                   "Bres - перед зарезервированными словами;\n"
                                                   "Eres - после зарезервированных слов;\n"
                                                   "Bnum - перед числами (цифрами);\n"
                                                   "Enum - после чисел (цифр);\n"
                                                   "Bstr - перед строками;\n"
                                                   "Estr - после строк;\n"
                                                   "Bdir - перед директивами компилятора;\n"
                                                   "Edir - после директив компилятора.\n");

} // namespace

void TfMain::ConnectHandlers() {
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });

    const auto onToggle = [this](QCheckBox* box, void (TfMain::*handler)()) {
        connect(box, &QCheckBox::toggled, this,
                Guarded(this, [this, handler] { (this->*handler)(); }));
    };
    onToggle(cb_YesQuery_before_Convert, &TfMain::cb_YesQuery_before_ConvertClick);
    onToggle(cb_YesQuery_before_Open, &TfMain::cb_YesQuery_before_OpenClick);
    onToggle(cb_Yes_Suffix_PAS, &TfMain::cb_Yes_Suffix_PASClick);
    onToggle(cb_Yes_Suffix_DFM, &TfMain::cb_Yes_Suffix_DFMClick);
    onToggle(fBodyAfter.cb_Yes, &TfMain::cb_Yes_HTML_after_BODYClick);
    onToggle(fBodyBefore.cb_Yes, &TfMain::cb_Yes_HTML_before_BODYClick);

    connect(ComboBox_HTML_ExtFile, &QComboBox::activated, this,
            Guarded(this, [this] { ComboBox_HTML_ExtFileChange(); }));
    connect(Edit_Suffix_PAS, &QLineEdit::textChanged, this, [this] { Edit_Suffix_PASChange(); });
    connect(Edit_Suffix_DFM, &QLineEdit::textChanged, this, [this] { Edit_Suffix_DFMChange(); });
    Edit_Suffix_PAS->installEventFilter(this);
    Edit_Suffix_DFM->installEventFilter(this);

    const auto onClick = [this](QToolButton* button, auto handler) {
        connect(button, &QToolButton::clicked, this, Guarded(this, handler));
    };
    connect(Memo_HTML_Attr, &QPlainTextEdit::textChanged, this, [this] { Memo_HTML_AttrChange(); });
    onClick(sb_HTML_Attr_Load, [this] { sb_HTML_Attr_LoadClick(); });
    onClick(sb_HTML_Attr_Save, [this] { sb_HTML_Attr_SaveClick(); });
    onClick(sb_HTML_Attr_Def, [this] { sb_HTML_Attr_DefClick(); });
    onClick(SpeedButton4, [this] { SpeedButton4Click(); });

    for (TBodyFragment* f : {&fBodyAfter, &fBodyBefore}) {
        connect(f->SynMemo, &THtmlEdit::Change, this, [this, f] { BodyFragment_Change(*f); });
        onClick(f->sb_Load, [this, f] { BodyFragment_Load(*f); });
        onClick(f->sb_Save, [this, f] { BodyFragment_Save(*f); });
        onClick(f->sb_Clear, [this, f] { BodyFragment_Clear(*f); });
    }

    onClick(btn_File_ToHtml, [this] { btn_File_ToHtmlClick(); });
    onClick(btn_Files_ToHtml, [this] { btn_Files_ToHtmlClick(); });
    onClick(btn_Publish, [this] { btn_PublishClick(); });
    onClick(btn_Run_Stop, [this] { StopListRun(); });
    onClick(sb_HTML_open, [this] { sb_HTML_openClick(); });
    connect(cb_WebBr_Show, &QCheckBox::toggled, this,
            Guarded(this, [this] { cb_WebBr_ShowClick(); }));
    connect(WebBr, &QWebEngineView::urlChanged, this,
            [this](const QUrl& url) { WebBr_UrlChanged(url); });
    onClick(SpeedButton3, [this] { SpeedButton3Click(); });
    onClick(SpeedButton1, [this] { SpeedButton1Click(); });
    onClick(SpeedButton2, [this] { SpeedButton2Click(); });
    onClick(sb_Clip_CopyHtml, [this] { sb_Clip_CopyHtmlClick(); });
    connect(SynMemo1, &THtmlEdit::Change, this,
            [this] { sb_Clip_CopyHtml->setEnabled(SynMemo1->LineCount() > 0); });
    connect(SyntMemo2, &TSyntaxMemo::OnChange, this, Guarded(this, [this] { SyntMemo2Change(); }));
    ConnectBrowserHandlers();
    ConnectSettingsState();
}

void TfMain::ConnectSettingsState() {
    const auto naming = [this] { fSettings.Naming = PageNaming(); };
    for (QCheckBox* box : {cb_Yes_Suffix_PAS, cb_Yes_Suffix_DFM})
        connect(box, &QCheckBox::toggled, this, naming);
    for (QLineEdit* edit : {Edit_Suffix_PAS, Edit_Suffix_DFM})
        connect(edit, &QLineEdit::textChanged, this, naming);
    connect(ComboBox_HTML_ExtFile, &QComboBox::currentIndexChanged, this, naming);
    connect(Memo_HTML_Attr, &QPlainTextEdit::textChanged, this,
            [this] { fSettings.Attr = HtmlAttrLines(); });
    for (const TBodyFragment* f : {&fBodyAfter, &fBodyBefore}) {
        const auto fragment = [this, f] { UpdateFragmentSetting(*f); };
        connect(f->cb_Yes, &QCheckBox::toggled, this, fragment);
        connect(f->SynMemo, &THtmlEdit::Change, this, fragment);
    }
    UpdateWindowSettings();
}

// Also after the controls were set with their change reports held back.
void TfMain::UpdateWindowSettings() {
    fSettings.Attr = HtmlAttrLines();
    fSettings.Naming = PageNaming();
    UpdateFragmentSetting(fBodyAfter);
    UpdateFragmentSetting(fBodyBefore);
}

void TfMain::UpdateFragmentSetting(const TBodyFragment& f) {
    std::optional<TStrings>& state =
        &f == &fBodyAfter ? fSettings.BodyAfter : fSettings.BodyEndBefore;
    if (f.cb_Yes->isChecked())
        state = f.SynMemo->Lines();
    else
        state.reset();
}

TPageNaming TfMain::PageNaming() const {
    return {cb_Yes_Suffix_PAS->isChecked(), Trim(Edit_Suffix_PAS->text()),
            cb_Yes_Suffix_DFM->isChecked(), Trim(Edit_Suffix_DFM->text()),
            ComboBox_HTML_ExtFile->currentIndex()};
}

// The type is the selected file's; a suffix that cannot be part of a file name raises, for
// the error box, rather than name a page elsewhere.
QString TfMain::fnHTML_999_Get(const QString& fn) const {
    const QString name = Trim(fn);
    if (name.isEmpty())
        return {};
    return PageFileName(name, SelectedFile(), fSettings.Naming);
}

void TfMain::StoreCheckBox(QCheckBox* cb, QLatin1String key) {
    ProcessMessages();
    PutToINI_BooleanParamW(fnINI(), SettingsKey::HTML, key, cb->isChecked());
}

void TfMain::cb_YesQuery_before_ConvertClick() {
    StoreCheckBox(cb_YesQuery_before_Convert, SettingsKey::YesQuery_before_Convert);
}

void TfMain::cb_YesQuery_before_OpenClick() {
    StoreCheckBox(cb_YesQuery_before_Open, SettingsKey::YesQuery_before_Open);
}

void TfMain::cb_Yes_Suffix_PASClick() {
    StoreCheckBox(cb_Yes_Suffix_PAS, SettingsKey::Yes_Suffix_PAS);
}

void TfMain::cb_Yes_Suffix_DFMClick() {
    StoreCheckBox(cb_Yes_Suffix_DFM, SettingsKey::Yes_Suffix_DFM);
}

void TfMain::cb_Yes_HTML_after_BODYClick() {
    StoreCheckBox(fBodyAfter.cb_Yes, SettingsKey::Yes_HTML_after_BODY);
}

void TfMain::cb_Yes_HTML_before_BODYClick() {
    StoreCheckBox(fBodyBefore.cb_Yes, SettingsKey::Yes_HTML_before_BODY);
}

void TfMain::ComboBox_HTML_ExtFileChange() {
    ProcessMessages();
    PutToINI_IntegerParamW(fnINI(), SettingsKey::HTML, SettingsKey::HTML_ExtFile_Index,
                           ComboBox_HTML_ExtFile->currentIndex());
}

void TfMain::Edit_Suffix_PASChange() {
    SetEditColor(Edit_Suffix_PAS, clYellow);
}

void TfMain::Edit_Suffix_DFMChange() {
    SetEditColor(Edit_Suffix_DFM, clYellow);
}

void TfMain::Edit_Suffix_PASExit() {
    SuffixEdit_Store(Edit_Suffix_PAS, SettingsKey::Suffix_PAS);
}

void TfMain::Edit_Suffix_DFMExit() {
    SuffixEdit_Store(Edit_Suffix_DFM, SettingsKey::Suffix_DFM);
}

// The value is stored trimmed; the edit keeps the text as typed.
void TfMain::SuffixEdit_Store(QLineEdit* edit, QLatin1String key) {
    ProcessMessages();
    PutToINI_StringParamW(fnINI(), SettingsKey::HTML, key, Trim(edit->text()));
    SetEditColor(edit, clWindow());
}

TStrings TfMain::HtmlAttrLines() const {
    return TStrings(TStrings::SplitLines(Memo_HTML_Attr->toPlainText()));
}

void TfMain::SetHtmlAttrLines(const TStrings& lines) {
    Memo_HTML_Attr->setPlainText(lines.Lines().join(u'\n'));
}

void TfMain::ReadHtmlAttrSection() {
    TStrings lines;
    INI_ReadSectionValues(fnINI(), SettingsKey::HTML_Attr, &lines);
    TStrings_DeleteEmptyLine(&lines);
    SetHtmlAttrLines(lines);
}

void TfMain::Memo_HTML_AttrChange() {
    SetPanelColor(Panel_Ctrl_HTML_Attr, clYellow);
}

void TfMain::sb_HTML_Attr_LoadClick() {
    ProcessMessages();
    ReadHtmlAttrSection();
    SetPanelColor(Panel_Ctrl_HTML_Attr, clBtnFace());
}

// Keys no longer in the editor stay in the file; a failed write leaves the bar yellow.
void TfMain::sb_HTML_Attr_SaveClick() {
    ProcessMessages();
    TStrings lines = HtmlAttrLines();
    const qsizetype before = lines.Count();
    if (TStrings_DeleteEmptyLine(&lines) != before)
        SetHtmlAttrLines(lines);
    INI_WriteSection(fnINI(), SettingsKey::HTML_Attr, &lines);
    SetPanelColor(Panel_Ctrl_HTML_Attr, clBtnFace());
}

void TfMain::sb_HTML_Attr_DefClick() {
    ProcessMessages();
    TStrings defaults;
    htmlTextAttr_Def1(&defaults);
    SetHtmlAttrLines(defaults);
    SetPanelColor(Panel_Ctrl_HTML_Attr, clYellow);
}

void TfMain::SpeedButton4Click() {
    ProcessMessages();
    View_Text(-1, HtmlAttrExplanation, QStringLiteral("Расшифровка параметров: \"Теги\""),
              QStringLiteral("Теги HTML"), false);
}

void TfMain::BodyFragment_Change(TBodyFragment& f) {
    SetPanelColor(f.Panel_Ctrl, clYellow);
}

// While the window starts, a missing file only leaves the editor empty.
void TfMain::BodyFragment_Load(TBodyFragment& f) {
    ProcessMessages();
    const QString fileName = MainDir() + f.FileName;
    if (!QFileInfo::exists(fileName)) {
        if (!fItsFirst)
            ShowMessage(this, QStringLiteral("Ошибка! Файл не найден!"));
        return;
    }
    f.SynMemo->LoadFromFile(fileName);
    SetPanelColor(f.Panel_Ctrl, clBtnFace());
}

// Written in the encoding of the last load, ANSI when never loaded; a failed write leaves the
// bar as it was.
void TfMain::BodyFragment_Save(TBodyFragment& f) {
    ProcessMessages();
    f.SynMemo->SaveToFile(MainDir() + f.FileName);
    f.SynMemo->SetModified(false);
    SetPanelColor(f.Panel_Ctrl, clBtnFace());
}

void TfMain::BodyFragment_Clear(TBodyFragment& f) {
    ProcessMessages();
    f.SynMemo->Clear();
    SetPanelColor(f.Panel_Ctrl, clYellow);
}
