#pragma once
// The memo's search dialog: one line for the text to find, Search and Cancel. Enter
// anywhere in it searches, Esc cancels.

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

class TSynMemoSearch : public QDialog {
    Q_OBJECT

public:
    explicit TSynMemoSearch(QWidget* parent = nullptr);

    QLabel* Label1;
    QLineEdit* Edit1;
    QPushButton* Search;
    QPushButton* Button1;

protected:
    // Sees the keys of every control first, as the form's key preview does.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool FormKeyPress(const QKeyEvent& event);
};

// The search dialog while a memo shows it, otherwise null.
extern TSynMemoSearch* SynMemoSearch;
