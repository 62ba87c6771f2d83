#pragma once
// Pages replaced together: each is written to its temporary without waiting for the disk;
// when the batch is full or the run ends, every file system written to is synced once, the
// temporaries are renamed over their pages, and the file systems are synced again. A run
// killed at any moment leaves every page old or new, and costs two syncs per batch rather
// than one per page.
//
// A write that fails in a batch (a full disk) keeps every page of the batch as it was.
// Used by several workers at once.

#include "FolderFiles.h"

#include <QString>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

class TPageBatch {
public:
    struct TLimits {
        size_t Pages = 2000;
        qint64 Bytes = qint64(256) << 20;
        size_t Folders = 256; // each held open until the batch is committed
    };
    // `report` receives each failure's message, from whichever worker commits; `notReplaced`,
    // when given, the name of every page a failure left as it was.
    TPageBatch(TLimits limits, std::function<void(const QString&)> report,
               std::function<void(const QString&)> notReplaced = {});
    ~TPageBatch(); // temporaries not committed are removed

    // The one handle of this batch for the folder `folder` stands for.
    std::shared_ptr<TFileHandle> Share(TFileHandle folder);
    // Takes the closed temporary of the page `shown`; commits the batch once it is full.
    void Add(std::shared_ptr<TFileHandle> folder, TReplacement page, const QString& shown,
             qint64 bytes);
    // A page of the batch could not be written for `reason`: none of the batch is replaced.
    void Fail(const QString& reason);
    // Replaces the pages taken so far; called at the end of the run.
    void Commit();

private:
    struct TPage {
        std::shared_ptr<TFileHandle> Folder;
        TReplacement File;
        QString Shown;
    };
    void CommitLocked();
    // Syncs every file system the batch wrote to; the reason of the first failure, else empty.
    QString SyncAll() const;

    const TLimits FLimits;
    const std::function<void(const QString&)> FReport;
    const std::function<void(const QString&)> FNotReplaced;
    std::mutex FMutex;
    std::vector<TPage> FPages;
    std::map<std::pair<quint64, quint64>, std::shared_ptr<TFileHandle>> FFolders; // dev, inode
    qint64 FBytes = 0;
    QString FFailure;
};
