#include "_View_Text.h"

#include "TSpinButton.h"
#include "TStrings.h"
#include "Trim.h"
#include "WaitCursor.h"

#include <QApplication>
#include <QClipboard>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int RowHeight = 27;
constexpr int ClientWidth = 989;
constexpr int ClientHeight = 434;
constexpr int MinFontPoints = 1;

QToolButton* ToolButton(const QString& name, const QString& icon, const QString& text,
                        QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setIcon(QIcon::fromTheme(icon));
    button->setText(text);
    button->setAutoRaise(true);
    return button;
}

QAction* MenuItem(QMenu* menu, const QString& name, const QString& caption) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(name);
    return action;
}

QMenu* DisabledMenu(QMenuBar* bar, const QString& name, const QString& caption) {
    QMenu* menu = bar->addMenu(caption);
    menu->setObjectName(name);
    menu->menuAction()->setEnabled(false);
    return menu;
}

void PaintWhite(QPlainTextEdit* edit) {
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Base, Qt::white);
    edit->setPalette(palette);
}

} // namespace

TDlg_Text::TDlg_Text(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Dlg_Text"));
    setWindowTitle(QStringLiteral("Текст"));

    MainMenu1 = new QMenuBar(this);
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
    BuildMenu();

    Label_Head = new QLabel(this);
    Label_Head->setObjectName(QStringLiteral("Label_Head"));
    Label_Head->setTextFormat(Qt::PlainText);

    RE_Text = new QPlainTextEdit(this);
    RE_Text->setObjectName(QStringLiteral("RE_Text"));
    QFont font(QStringLiteral("Times New Roman"));
    font.setPixelSize(19);
    RE_Text->setFont(font);
    RE_Text->setReadOnly(true);
    RE_Text->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    RE_Text->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    RE_Text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    PaintWhite(RE_Text);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(MainMenu1);
    layout->addWidget(Label_Head);
    layout->addWidget(BuildToolRow());
    layout->addWidget(RE_Text, 1);
    layout->addWidget(BuildButtonRow());

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(100);
    connect(Timer1, &QTimer::timeout, this, &TDlg_Text::Timer1Timer);

    // The window sees Escape before any of its controls.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QDialog::reject);

    resize(ClientWidth, ClientHeight + MainMenu1->sizeHint().height());
}

void TDlg_Text::BuildMenu() {
    DisabledMenu(MainMenu1, QStringLiteral("mnuText"), QStringLiteral("Текст"));

    QMenu* action = MainMenu1->addMenu(QStringLiteral("Действие"));
    action->setObjectName(QStringLiteral("mnuAction"));
    QAction* ok = MenuItem(action, QStringLiteral("mnuAction_Ok"), QStringLiteral("Ok"));
    ok->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_O));
    connect(ok, &QAction::triggered, this, &QDialog::accept);
    action->addSeparator();
    QAction* cancel =
        MenuItem(action, QStringLiteral("mnuAction_Cancel"), QStringLiteral("Cancel"));
    connect(cancel, &QAction::triggered, this, &QDialog::reject);

    DisabledMenu(MainMenu1, QStringLiteral("mnuInsertChars"), QStringLiteral("Символы вставить"));
}

QWidget* TDlg_Text::BuildToolRow() {
    auto* row = new QWidget(this);
    row->setObjectName(QStringLiteral("Panel_Tools"));
    row->setFixedHeight(RowHeight);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(2, 0, 2, 0);

    sb_ToClipboard = ToolButton(QStringLiteral("sb_ToClipboard"), QStringLiteral("edit-copy"),
                                QStringLiteral("Копировать"), row);
    sb_ToClipboard->setToolTip(QStringLiteral("Положить текст в Clipboard"));
    connect(sb_ToClipboard, &QToolButton::clicked, this, &TDlg_Text::sb_ToClipboardClick);

    sb_FromClipboard = ToolButton(QStringLiteral("sb_FromClipboard"), QStringLiteral("edit-paste"),
                                  QStringLiteral("Вставить"), row);
    sb_FromClipboard->setToolTip(QStringLiteral("Взять текст из Clipboard"));
    sb_FromClipboard->setEnabled(false);

    Btn_Info_Font =
        ToolButton(QStringLiteral("Btn_Info_Font"), QStringLiteral("preferences-desktop-font"),
                   QStringLiteral("Шрифт"), row);
    connect(Btn_Info_Font, &QToolButton::clicked, this, &TDlg_Text::Btn_Info_FontClick);

    SpinButton2 = new TSpinButton(row);
    SpinButton2->setObjectName(QStringLiteral("SpinButton2"));
    SpinButton2->setToolTip(QStringLiteral("Изменение размеров шрифта в таблице"));
    SpinButton2->setFixedSize(20, RowHeight);
    connect(SpinButton2, &TSpinButton::UpClick, this, [this] { ChangeFontSize(+1); });
    connect(SpinButton2, &TSpinButton::DownClick, this, [this] { ChangeFontSize(-1); });

    layout->addWidget(sb_ToClipboard);
    layout->addWidget(sb_FromClipboard);
    layout->addWidget(Btn_Info_Font);
    layout->addWidget(SpinButton2);
    layout->addStretch(1);
    return row;
}

QWidget* TDlg_Text::BuildButtonRow() {
    auto* row = new QWidget(this);
    row->setObjectName(QStringLiteral("Panel_Buttons"));
    row->setFixedHeight(RowHeight);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(2, 1, 2, 1);

    OKBtn = new QPushButton(QStringLiteral("OK"), row);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setDefault(true);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);

    layout->addStretch(1);
    layout->addWidget(OKBtn);
    layout->addStretch(1);
    return row;
}

bool TDlg_Text::Execute(const QString& sText, const QString& sCaption, const QString& sHead,
                        bool YesMaximized) {
    {
        TWaitCursor wait;
        RE_Text->setPlainText(TStrings::SplitLines(sText).join(u'\n'));
        Label_Head->setText(Trim(sHead));
        const QString caption = Trim(sCaption);
        if (!caption.isEmpty())
            setWindowTitle(caption);
        PaintWhite(RE_Text);
    }
    if (YesMaximized)
        Timer1->start();
    return exec() == QDialog::Accepted;
}

void TDlg_Text::Timer1Timer() {
    Timer1->stop();
    setWindowState(windowState() | Qt::WindowMaximized);
}

void TDlg_Text::sb_ToClipboardClick() {
    QCoreApplication::processEvents();
    TWaitCursor wait;
    const QString shown = RE_Text->toPlainText();
    const TStrings lines(shown.isEmpty() ? QStringList() : shown.split(u'\n'));
    QGuiApplication::clipboard()->setText(lines.Text());
}

void TDlg_Text::Btn_Info_FontClick() {
    QFontDialog dialog(RE_Text->font(), this);
    if (dialog.exec() == QDialog::Accepted)
        RE_Text->setFont(dialog.selectedFont());
}

// Sizes go by whole points; a font given in pixels is first expressed in points.
void TDlg_Text::ChangeFontSize(int delta) {
    QFont font = RE_Text->font();
    int points = font.pointSize();
    if (points <= 0)
        points = qRound(font.pixelSize() * 72.0 / RE_Text->logicalDpiY());
    font.setPointSize(qMax(MinFontPoints, points + delta));
    RE_Text->setFont(font);
}

bool View_Text(const QString& sText, const QString& sCaption, const QString& sHead,
               bool YesMaximized) {
    TDlg_Text dialog;
    return dialog.Execute(sText, sCaption, sHead, YesMaximized);
}

bool View_Text(int, const QString& sText, const QString& sCaption, const QString& sHead,
               bool YesMaximized) {
    return View_Text(sText, sCaption, sHead, YesMaximized);
}
