#include "Jobs.h"

#include "Exception.h"
#include "SourceTypes.h"
#include "TextFile.h"
#include "Trim.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QStringDecoder>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <memory>
#include <sys/stat.h>

namespace {

struct TFound {
    QString Path;
    QStringList Folders; // below the walked folder
    QString FileName;
    std::optional<std::pair<quint64, quint64>> Linked;
};

struct TWalk {
    QString Root; // canonical
    const QStringList& Types;
    std::vector<TFound> Found;
    QStringList Errors;
};

// The types are ASCII, so the name's bytes need no decoding to be matched.
bool IsWalkedType(const QByteArray& name, const QStringList& types) {
    const qsizetype dot = name.lastIndexOf('.');
    return dot >= 0 && types.contains(QString::fromLatin1(name.sliced(dot + 1)).toLower());
}

QString SystemReason() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

// A linked source is read only when it leads to a regular file inside the walked folder, so a
// hostile tree cannot make the walk read a device or a file elsewhere.
// The file the link leads to is remembered, and the conversion reads only that very file.
void TakeLinkedSource(TFound found, TWalk& walk) {
    const QString resolved = QFileInfo(found.Path).canonicalFilePath();
    struct stat info {};
    if (resolved.isEmpty() || stat(QFile::encodeName(resolved).constData(), &info) != 0 ||
        !S_ISREG(info.st_mode))
        walk.Errors
            << QStringLiteral("%1: ссылка не ведёт к обычному файлу, пропущен").arg(found.Path);
    else if (!resolved.startsWith(walk.Root + u'/'))
        walk.Errors
            << QStringLiteral("%1: ссылка ведёт за пределы папки, пропущен").arg(found.Path);
    else {
        found.Linked = {quint64(info.st_dev), quint64(info.st_ino)};
        walk.Found.push_back(std::move(found));
    }
}

// Sources under `folder`, depth first. Names beginning with "." are passed over as the window
// hides them; linked folders are not followed.
void Walk(const QString& folder, const QStringList& below, TWalk& walk) {
    const QByteArray folderName = QFile::encodeName(folder);
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folderName.constData()), closedir);
    if (!dir) {
        walk.Errors
            << QStringLiteral("%1: не удалось прочитать папку: %2").arg(folder, SystemReason());
        return;
    }
    for (errno = 0; const dirent* entry = readdir(dir.get()); errno = 0) {
        const QByteArray name(entry->d_name);
        if (name.startsWith('.'))
            continue;
        const QByteArray raw = folderName + '/' + name;
        struct stat info {};
        if (lstat(raw.constData(), &info) != 0) {
            walk.Errors << QStringLiteral("%1: %2").arg(QFile::decodeName(raw), SystemReason());
            continue;
        }
        const bool wanted = S_ISDIR(info.st_mode) || IsWalkedType(name, walk.Types);
        if (!wanted)
            continue;
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString decoded = utf8(name);
        if (utf8.hasError()) {
            walk.Errors << QStringLiteral("%1: имя не в кодировке UTF-8, пропущено")
                               .arg(QFile::decodeName(raw));
            continue;
        }
        const QString path = folder + u'/' + decoded;
        if (S_ISDIR(info.st_mode))
            Walk(path, below + QStringList{decoded}, walk);
        else if (S_ISLNK(info.st_mode))
            TakeLinkedSource({path, below, decoded, {}}, walk);
        else if (S_ISREG(info.st_mode))
            walk.Found.push_back({path, below, decoded, {}});
        else
            walk.Errors << QStringLiteral("%1: не обычный файл, пропущен").arg(path);
    }
    if (errno != 0)
        walk.Errors
            << QStringLiteral("%1: не удалось прочитать папку: %2").arg(folder, SystemReason());
}

// Convertible files under `folder`, recursively, in name order of their relative paths.
std::vector<TFound> SourcesIn(const QString& folder, const QStringList& types,
                              QStringList& errors) {
    TWalk walk{QFileInfo(folder).canonicalFilePath(), types, {}, {}};
    Walk(folder.endsWith(u'/') && folder.size() > 1 ? folder.chopped(1) : folder, {}, walk);
    std::sort(walk.Found.begin(), walk.Found.end(),
              [](const TFound& a, const TFound& b) { return a.Path < b.Path; });
    errors << walk.Errors;
    return std::move(walk.Found);
}

// Where the page of `found` goes below `root`: its folders and name relative to the walk.
TPagePlace PlaceOf(const QString& root, const QDir& walked, const QString& page) {
    QStringList parts = walked.relativeFilePath(QFileInfo(page).absoluteFilePath()).split(u'/');
    const QString name = parts.takeLast();
    return {root, parts, name};
}

// Two sources bound for one page would race and leave whichever finished last; the later
// one in the plan's order is refused instead, so no page is silently replaced.
void RefuseSharedTargets(TPlan& plan) {
    QHash<QString, QString> writer; // absolute page path -> the source that writes it
    std::vector<TJob> kept;
    for (TJob& job : plan.Jobs) {
        if (!job.Target.isEmpty()) {
            const QString page = QDir::cleanPath(QFileInfo(job.Target).absoluteFilePath());
            if (const auto first = writer.constFind(page); first != writer.cend()) {
                // The same file named twice is simply converted once.
                if (QFileInfo(*first).absoluteFilePath() !=
                    QFileInfo(job.Source).absoluteFilePath())
                    plan.Errors << QStringLiteral("%1: страница \"%2\" уже пишется из %3")
                                       .arg(job.Source, job.Target, *first);
                continue;
            }
            writer.insert(page, job.Source);
        }
        kept.push_back(std::move(job));
    }
    plan.Jobs = std::move(kept);
}

} // namespace

QString PageName(const QString& source, const TPageNaming& naming) {
    const QString page = PageFileName(source, source, naming);
    if (page.isEmpty())
        return {};
    // A name is taken as it stands: leading blanks belong to it.
    const qsizetype lead = TrimView(source).data() - source.constData();
    return source.left(lead) + page;
}

bool OutputIsFile(const TOptions& options) {
    // -o names the page of a single file, unless it is (or is written as) a folder.
    return !options.Output.isEmpty() && options.Sources.size() == 1 &&
           !QFileInfo(options.Sources[0]).isDir() && !options.Output.endsWith('/') &&
           !QFileInfo(options.Output).isDir();
}

TPlan PlanJobs(const TOptions& options, const TPageNaming& naming) {
    TPlan plan;
    const bool outputIsFile = OutputIsFile(options);
    const QDir outputDir(options.Output);

    for (const QString& source : options.Sources) {
        if (source == "-") {
            if (outputIsFile)
                plan.Jobs.push_back({source, options.Output, TTargetRule::Named, {}, {}});
            else
                plan.Jobs.push_back({source, {}, TTargetRule::Page, {}, {}});
            continue;
        }
        const QFileInfo info(source);
        if (info.isDir()) {
            const QDir root(info.absoluteFilePath());
            for (TFound& found : SourcesIn(source, options.Types, plan.Errors)) {
                const QString page = PageName(found.Path, naming);
                const QString target = options.Output.isEmpty()
                                           ? page
                                           : outputDir.filePath(root.relativeFilePath(
                                                 QFileInfo(page).absoluteFilePath()));
                TPagePlace place =
                    PlaceOf(options.Output.isEmpty() ? source : options.Output, root, page);
                plan.Jobs.push_back(
                    {found.Path, target, TTargetRule::Page,
                     TWalkedSource{source, found.Folders, found.FileName, found.Linked},
                     std::move(place)});
            }
            continue;
        }
        if (!info.exists()) {
            plan.Errors << (source.contains(QChar::ReplacementCharacter)
                                ? QStringLiteral("%1: имя не в кодировке UTF-8").arg(source)
                                : QStringLiteral("%1: нет такого файла или папки").arg(source));
            continue;
        }
        const QString page = PageName(source, naming);
        if (page.isEmpty()) {
            plan.Errors << QStringLiteral("%1: файлы этого типа не конвертируются (можно: %2)")
                               .arg(source, SourceTypeNames().join(u','));
            continue;
        }
        QString target = page;
        if (outputIsFile)
            target = options.Output;
        else if (!options.Output.isEmpty())
            target = outputDir.filePath(QFileInfo(page).fileName());
        plan.Jobs.push_back(
            {source, target, outputIsFile ? TTargetRule::Named : TTargetRule::Page, {}, {}});
    }
    RefuseSharedTargets(plan);
    return plan;
}

TFileHandle OpenWalkedSource(const TJob& job, struct stat& info) {
    const TWalkedSource& walked = *job.Walked;
    const auto refuse = [&job](const QString& reason) {
        return Exception(CannotReadMessage(job.Source, reason));
    };
    TFileHandle folder = OpenFolder(walked.Root);
    int error = errno;
    for (const QString& part : walked.Folders) {
        if (!folder.IsValid())
            break;
        TFileHandle below = OpenSubfolder(folder.Fd(), QFile::encodeName(part), false);
        error = errno;
        folder = std::move(below);
    }
    if (!folder.IsValid())
        throw refuse(error == ELOOP || error == ENOTDIR
                         ? QStringLiteral("папка на пути заменена ссылкой или файлом")
                         : SystemReason(error));
    QString reason;
    TFileHandle file = OpenRegularFile(folder.Fd(), QFile::encodeName(walked.FileName),
                                       !walked.Linked, info, reason);
    if (!file.IsValid())
        throw refuse(reason);
    if (walked.Linked && (quint64(info.st_dev) != walked.Linked->first ||
                          quint64(info.st_ino) != walked.Linked->second))
        throw refuse(QStringLiteral("ссылка ведёт уже не к тому файлу"));
    return file;
}
