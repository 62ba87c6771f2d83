#pragma once
// Which pages to write: every source named or found in a named folder, and its page.

#include "Options.h"

#include <QString>
#include <QStringList>
#include <vector>

struct TJob {
    QString Source;  // "-" for standard input
    QString Target;  // empty: standard output
};

struct TPlan {
    std::vector<TJob> Jobs;
    QStringList Errors;  // sources that cannot be converted, one message each
};

// The page name the window gives by default: "_pas" for units, "_dfm" for forms, nothing
// for projects, extension ".htm"; empty when the file is not a Pascal source.
QString DefaultPageName(const QString& source);

TPlan PlanJobs(const TOptions& options);
