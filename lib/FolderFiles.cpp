#include "FolderFiles.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <unistd.h>

TFileHooks gFileHooks;

namespace {

constexpr QByteArrayView TemporaryMark(".dwelk-tmp-");
// Keeps `.NAME.dwelk-tmp-PID-N` within the 255 bytes a name may have.
constexpr qsizetype MostNameBytes = 200;

std::atomic<unsigned> gTemporaryCount{0};

// The PID of a temporary's name, or 0 when the name is not one of ours.
pid_t TemporaryOwner(QByteArrayView name) {
    if (!name.startsWith('.'))
        return 0;
    const qsizetype mark = QByteArrayView(name).lastIndexOf(TemporaryMark);
    if (mark < 0)
        return 0;
    const QByteArrayView rest = name.sliced(mark + TemporaryMark.size());
    const qsizetype dash = rest.indexOf('-');
    if (dash <= 0)
        return 0;
    bool pidOk = false, countOk = false;
    const long pid = rest.first(dash).toLong(&pidOk);
    [[maybe_unused]] const uint count = rest.sliced(dash + 1).toUInt(&countOk);
    return pidOk && countOk && pid > 0 ? pid_t(pid) : 0;
}

bool Alive(pid_t pid) {
    return kill(pid, 0) == 0 || errno == EPERM;
}

} // namespace

TFileHandle& TFileHandle::operator=(TFileHandle&& other) noexcept {
    if (this != &other) {
        if (FFd >= 0)
            ::close(FFd);
        FFd = std::exchange(other.FFd, -1);
    }
    return *this;
}

TFileHandle::~TFileHandle() {
    if (FFd >= 0)
        ::close(FFd);
}

QString SystemReason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

TFileHandle OpenFolder(const QString& path) {
    return TFileHandle(::open(QFile::encodeName(path.isEmpty() ? QStringLiteral(".") : path),
                              O_RDONLY | O_DIRECTORY | O_CLOEXEC));
}

TFileHandle OpenSubfolder(int parent, const QByteArray& name, bool create) {
    FileStep("folder", parent, name);
    if (create && mkdirat(parent, name.constData(), 0777) != 0 && errno != EEXIST)
        return {};
    return TFileHandle(
        openat(parent, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
}

TFileHandle OpenRegularFile(int folder, const QByteArray& name, bool noFollow, struct stat& info,
                            QString& reason) {
    FileStep("source", folder, name);
    TFileHandle file(
        openat(folder, name.constData(),
               O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | (noFollow ? O_NOFOLLOW : 0)));
    if (!file.IsValid()) {
        reason = errno == ELOOP && noFollow ? QStringLiteral("это символическая ссылка")
                                            : SystemReason(errno);
        return {};
    }
    if (fstat(file.Fd(), &info) != 0) {
        reason = SystemReason(errno);
        return {};
    }
    if (S_ISDIR(info.st_mode)) {
        reason = SystemReason(EISDIR);
        return {};
    }
    if (!S_ISREG(info.st_mode)) {
        reason = QStringLiteral("это не обычный файл");
        return {};
    }
    // Reads block as usual from here on.
    fcntl(file.Fd(), F_SETFL, fcntl(file.Fd(), F_GETFL) & ~O_NONBLOCK);
    return file;
}

TFileHandle OpenNamedRegularFile(const QString& path, struct stat& info, QString& reason) {
    const QByteArray name = QFile::encodeName(path);
    if (stat(name.constData(), &info) != 0) {
        reason = SystemReason(errno);
        return {};
    }
    if (!S_ISREG(info.st_mode)) {
        reason = QStringLiteral("это не обычный файл");
        return {};
    }
    return OpenRegularFile(AT_FDCWD, name, false, info, reason);
}

bool ReadRegularFile(const QString& fileName, QByteArray& bytes, QString& reason) {
    struct stat info {};
    const TFileHandle file =
        OpenRegularFile(AT_FDCWD, QFile::encodeName(fileName), false, info, reason);
    if (!file.IsValid())
        return false;
    bytes.clear();
    bytes.reserve(qsizetype(info.st_size));
    char chunk[1 << 16];
    for (;;) {
        const ssize_t n = ::read(file.Fd(), chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            reason = SystemReason(errno);
            return false;
        }
        if (n == 0)
            return true;
        bytes.append(chunk, n);
    }
}

TReplacement::TReplacement(TReplacement&& other) noexcept
    : FFolder(std::exchange(other.FFolder, -1)), FName(std::move(other.FName)),
      FTemporary(std::move(other.FTemporary)), FFile(std::move(other.FFile)) {}

TReplacement::~TReplacement() {
    Discard();
}

bool TReplacement::Create(int folder, const QByteArray& name, QString& reason) {
    FFolder = folder;
    FName = name;
    FTemporary = '.' + name.left(MostNameBytes) + TemporaryMark.toByteArray() +
                 QByteArray::number(qint64(getpid())) + '-' +
                 QByteArray::number(gTemporaryCount.fetch_add(1));
    struct stat old {};
    const bool keepMode =
        fstatat(folder, name.constData(), &old, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(old.st_mode);
    FFile = TFileHandle(openat(folder, FTemporary.constData(),
                               O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (!FFile.IsValid()) {
        reason = SystemReason(errno);
        FTemporary.clear();
        return false;
    }
    if (keepMode)
        fchmod(FFile.Fd(), old.st_mode & 07777);
    return true;
}

bool TReplacement::Close(bool sync, QString& reason) {
    if (sync && fsync(FFile.Fd()) != 0) {
        reason = SystemReason(errno);
        return false;
    }
    // Synced later with its batch: its writing to the disk starts now, beside the pages still
    // being made, rather than all at once when the batch is synced. Only a hint: the sync
    // reports what fails.
    if (!sync)
        sync_file_range(FFile.Fd(), 0, 0, SYNC_FILE_RANGE_WRITE);
    if (::close(FFile.Release()) != 0 && errno != EINTR) {
        reason = SystemReason(errno);
        return false;
    }
    return true;
}

bool TReplacement::Replace(QString& reason) {
    FileStep("page", FFolder, FName);
    if (renameat(FFolder, FTemporary.constData(), FFolder, FName.constData()) != 0) {
        reason = SystemReason(errno);
        Discard();
        return false;
    }
    FTemporary.clear();
    return true;
}

void TReplacement::Discard() {
    FFile = TFileHandle();
    if (!FTemporary.isEmpty())
        unlinkat(FFolder, FTemporary.constData(), 0);
    FTemporary.clear();
}

QString ReplacedPath(const QString& fileName, struct stat& found) {
    found = {};
    const QByteArray name = QFile::encodeName(fileName);
    struct stat link {};
    if (lstat(name.constData(), &link) != 0)
        return fileName;
    if (!S_ISLNK(link.st_mode)) {
        found = link;
        return fileName;
    }
    if (stat(name.constData(), &found) != 0) {
        found = {};
        return QFileInfo(fileName).symLinkTarget(); // absolute
    }
    return QFileInfo(fileName).canonicalFilePath();
}

bool ReplaceFile(const QString& fileName, const QByteArray& bytes, QString& reason) {
    struct stat found {};
    const QFileInfo target(ReplacedPath(fileName, found));
    if (found.st_mode != 0 && !S_ISREG(found.st_mode)) {
        reason =
            S_ISDIR(found.st_mode) ? SystemReason(EISDIR) : QStringLiteral("это не обычный файл");
        return false;
    }
    const TFileHandle folder = OpenFolder(target.path());
    if (!folder.IsValid()) {
        reason = SystemReason(errno);
        return false;
    }
    RemoveStaleTemporaries(folder.Fd());
    TReplacement file;
    if (!file.Create(folder.Fd(), QFile::encodeName(target.fileName()), reason))
        return false;
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t n = ::write(file.Fd(), bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            // A short write means the next one meets the cause.
            reason = SystemReason(n < 0 ? errno : EIO);
            return false;
        }
        done += n;
    }
    return file.Close(true, reason) && file.Replace(reason);
}

void RemoveStaleTemporaries(int folder) {
    static std::mutex mutex;
    static QSet<QPair<quint64, quint64>> seen;
    struct stat info {};
    if (fstat(folder, &info) != 0)
        return;
    {
        const std::lock_guard lock(mutex);
        const QPair<quint64, quint64> id{quint64(info.st_dev), quint64(info.st_ino)};
        if (seen.contains(id))
            return;
        seen.insert(id);
    }
    const int listed = openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listed < 0)
        return;
    DIR* dir = fdopendir(listed);
    if (!dir) {
        ::close(listed);
        return;
    }
    while (const dirent* entry = readdir(dir)) {
        const pid_t owner = TemporaryOwner(entry->d_name);
        if (owner != 0 && owner != getpid() && !Alive(owner))
            unlinkat(folder, entry->d_name, 0);
    }
    closedir(dir);
}

void FileStep(const char* step, int folder, const QByteArray& name) {
    if (gFileHooks.Step)
        gFileHooks.Step(step, folder, name);
}
