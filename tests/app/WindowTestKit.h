#pragma once
// Starting the main window in a program folder of its own and answering its modal boxes, for
// the window's tests.

#include "dwelk_000_lib.h"
#include "dwelk_001_main.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QStringList>
#include <QTimer>
#include <QtTest>
#include <memory>

// Creates the window and waits until its first timer tick has done the start-up work.
inline std::unique_ptr<TfMain> StartWindow() {
    auto window = std::make_unique<TfMain>();
    window->show();
    if (!QTest::qWaitFor([&] { return !window->ItsFirst(); }))
        qFatal("the window did not finish starting");
    return window;
}

template <class T> T* Control(QWidget* window, const char* name) {
    T* control = window->findChild<T*>(QString::fromLatin1(name));
    if (!control)
        qFatal("no control %s", name);
    return control;
}

// Answers every message box that comes up while it lives with OK, keeping the texts, and
// closes any other modal dialog after handing it to `onDialog`.
class TModalAnswerer : public QObject {
public:
    explicit TModalAnswerer(std::function<void(QDialog*)> onDialog = {})
        : FOnDialog(std::move(onDialog)) {
        connect(&FPoll, &QTimer::timeout, this, [this] { Answer(); });
        FPoll.start(10);
    }
    const QStringList& Texts() const { return FTexts; }
    const QList<QMessageBox::Icon>& Icons() const { return FIcons; }

private:
    void Answer() {
        auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!modal)
            return;
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            FTexts << box->text();
            FIcons << box->icon();
            box->accept();
            return;
        }
        if (FOnDialog)
            FOnDialog(modal);
        modal->reject();
    }

    std::function<void(QDialog*)> FOnDialog;
    QTimer FPoll;
    QStringList FTexts;
    QList<QMessageBox::Icon> FIcons;
};
