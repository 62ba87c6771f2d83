#pragma once
// A modal window that shows a longer text with a heading, read-only and wrapped; the text
// can be copied to the clipboard and shown in another font or size.

#include <QDialog>

class QAction;
class QLabel;
class QMenuBar;
class QPlainTextEdit;
class QPushButton;
class QTimer;
class QToolButton;
class TSpinButton;

class TDlg_Text : public QDialog {
    Q_OBJECT

public:
    explicit TDlg_Text(QWidget* parent = nullptr);

    // Fills the window and shows it modally; true when it was closed with OK. With
    // YesMaximized the window opens at its own size and is maximised a moment later.
    bool Execute(const QString& sText, const QString& sCaption, const QString& sHead,
                 bool YesMaximized);

private:
    void BuildMenu();
    QWidget* BuildToolRow();
    QWidget* BuildButtonRow();

    void Timer1Timer();
    void sb_ToClipboardClick();
    void Btn_Info_FontClick();
    void ChangeFontSize(int delta);

    QMenuBar* MainMenu1;
    QLabel* Label_Head;
    QToolButton* sb_ToClipboard;
    QToolButton* sb_FromClipboard;
    QToolButton* Btn_Info_Font;
    TSpinButton* SpinButton2;
    QPlainTextEdit* RE_Text;
    QPushButton* OKBtn;
    QTimer* Timer1;
};

// Shows `sText` read-only in a TDlg_Text created for this one call; true when closed with OK.
bool View_Text(const QString& sText, const QString& sCaption, const QString& sHead,
               bool YesMaximized);
// The same; `iFixParam` is ignored and only tells this form of the call from the other.
bool View_Text(int iFixParam, const QString& sText, const QString& sCaption, const QString& sHead,
               bool YesMaximized);
