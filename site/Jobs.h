#pragma once
// Which pages to write: every source named or found in a named folder, and its page.

#include "FolderFiles.h"
#include "PageTarget.h"
#include "RunOptions.h"
#include "WindowSettings.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <utility>
#include <vector>

// A source found in a walk, reached again from the walked folder without following links.
struct TWalkedSource {
    QString Root; // the folder walked, as named
    QStringList Folders;
    QString FileName;
    // A link the walk allowed: the device and inode of the file it led to.
    std::optional<std::pair<quint64, quint64>> Linked;
};

struct TJob {
    QString Source; // "-" for standard input
    QString Target; // empty: standard output
    // Named: the user named this very page with -o, so it may be a FIFO or a device.
    TTargetRule Rule = TTargetRule::Page;
    // Set for the sources and pages of a walk.
    std::optional<TWalkedSource> Walked;
    std::optional<TPagePlace> Place;
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

// Opens the source of a walk again from the walked folder, no folder on the way and (unless
// the walk allowed it) not the file itself followed as a link, without waiting on a FIFO. Only
// a regular file is read; a link only when it still leads to the file the walk found. Raises
// Exception.
TFileHandle OpenWalkedSource(const TJob& job, struct stat& info);
