#include "PublishDialog.h"

#include "Trim.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QCheckBox* NewCheckBox(QWidget* parent, const QString& name, const QString& caption, bool on) {
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(name);
    box->setChecked(on);
    return box;
}

} // namespace

TPublishDialog::TPublishDialog(const QString& source, const TPublishChoices& choices,
                               QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("fPublish"));
    setWindowTitle(QStringLiteral("Опубликовать папку как сайт"));

    Edit_Source = new QLineEdit(source, this);
    Edit_Source->setObjectName(QStringLiteral("Edit_Source"));
    Edit_Source->setReadOnly(true);
    Edit_Source->setToolTip(QStringLiteral("Публикуются все файлы папки и вложенных папок"));
    Edit_Output = new QLineEdit(choices.Output, this);
    Edit_Output->setObjectName(QStringLiteral("Edit_Output"));
    sb_Output_Browse = new QToolButton(this);
    sb_Output_Browse->setObjectName(QStringLiteral("sb_Output_Browse"));
    sb_Output_Browse->setText(QStringLiteral("…"));
    sb_Output_Browse->setToolTip(QStringLiteral("Выбрать папку для страниц"));
    auto* outputRow = new QHBoxLayout;
    outputRow->addWidget(Edit_Output, 1);
    outputRow->addWidget(sb_Output_Browse);

    cb_Index =
        NewCheckBox(this, QStringLiteral("cb_Index"), QStringLiteral("Указатель"), choices.Index);
    cb_LineNumbers = NewCheckBox(this, QStringLiteral("cb_LineNumbers"),
                                 QStringLiteral("Номера строк"), choices.LineNumbers);
    cb_LinkUnits = NewCheckBox(this, QStringLiteral("cb_LinkUnits"),
                               QStringLiteral("Ссылки между модулями"), choices.LinkUnits);
    cb_CrossReferences =
        NewCheckBox(this, QStringLiteral("cb_CrossReferences"),
                    QStringLiteral("Перекрёстные ссылки"), choices.CrossReferences);

    Buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    Buttons->setObjectName(QStringLiteral("Buttons"));
    Buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Опубликовать"));
    Buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Отмена"));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Папка с исходными файлами:"), Edit_Source);
    form->addRow(QStringLiteral("Папка для страниц:"), outputRow);
    auto* column = new QVBoxLayout(this);
    column->addLayout(form);
    for (QCheckBox* box : {cb_Index, cb_LineNumbers, cb_LinkUnits, cb_CrossReferences})
        column->addWidget(box);
    column->addStretch();
    column->addWidget(Buttons);
    resize(560, sizeHint().height());

    connect(Buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(Buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(sb_Output_Browse, &QToolButton::clicked, this, [this] { sb_Output_BrowseClick(); });
    connect(Edit_Output, &QLineEdit::textChanged, this, [this] { UpdateOkButton(); });
    UpdateOkButton();
    Edit_Output->setFocus();
}

TPublishChoices TPublishDialog::Choices() const {
    return {Trim(Edit_Output->text()), cb_Index->isChecked(), cb_LineNumbers->isChecked(),
            cb_LinkUnits->isChecked(), cb_CrossReferences->isChecked()};
}

void TPublishDialog::sb_Output_BrowseClick() {
    const QString folder = QFileDialog::getExistingDirectory(
        this, QStringLiteral("Папка для страниц"), Trim(Edit_Output->text()));
    if (!folder.isEmpty())
        Edit_Output->setText(folder);
}

// Pages need a folder to go to.
void TPublishDialog::UpdateOkButton() {
    Buttons->button(QDialogButtonBox::Ok)->setEnabled(!Trim(Edit_Output->text()).isEmpty());
}
