#pragma once
// Starting the main window in a program folder of its own and answering its modal boxes, for
// the window's tests.

#include "dwelk_000_lib.h"
#include "dwelk_001_main.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QStringList>
#include <QTemporaryDir>
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

// Answers every message box that comes up while it lives by pressing `answer` (OK unless
// told otherwise; a box without that button is accepted), keeping the texts; any other
// modal dialog is handed to `onDialog`, which may accept it, and is rejected otherwise.
class TModalAnswerer : public QObject {
public:
    explicit TModalAnswerer(std::function<void(QDialog*)> onDialog = {},
                            QMessageBox::StandardButton answer = QMessageBox::Ok)
        : FOnDialog(std::move(onDialog)), FAnswer(answer) {
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
            if (QAbstractButton* button = box->button(FAnswer))
                button->click();
            else
                box->accept();
            return;
        }
        if (FOnDialog)
            FOnDialog(modal);
        if (modal->isVisible())
            modal->reject();
    }

    std::function<void(QDialog*)> FOnDialog;
    QMessageBox::StandardButton FAnswer;
    QTimer FPoll;
    QStringList FTexts;
    QList<QMessageBox::Icon> FIcons;
};

// A stand-in `xdg-open` first on PATH while it lives, recording the arguments of each call.
class TOpenerStandIn {
public:
    TOpenerStandIn() : FOldPath(qgetenv("PATH")) {
        const QString opener = FDir.filePath("xdg-open");
        QFile script(opener);
        if (!script.open(QIODevice::WriteOnly))
            qFatal("cannot write the stand-in opener");
        script.write("#!/bin/sh\nprintf '%s\\n' \"$@\" >> \"$(dirname \"$0\")/log\"\n");
        script.close();
        QFile::setPermissions(opener, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("PATH", FDir.path().toLocal8Bit() + ":" + FOldPath);
    }
    ~TOpenerStandIn() { qputenv("PATH", FOldPath); }
    TOpenerStandIn(const TOpenerStandIn&) = delete;
    TOpenerStandIn& operator=(const TOpenerStandIn&) = delete;

    // One line per argument, in the order of the calls.
    QStringList Opened() const {
        QFile log(FDir.filePath("log"));
        if (!log.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(log.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

private:
    QTemporaryDir FDir;
    QByteArray FOldPath;
};
