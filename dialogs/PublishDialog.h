#pragma once
// The dialog that publishes a folder as a site: the folder it publishes (subfolders
// included), the folder the pages go to, and what the site holds besides its pages.

#include <QDialog>
#include <QString>

class QCheckBox;
class QDialogButtonBox;
class QLineEdit;
class QToolButton;

// What one publishing is asked to do; the defaults are a first publishing's.
struct TPublishChoices {
    QString Output;
    bool Index = true;
    bool LineNumbers = true;
    bool LinkUnits = true;
    bool CrossReferences = true;
};

class TPublishDialog : public QDialog {
    Q_OBJECT

public:
    TPublishDialog(const QString& source, const TPublishChoices& choices, QWidget* parent);

    // The choices as the dialog shows them, the output folder trimmed.
    TPublishChoices Choices() const;

private:
    void sb_Output_BrowseClick();
    void UpdateOkButton();

    QLineEdit* Edit_Source;
    QLineEdit* Edit_Output;
    QToolButton* sb_Output_Browse;
    QCheckBox* cb_Index;
    QCheckBox* cb_LineNumbers;
    QCheckBox* cb_LinkUnits;
    QCheckBox* cb_CrossReferences;
    QDialogButtonBox* Buttons;
};
