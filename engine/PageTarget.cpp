#include "PageTarget.h"

#include "Exception.h"
#include "PageBatch.h"
#include "TextFile.h"

#include <QDir>
#include <QFileInfo>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

// The descriptor a standard stream's name stands for, or -1: such a target is this process's
// open file, written at its current position (so `>> log` still appends), never replaced.
int StandardStream(const QString& path) {
    if (path == u'-' || path == QLatin1String("/dev/stdout"))
        return STDOUT_FILENO;
    if (path == QLatin1String("/dev/stderr"))
        return STDERR_FILENO;
    for (const QLatin1String prefix : {QLatin1String("/dev/fd/"), QLatin1String("/proc/self/fd/")})
        if (path.startsWith(prefix)) {
            bool ok = false;
            const int fd = path.mid(prefix.size()).toInt(&ok);
            return ok && fd >= 0 ? fd : -1;
        }
    return -1;
}

} // namespace

QString NotAPageReason(mode_t mode) {
    return S_ISDIR(mode)   ? QStringLiteral("это папка")
           : S_ISLNK(mode) ? QStringLiteral("это символическая ссылка")
                           : QStringLiteral("это не обычный файл");
}

TPageTarget::TPageTarget(const QString& path, TTargetRule rule) : FPath(path), FRule(rule) {}

TPageTarget::TPageTarget(const QString& path, TPagePlace place, TPageBatch* batch)
    : FPath(path), FRule(TTargetRule::Page), FPlace(std::move(place)), FBatch(batch) {}

TPageTarget::~TPageTarget() {
    // A page whose write failed may be left by an exception before its commit.
    if (FBatch && FDevice && !FDevice->Failure().isEmpty())
        FBatch->Fail(FDevice->Failure());
    FDevice.reset(); // before the file it writes into
}

void TPageTarget::Refuse(const QString& reason) const {
    throw Exception(CannotWriteMessage(FPath, reason));
}

void TPageTarget::Decide() {
    if (FDecided)
        return;
    if (FPlace)
        DecidePlace();
    else
        DecidePath();
    FDecided = true;
}

// Each folder on the way is opened from its parent's descriptor without following a link, so
// a folder swapped for a link at any moment cannot lead the page outside the root.
void TPageTarget::DecidePlace() {
    const auto cannot = [](const QString& path, const QString& reason) {
        return Exception(QStringLiteral("не удалось создать папку \"%1\": %2").arg(path, reason));
    };
    const QString root = FPlace->Root.isEmpty() ? QStringLiteral(".") : FPlace->Root;
    if (!QFileInfo(root).isDir() && !QDir().mkpath(root))
        throw cannot(root, QStringLiteral("ошибка создания"));
    TFileHandle folder = OpenFolder(root);
    if (!folder.IsValid())
        throw cannot(root, SystemReason(errno));
    QString path = root;
    for (const QString& part : FPlace->Folders) {
        path += u'/' + part;
        TFileHandle below = OpenSubfolder(folder.Fd(), QFile::encodeName(part), true);
        if (!below.IsValid()) {
            const int error = errno;
            struct stat there {};
            const bool found = fstatat(folder.Fd(), QFile::encodeName(part).constData(), &there,
                                       AT_SYMLINK_NOFOLLOW) == 0;
            throw cannot(path, found && S_ISLNK(there.st_mode)
                                   ? QStringLiteral("на её месте символическая ссылка")
                               : found && !S_ISDIR(there.st_mode)
                                   ? QStringLiteral("на её месте файл")
                                   : SystemReason(error));
        }
        folder = std::move(below);
    }
    FFolder = FBatch ? FBatch->Share(std::move(folder))
                     : std::make_shared<TFileHandle>(std::move(folder));
    FFileName = QFile::encodeName(FPlace->FileName);
    RemoveStaleTemporaries(FFolder->Fd());
    struct stat page {};
    if (fstatat(FFolder->Fd(), FFileName.constData(), &page, AT_SYMLINK_NOFOLLOW) != 0)
        return;
    if (!S_ISREG(page.st_mode))
        Refuse(NotAPageReason(page.st_mode));
    FExisting = page;
}

void TPageTarget::DecidePath() {
    if (const int stream = FRule == TTargetRule::Named ? StandardStream(FPath) : -1; stream >= 0) {
        FDirect = TFileHandle(fcntl(stream, F_DUPFD_CLOEXEC, 3));
        if (!FDirect.IsValid())
            Refuse(SystemReason(errno));
        struct stat info {};
        if (fstat(FDirect.Fd(), &info) == 0)
            FExisting = info;
        return;
    }
    struct stat found {};
    const QString written = FRule == TTargetRule::Named ? ReplacedPath(FPath, found) : FPath;
    if (FRule == TTargetRule::Page && lstat(QFile::encodeName(FPath).constData(), &found) != 0)
        found = {};
    if (found.st_mode == 0 || S_ISREG(found.st_mode)) {
        OpenFolderOf(written);
        return;
    }
    if (S_ISDIR(found.st_mode) || FRule == TTargetRule::Page)
        Refuse(NotAPageReason(found.st_mode));
    // A FIFO or a device the user named: written into, never replaced.
    FDirect =
        TFileHandle(::open(QFile::encodeName(FPath).constData(), O_WRONLY | O_NOCTTY | O_CLOEXEC));
    if (!FDirect.IsValid())
        Refuse(SystemReason(errno));
    struct stat info {};
    if (fstat(FDirect.Fd(), &info) != 0 || S_ISDIR(info.st_mode))
        Refuse(NotAPageReason(S_IFDIR));
    if (S_ISREG(info.st_mode)) { // it changed into a regular file meanwhile: never appended to
        FDirect = TFileHandle();
        OpenFolderOf(written);
        return;
    }
    FExisting = info;
}

// The page's folder as named, links followed; the page itself is then reached through it.
void TPageTarget::OpenFolderOf(const QString& path) {
    const QFileInfo info(path);
    TFileHandle folder = OpenFolder(info.path());
    if (!folder.IsValid())
        Refuse(SystemReason(errno));
    FFolder = std::make_shared<TFileHandle>(std::move(folder));
    FFileName = QFile::encodeName(info.fileName());
    RemoveStaleTemporaries(FFolder->Fd());
    struct stat page {};
    if (fstatat(FFolder->Fd(), FFileName.constData(), &page, AT_SYMLINK_NOFOLLOW) == 0) {
        if (S_ISDIR(page.st_mode) || (FRule == TTargetRule::Page && !S_ISREG(page.st_mode)))
            Refuse(NotAPageReason(page.st_mode));
        FExisting = page;
    }
}

void TPageTarget::Check(const QString& source) {
    Decide();
    struct stat from {};
    if (stat(QFile::encodeName(source).constData(), &from) == 0)
        Check(from);
}

void TPageTarget::Check(const struct stat& source) {
    Decide();
    if (FExisting && S_ISREG(FExisting->st_mode) && FExisting->st_dev == source.st_dev &&
        FExisting->st_ino == source.st_ino)
        Refuse(QStringLiteral("это сам исходный файл"));
}

QIODevice& TPageTarget::Open() {
    if (FDevice)
        return *FDevice;
    Decide();
    auto file = std::make_unique<QFile>();
    if (!FDirect.IsValid()) {
        QString reason;
        if (!FReplacement.Create(FFolder->Fd(), FFileName, reason))
            Refuse(reason);
    }
    const int fd = FDirect.IsValid() ? FDirect.Fd() : FReplacement.Fd();
    if (!file->open(fd, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::DontCloseHandle))
        Refuse(file->errorString());
    FFile = std::move(file);
    FDevice = std::make_unique<TCheckedDevice>(*FFile);
    return *FDevice;
}

void TPageTarget::Commit() {
    if (!FDevice)
        return;
    const QString failure = FDevice->Failure();
    FDevice.reset();
    FFile.reset();
    if (FDirect.IsValid()) {
        if (!failure.isEmpty())
            Refuse(failure);
        if (::close(FDirect.Release()) != 0 && errno != EINTR)
            Refuse(SystemReason(errno));
        return;
    }
    if (!failure.isEmpty()) {
        if (FBatch)
            FBatch->Fail(failure);
        Refuse(failure);
    }
    QString reason;
    if (!FBatch) {
        if (!FReplacement.Close(true, reason) || !FReplacement.Replace(reason))
            Refuse(reason);
        return;
    }
    struct stat written {};
    fstat(FReplacement.Fd(), &written);
    if (!FReplacement.Close(false, reason)) {
        FBatch->Fail(reason);
        Refuse(reason);
    }
    FileStep("written", FFolder->Fd(), FFileName);
    FBatch->Add(FFolder, std::move(FReplacement), FPath, qint64(written.st_size));
}
