// Converting the selected file, or every file of the list, into HTML pages beside them,
// with the tag set and the fragments of the settings pages.

#include "FileBrowserLists.h"
#include "MessageBoxes.h"
#include "THtmlEdit.h"
#include "WaitCursor.h"
#include "WebBrowser.h"
#include "WidgetKit.h"
#include "WindowSettings.h"
#include "__pas2html.h"
#include "__sys.h"
#include "dwelk_001_main.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QFrame>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QSignalBlocker>
#include <QToolButton>
#include <optional>

bool TfMain::FileConvertToHTML(const QString& fn, const QString& fnHTM) {
    return FileConvertToHTML(fn, fnHTM, fSettings);
}

bool TfMain::FileConvertToHTML(const QString& fn, const QString& fnHTM,
                               const TWindowSettings& parts) {
    return FilePas_2_FileHtml(fn, fnHTM, TitleFromFileName(fn), &parts.Attr, parts.AfterOrNull(),
                              parts.EndBeforeOrNull(), true);
}

void TfMain::btn_File_ToHtmlClick() {
    ProcessMessages();
    if (cb_WebBr_Show->isChecked())
        WebBr->SetBrowserVisible(false);
    const QString path = SelectedFile();
    if (!FileExists(path))
        return;
    std::optional<TWaitCursor> busy(std::in_place);
    const QString fnHTM = fnHTML_999_Get(path);
    if (fnHTM.isEmpty()) {
        busy.reset();
        ShowMessage(this, QStringLiteral("Ошибка! Файлы этого типа НЕ конвертируются"));
        return;
    }
    FileConvertToHTML(path, fnHTM);
    if (!FileExists(fnHTM)) {
        busy.reset();
        ShowMessage(this, QStringLiteral("Ошибка! HTML-файл не найден"));
        return;
    }
    // The question waits for the user, so the hourglass goes first.
    if (!WebBr_Show(fnHTM) && cb_YesQuery_before_Open->isChecked()) {
        busy.reset();
        if (AskOkCancel(this, QStringLiteral("Желате посмотреть результат?")))
            File_OpenForView(fnHTM, nullptr, SW_SHOWMAXIMIZED, true);
    }
}

// One run at a time: the window stays live during a run, so the button could be pressed
// again from a processed message.
void TfMain::btn_Files_ToHtmlClick() {
    ProcessMessages();
    if (fRunActive || FLB->count() == 0)
        return;
    if (!AskOkCancel(this,
                     QStringLiteral("Желаете конвертировать в HTML-формат все файлы из списка?")))
        return;
    cb_WebBr_Show->setChecked(false);
    ProcessMessages();
    BeginRun(FLB->count(), true);
    try {
        ConvertList();
    } catch (...) {
        EndRun();
        FLB_Read();
        throw;
    }
    EndRun();
    if (fCloseAfterRun) {
        close();
        return;
    }
    FLB_Read();
}

// Walks down the list, the selection visibly following, until the end, a missing page or
// the user's stop. The settings are taken once for the run.
void TfMain::ConvertList() {
    std::optional<TWaitCursor> busy(std::in_place);
    const TWindowSettings parts = fSettings;
    bool successful = true;
    QElapsedTimer sinceEvents;
    for (int i = 0; i < FLB->count(); ++i) {
        {
            const QSignalBlocker quiet(FLB);
            FLB->setCurrentRow(i);
        }
        ProgressBar_Run->setMaximum(FLB->count());
        if (RunLooksUp(i + 1, sinceEvents)) {
            successful = false;
            busy.reset();
            // A run stopped by closing the window ends without a word.
            if (!fCloseAfterRun)
                ShowMessage(this, QStringLiteral("Останов!"));
            break;
        }
        const QString path = SelectedFile();
        if (!FileExists(path))
            continue;
        const QString fnHTM = fnHTML_999_Get(path);
        if (fnHTM.isEmpty())
            continue;
        FileConvertToHTML(path, fnHTM, parts);
        if (!FileExists(fnHTM)) {
            successful = false;
            busy.reset();
            ShowMessage(this, QStringLiteral("Ошибка! HTML-файл не найден"));
            if (!fCloseAfterRun)
                ShowMessage(this, QStringLiteral("Останов!"));
            break;
        }
    }
    if (successful) {
        // The bar is brought up to date only now and then during the run.
        ProgressBar_Run->setValue(ProgressBar_Run->maximum());
        busy.reset();
        ShowMessage(this, QStringLiteral("Готово!"));
    }
}

void TfMain::StopListRun() {
    fRunStop = true;
}

void TfMain::BeginRun(int files, bool followsList) {
    fRunActive = true;
    fRunStop = false;
    fRunFollowsList = followsList;
    Panel_File_Ctrl->setEnabled(false);
    ProgressBar_Run->setRange(0, files);
    ProgressBar_Run->setValue(0);
    ProgressBar_Run->show();
    btn_Run_Stop->show();
}

void TfMain::EndRun() {
    fRunActive = false;
    ProgressBar_Run->hide();
    btn_Run_Stop->hide();
    Panel_File_Ctrl->setEnabled(true);
}

// The window paints and takes input a bounded number of times a second rather than after
// every file, so many small files go at the converter's pace while the run stays visible
// and can be stopped; the first file always looks.
bool TfMain::RunLooksUp(int fileInHand, QElapsedTimer& sinceEvents) {
    constexpr qint64 EventsEveryMs = 40;
    if (sinceEvents.isValid() && sinceEvents.elapsed() < EventsEveryMs)
        return false;
    ProgressBar_Run->setValue(fileInHand);
    ProcessMessages();
    sinceEvents.start();
    return fRunStop;
}

void TfMain::closeEvent(QCloseEvent* event) {
    if (fRunActive) {
        fCloseAfterRun = true;
        fRunStop = true;
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}
