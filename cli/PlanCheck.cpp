#include "PlanCheck.h"

#include "Exception.h"
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

QString TargetProblem(const TJob& job) {
    try {
        TPageTarget(job.Target, job.Rule).Check(job.Source);
    } catch (const Exception& e) {
        return e.Message();
    }
    // A FIFO, a device or a link named with -o is written as it is, wherever it lies.
    struct stat info {};
    if (lstat(QFile::encodeName(job.Target).constData(), &info) == 0 && !S_ISREG(info.st_mode))
        return {};
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
