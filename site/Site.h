#pragma once
// A folder of pages published as a small site: which page links to which, and the index.

#include "Jobs.h"
#include "PageExtras.h"
#include "RunOptions.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <mutex>
#include <vector>

// What became of one job, for the index.
struct TPageResult {
    bool Written = false;
    bool Failed = false; // tried and not written
    qsizetype Lines = 0;
};

// Every page of the run that lands in a file, known before the first is converted. Built
// once, then only read, by every worker at once.
class TSiteMap {
public:
    TSiteMap(const TOptions& options, const TPlan& plan);

    // The extras of the page `job` writes, with links to the pages of this run.
    TPageExtras ExtrasFor(const TJob& job) const;

    // Once every page is converted: for each page that failed, the pages written with a link
    // to it, to be rewritten, as messages. `alsoFrom` adds the absolute pages that link to a
    // job's page besides the unit and file links (the code browser's).
    QStringList LinksToUnwritten(const TPlan& plan, const std::vector<TPageResult>& results,
                                 const QHash<size_t, QStringList>& alsoFrom = {}) const;

private:
    struct TPage {
        QString Folder; // of the source, absolute
        QString Page;   // absolute
    };
    QString UnitHref(const QString& sourceFolder, const QString& from, const QString& name,
                     const QString& inPath) const;
    QString FileHref(const QString& source, const QString& from,
                     const TFileDirective& directive) const;
    // The href from the page `from` to `to`, remembered for PagesLinkingTo.
    QString LinkTo(const QString& from, const TPage& to) const;
    // The page of the source at `path` (absolute), if the run writes one.
    const TPage* PageOf(const QString& path) const;

    const TOptions& FOptions;
    std::vector<TPage> FPages;
    // Lower-case unit name -> its first page in path order; with "\0" and a source folder ->
    // the page of that folder's unit.
    QHash<QString, size_t> FFirstUnits, FUnitsInFolders;
    QHash<QString, size_t> FSources; // lower-case absolute source -> page
    mutable std::mutex FLinksMutex;
    mutable QHash<QString, QStringList> FLinkedFrom; // absolute page -> pages linking to it
};

// `path` made absolute and clean.
QString Absolute(const QString& path);

// Why the run may not start with these options and this plan; empty when it may.
QString SiteRefusal(const TOptions& options, const TPlan& plan);

// Writes the index of the pages written into the output folder; raises Exception.
void WriteIndex(const TOptions& options, const TPlan& plan,
                const std::vector<TPageResult>& results);
