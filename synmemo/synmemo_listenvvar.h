#pragma once
// Unit synmemo_listenvvar: a modal list of Name=Value lines from which the user picks a
// variable name.

#include <QDialog>
#include <QString>

class QFrame;
class QListWidget;
class QPushButton;
class TStrings;

class Tfrm_sel_from_list : public QDialog {
    Q_OBJECT

public:
    explicit Tfrm_sel_from_list(QWidget* parent = nullptr);

    // Shows the lines (none when List is null) with the line named nVal selected; true when
    // the user chose a line with a name. Shows nothing for an empty list.
    bool Execute(const TStrings* List, const QString& nVal);

    QString fValName;
    QFrame* Panel2;
    QListWidget* ListBox1;
    QFrame* Panel1;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;

private:
    void ListBox1DblClick();
    QString SelectedName() const;
};

// The name the user chose from List, trimmed; empty when cancelled or nothing was chosen.
QString Sel_From_List(const TStrings* List, const QString& nVal);
