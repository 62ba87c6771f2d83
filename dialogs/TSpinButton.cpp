#include "TSpinButton.h"

#include <QToolButton>
#include <QVBoxLayout>

namespace {

QToolButton* ArrowButton(Qt::ArrowType arrow, const QString& name, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setArrowType(arrow);
    button->setAutoRepeat(true);
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    return button;
}

} // namespace

TSpinButton::TSpinButton(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* up = ArrowButton(Qt::UpArrow, QStringLiteral("UpButton"), this);
    auto* down = ArrowButton(Qt::DownArrow, QStringLiteral("DownButton"), this);
    layout->addWidget(up);
    layout->addWidget(down);
    connect(up, &QToolButton::clicked, this, &TSpinButton::UpClick);
    connect(down, &QToolButton::clicked, this, &TSpinButton::DownClick);
}
