#pragma once
// Small builders for the window's controls: every control gets its object name, panels
// their fixed heights and bevels, picture buttons their two-state pictures and hints.

#include <QColor>
#include <QFont>
#include <QString>
#include <Qt>

class QFrame;
class QHBoxLayout;
class QSplitter;
class QTabWidget;
class QVBoxLayout;
class QLabel;
class QToolButton;
class QWidget;

// Lets the window handle what is pending (paints, timer ticks, input) before a handler's work.
void ProcessMessages();

QFont Tahoma(int pixelSize);
QFont CourierNew(int pixelSize);

// Yellow marks an editor or an edit whose content is not stored yet.
inline const QColor clYellow{255, 255, 0};
QColor clBtnFace();
QColor clWindow();
QColor clInfoBk();

// A panel; a positive `height` fixes its height; `lowered` draws a sunken bevel.
QFrame* NewPanel(QWidget* parent, const QString& name, int height, bool lowered);

// A picture button `size` pixels square with the pictures ":/icons/<picture>.png" (normal)
// and ":/icons/<picture>_disabled.png" (disabled), each with its "@2x" twin for scaled
// screens, and the hint `hint`.
QToolButton* NewPictureButton(QWidget* parent, const QString& name, const QString& picture,
                              const QString& hint, int size);

// The label of two blanks that separates two buttons in a row.
QLabel* NewSpacer(QWidget* parent);

// The background of a panel, or the base of an edit, in `color`.
void SetPanelColor(QWidget* panel, const QColor& color);
QColor PanelColor(const QWidget* panel);
void SetEditColor(QWidget* edit, const QColor& color);
QColor EditColor(const QWidget* edit);

// Layouts without margins between the controls of a panel.
QHBoxLayout* RowLayout(QWidget* panel);
QVBoxLayout* ColumnLayout(QWidget* panel);

// A silver resize bar 3 pixels wide between the widgets added to it.
QSplitter* NewSplitter(QWidget* parent, const QString& name, Qt::Orientation orientation);

// A new page of `pages`.
QWidget* NewPage(QTabWidget* pages, const QString& name, const QString& caption);
