#include "PageBatch.h"

#include "TextFile.h"

#include <cerrno>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

TPageBatch::TPageBatch(TLimits limits, std::function<void(const QString&)> report,
                       std::function<void(const QString&)> notReplaced)
    : FLimits(limits), FReport(std::move(report)), FNotReplaced(std::move(notReplaced)) {}

TPageBatch::~TPageBatch() = default;

std::shared_ptr<TFileHandle> TPageBatch::Share(TFileHandle folder) {
    struct stat info {};
    if (fstat(folder.Fd(), &info) != 0)
        return std::make_shared<TFileHandle>(std::move(folder));
    const std::lock_guard lock(FMutex);
    auto& shared = FFolders[{quint64(info.st_dev), quint64(info.st_ino)}];
    if (!shared)
        shared = std::make_shared<TFileHandle>(std::move(folder));
    return shared;
}

void TPageBatch::Add(std::shared_ptr<TFileHandle> folder, TReplacement page, const QString& shown,
                     qint64 bytes) {
    struct stat info {};
    const bool known = fstat(folder->Fd(), &info) == 0;
    const std::lock_guard lock(FMutex);
    // The batch its folder was shared in may have been committed meanwhile.
    if (known)
        FFolders.try_emplace({quint64(info.st_dev), quint64(info.st_ino)}, folder);
    FPages.push_back({std::move(folder), std::move(page), shown});
    FBytes += bytes;
    if (FPages.size() >= FLimits.Pages || FBytes >= FLimits.Bytes ||
        FFolders.size() >= FLimits.Folders)
        CommitLocked();
}

void TPageBatch::Fail(const QString& reason) {
    const std::lock_guard lock(FMutex);
    if (FFailure.isEmpty())
        FFailure = reason;
}

void TPageBatch::Commit() {
    const std::lock_guard lock(FMutex);
    CommitLocked();
}

QString TPageBatch::SyncAll() const {
    std::set<quint64> synced;
    for (const auto& [id, folder] : FFolders)
        if (synced.insert(id.first).second) {
            FileStep("sync", folder->Fd(), {});
            if (syncfs(folder->Fd()) != 0)
                return SystemReason(errno);
        }
    return {};
}

void TPageBatch::CommitLocked() {
    if (!FPages.empty() && FFailure.isEmpty())
        FFailure = SyncAll();
    if (!FFailure.isEmpty() && !FPages.empty()) {
        FReport(QStringLiteral("не записано страниц вместе с неудавшейся: %1, они остались "
                               "прежними (%2)")
                    .arg(FPages.size())
                    .arg(FFailure));
        if (FNotReplaced)
            for (const TPage& page : FPages)
                FNotReplaced(page.Shown);
    } else if (!FPages.empty()) {
        QString reason;
        for (TPage& page : FPages)
            if (!page.File.Replace(reason)) {
                FReport(CannotWriteMessage(page.Shown, reason));
                if (FNotReplaced)
                    FNotReplaced(page.Shown);
            }
        if (const QString failure = SyncAll(); !failure.isEmpty())
            FReport(QStringLiteral("не удалось сбросить страницы на диск: %1").arg(failure));
    }
    FPages.clear(); // removes the temporaries not renamed
    FFolders.clear();
    FBytes = 0;
    FFailure.clear();
}
