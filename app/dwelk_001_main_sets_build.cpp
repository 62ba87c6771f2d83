// Construction of the settings pages "HTML-1" (questions, suffixes, extension, markup tag
// set) and "HTML-2" (the two body fragments).

#include "THtmlEdit.h"
#include "WidgetKit.h"
#include "WindowSettings.h"
#include "dwelk_001_main.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace {

constexpr int SettingsRowHeight = 31;
constexpr int ButtonBarHeight = 34;
constexpr int BarButtonSize = 32;

QCheckBox* NewCheckBox(QWidget* parent, const QString& name, const QString& caption, bool checked) {
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(name);
    box->setChecked(checked);
    return box;
}

QLineEdit* NewSuffixEdit(QWidget* parent, const QString& name, const QString& text) {
    auto* edit = new QLineEdit(text, parent);
    edit->setObjectName(name);
    edit->setFont(Tahoma(16));
    edit->setFixedWidth(117);
    return edit;
}

// One 31-pixel row of the settings panel holding `first` and optionally `second` after it.
QWidget* SettingsRow(QWidget* parent, QWidget* first, QWidget* second = nullptr) {
    auto* row = new QWidget(parent);
    row->setFixedHeight(SettingsRowHeight);
    auto* layout = RowLayout(row);
    layout->setContentsMargins(8, 0, 4, 0);
    first->setParent(row);
    layout->addWidget(first);
    if (second) {
        second->setParent(row);
        layout->addWidget(second);
    }
    layout->addStretch();
    return row;
}

// A splitter whose second part is empty, so that the first keeps the size it is given and
// can be resized by the bar.
QSplitter* SplitterWithRoomAfter(QWidget* parent, const QString& name, Qt::Orientation orientation,
                                 QWidget* first, int size) {
    QSplitter* splitter = NewSplitter(parent, name, orientation);
    first->setParent(splitter);
    splitter->addWidget(first);
    splitter->addWidget(new QWidget(splitter));
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({size, size});
    return splitter;
}

} // namespace

QWidget* TfMain::BuildSettingsPages() {
    pcSets = new QTabWidget(this);
    pcSets->setObjectName(QStringLiteral("pcSets"));
    tsSetHTML1 = NewPage(pcSets, QStringLiteral("tsSetHTML1"), QStringLiteral("HTML-1"));
    ColumnLayout(tsSetHTML1)->addWidget(BuildSetHTML1());
    tsSetHTML2 = NewPage(pcSets, QStringLiteral("tsSetHTML2"), QStringLiteral("HTML-2"));
    ColumnLayout(tsSetHTML2)->addWidget(BuildSetHTML2());
    return pcSets;
}

QWidget* TfMain::BuildSetHTML1() {
    gb_File_HTML_Sets = new QGroupBox(this);
    gb_File_HTML_Sets->setObjectName(QStringLiteral("gb_File_HTML_Sets"));
    Splitter4 = SplitterWithRoomAfter(gb_File_HTML_Sets, QStringLiteral("Splitter4"),
                                      Qt::Horizontal, BuildFileHtmlSets(), 407);
    ColumnLayout(gb_File_HTML_Sets)->addWidget(Splitter4);
    Splitter3 = SplitterWithRoomAfter(this, QStringLiteral("Splitter3"), Qt::Vertical,
                                      gb_File_HTML_Sets, 449);
    return Splitter3;
}

QWidget* TfMain::BuildFileHtmlSets() {
    Panel_File_HTML_Sets = NewPanel(this, QStringLiteral("Panel_File_HTML_Sets"), 0, true);
    Panel_File_HTML_Sets->setFont(Tahoma(15));
    QWidget* panel = Panel_File_HTML_Sets;

    // The controls start as a fresh settings file would set them.
    const TSettingsFile fresh;
    cb_YesQuery_before_Convert = NewCheckBox(panel, QStringLiteral("cb_YesQuery_before_Convert"),
                                             QStringLiteral("Запрос перед конвертацией файла"),
                                             fresh.YesQuery_before_Convert);
    cb_YesQuery_before_Open =
        NewCheckBox(panel, QStringLiteral("cb_YesQuery_before_Open"),
                    QStringLiteral("Запрос на открытие HTML-файла после конвертации"),
                    fresh.YesQuery_before_Open);
    cb_Yes_Suffix_PAS =
        NewCheckBox(panel, QStringLiteral("cb_Yes_Suffix_PAS"),
                    QStringLiteral("Суффикс в имени PAS-файла:"), fresh.Naming.Yes_Suffix_PAS);
    Edit_Suffix_PAS =
        NewSuffixEdit(panel, QStringLiteral("Edit_Suffix_PAS"), fresh.Naming.Suffix_PAS);
    cb_Yes_Suffix_DFM =
        NewCheckBox(panel, QStringLiteral("cb_Yes_Suffix_DFM"),
                    QStringLiteral("Суффикс в имени DFM-файла:"), fresh.Naming.Yes_Suffix_DFM);
    Edit_Suffix_DFM =
        NewSuffixEdit(panel, QStringLiteral("Edit_Suffix_DFM"), fresh.Naming.Suffix_DFM);
    Label5 = new QLabel(QStringLiteral("Расширение HTML-файлов:           "), panel);
    Label5->setObjectName(QStringLiteral("Label5"));
    // The edits and the list stand in one column, however wide the captions come out.
    const int captionWidth =
        std::max({241, cb_Yes_Suffix_PAS->sizeHint().width(), cb_Yes_Suffix_DFM->sizeHint().width(),
                  Label5->sizeHint().width()});
    for (QWidget* caption :
         std::initializer_list<QWidget*>{cb_Yes_Suffix_PAS, cb_Yes_Suffix_DFM, Label5})
        caption->setFixedWidth(captionWidth);
    ComboBox_HTML_ExtFile = new QComboBox(panel);
    ComboBox_HTML_ExtFile->setObjectName(QStringLiteral("ComboBox_HTML_ExtFile"));
    ComboBox_HTML_ExtFile->setEditable(false);
    ComboBox_HTML_ExtFile->setFixedWidth(117);
    ComboBox_HTML_ExtFile->addItems({QStringLiteral("htm"), QStringLiteral("html")});
    ComboBox_HTML_ExtFile->setCurrentIndex(fresh.Naming.HTML_ExtFile_Index);

    auto* column = ColumnLayout(panel);
    column->setContentsMargins(2, 4, 2, 2);
    column->addWidget(SettingsRow(panel, cb_YesQuery_before_Convert));
    column->addWidget(SettingsRow(panel, cb_YesQuery_before_Open));
    column->addWidget(SettingsRow(panel, cb_Yes_Suffix_PAS, Edit_Suffix_PAS));
    column->addWidget(SettingsRow(panel, cb_Yes_Suffix_DFM, Edit_Suffix_DFM));
    column->addWidget(SettingsRow(panel, Label5, ComboBox_HTML_ExtFile));
    column->addWidget(BuildHtmlAttrGroup(), 1);
    return panel;
}

QWidget* TfMain::BuildHtmlAttrGroup() {
    gb_HTML_Attr = new QGroupBox(QStringLiteral("Теги HTML:"), Panel_File_HTML_Sets);
    gb_HTML_Attr->setObjectName(QStringLiteral("gb_HTML_Attr"));

    Panel_Ctrl_HTML_Attr =
        NewPanel(gb_HTML_Attr, QStringLiteral("Panel_Ctrl_HTML_Attr"), ButtonBarHeight, false);
    SetPanelColor(Panel_Ctrl_HTML_Attr, clBtnFace());
    QWidget* bar = Panel_Ctrl_HTML_Attr;
    sb_HTML_Attr_Load =
        NewPictureButton(bar, QStringLiteral("sb_HTML_Attr_Load"), QStringLiteral("load"),
                         QStringLiteral("Загрузить"), BarButtonSize);
    sb_HTML_Attr_Save =
        NewPictureButton(bar, QStringLiteral("sb_HTML_Attr_Save"), QStringLiteral("save"),
                         QStringLiteral("Сохранить"), BarButtonSize);
    sb_HTML_Attr_Def =
        NewPictureButton(bar, QStringLiteral("sb_HTML_Attr_Def"), QStringLiteral("defaults"),
                         QStringLiteral("По умолчанию"), BarButtonSize);
    SpeedButton4 = NewPictureButton(bar, QStringLiteral("SpeedButton4"), QStringLiteral("info"),
                                    QStringLiteral("Расшифровка параметров"), BarButtonSize);
    auto* buttons = RowLayout(bar);
    buttons->addWidget(sb_HTML_Attr_Load);
    buttons->addWidget(NewSpacer(bar));
    buttons->addWidget(sb_HTML_Attr_Save);
    buttons->addWidget(NewSpacer(bar));
    buttons->addWidget(sb_HTML_Attr_Def);
    buttons->addStretch();
    buttons->addWidget(SpeedButton4);

    Memo_HTML_Attr = new QPlainTextEdit(gb_HTML_Attr);
    Memo_HTML_Attr->setObjectName(QStringLiteral("Memo_HTML_Attr"));
    Memo_HTML_Attr->setFont(CourierNew(15));
    Memo_HTML_Attr->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo_HTML_Attr->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo_HTML_Attr->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    auto* column = ColumnLayout(gb_HTML_Attr);
    column->addWidget(Panel_Ctrl_HTML_Attr);
    column->addWidget(Memo_HTML_Attr);
    return gb_HTML_Attr;
}

QWidget* TfMain::BuildSetHTML2() {
    Panel9 = NewPanel(this, QStringLiteral("Panel9"), 0, true);
    BuildBodyFragment(fBodyAfter, QStringLiteral("GroupBox3"),
                      QStringLiteral("Текст после <BODY>: "), QStringLiteral("After"));
    BuildBodyFragment(fBodyBefore, QStringLiteral("GroupBox4"),
                      QStringLiteral("Текст перед </BODY>: "), QStringLiteral("Before"));
    fBodyAfter.FileName = BodyAfterFileName;
    fBodyBefore.FileName = BodyBeforeFileName;

    Splitter13 = SplitterWithRoomAfter(Panel9, QStringLiteral("Splitter13"), Qt::Horizontal,
                                       fBodyBefore.Group, 290);
    Splitter12 = NewSplitter(Panel9, QStringLiteral("Splitter12"), Qt::Horizontal);
    fBodyAfter.Group->setParent(Splitter12);
    Splitter12->addWidget(fBodyAfter.Group);
    Splitter12->addWidget(Splitter13);
    Splitter12->setStretchFactor(1, 1);
    Splitter12->setSizes({290, 600});
    ColumnLayout(Panel9)->addWidget(Splitter12);

    Splitter11 =
        SplitterWithRoomAfter(this, QStringLiteral("Splitter11"), Qt::Vertical, Panel9, 313);
    return Splitter11;
}

// `part` ("After" or "Before") tells the two fragments' control names apart.
void TfMain::BuildBodyFragment(TBodyFragment& f, const QString& groupName, const QString& caption,
                               const QString& part) {
    f.Group = new QGroupBox(caption, Panel9);
    f.Group->setObjectName(groupName);
    f.Group->setFont(Tahoma(15));

    f.Panel_Ctrl =
        NewPanel(f.Group, QStringLiteral("Panel_Ctrl_BODY_") + part, ButtonBarHeight, false);
    SetPanelColor(f.Panel_Ctrl, clBtnFace());
    f.cb_Yes = NewCheckBox(f.Panel_Ctrl, QStringLiteral("cb_Yes_HTML_%1_BODY").arg(part.toLower()),
                           QStringLiteral("Применять"), false);
    f.cb_Yes->setMinimumWidth(120);
    const QString buttonName = QStringLiteral("sb_BODY_") + part + u'_';
    f.sb_Load =
        NewPictureButton(f.Panel_Ctrl, buttonName + QStringLiteral("Load"), QStringLiteral("load"),
                         QStringLiteral("Загрузить"), BarButtonSize);
    f.sb_Save =
        NewPictureButton(f.Panel_Ctrl, buttonName + QStringLiteral("Save"), QStringLiteral("save"),
                         QStringLiteral("Сохранить"), BarButtonSize);
    f.sb_Clear =
        NewPictureButton(f.Panel_Ctrl, buttonName + QStringLiteral("Clear"),
                         QStringLiteral("clear"), QStringLiteral("Стереть"), BarButtonSize);
    auto* buttons = RowLayout(f.Panel_Ctrl);
    buttons->addWidget(f.cb_Yes);
    buttons->addWidget(f.sb_Load);
    buttons->addWidget(NewSpacer(f.Panel_Ctrl));
    buttons->addWidget(f.sb_Save);
    buttons->addWidget(NewSpacer(f.Panel_Ctrl));
    buttons->addWidget(f.sb_Clear);
    buttons->addStretch();

    f.SynMemo = new THtmlEdit(f.Group);
    f.SynMemo->setObjectName(QStringLiteral("SynMemo_BODY_") + part);

    auto* column = ColumnLayout(f.Group);
    column->addWidget(f.Panel_Ctrl);
    column->addWidget(f.SynMemo);
}
