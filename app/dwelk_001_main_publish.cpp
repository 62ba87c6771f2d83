// Publishing the browsed folder, subfolders included, as a site: the window's own tag set,
// fragments and page names, through the same run of pages as pas2html --settings; the
// progress, stop and closing of a whole-list run; a report, and the site opened.

#include "Exception.h"
#include "MessageBoxes.h"
#include "PublishDialog.h"
#include "SitePublisher.h"
#include "SourceTypes.h"
#include "WaitCursor.h"
#include "WebBrowser.h"
#include "WidgetKit.h"
#include "WindowSettings.h"
#include "__files.h"
#include "__sys.h"
#include "dwelk_000_lib.h"
#include "dwelk_001_main.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QThread>
#include <optional>

namespace {

// Reasons listed in the report itself; the rest are behind its details button.
constexpr qsizetype ReasonsShown = 10;

} // namespace

TPublishChoices TfMain::ReadPublishChoices() const {
    using namespace SettingsKey;
    const TIniFileValues sets(fnINI());
    TPublishChoices choices;
    choices.Output = sets.StringParamDef(PUBLISH, Output, {}, true);
    choices.Index = sets.BooleanParamDef(PUBLISH, Index, choices.Index);
    choices.LineNumbers = sets.BooleanParamDef(PUBLISH, LineNumbers, choices.LineNumbers);
    choices.LinkUnits = sets.BooleanParamDef(PUBLISH, LinkUnits, choices.LinkUnits);
    choices.CrossReferences =
        sets.BooleanParamDef(PUBLISH, CrossReferences, choices.CrossReferences);
    return choices;
}

void TfMain::StorePublishChoices(const TPublishChoices& choices) {
    using namespace SettingsKey;
    PutToINI_StringParamW(fnINI(), PUBLISH, Output, choices.Output);
    PutToINI_BooleanParamW(fnINI(), PUBLISH, Index, choices.Index);
    PutToINI_BooleanParamW(fnINI(), PUBLISH, LineNumbers, choices.LineNumbers);
    PutToINI_BooleanParamW(fnINI(), PUBLISH, LinkUnits, choices.LinkUnits);
    PutToINI_BooleanParamW(fnINI(), PUBLISH, CrossReferences, choices.CrossReferences);
}

void TfMain::btn_PublishClick() {
    ProcessMessages();
    if (fRunActive)
        return;
    const QString source = fDLB_Dir;
    TPublishDialog dialog(source, ReadPublishChoices(), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    TPublishChoices choices = dialog.Choices();
    // A relative output folder is taken from the published folder.
    choices.Output = QDir::cleanPath(QDir(source).absoluteFilePath(choices.Output));
    StorePublishChoices(choices);
    PublishFolder(source, choices);
}

void TfMain::PublishFolder(const QString& source, const TPublishChoices& choices) {
    TOptions options;
    options.Sources = {source};
    options.Types = SourceTypeNames();
    options.Output = choices.Output;
    // Refusals name the choice they concern as the dialog shows it.
    options.OutputOption = QStringLiteral("Папка для страниц");
    options.IndexOption = QStringLiteral("Указатель");
    options.Index = choices.Index;
    options.LineNumbers = choices.LineNumbers;
    options.LineAnchors = choices.LineNumbers;
    options.LinkUnits = choices.LinkUnits;
    options.Xref = choices.CrossReferences;
    std::optional<TWaitCursor> busy(std::in_place);
    QElapsedTimer clock;
    clock.start();
    TPublishReport report;
    // Pages go in batches; a batch that cannot be replaced is named in the report.
    TSitePublisher publisher(options, fSettings, QThread::idealThreadCount(), {},
                             [&report](const QString& message) { report.Refused << message; });
    if (const QString refusal = publisher.Refusal(); !refusal.isEmpty()) {
        busy.reset();
        ShowMessage(this, refusal);
        return;
    }
    const TPlan& plan = publisher.Plan();
    report.Refused << plan.Errors;
    BeginRun(int(plan.Jobs.size()), false);
    try {
        QElapsedTimer sinceEvents;
        for (size_t i = 0; i < plan.Jobs.size(); ++i) {
            report.Stopped = RunLooksUp(int(i + 1), sinceEvents);
            if (report.Stopped)
                break;
            try {
                if (publisher.WritePage(i))
                    ++report.Written;
            } catch (const Exception& e) {
                report.Refused << e.Message();
            }
        }
        if (report.Stopped) {
            // The pages written so far are put in place, without an index.
            publisher.CommitPages();
        } else {
            ProgressBar_Run->setValue(ProgressBar_Run->maximum());
            report.Refused << publisher.Finish();
        }
    } catch (...) {
        EndRun();
        throw;
    }
    EndRun();
    busy.reset();
    // A publishing stopped by closing the window ends without a word.
    if (fCloseAfterRun) {
        close();
        return;
    }
    report.Seconds = double(clock.elapsed()) / 1000;
    const QString index = QDir(choices.Output).filePath(QStringLiteral("index.htm"));
    report.Index =
        choices.Index && !report.Stopped && QFileInfo(index).isFile() ? index : QString();
    report.Output = choices.Output;
    ReportPublishing(report);
}

// Pages written, pages refused and why, the time; then the site opened where the user wants.
void TfMain::ReportPublishing(const TPublishReport& report) {
    QMessageBox box(QMessageBox::Information, QStringLiteral("Публикация"), {},
                    QMessageBox::NoButton, this);
    box.setObjectName(QStringLiteral("PublishReport"));
    QStringList lines;
    if (report.Stopped)
        lines << QStringLiteral("Останов!");
    lines << QStringLiteral("Записано страниц: %1").arg(report.Written)
          << QStringLiteral("Не записано: %1").arg(report.Refused.size())
          << QStringLiteral("Время: %1 с").arg(QLocale().toString(report.Seconds, 'f', 1));
    lines << QString()
          << (report.Index.isEmpty() ? QStringLiteral("Открыть папку со страницами?")
                                     : QStringLiteral("Открыть указатель?"));
    box.setText(lines.join(u'\n'));
    if (!report.Refused.isEmpty()) {
        box.setInformativeText(
            report.Refused.first(std::min(report.Refused.size(), ReasonsShown)).join(u'\n'));
        if (report.Refused.size() > ReasonsShown)
            box.setDetailedText(report.Refused.join(u'\n'));
    }
    QPushButton* preview = box.addButton(QStringLiteral("В просмотре"), QMessageBox::AcceptRole);
    preview->setObjectName(QStringLiteral("btn_OpenInPreview"));
    QPushButton* browser = box.addButton(QStringLiteral("В браузере"), QMessageBox::AcceptRole);
    browser->setObjectName(QStringLiteral("btn_OpenInBrowser"));
    box.addButton(QMessageBox::Close);
    box.setDefaultButton(preview);
    box.exec();
    if (box.clickedButton() == preview)
        OpenSiteInPreview(report);
    else if (box.clickedButton() == browser)
        File_OpenForView(report.Index.isEmpty() ? report.Output : report.Index, nullptr,
                         SW_SHOWMAXIMIZED, true);
}

// The index in the preview, which may then follow links all over the published folder; without
// an index, the published folder in the file browser with its pages listed.
void TfMain::OpenSiteInPreview(const TPublishReport& report) {
    pcMain->setCurrentWidget(tsFiles);
    pcFiles->setCurrentWidget(tsFile);
    if (report.Index.isEmpty()) {
        MoveBrowserTo(report.Output);
        FCB->setCurrentIndex(FCB->findData(QStringLiteral("*.htm*")));
        FCBChange();
    }
    cb_WebBr_Show->setChecked(true);
    if (!report.Index.isEmpty()) {
        WebBr->SetBrowserVisible(true);
        WebBr->Navigate(report.Index, report.Output);
    }
}
