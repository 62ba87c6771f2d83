#pragma once
// Which pages to write: every source named or found in a named folder, and its page.

#include "Options.h"
#include "PageTarget.h"
#include "WindowSettings.h"

#include <QString>
#include <QStringList>
#include <vector>

struct TJob {
    QString Source; // "-" for standard input
    QString Target; // empty: standard output
    // Named: the user named this very page with -o, so it may be a FIFO or a device.
    TTargetRule Rule = TTargetRule::Page;
    // The output folder of a walk; no folder below it on the way to the page may be a link.
    QString OutputRoot;
};

struct TPlan {
    std::vector<TJob> Jobs;
    QStringList Errors; // sources that cannot be converted, one message each
};

// The page name the window gives `source` with these choices: the unit or form suffix when
// switched on, none for projects; empty when the file is not a Pascal source.
QString PageName(const QString& source, const TPageNaming& naming);

// True when -o names the page of the one file converted rather than a folder for pages.
bool OutputIsFile(const TOptions& options);

TPlan PlanJobs(const TOptions& options, const TPageNaming& naming);
