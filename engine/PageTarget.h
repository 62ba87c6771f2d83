#pragma once
// Where a page goes. Nothing is created before the page's first byte, so a source that
// turns out blank leaves nothing behind, and a page replaces the old one only when complete:
// it is written under a temporary name in the page's folder and renamed over the page's name,
// so a killed run leaves the old page or the new one.
//
// A page is a regular file, or nothing yet: anything else standing at its name (a link, a
// FIFO, a device, a folder) is refused, never replaced nor written through. The page's folder
// is opened once and everything after goes through that descriptor, so a name that turns
// into a link meanwhile is replaced, never written through. A target the user named himself
// may also be a FIFO, a device or a standard stream, written into directly (a standard stream
// at its current position), or a link to a regular file, whose file is replaced as editors do.

#include "CheckedDevice.h"
#include "FolderFiles.h"

#include <QFile>
#include <QIODevice>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <sys/stat.h>

class TPageBatch;

enum class TTargetRule { Page, Named };

// Why what stands at a page's name, of this kind and not a regular file, cannot be the page.
QString NotAPageReason(mode_t mode);

// A page of a walk: the folders below `Root` are made as needed and never followed when links.
struct TPagePlace {
    QString Root; // named by the user, so it may be a link
    QStringList Folders;
    QString FileName;
};

class TPageTarget {
public:
    explicit TPageTarget(const QString& path, TTargetRule rule = TTargetRule::Page);
    // The page `path` of a walk at `place`; with a batch, replaced when the batch is.
    TPageTarget(const QString& path, TPagePlace place, TPageBatch* batch);
    ~TPageTarget();

    // Raises Exception naming the target when it may not be written, or when it is the file
    // `source` itself; creates no file.
    void Check(const QString& source);
    // As above for a source already opened, known by what fstat said of it.
    void Check(const struct stat& source);
    // The device to write the page into, opened on first use; raises Exception naming the
    // target when it cannot be opened.
    QIODevice& Open();
    bool IsOpen() const { return FDevice != nullptr; }
    // Makes the written page the target's content (or hands it to the batch); raises
    // Exception naming the target.
    void Commit();
    const QString& Name() const { return FPath; }

private:
    void Decide();
    void DecidePlace();
    void DecidePath();
    void OpenFolderOf(const QString& path);
    [[noreturn]] void Refuse(const QString& reason) const;

    QString FPath;
    TTargetRule FRule;
    std::optional<TPagePlace> FPlace;
    TPageBatch* FBatch = nullptr;
    bool FDecided = false;
    TFileHandle FDirect; // a target written into as it is
    std::shared_ptr<TFileHandle> FFolder;
    QByteArray FFileName; // in FFolder
    std::optional<struct stat> FExisting;
    TReplacement FReplacement;
    std::unique_ptr<QFile> FFile;
    std::unique_ptr<TCheckedDevice> FDevice;
};
