#include "Jobs.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QHash>
#include <algorithm>

namespace {

// Convertible files under `folder`, recursively, in name order of their relative paths.
QStringList SourcesIn(const QString& folder) {
    QStringList found;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (IsPascalSource(path))
            found << path;
    }
    std::sort(found.begin(), found.end());
    return found;
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
    return PageFileName(source, source, naming);
}

TPlan PlanJobs(const TOptions& options, const TPageNaming& naming) {
    TPlan plan;
    // -o names the page of a single file, unless it is (or is written as) a folder.
    const bool outputIsFile = !options.Output.isEmpty() && options.Sources.size() == 1 &&
                              !QFileInfo(options.Sources[0]).isDir() &&
                              !options.Output.endsWith('/') && !QFileInfo(options.Output).isDir();
    const QDir outputDir(options.Output);

    for (const QString& source : options.Sources) {
        if (source == "-") {
            plan.Jobs.push_back({source, outputIsFile ? options.Output : QString()});
            continue;
        }
        const QFileInfo info(source);
        if (info.isDir()) {
            const QDir root(info.absoluteFilePath());
            for (const QString& path : SourcesIn(source)) {
                const QString page = PageName(path, naming);
                const QString target = options.Output.isEmpty()
                                           ? page
                                           : outputDir.filePath(root.relativeFilePath(
                                                 QFileInfo(page).absoluteFilePath()));
                plan.Jobs.push_back({path, target});
            }
            continue;
        }
        if (!info.exists()) {
            plan.Errors << QStringLiteral("%1: нет такого файла или папки").arg(source);
            continue;
        }
        const QString page = PageName(source, naming);
        if (page.isEmpty()) {
            plan.Errors << QStringLiteral(
                               "%1: файлы этого типа не конвертируются (нужен .pas, .dfm или .dpr)")
                               .arg(source);
            continue;
        }
        QString target = page;
        if (outputIsFile)
            target = options.Output;
        else if (!options.Output.isEmpty())
            target = outputDir.filePath(QFileInfo(page).fileName());
        plan.Jobs.push_back({source, target});
    }
    RefuseSharedTargets(plan);
    return plan;
}
