#include "PlanCheck.h"

#include "PageTarget.h"
#include "TextFile.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <climits>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString Reason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// The reason a page cannot be created at `path`, as the system would give it when the write
// is tried; empty when nothing stands in the way.
QString CreateProblem(const QString& path) {
    QByteArray name = QFile::encodeName(QFileInfo(path).absoluteFilePath());
    if (name.size() >= PATH_MAX)
        return Reason(ENAMETOOLONG);
    // The nearest folder that exists: missing ones below it are made by the run.
    QByteArray folder = name;
    struct stat info {};
    do {
        folder.truncate(std::max<qsizetype>(folder.lastIndexOf('/'), 1));
    } while (stat(folder.constData(), &info) != 0 && errno == ENOENT && folder != "/");
    if (stat(folder.constData(), &info) != 0)
        return Reason(errno);
    if (!S_ISDIR(info.st_mode))
        return Reason(ENOTDIR);
    const long nameMax = pathconf(folder.constData(), _PC_NAME_MAX);
    for (const QByteArray& part : name.sliced(folder.size()).split('/'))
        if (part.size() > (nameMax > 0 ? nameMax : NAME_MAX))
            return Reason(ENAMETOOLONG);
    if (access(folder.constData(), W_OK | X_OK) != 0)
        return Reason(errno);
    return {};
}

// What stands at the page's name, looked at without opening anything: a FIFO named with -o
// would wait for a reader.
QString TargetProblem(const TJob& job) {
    const QByteArray name = QFile::encodeName(job.Target);
    struct stat page {};
    if (lstat(name.constData(), &page) == 0) {
        // A FIFO, a device or a link named with -o is written as it is, wherever it lies.
        if (!S_ISREG(page.st_mode))
            return S_ISDIR(page.st_mode) || job.Rule == TTargetRule::Page
                       ? CannotWriteMessage(job.Target, NotAPageReason(page.st_mode))
                       : QString();
        struct stat source {};
        if (stat(QFile::encodeName(job.Source).constData(), &source) == 0 &&
            source.st_dev == page.st_dev && source.st_ino == page.st_ino)
            return CannotWriteMessage(job.Target, QStringLiteral("это сам исходный файл"));
    }
    const QString reason = CreateProblem(job.Target);
    return reason.isEmpty() ? QString() : CannotWriteMessage(job.Target, reason);
}

} // namespace

QString OutputRefusal(const TOptions& options) {
    if (options.Output.isEmpty() || OutputIsFile(options))
        return {};
    struct stat info {};
    const QByteArray name = QFile::encodeName(options.Output);
    int error = 0;
    if (stat(name.constData(), &info) != 0)
        error = errno == ENOENT ? 0 : errno;
    else if (!S_ISDIR(info.st_mode))
        error = ENOTDIR;
    if (error == 0)
        return {};
    return QStringLiteral("%1 %2: здесь нужна папка для страниц: %3")
        .arg(options.OutputOption, options.Output, Reason(error));
}

void RefuseUnwritableTargets(TPlan& plan) {
    std::vector<TJob> kept;
    for (TJob& job : plan.Jobs) {
        if (job.Source != u"-" && !job.Target.isEmpty())
            if (const QString problem = TargetProblem(job); !problem.isEmpty()) {
                plan.Errors << QStringLiteral("%1: %2").arg(job.Source, problem);
                continue;
            }
        kept.push_back(std::move(job));
    }
    plan.Jobs = std::move(kept);
}
