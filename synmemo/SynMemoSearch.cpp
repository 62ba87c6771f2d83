#include "SynMemoSearch.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

TSynMemoSearch* SynMemoSearch = nullptr;

TSynMemoSearch::TSynMemoSearch(QWidget* parent) : QDialog(parent, Qt::Tool) {
    setObjectName(QStringLiteral("SynMemoSearch"));
    setWindowTitle(QStringLiteral("Search"));
    QFont tahoma(QStringLiteral("Tahoma"));
    tahoma.setPixelSize(11);
    setFont(tahoma);
    setFixedSize(243, 50);

    Label1 = new QLabel(QStringLiteral("Text to find"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(6, 7, 69, 13);

    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setGeometry(80, 4, 156, 21);

    Search = new QPushButton(QStringLiteral("Search"), this);
    Search->setObjectName(QStringLiteral("Search"));
    Search->setGeometry(111, 31, 58, 17);
    Search->setAutoDefault(false);
    connect(Search, &QPushButton::clicked, this, &QDialog::accept);

    Button1 = new QPushButton(QStringLiteral("Cancel"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(175, 31, 61, 17);
    Button1->setAutoDefault(false);
    connect(Button1, &QPushButton::clicked, this, &QDialog::reject);

    for (QWidget* control : {static_cast<QWidget*>(Edit1), static_cast<QWidget*>(Search),
                             static_cast<QWidget*>(Button1)})
        control->installEventFilter(this);
    installEventFilter(this);
    Edit1->setFocus();

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

bool TSynMemoSearch::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && FormKeyPress(*static_cast<QKeyEvent*>(event)))
        return true;
    return QDialog::eventFilter(watched, event);
}

bool TSynMemoSearch::FormKeyPress(const QKeyEvent& event) {
    if (event.key() != Qt::Key_Return && event.key() != Qt::Key_Enter)
        return false;
    accept();
    return true;
}
