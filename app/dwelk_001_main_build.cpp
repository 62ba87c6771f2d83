// Construction of the window's controls: menu bar, tool bar, the page "Файлы" with the file
// browser, the source view, the preview and the clipboard page, and the status bar.

#include "FolderListDelegate.h"
#include "THtmlEdit.h"
#include "WebBrowser.h"
#include "WidgetKit.h"
#include "dwelk_001_main.h"

#include "synmemo.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QSplitter>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QAction* NewItem(QMenu* menu, const QString& name, const QString& caption,
                 const QKeySequence& shortcut = {}) {
    QAction* item = menu->addAction(caption);
    item->setObjectName(name);
    item->setShortcut(shortcut);
    item->setShortcutContext(Qt::WidgetShortcut);
    return item;
}

void AddSeparator(QMenu* menu, const QString& name) {
    menu->addSeparator()->setObjectName(name);
}

// The menu pops up on a right click in the list; its shortcuts act while the list has the
// keyboard focus.
void AttachPopupMenu(QListWidget* list, QMenu* menu) {
    list->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(
        list, &QWidget::customContextMenuRequested, menu,
        [list, menu](const QPoint& at) { menu->popup(list->viewport()->mapToGlobal(at)); });
    for (QAction* item : menu->actions()) {
        if (!item->shortcut().isEmpty())
            list->addAction(item);
    }
}

} // namespace

void TfMain::BuildMenu() {
    MainMenu1 = new QMenuBar(this);
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
    nVersion = MainMenu1->addAction(QStringLiteral("Версия 0.01 от 21.02.2024"));
    nVersion->setObjectName(QStringLiteral("nVersion"));
    nVersion->setEnabled(false);
    setMenuBar(MainMenu1);
}

QWidget* TfMain::BuildPanel_Ctrl() {
    Panel_Ctrl = NewPanel(this, QStringLiteral("Panel_Ctrl"), 38, false);
    btn_Files_ToHtml = NewPictureButton(
        Panel_Ctrl, QStringLiteral("btn_Files_ToHtml"), QStringLiteral("convert_all"),
        QStringLiteral("Конвертировать в HTML все файлы в списке"), 36);
    btn_Publish =
        NewPictureButton(Panel_Ctrl, QStringLiteral("btn_Publish"), QStringLiteral("publish"),
                         QStringLiteral("Опубликовать папку как сайт… (Ctrl+Shift+P)"), 36);
    auto* row = RowLayout(Panel_Ctrl);
    row->addWidget(btn_Files_ToHtml);
    row->addWidget(btn_Publish);
    row->addStretch();
    return Panel_Ctrl;
}

QWidget* TfMain::BuildFilesPage() {
    pcMain = new QTabWidget(this);
    pcMain->setObjectName(QStringLiteral("pcMain"));
    tsFiles = NewPage(pcMain, QStringLiteral("tsFiles"), QStringLiteral("Файлы"));

    Splitter1 = NewSplitter(tsFiles, QStringLiteral("Splitter1"), Qt::Horizontal);
    Splitter1->addWidget(BuildFileBrowser());
    pcFiles = new QTabWidget(Splitter1);
    pcFiles->setObjectName(QStringLiteral("pcFiles"));
    Splitter1->addWidget(pcFiles);
    Splitter1->setStretchFactor(1, 1);
    Splitter1->setSizes({353, 969 - 353});
    ColumnLayout(tsFiles)->addWidget(Splitter1);

    tsFile = NewPage(pcFiles, QStringLiteral("tsFile"), QStringLiteral("Файл"));
    ColumnLayout(tsFile)->addWidget(BuildFilePage());
    tsClip = NewPage(pcFiles, QStringLiteral("tsClip"), QStringLiteral("Clipboard"));
    ColumnLayout(tsClip)->addWidget(BuildClipPage());
    tsFileSet = NewPage(pcFiles, QStringLiteral("tsFileSet"), QStringLiteral("Настройка"));
    ColumnLayout(tsFileSet)->addWidget(BuildSettingsPages());
    return pcMain;
}

QWidget* TfMain::BuildFileBrowser() {
    GroupBox1 = new QGroupBox(this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    // Folder and file names stay readable however small the window: the page beside the
    // lists gives way instead.
    GroupBox1->setMinimumWidth(220);
    const QFont small = Tahoma(13);

    Panel_DCB = NewPanel(GroupBox1, QStringLiteral("Panel_DCB"), 28, false);
    DCB = new QComboBox(Panel_DCB);
    DCB->setObjectName(QStringLiteral("DCB"));
    DCB->setFont(small);
    RowLayout(Panel_DCB)->addWidget(DCB);

    Splitter2 = NewSplitter(GroupBox1, QStringLiteral("Splitter2"), Qt::Vertical);
    DLB = new QListWidget(Splitter2);
    DLB->setObjectName(QStringLiteral("DLB"));
    DLB->setFont(small);
    DLB->setItemDelegate(new TFolderListDelegate(DLB));
    Splitter2->addWidget(DLB);

    auto* filesPart = new QWidget(Splitter2);
    Panel_FCB = NewPanel(filesPart, QStringLiteral("Panel_FCB"), 24, false);
    FCB = new QComboBox(Panel_FCB);
    FCB->setObjectName(QStringLiteral("FCB"));
    FCB->setFont(small);
    // Shown names and masks alternate in the filter string.
    const QStringList filter = QStringLiteral("PAS-файлы|*.pas|DFM-файлы|*.dfm|DPR-файлы|*.dpr|"
                                              "HTML-файлы|*.htm*|Все файлы|*.*")
                                   .split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < filter.size(); i += 2)
        FCB->addItem(filter[i], filter[i + 1]);
    RowLayout(Panel_FCB)->addWidget(FCB);
    Panel_FLB = NewPanel(filesPart, QStringLiteral("Panel_FLB"), 0, true);
    FLB = new QListWidget(Panel_FLB);
    FLB->setObjectName(QStringLiteral("FLB"));
    FLB->setFont(Tahoma(15));
    FLB->setUniformItemSizes(true);
    FLB->setStyleSheet(QStringLiteral("QListWidget::item { height: 18px; }"));
    RowLayout(Panel_FLB)->addWidget(FLB);
    auto* filesColumn = ColumnLayout(filesPart);
    filesColumn->addWidget(Panel_FCB);
    filesColumn->addWidget(Panel_FLB);
    Splitter2->addWidget(filesPart);
    Splitter2->setStretchFactor(1, 1);
    Splitter2->setSizes({160, 400});

    auto* column = ColumnLayout(GroupBox1);
    column->addWidget(Panel_DCB);
    column->addWidget(Splitter2);

    pmDirs = new QMenu(DLB);
    pmDirs->setObjectName(QStringLiteral("pmDirs"));
    N1 = NewItem(pmDirs, QStringLiteral("N1"), QStringLiteral("Открыть папку в проводнике"),
                 QKeySequence(QStringLiteral("Ctrl+Alt+O")));
    AddSeparator(pmDirs, QStringLiteral("N2"));
    N3 = NewItem(pmDirs, QStringLiteral("N3"), QStringLiteral("Запомнить папку"),
                 QKeySequence(QStringLiteral("Ctrl+Alt+S")));
    AddSeparator(pmDirs, QStringLiteral("N7"));
    N9 = pmDirs->addMenu(QStringLiteral("Вернуться"));
    N9->setObjectName(QStringLiteral("N9"));
    N11 = NewItem(N9, QStringLiteral("N11"), QStringLiteral("в ту папку, о которой помним"));
    AddSeparator(N9, QStringLiteral("N10"));
    N8 = NewItem(N9, QStringLiteral("N8"), QStringLiteral("Домой"));
    AddSeparator(pmDirs, QStringLiteral("nPublishSeparator"));
    nPublish =
        NewItem(pmDirs, QStringLiteral("nPublish"), QStringLiteral("Опубликовать папку как сайт…"),
                QKeySequence(QStringLiteral("Ctrl+Shift+P")));
    // The command acts from anywhere in the window, not only from the folder list.
    nPublish->setShortcutContext(Qt::WindowShortcut);
    addAction(nPublish);

    pmFiles = new QMenu(FLB);
    pmFiles->setObjectName(QStringLiteral("pmFiles"));
    N4 = NewItem(pmFiles, QStringLiteral("N4"),
                 QStringLiteral("Открыть файл (в программе по умолчанию)"),
                 QKeySequence(QStringLiteral("Ctrl+O")));
    AddSeparator(pmFiles, QStringLiteral("N6"));
    N5 = NewItem(pmFiles, QStringLiteral("N5"), QStringLiteral("Конвертировать файл в HTML"),
                 QKeySequence(QStringLiteral("Ctrl+H")));
    AddSeparator(pmFiles, QStringLiteral("N12"));
    N13 =
        NewItem(pmFiles, QStringLiteral("N13"), QStringLiteral("Список файлов обновить на экране"),
                QKeySequence(QStringLiteral("Ctrl+R")));
    AttachPopupMenu(DLB, pmDirs);
    AttachPopupMenu(FLB, pmFiles);
    return GroupBox1;
}

QWidget* TfMain::BuildFilePage() {
    auto* page = new QWidget(this);

    Panel_FN = NewPanel(page, QStringLiteral("Panel_FN"), 28, false);
    Splitter9 = NewSplitter(Panel_FN, QStringLiteral("Splitter9"), Qt::Horizontal);
    Edit_FN_html = new QLineEdit(Splitter9);
    Edit_FN_html->setObjectName(QStringLiteral("Edit_FN_html"));
    Edit_FN_html->setReadOnly(true);
    Edit_FN_html->setFocusPolicy(Qt::ClickFocus);
    Edit_FN_html->setToolTip(QStringLiteral("Имя HTML-файла"));
    SetEditColor(Edit_FN_html, clInfoBk());
    Edit_FN = new QLineEdit(Splitter9);
    Edit_FN->setObjectName(QStringLiteral("Edit_FN"));
    Edit_FN->setReadOnly(true);
    Edit_FN->setFocusPolicy(Qt::ClickFocus);
    Edit_FN->setToolTip(QStringLiteral("Имя файла"));
    Splitter9->addWidget(Edit_FN_html);
    Splitter9->addWidget(Edit_FN);
    // Both names give way as the window narrows, the HTML name no less than the other.
    Splitter9->setStretchFactor(0, 1);
    Splitter9->setStretchFactor(1, 1);
    Splitter9->setSizes({313, 300});
    RowLayout(Panel_FN)->addWidget(Splitter9);

    Panel_File_Ctrl = NewPanel(page, QStringLiteral("Panel_File_Ctrl"), 38, false);
    btn_File_ToHtml = NewPictureButton(Panel_File_Ctrl, QStringLiteral("btn_File_ToHtml"),
                                       QStringLiteral("convert"),
                                       QStringLiteral("Конвертировать в HTML выбранный файд"), 36);
    sb_HTML_open = NewPictureButton(Panel_File_Ctrl, QStringLiteral("sb_HTML_open"),
                                    QStringLiteral("html_open"),
                                    QStringLiteral("Открыть HTML-файл, если существует"), 36);
    cb_WebBr_Show = new QCheckBox(QStringLiteral("HTML-просмотр"), Panel_File_Ctrl);
    cb_WebBr_Show->setObjectName(QStringLiteral("cb_WebBr_Show"));
    cb_WebBr_Show->setFont(Tahoma(13));
    cb_WebBr_Show->setMinimumWidth(124);
    auto* buttons = RowLayout(Panel_File_Ctrl);
    buttons->addWidget(btn_File_ToHtml);
    buttons->addWidget(NewSpacer(Panel_File_Ctrl));
    buttons->addWidget(sb_HTML_open);
    buttons->addStretch();
    buttons->addWidget(cb_WebBr_Show);

    Splitter_WebBr = NewSplitter(page, QStringLiteral("Splitter_WebBr"), Qt::Vertical);
    Panel_SyntMemo = NewPanel(Splitter_WebBr, QStringLiteral("Panel_SyntMemo"), 0, true);
    SyntMemo = NewSourceMemo(QStringLiteral("SyntMemo"), true);
    GroupBox_WebBr = new QGroupBox(QStringLiteral("HTML"), Splitter_WebBr);
    GroupBox_WebBr->setObjectName(QStringLiteral("GroupBox_WebBr"));
    Panel8 = NewPanel(GroupBox_WebBr, QStringLiteral("Panel8"), 0, true);
    WebBr = new TWebBrowser(Panel8);
    WebBr->setObjectName(QStringLiteral("WebBr"));
    ColumnLayout(Panel8)->addWidget(WebBr);
    Label_FNhtml = new QLabel(QStringLiteral("..."), GroupBox_WebBr);
    Label_FNhtml->setObjectName(QStringLiteral("Label_FNhtml"));
    Label_FNhtml->setFont(Tahoma(15));
    Label_FNhtml->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    Label_FNhtml->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    auto* pane = ColumnLayout(GroupBox_WebBr);
    pane->addWidget(Panel8, 1);
    pane->addWidget(Label_FNhtml);
    Splitter_WebBr->addWidget(Panel_SyntMemo);
    Splitter_WebBr->addWidget(GroupBox_WebBr);
    Splitter_WebBr->setStretchFactor(0, 1);
    Splitter_WebBr->setSizes({400, 248});
    GroupBox_WebBr->hide();

    auto* column = ColumnLayout(page);
    column->addWidget(Panel_FN);
    column->addWidget(Panel_File_Ctrl);
    column->addWidget(Splitter_WebBr);
    return page;
}

// The two source memos are configured alike; they get their panels at creation (FormCreate).
TSyntaxMemo* TfMain::NewSourceMemo(const QString& name, bool readOnly) {
    auto* memo = new TSyntaxMemo(this);
    memo->setObjectName(name);
    QFont font(QStringLiteral("Courier New"));
    font.setPixelSize(13);
    memo->setFont(font);
    for (auto [get, set] : {std::pair{&TSyntaxMemo::TextAttr, &TSyntaxMemo::SetTextAttr},
                            {&TSyntaxMemo::KeywordAttr, &TSyntaxMemo::SetKeywordAttr},
                            {&TSyntaxMemo::CommentAttr, &TSyntaxMemo::SetCommentAttr},
                            {&TSyntaxMemo::StringAttr, &TSyntaxMemo::SetStringAttr}}) {
        TSynFont attr = (memo->*get)();
        QFont attrFont = font;
        attrFont.setBold(attr.Font.bold());
        attrFont.setItalic(attr.Font.italic());
        attr.Font = attrFont;
        (memo->*set)(attr);
    }
    memo->SetSyntaxType(stPascal);
    memo->SetReadOnly(readOnly);
    return memo;
}

QWidget* TfMain::BuildClipPage() {
    auto* page = new QWidget(this);

    Panel10 = NewPanel(page, QStringLiteral("Panel10"), 38, false);
    SpeedButton3 =
        NewPictureButton(Panel10, QStringLiteral("SpeedButton3"), QStringLiteral("from_clipboard"),
                         QStringLiteral("Взять из буфера обмена"), 36);
    SpeedButton1 =
        NewPictureButton(Panel10, QStringLiteral("SpeedButton1"), QStringLiteral("convert"),
                         QStringLiteral("Конвертировать в HTML"), 36);
    SpeedButton2 = NewPictureButton(Panel10, QStringLiteral("SpeedButton2"), QStringLiteral("save"),
                                    QStringLiteral("Сохранить в файл"), 36);
    sb_Clip_CopyHtml =
        NewPictureButton(Panel10, QStringLiteral("sb_Clip_CopyHtml"), QStringLiteral("copy_html"),
                         QStringLiteral("Копировать HTML в буфер обмена"), 36);
    sb_Clip_CopyHtml->setEnabled(false);
    auto* buttons = RowLayout(Panel10);
    buttons->addWidget(SpeedButton3);
    buttons->addWidget(NewSpacer(Panel10));
    buttons->addWidget(SpeedButton1);
    buttons->addWidget(NewSpacer(Panel10));
    buttons->addWidget(SpeedButton2);
    buttons->addWidget(NewSpacer(Panel10));
    buttons->addWidget(sb_Clip_CopyHtml);
    buttons->addStretch();

    Splitter10 = NewSplitter(page, QStringLiteral("Splitter10"), Qt::Vertical);
    Panel_SyntMemo2 = NewPanel(Splitter10, QStringLiteral("Panel_SyntMemo2"), 0, true);
    SyntMemo2 = NewSourceMemo(QStringLiteral("SyntMemo2"), false);
    GroupBox2 = new QGroupBox(QStringLiteral("HTML: "), Splitter10);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    SynMemo1 = new THtmlEdit(GroupBox2);
    SynMemo1->setObjectName(QStringLiteral("SynMemo1"));
    ColumnLayout(GroupBox2)->addWidget(SynMemo1);
    Splitter10->addWidget(Panel_SyntMemo2);
    Splitter10->addWidget(GroupBox2);
    Splitter10->setStretchFactor(1, 1);
    Splitter10->setSizes({187, 400});

    auto* column = ColumnLayout(page);
    column->addWidget(Panel10);
    column->addWidget(Splitter10);
    return page;
}

QWidget* TfMain::BuildPanel_Bottom() {
    Panel_Bottom = NewPanel(this, QStringLiteral("Panel_Bottom"), 29, false);
    Panel_Bottom->setFont(Tahoma(13));
    LabelDT = new QLabel(QStringLiteral("..."), Panel_Bottom);
    LabelDT->setObjectName(QStringLiteral("LabelDT"));
    LabelPath = new QLabel(QStringLiteral("..."), Panel_Bottom);
    LabelPath->setObjectName(QStringLiteral("LabelPath"));
    // Shown only while a whole-list conversion runs: file N of M, and a way to stop it.
    ProgressBar_Run = new QProgressBar(Panel_Bottom);
    ProgressBar_Run->setObjectName(QStringLiteral("ProgressBar_Run"));
    ProgressBar_Run->setFormat(QStringLiteral("%v из %m"));
    ProgressBar_Run->setMaximumWidth(260);
    ProgressBar_Run->hide();
    btn_Run_Stop = new QToolButton(Panel_Bottom);
    btn_Run_Stop->setObjectName(QStringLiteral("btn_Run_Stop"));
    btn_Run_Stop->setText(QStringLiteral("Стоп"));
    btn_Run_Stop->setToolTip(QStringLiteral("Остановить конвертацию (Esc)"));
    btn_Run_Stop->setShortcut(QKeySequence(Qt::Key_Escape));
    btn_Run_Stop->hide();
    auto* row = RowLayout(Panel_Bottom);
    row->setContentsMargins(6, 0, 6, 0);
    row->addWidget(LabelDT, 0, Qt::AlignVCenter);
    row->addSpacing(12);
    row->addWidget(ProgressBar_Run, 0, Qt::AlignVCenter);
    row->addWidget(btn_Run_Stop, 0, Qt::AlignVCenter);
    row->addStretch();
    row->addWidget(LabelPath, 0, Qt::AlignVCenter);
    return Panel_Bottom;
}
