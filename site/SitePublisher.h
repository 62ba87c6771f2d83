#pragma once
// One run of pages: the plan, the links between the pages, each page written on its own
// (from any thread) into the run's batches, then the index. pas2html and the window both
// publish through it, so the same choices and settings give the same pages.

#include "Jobs.h"
#include "PageBatch.h"
#include "PageRecipe.h"
#include "RunOptions.h"
#include "Site.h"
#include "WindowSettings.h"
#include "Xref.h"

#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

class TSitePublisher {
public:
    // Plans the run: every source named or found, with its page, less those whose page could
    // not be written; for the code browser, reads every source on `threads` threads.
    // `batchFailure` receives the message of each batch of pages that could not be replaced,
    // from whichever thread commits it.
    TSitePublisher(const TOptions& options, TWindowSettings settings, int threads,
                   TPageBatch::TLimits limits, std::function<void(const QString&)> batchFailure);
    TSitePublisher(const TSitePublisher&) = delete;
    TSitePublisher& operator=(const TSitePublisher&) = delete;

    const TPlan& Plan() const { return FPlan; }
    // Why the run may not start; empty when it may.
    QString Refusal() const;

    // What the page of plan job `job` is made with: settings, title and extras, its names
    // linked to their declarations through `marks`, which it fills. Asked once per job;
    // `opened` is the source as the page opened it, when it is opened already.
    TPageRecipe RecipeFor(size_t job, TXrefMarks& marks, const struct stat* opened = nullptr);

    // Writes the page of file job `job` from its source; false for a blank source, which
    // gets no page. Raises (Exception with the reason) when the page cannot be written or the
    // source is damaged. Different jobs may be written from several threads at once.
    bool WritePage(size_t job);

    // Replaces the pages written so far; a run that stops early ends with this alone.
    void CommitPages();
    // After the last page: the pages replaced, then what the site holds besides them (the
    // references pages and the symbol index of the code browser, the index, as asked for). Returns
    // a message for each page written with a link to a page that failed, and for each part that
    // could not be written.
    QStringList Finish();

private:
    const TOptions FOptions;
    const TWindowSettings FSettings;
    const TPlan FPlan;
    const TSiteMap FSite;
    std::optional<TXrefRun> FXref;
    // Pages a failed batch left as they were, by name; once the run is over they leave the
    // index and name the pages that link to them.
    std::mutex FNotReplacedMutex;
    QSet<QString> FNotReplaced;
    TPageBatch FBatch;
    std::vector<TPageResult> FResults; // each job fills its own
};

// A damaged binary form still gives its page; the run then reports the source: raises
// Exception naming `source` when `problem` is not empty.
void ReportDamagedForm(const QString& source, const QString& problem);
