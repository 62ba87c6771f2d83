#include "PlanCheck.h"

#include "PageTarget.h"
#include "TextFile.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString Reason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// The nearest folder of a page that exists (the run makes the missing ones below it), what
// stands in the way of writing into it, and the longest name it takes.
struct TFolderCheck {
    QByteArray Folder;
    QString Problem;
    long NameMax = NAME_MAX;
};

TFolderCheck CheckFolderOf(const QByteArray& name) {
    TFolderCheck check{name, {}, NAME_MAX};
    QByteArray& folder = check.Folder;
    struct stat info {};
    do {
        folder.truncate(std::max<qsizetype>(folder.lastIndexOf('/'), 1));
    } while (stat(folder.constData(), &info) != 0 && errno == ENOENT && folder != "/");
    if (stat(folder.constData(), &info) != 0)
        check.Problem = Reason(errno);
    else if (!S_ISDIR(info.st_mode))
        check.Problem = Reason(ENOTDIR);
    else if (access(folder.constData(), W_OK | X_OK) != 0)
        check.Problem = Reason(errno);
    else if (const long most = pathconf(folder.constData(), _PC_NAME_MAX); most > 0)
        check.NameMax = most;
    return check;
}

// The reason a page cannot be created at `path`, as the system would give it when the write
// is tried; empty when nothing stands in the way. Pages of one folder share its check.
QString CreateProblem(const QString& path, QHash<QString, TFolderCheck>& folders) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    const QByteArray name = QFile::encodeName(absolute);
    if (name.size() >= PATH_MAX)
        return Reason(ENAMETOOLONG);
    const QString parent = QFileInfo(absolute).path();
    auto check = folders.find(parent);
    if (check == folders.end())
        check = folders.insert(parent, CheckFolderOf(name));
    for (const QByteArray& part : name.sliced(check->Folder.size()).split('/'))
        if (part.size() > check->NameMax)
            return Reason(ENAMETOOLONG);
    return check->Problem;
}

// What stands at the page's name, looked at without opening anything: a FIFO named with -o
// would wait for a reader.
QString TargetProblem(const TJob& job, QHash<QString, TFolderCheck>& folders) {
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
    const QString reason = CreateProblem(job.Target, folders);
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
    QHash<QString, TFolderCheck> folders;
    const auto refused = [&](const TJob& job) {
        if (job.Source == u"-" || job.Target.isEmpty())
            return false;
        const QString problem = TargetProblem(job, folders);
        if (!problem.isEmpty())
            plan.Errors << QStringLiteral("%1: %2").arg(job.Source, problem);
        return !problem.isEmpty();
    };
    plan.Jobs.erase(std::remove_if(plan.Jobs.begin(), plan.Jobs.end(), refused), plan.Jobs.end());
}
