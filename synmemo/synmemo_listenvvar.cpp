#include "synmemo_listenvvar.h"

#include "TStrings.h"
#include "Trim.h"

#include <QFrame>
#include <QGuiApplication>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace {

// The part before the first "="; a line without one has no name.
QString NamePart(const QString& line) {
    const qsizetype eq = line.indexOf(u'=');
    return eq < 0 ? QString() : line.first(eq);
}

QFrame* LoweredPanel(const QString& name, QWidget* parent) {
    auto* panel = new QFrame(parent);
    panel->setObjectName(name);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    return panel;
}

} // namespace

Tfrm_sel_from_list::Tfrm_sel_from_list(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("frm_sel_from_list"));
    setWindowTitle(QStringLiteral("Выбрать переменную окружения"));
    resize(423, 214);

    Panel2 = LoweredPanel(QStringLiteral("Panel2"), this);
    ListBox1 = new QListWidget(Panel2);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setUniformItemSizes(true);
    auto* listLayout = new QVBoxLayout(Panel2);
    listLayout->setContentsMargins(1, 1, 1, 1);
    listLayout->addWidget(ListBox1);
    connect(ListBox1, &QListWidget::itemDoubleClicked, this, &Tfrm_sel_from_list::ListBox1DblClick);

    Panel1 = LoweredPanel(QStringLiteral("Panel1"), this);
    Panel1->setFixedHeight(29);
    OKBtn = new QPushButton(QStringLiteral("OK"), Panel1);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setGeometry(7, 2, 50, 25);
    OKBtn->setDefault(true);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    CancelBtn = new QPushButton(QStringLiteral("Cancel"), Panel1);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    CancelBtn->setGeometry(63, 2, 66, 25);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Panel2);
    layout->addWidget(Panel1);

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

QString Tfrm_sel_from_list::SelectedName() const {
    const QListWidgetItem* item = ListBox1->currentItem();
    return item && item->isSelected() ? Trim(NamePart(item->text())) : QString();
}

bool Tfrm_sel_from_list::Execute(const TStrings* List, const QString& nVal) {
    fValName.clear();
    ListBox1->clear();
    if (List)
        ListBox1->addItems(List->Lines());
    if (ListBox1->count() == 0)
        return false;
    const QString preset = Trim(nVal);
    if (!preset.isEmpty() && List) {
        const qsizetype row = List->IndexOfName(preset);
        if (row >= 0)
            ListBox1->setCurrentRow(int(row));
    }
    if (exec() != QDialog::Accepted)
        return false;
    fValName = SelectedName();
    return !fValName.isEmpty();
}

void Tfrm_sel_from_list::ListBox1DblClick() {
    fValName = SelectedName();
    if (!fValName.isEmpty())
        OKBtn->click();
}

QString Sel_From_List(const TStrings* List, const QString& nVal) {
    Tfrm_sel_from_list form;
    return form.Execute(List, nVal) ? Trim(form.fValName) : QString();
}
