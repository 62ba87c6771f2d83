#include "WidgetKit.h"

#include <QApplication>
#include <QBoxLayout>
#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPalette>
#include <QSplitter>
#include <QTabWidget>
#include <QToolButton>

namespace {

QFont FontOf(const QString& family, QFont::StyleHint hint, int pixelSize) {
    QFont font(family);
    font.setStyleHint(hint);
    font.setPixelSize(pixelSize);
    return font;
}

// A bar painted silver by itself: a style sheet on the splitter would do it too, but would
// also stop the fonts of the widgets inside from following their parents'.
class TSilverHandle : public QSplitterHandle {
public:
    using QSplitterHandle::QSplitterHandle;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter(this).fillRect(rect(), QColor(192, 192, 192));
    }
};

class TSilverSplitter : public QSplitter {
public:
    using QSplitter::QSplitter;

protected:
    QSplitterHandle* createHandle() override { return new TSilverHandle(orientation(), this); }
};

} // namespace

void ProcessMessages() {
    QCoreApplication::processEvents();
}

QFont Tahoma(int pixelSize) {
    return FontOf(QStringLiteral("Tahoma"), QFont::SansSerif, pixelSize);
}

QFont CourierNew(int pixelSize) {
    return FontOf(QStringLiteral("Courier New"), QFont::Monospace, pixelSize);
}

QColor clBtnFace() {
    return QApplication::palette().color(QPalette::Button);
}

QColor clWindow() {
    return QApplication::palette().color(QPalette::Base);
}

QColor clInfoBk() {
    return QApplication::palette().color(QPalette::ToolTipBase);
}

QFrame* NewPanel(QWidget* parent, const QString& name, int height, bool lowered) {
    auto* panel = new QFrame(parent);
    panel->setObjectName(name);
    if (height > 0)
        panel->setFixedHeight(height);
    if (lowered)
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    return panel;
}

QToolButton* NewPictureButton(QWidget* parent, const QString& name, const QString& picture,
                              const QString& hint, int size) {
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    QIcon icon;
    for (const auto& [suffix, mode] : {std::pair{QStringLiteral(""), QIcon::Normal},
                                       std::pair{QStringLiteral("_disabled"), QIcon::Disabled}}) {
        const QString file = QStringLiteral(":/icons/%1%2").arg(picture, suffix);
        icon.addFile(file + QStringLiteral(".png"), QSize(16, 16), mode);
        icon.addFile(file + QStringLiteral("@2x.png"), QSize(32, 32), mode);
    }
    button->setIcon(icon);
    button->setIconSize(QSize(16, 16));
    button->setToolTip(hint);
    button->setAutoRaise(true);
    button->setFixedSize(size, size);
    return button;
}

QLabel* NewSpacer(QWidget* parent) {
    return new QLabel(QStringLiteral("  "), parent);
}

void SetPanelColor(QWidget* panel, const QColor& color) {
    QPalette palette = panel->palette();
    palette.setColor(QPalette::Window, color);
    panel->setPalette(palette);
    panel->setAutoFillBackground(true);
}

QColor PanelColor(const QWidget* panel) {
    return panel->palette().color(QPalette::Window);
}

void SetEditColor(QWidget* edit, const QColor& color) {
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Base, color);
    edit->setPalette(palette);
}

QColor EditColor(const QWidget* edit) {
    return edit->palette().color(QPalette::Base);
}

QHBoxLayout* RowLayout(QWidget* panel) {
    auto* row = new QHBoxLayout(panel);
    row->setContentsMargins(1, 1, 1, 1);
    row->setSpacing(0);
    return row;
}

QVBoxLayout* ColumnLayout(QWidget* panel) {
    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    return column;
}

QSplitter* NewSplitter(QWidget* parent, const QString& name, Qt::Orientation orientation) {
    auto* splitter = new TSilverSplitter(orientation, parent);
    splitter->setObjectName(name);
    splitter->setChildrenCollapsible(false);
    splitter->setHandleWidth(3);
    return splitter;
}

QWidget* NewPage(QTabWidget* pages, const QString& name, const QString& caption) {
    auto* page = new QWidget(pages);
    page->setObjectName(name);
    pages->addTab(page, caption);
    return page;
}
