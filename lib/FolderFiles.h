#pragma once
// Files reached through an open folder rather than by a path looked up again later: a name
// checked and then opened by path may by then be a link, a FIFO or another folder, while a
// folder descriptor keeps every later open, creation and rename inside the folder it stands for.
//
// A new content is written under a temporary name beside the file, `.NAME.dwelk-tmp-PID-N`,
// and renamed over the file's name when complete, so the file is always the old or the new one.

#include <QByteArray>
#include <QString>
#include <sys/stat.h>
#include <utility>

// An open file descriptor, closed with its owner.
class TFileHandle {
public:
    TFileHandle() = default;
    explicit TFileHandle(int fd) : FFd(fd) {}
    TFileHandle(TFileHandle&& other) noexcept : FFd(std::exchange(other.FFd, -1)) {}
    TFileHandle& operator=(TFileHandle&& other) noexcept;
    TFileHandle(const TFileHandle&) = delete;
    TFileHandle& operator=(const TFileHandle&) = delete;
    ~TFileHandle();

    int Fd() const { return FFd; }
    bool IsValid() const { return FFd >= 0; }
    int Release() { return std::exchange(FFd, -1); }

private:
    int FFd = -1;
};

// The system's text for an errno value, in the user's language.
QString SystemReason(int error);

// The folder `path` as the user named it (links followed); invalid with errno set on failure.
TFileHandle OpenFolder(const QString& path);
// The folder `name` inside `parent`, created first when `create`; never opened through a link.
// Invalid with errno set on failure (ELOOP or ENOTDIR when a link or a file stands there).
TFileHandle OpenSubfolder(int parent, const QByteArray& name, bool create);

// Opens the file `name` of `folder` (or AT_FDCWD) for reading, not through a link when
// `noFollow`, without waiting on a FIFO, and checks the descriptor: only a regular file is kept.
// Invalid with `reason` set otherwise; `info` receives what the descriptor is.
TFileHandle OpenRegularFile(int folder, const QByteArray& name, bool noFollow, struct stat& info,
                            QString& reason);

// The same for a file named by its path (links followed) that another reader may be about to
// read as a stream: only a name that stands for a regular file is opened, since even an open
// and close of a FIFO take its writer's data away. The descriptor is checked all the same.
TFileHandle OpenNamedRegularFile(const QString& path, struct stat& info, QString& reason);

// The whole content of the regular file `fileName` (links followed); false with `reason` when
// it is anything else or cannot be read. A missing file is an error here (ENOENT).
bool ReadRegularFile(const QString& fileName, QByteArray& bytes, QString& reason);

// A new content for the file `name` of an open folder, under a temporary name until Replace.
// Dropped without a trace when not replaced.
class TReplacement {
public:
    TReplacement() = default;
    TReplacement(TReplacement&& other) noexcept;
    TReplacement& operator=(TReplacement&&) = delete;
    ~TReplacement();

    // Creates the temporary in `folder`, which must stay open until Replace or Discard; the
    // mode of an existing regular file of that name is kept. False with `reason`.
    bool Create(int folder, const QByteArray& name, QString& reason);
    int Fd() const { return FFile.Fd(); }
    // Flushes the content to the disk when `sync`, then closes it.
    bool Close(bool sync, QString& reason);
    // Renames the temporary over the name; false with `reason`, the temporary then removed.
    bool Replace(QString& reason);
    void Discard();
    const QByteArray& Name() const { return FName; }

private:
    int FFolder = -1;
    QByteArray FName, FTemporary;
    TFileHandle FFile;
};

// The file a new content of `fileName` replaces: the name itself, or the file a link leads to
// (for a dangling link, the name it leads to), so that a link is kept and written through.
// `found` receives what stands there now, links followed; st_mode 0 when nothing does.
QString ReplacedPath(const QString& fileName, struct stat& found);

// Replaces the regular file `fileName` (or the one a link leads to) by `bytes`, flushed to
// the disk; nothing is written into a folder, FIFO or device. False with `reason`, the old
// file then as it was.
bool ReplaceFile(const QString& fileName, const QByteArray& bytes, QString& reason);

// Removes the temporaries in `folder` that a process no longer alive left behind; a folder is
// looked at once per process.
void RemoveStaleTemporaries(int folder);

// Test seams, unset in the programs themselves. `Step` is called at each step a test may act
// on or record: "folder", "source" and "page" right before that name of `folder`, checked
// earlier, is opened or replaced; "written" once a page's temporary is complete; "sync"
// before a file system is synced. `ThreadMayStart` is asked before a worker thread starts
// (false makes the start fail).
struct TFileHooks {
    void (*Step)(const char* step, int folder, const QByteArray& name) = nullptr;
    bool (*ThreadMayStart)() = nullptr;
};
extern TFileHooks gFileHooks;
void FileStep(const char* step, int folder, const QByteArray& name);
