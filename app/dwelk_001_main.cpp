// The window's creation, its timer with the one-shot start-up work and the clock, and its
// destruction.

#include "dwelk_001_main.h"

#include "DateTimeText.h"
#include "MessageBoxes.h"
#include "TStrings.h"
#include "Trim.h"
#include "WebBrowser.h"
#include "WidgetKit.h"
#include "WindowSettings.h"
#include "__files.h"
#include "__pas2html.h"
#include "dwelk_000_lib.h"
#include "synmemo.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {

// The page the preview shows when a file has no HTML page.
TStrings PlaceholderPage() {
    return TStrings({
        QStringLiteral("<html>"),
        QStringLiteral("<head>"),
        QStringLiteral(
            "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1251\">"),
        QStringLiteral("<title>Quorvel_empty</title>"),
        QStringLiteral("</head>"),
        QStringLiteral("<body>"),
        QStringLiteral("<p></p>"),
        QStringLiteral("<p>-----</p>"),
        QStringLiteral("<p>HTML-файл не найден</p>"),
        QStringLiteral("<p>-----</p>"),
        QStringLiteral("<p></p>"),
        QStringLiteral("</body>"),
        QStringLiteral("</html>"),
    });
}

constexpr int ClientWidth = 969;
constexpr int ClientHeight = 713;

} // namespace

TfMain::TfMain(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("fMain"));
    setWindowTitle(QStringLiteral("Конвертировщик Delphi файлов в HTML (*.pas; *.dfm; *.dpr)"));
    setFont(Tahoma(16));

    BuildMenu();
    auto* client = new QWidget(this);
    auto* column = ColumnLayout(client);
    column->addWidget(BuildPanel_Ctrl());
    column->addWidget(BuildFilesPage(), 1);
    column->addWidget(BuildPanel_Bottom());
    setCentralWidget(client);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(100);
    SD1 = new QFileDialog(this);
    SD1->setObjectName(QStringLiteral("SD1"));
    SD1->setAcceptMode(QFileDialog::AcceptSave);
    SD1->setDefaultSuffix(QStringLiteral("htm"));
    SD1->setOption(QFileDialog::DontConfirmOverwrite);
    SD1->setNameFilters({QStringLiteral("htm (*.htm)"), QStringLiteral("html (*.html)")});
    // A name typed without extension takes the chosen filter's ("html" gives ".html").
    connect(SD1, &QFileDialog::filterSelected, SD1, [this](const QString& filter) {
        SD1->setDefaultSuffix(filter.section(QLatin1Char(' '), 0, 0));
    });

    resize(ClientWidth, ClientHeight + MainMenu1->sizeHint().height());
    if (const QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());

    ConnectHandlers();
    ConnectDropHandlers();
    FormCreate();
}

TfMain::~TfMain() {
    // The web view goes before every other control.
    delete WebBr;
    WebBr = nullptr;
}

void TfMain::FormCreate() {
    fItsFirst = true;
    LabelPath->setText(MainDir());
    nVersion->setText(QStringLiteral("Версия 1.00 от 22.02.2024"));
    pcMain->setCurrentWidget(tsFiles);
    pcFiles->setCurrentWidget(tsFile);
    pcSets->setCurrentWidget(tsSetHTML1);
    // Placing a memo into its panel switches on its gutter, footer and scroll bar.
    ColumnLayout(Panel_SyntMemo)->addWidget(SyntMemo);
    ColumnLayout(Panel_SyntMemo2)->addWidget(SyntMemo2);
    RunGuarded(this, [this] { SetBrowserFolder(QDir::currentPath()); });
    Timer1->start();
}

void TfMain::Timer1Timer() {
    Timer1->stop();
    LabelDT->setText(DateTimeToStr(QDateTime::currentDateTime()));
    if (fItsFirst)
        StartUp();
    Timer1->start();
}

// Each step runs on its own: a step that fails shows its error and the next one still runs.
// The settings file is read once, whole, for all of them.
void TfMain::StartUp() {
    showMaximized();
    Timer1->setInterval(1000);
    SD1->setDirectory(MainDir());
    RunGuarded(this, [this] { CreatePlaceholderPage(); });
    const TSettingsFile sets = ReadSettingsFile(fnINI());
    RunGuarded(this, [this, &sets] { LoadHtmlAttrAtStart(sets); });
    RunGuarded(this, [this, &sets] { LoadSectionHTML(sets); });
    RunGuarded(this, [this] { BodyFragment_Load(fBodyAfter); });
    RunGuarded(this, [this] { BodyFragment_Load(fBodyBefore); });
    RunGuarded(this, [this, &sets] { RestoreBrowserDir(sets); });
    fItsFirst = false;
    RunGuarded(this, [this] { OpenStartPath(); });
}

// An existing page is the user's own and stays as it is.
void TfMain::CreatePlaceholderPage() {
    const QString fileName = fnPlaceholderPage();
    if (!QFileInfo::exists(fileName))
        PlaceholderPage().SaveToFile(fileName);
}

void TfMain::LoadHtmlAttrAtStart(const TSettingsFile& sets) {
    if (sets.HTML_Attr.IsEmpty()) {
        TStrings defaults;
        htmlTextAttr_Def1(&defaults);
        SetHtmlAttrLines(defaults);
    } else {
        SetHtmlAttrLines(sets.HTML_Attr);
    }
    SetPanelColor(Panel_Ctrl_HTML_Attr, clBtnFace());
}

// The check boxes are set with their change reports held back: a value read from the file
// needs no writing back, and start-up writes nothing to the settings file.
void TfMain::LoadSectionHTML(const TSettingsFile& sets) {
    const auto setBox = [](QCheckBox* box, bool checked) {
        const QSignalBlocker quiet(box);
        box->setChecked(checked);
    };
    const TPageNaming& naming = sets.Naming;
    Edit_Suffix_DFM->setText(naming.Suffix_DFM);
    Edit_Suffix_PAS->setText(naming.Suffix_PAS);
    setBox(cb_YesQuery_before_Convert, sets.YesQuery_before_Convert);
    setBox(cb_YesQuery_before_Open, sets.YesQuery_before_Open);
    setBox(cb_Yes_Suffix_PAS, naming.Yes_Suffix_PAS);
    setBox(cb_Yes_Suffix_DFM, naming.Yes_Suffix_DFM);
    SetEditColor(Edit_Suffix_PAS, clWindow());
    SetEditColor(Edit_Suffix_DFM, clWindow());

    const int last = ComboBox_HTML_ExtFile->count() - 1;
    ComboBox_HTML_ExtFile->setCurrentIndex(std::clamp(naming.HTML_ExtFile_Index, 0, last));
    setBox(fBodyAfter.cb_Yes, sets.Yes_HTML_after_BODY);
    setBox(fBodyBefore.cb_Yes, sets.Yes_HTML_before_BODY);
    UpdateWindowSettings();
}

void TfMain::RestoreBrowserDir(const TSettingsFile& sets) {
    const QString dir = sets.Dir.value_or(Trim(FirstStartDir()));
    if (DirExist(dir))
        MoveBrowserTo(dir);
}

QString TfMain::SelectedFile() const {
    const QListWidgetItem* item = FLB->currentItem();
    return item && item->isSelected() ? item->data(Qt::UserRole).toString() : QString();
}

// Leaving a suffix edit for another control of the window stores it; the window losing the
// activation or a pop-up menu taking the keys does not leave the edit.
bool TfMain::eventFilter(QObject* watched, QEvent* event) {
    const auto leavesControl = [event] {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        return reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason;
    };
    if (watched == FLB->viewport() && event->type() == QEvent::MouseButtonPress)
        FLB_MousePressed();
    if (watched == SyntMemo2 && DropOnSourceMemo(event))
        return true;
    if (event->type() == QEvent::FocusOut && leavesControl()) {
        if (watched == Edit_Suffix_PAS)
            RunGuarded(this, [this] { Edit_Suffix_PASExit(); });
        else if (watched == Edit_Suffix_DFM)
            RunGuarded(this, [this] { Edit_Suffix_DFMExit(); });
    }
    return QMainWindow::eventFilter(watched, event);
}
