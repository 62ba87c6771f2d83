#pragma once
// Starting the main window in a program folder of its own and answering its modal boxes, for
// the window's tests.

#include "__files.h"
#include "dwelk_000_lib.h"
#include "dwelk_001_main.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QMessageBox>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <memory>

// How long a wait for the web view may take before the test fails. Loads finish as soon as they
// can; this only bounds a load that never comes, so it is generous for a loaded machine, where
// the web engine's first start alone can take several seconds.
constexpr int kWebWait = 120000;

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
// told otherwise; a box without that button is accepted, or, given `buttonName`, its button
// of that object name is pressed), keeping the texts; any other modal dialog is handed to
// `onDialog`, which may accept it, and is rejected otherwise.
class TModalAnswerer : public QObject {
public:
    explicit TModalAnswerer(std::function<void(QDialog*)> onDialog = {},
                            QMessageBox::StandardButton answer = QMessageBox::Ok,
                            QString buttonName = {})
        : FOnDialog(std::move(onDialog)), FAnswer(answer), FButtonName(std::move(buttonName)) {
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
            auto* named =
                FButtonName.isEmpty() ? nullptr : box->findChild<QAbstractButton*>(FButtonName);
            if (named)
                named->click();
            else if (QAbstractButton* button = box->button(FAnswer))
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
    QString FButtonName;
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

// A program folder of its own with a folder of sources "src" in it, remembered as the
// browser's folder so that the window opens there.
class TSourcesFolder {
public:
    TSourcesFolder() {
        SetMainDir(FDir.path());
        QDir().mkpath(Src());
    }
    QString Src(const QString& name = {}) const { return FDir.filePath("src/" + name); }
    std::unique_ptr<TfMain> StartWindow() const {
        PutToINI_StringParam(fnINI(), "FILES", "Dir", Src());
        return ::StartWindow();
    }
    QString Path() const { return FDir.path(); }

private:
    QTemporaryDir FDir;
};

// Chooses entry `index` of the file-type filter as a user does.
inline void ChooseFilter(QWidget* window, int index) {
    auto* fcb = Control<QComboBox>(window, "FCB");
    fcb->setCurrentIndex(index);
    emit fcb->activated(index);
}

// The file list's entry `name`, scrolled into view.
inline QListWidgetItem* FileEntry(QWidget* window, const QString& name) {
    auto* flb = Control<QListWidget>(window, "FLB");
    const QList<QListWidgetItem*> found = flb->findItems(name, Qt::MatchExactly);
    if (found.size() != 1)
        qFatal("no single file entry %s", qPrintable(name));
    flb->scrollToItem(found[0]);
    return found[0];
}

inline void ClickFile(QWidget* window, const QString& name) {
    auto* flb = Control<QListWidget>(window, "FLB");
    const QPoint at = flb->visualItemRect(FileEntry(window, name)).center();
    QTest::mouseClick(flb->viewport(), Qt::LeftButton, {}, at);
}

inline void DoubleClickFile(QWidget* window, const QString& name) {
    auto* flb = Control<QListWidget>(window, "FLB");
    const QPoint at = flb->visualItemRect(FileEntry(window, name)).center();
    QTest::mouseClick(flb->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(flb->viewport(), Qt::LeftButton, {}, at);
}

inline QStringList FileNames(QWidget* window) {
    auto* flb = Control<QListWidget>(window, "FLB");
    QStringList names;
    for (int i = 0; i < flb->count(); ++i)
        names << flb->item(i)->text();
    return names;
}
