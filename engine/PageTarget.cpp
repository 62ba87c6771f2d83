#include "PageTarget.h"

#include "Exception.h"
#include "TextFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Standard output and its kin live under these; they stand for an open file of this process,
// which must be written into, never replaced by a new file of the same name.
bool IsProcessFile(const QString& path) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    return absolute.startsWith(QLatin1String("/dev/")) ||
           absolute.startsWith(QLatin1String("/proc/"));
}

QString SystemReason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

TPageTarget::TPageTarget(const QString& path, TTargetRule rule) : FPath(path), FRule(rule) {}

TPageTarget::~TPageTarget() {
    FDevice.reset(); // before the file it writes into
}

void TPageTarget::Refuse(const QString& reason) const {
    throw Exception(CannotWriteMessage(FPath, reason));
}

void TPageTarget::Decide() {
    if (FDecided)
        return;
    FWritePath = FPath;
    const QByteArray name = QFile::encodeName(FPath);
    struct stat link {};
    if (lstat(name.constData(), &link) != 0) {
        FDecided = true; // nothing there yet (or unreachable: the write will say why)
        return;
    }
    if (S_ISREG(link.st_mode)) {
        FDecided = true;
        return;
    }
    if (S_ISDIR(link.st_mode))
        Refuse(QStringLiteral("это папка"));
    if (FRule == TTargetRule::Page)
        Refuse(S_ISLNK(link.st_mode) ? QStringLiteral("это символическая ссылка")
                                     : QStringLiteral("это не обычный файл"));
    struct stat resolved {};
    if (S_ISLNK(link.st_mode) && stat(name.constData(), &resolved) != 0) {
        // A dangling link: the page is created where it points, the link kept.
        FWritePath = QFileInfo(FPath).symLinkTarget();
    } else if (S_ISLNK(link.st_mode) && S_ISDIR(resolved.st_mode)) {
        Refuse(QStringLiteral("это папка"));
    } else if (S_ISLNK(link.st_mode) && S_ISREG(resolved.st_mode) && !IsProcessFile(FPath)) {
        FWritePath = QFileInfo(FPath).canonicalFilePath();
    } else {
        FDirect = true;
    }
    FDecided = true;
}

void TPageTarget::Check(const QString& source) {
    Decide();
    struct stat page {
    }, from{};
    if (stat(QFile::encodeName(FPath).constData(), &page) == 0 &&
        stat(QFile::encodeName(source).constData(), &from) == 0 && S_ISREG(page.st_mode) &&
        page.st_dev == from.st_dev && page.st_ino == from.st_ino)
        Refuse(QStringLiteral("это сам исходный файл"));
}

QIODevice& TPageTarget::Open() {
    if (FDevice)
        return *FDevice;
    Decide();
    QString reason;
    if (FDirect) {
        // Appending never cuts short what a process file already holds; FIFOs and devices
        // ignore it.
        const int fd = ::open(QFile::encodeName(FWritePath).constData(),
                              O_WRONLY | O_APPEND | O_NOCTTY | O_CLOEXEC);
        if (fd < 0)
            Refuse(SystemReason(errno));
        auto file = std::make_unique<QFile>();
        if (!file->open(fd, QIODevice::WriteOnly | QIODevice::Unbuffered,
                        QFileDevice::AutoCloseHandle)) {
            ::close(fd);
            Refuse(file->errorString());
        }
        FFile = std::move(file);
    } else {
        auto file = std::make_unique<QSaveFile>(FWritePath);
        if (!OpenUnbuffered(*file, reason))
            Refuse(reason);
        FFile = std::move(file);
    }
    FDevice = std::make_unique<TCheckedDevice>(*FFile);
    return *FDevice;
}

void TPageTarget::Commit() {
    if (!FDevice)
        return;
    if (!FDevice->Failure().isEmpty())
        Refuse(FDevice->Failure());
    if (auto* save = dynamic_cast<QSaveFile*>(FFile.get())) {
        if (!save->commit())
            Refuse(save->errorString());
        return;
    }
    FFile->close();
    if (FFile->error() != QFileDevice::NoError)
        Refuse(FFile->errorString());
}
