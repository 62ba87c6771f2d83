#pragma once
// A pair of small up and down arrow buttons stacked on each other.

#include <QWidget>

class TSpinButton : public QWidget {
    Q_OBJECT

public:
    explicit TSpinButton(QWidget* parent = nullptr);

signals:
    void UpClick();
    void DownClick();
};
