#include "Runner.h"

#include "CheckedDevice.h"
#include "Exception.h"
#include "PageRecipe.h"
#include "PageTarget.h"
#include "Site.h"
#include "StandardStreams.h"
#include "TStrings.h"
#include "TextFile.h"
#include "__pas2html.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <QThreadPool>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <new>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

enum class TOutcome { Written, Blank, Failed };

class TReporter {
public:
    TReporter(const TOptions& options, size_t total)
        : FOptions(options), FTotal(total),
          FProgress(!options.Quiet && total > 1 && isatty(STDERR_FILENO)) {}

    void Done(const TJob& job, TOutcome outcome, const QString& error) {
        const std::lock_guard lock(FMutex);
        ++FDone;
        ClearProgress();
        if (outcome == TOutcome::Failed)
            Print("pas2html: " + error);
        else if (outcome == TOutcome::Blank && !FOptions.Quiet)
            Print(QStringLiteral("pas2html: пропущен пустой файл %1").arg(job.Source));
        else if (outcome == TOutcome::Written && FOptions.Verbose)
            Print(job.Target.isEmpty() ? QStringLiteral("%1 -> стандартный вывод").arg(job.Source)
                                       : QStringLiteral("%1 -> %2").arg(job.Source, job.Target));
        if (FProgress && FDone < FTotal) {
            const QByteArray line =
                QStringLiteral("[%1/%2] %3").arg(FDone).arg(FTotal).arg(job.Source).toLocal8Bit();
            std::fprintf(stderr, "\r%s", line.constData());
            FShownWidth = line.size();
        }
        std::fflush(stderr);
    }

    static void Print(const QString& text) {
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    }

private:
    void ClearProgress() {
        if (FShownWidth > 0)
            std::fprintf(stderr, "\r%*s\r", int(FShownWidth), "");
        FShownWidth = 0;
    }

    const TOptions& FOptions;
    const size_t FTotal;
    const bool FProgress;
    std::mutex FMutex;
    size_t FDone = 0;
    qsizetype FShownWidth = 0;
};

TPageRecipe RecipeFor(const QString& title, const TWindowSettings& in, const TPageExtras& extras) {
    TPageRecipe recipe = RecipeOf(title, &in.Attr, in.AfterOrNull(), in.EndBeforeOrNull());
    recipe.Extras = extras;
    return recipe;
}

// Standard input closed, or redirected from a folder, is a failure rather than a blank source.
void CheckStandardInput() {
    struct stat info {};
    if (StandardStreamClosed(STDIN_FILENO) || fstat(STDIN_FILENO, &info) != 0)
        throw Exception(QStringLiteral("стандартный ввод закрыт"));
    if (S_ISDIR(info.st_mode))
        throw Exception(QStringLiteral("стандартный ввод: это папка"));
}

// A damaged binary form still gives its page; the run then reports the source and fails.
void ReportDamagedForm(const QString& source, const QString& problem) {
    if (!problem.isEmpty())
        throw Exception(QStringLiteral("%1: %2").arg(source, problem));
}

TOutcome ConvertStandardInput(const TJob& job, const QString& title, const TWindowSettings& in,
                              TPageExtras& extras) {
    CheckStandardInput();
    std::optional<TPageTarget> target;
    if (!job.Target.isEmpty()) {
        target.emplace(job.Target, TTargetRule::Named);
        target->Check(QStringLiteral("/dev/stdin"));
    }
    QFile input;
    if (!input.open(stdin, QIODevice::ReadOnly | QIODevice::Unbuffered))
        throw Exception(QStringLiteral("не удалось прочитать стандартный ввод"));
    const QString inName = QStringLiteral("стандартный ввод");
    const TPageRecipe recipe = RecipeFor(title, in, extras);
    if (!target) {
        if (StandardStreamClosed(STDOUT_FILENO))
            throw Exception(QStringLiteral("стандартный вывод закрыт"));
        QFile output;
        if (!output.open(STDOUT_FILENO, QIODevice::WriteOnly | QIODevice::Unbuffered))
            throw Exception(QStringLiteral("не удалось записать в стандартный вывод"));
        TCheckedDevice checked(output);
        TPageReport report;
        const bool written = ConvertSourceStream(
            input, inName, recipe, [&checked]() -> QIODevice& { return checked; },
            QStringLiteral("стандартный вывод"), &report);
        ReportDamagedForm(inName, report.FormProblem);
        return written ? TOutcome::Written : TOutcome::Blank;
    }
    TPageReport report;
    if (!ConvertSourceStream(
            input, inName, recipe, [&target]() -> QIODevice& { return target->Open(); }, job.Target,
            &report))
        return TOutcome::Blank;
    target->Commit();
    ReportDamagedForm(inName, report.FormProblem);
    return TOutcome::Written;
}

// Creates the folders of `folder` below `root`; one that stands there as a link or a file is
// refused, so that a walk never writes outside its output folder.
void MakeFolders(const QString& root, const QString& folder) {
    const auto cannot = [](const QString& path, const QString& reason) {
        return Exception(QStringLiteral("не удалось создать папку \"%1\": %2").arg(path, reason));
    };
    // The output folder itself was named by the user, and may be a link.
    const QString top = root.isEmpty() ? folder : root;
    if (!QDir().mkpath(top))
        throw cannot(top, QStringLiteral("ошибка создания"));
    QString path = top;
    for (const QString& part : QDir(top)
                                   .relativeFilePath(QFileInfo(folder).absoluteFilePath())
                                   .split(u'/', Qt::SkipEmptyParts)) {
        if (part == u'.')
            continue;
        path += u'/' + part;
        QDir().mkdir(path); // another worker may be making it at the same time
        const QFileInfo info(path);
        if (info.isSymLink())
            throw cannot(path, QStringLiteral("на её месте символическая ссылка"));
        if (!info.isDir())
            throw cannot(path, info.exists() ? QStringLiteral("на её месте файл")
                                             : QStringLiteral("ошибка создания"));
    }
}

// `result` records the page once it is there, even when the run then reports the source.
TOutcome ConvertFile(const TJob& job, const QString& title, const TWindowSettings& in,
                     TPageExtras& extras, TPageResult& result) {
    MakeFolders(job.OutputRoot, QFileInfo(job.Target).path());
    TPageTarget target(job.Target, job.Rule);
    TPageReport report;
    if (!FilePas_2_Target(job.Source, target, RecipeFor(title, in, extras), &report))
        return TOutcome::Blank;
    result = {true, report.Lines};
    ReportDamagedForm(job.Source, report.FormProblem);
    return TOutcome::Written;
}

QString SourceName(const TJob& job) {
    return job.Source == "-" ? QStringLiteral("стандартный ввод") : job.Source;
}

} // namespace

int RunJobs(const TOptions& options, const TPlan& plan, TWindowSettings settings) {
    for (const QString& error : plan.Errors)
        TReporter::Print("pas2html: " + error);

    TReporter reporter(options, plan.Jobs.size());
    std::atomic<bool> failed = !plan.Errors.isEmpty();
    const TSiteMap site(options, plan);
    std::vector<TPageResult> results(plan.Jobs.size()); // each job fills its own
    auto run = [&](const TJob& job) {
        const QString title = options.Title       ? *options.Title
                              : job.Source == "-" ? QString()
                                                  : TitleFromFileName(job.Source);
        TOutcome outcome = TOutcome::Failed;
        QString error;
        TPageExtras extras = site.ExtrasFor(job);
        // Nothing a conversion throws may end the run or the worker: it is that file's failure.
        try {
            outcome = job.Source == "-" ? ConvertStandardInput(job, title, settings, extras)
                                        : ConvertFile(job, title, settings, extras,
                                                      results[size_t(&job - plan.Jobs.data())]);
        } catch (const Exception& e) {
            error = e.Message();
        } catch (const std::bad_alloc&) {
            error = QStringLiteral("%1: недостаточно памяти").arg(SourceName(job));
        } catch (const std::exception& e) {
            error = QStringLiteral("%1: %2").arg(SourceName(job), QString::fromLocal8Bit(e.what()));
        } catch (...) {
            error = QStringLiteral("%1: непредвиденная ошибка").arg(SourceName(job));
        }
        if (outcome == TOutcome::Failed)
            failed = true;
        reporter.Done(job, outcome, error);
    };

    // Standard input is read once, on this thread; files go to the pool's workers.
    QThreadPool pool;
    pool.setMaxThreadCount(options.Jobs > 0 ? options.Jobs : QThread::idealThreadCount());
    for (const TJob& job : plan.Jobs) {
        if (job.Source == "-")
            run(job);
        else
            pool.start([&run, &job] { run(job); });
    }
    pool.waitForDone();
    if (options.Index) {
        try {
            WriteIndex(options, plan, results);
        } catch (const Exception& e) {
            TReporter::Print("pas2html: " + e.Message());
            failed = true;
        }
    }
    return failed ? 1 : 0;
}
