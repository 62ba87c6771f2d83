#include "Runner.h"

#include "CheckedDevice.h"
#include "Exception.h"
#include "FolderFiles.h"
#include "PageBatch.h"
#include "PageRecipe.h"
#include "PageTarget.h"
#include "Site.h"
#include "StandardStreams.h"
#include "TStrings.h"
#include "TextFile.h"
#include "Xref.h"
#include "__pas2html.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <functional>
#include <mutex>
#include <new>
#include <optional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <vector>

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

TPageRecipe RecipeFor(const QString& title, const TWindowSettings& in, const TPageExtras& extras,
                      TUnmarkedSource unmarked) {
    TPageRecipe recipe = RecipeOf(title, &in.Attr, in.AfterOrNull(), in.EndBeforeOrNull());
    recipe.Extras = extras;
    recipe.Unmarked = unmarked;
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

TOutcome ConvertStandardInput(const TJob& job, const TPageRecipe& recipe) {
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

// Opens the source of a walk again from the walked folder, no folder on the way and (unless
// the walk allowed it) not the file itself followed as a link, without waiting on a FIFO. Only
// a regular file is read; a link only when it still leads to the file the walk found.
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

bool ConvertWalked(const TJob& job, TPageTarget& target, const TPageRecipe& recipe,
                   TPageReport& report) {
    struct stat info {};
    const TFileHandle source = OpenWalkedSource(job, info);
    target.Check(info);
    QFile input;
    if (!input.open(source.Fd(), QIODevice::ReadOnly | QIODevice::Unbuffered,
                    QFileDevice::DontCloseHandle))
        throw Exception(CannotReadMessage(job.Source, input.errorString()));
    if (!ConvertSourceStream(
            input, job.Source, recipe, [&target]() -> QIODevice& { return target.Open(); },
            target.Name(), &report))
        return false;
    target.Commit();
    return true;
}

// `result` records the page once it is there, even when the run then reports the source.
TOutcome ConvertFile(const TJob& job, const TPageRecipe& recipe, TPageResult& result,
                     TPageBatch& batch) {
    TPageReport report;
    bool written = false;
    if (job.Walked) {
        TPageTarget target(job.Target, *job.Place, &batch);
        written = ConvertWalked(job, target, recipe, report);
    } else {
        // A folder named with -o is made as needed, the way the user wrote it. Only a page the
        // user named is written on its own; the others of the run go in its batches.
        const QFileInfo page(job.Target);
        QDir().mkpath(page.path());
        std::optional<TPageTarget> target;
        if (job.Rule == TTargetRule::Named)
            target.emplace(job.Target, job.Rule);
        else
            target.emplace(job.Target, TPagePlace{page.path(), {}, page.fileName()}, &batch);
        written = FilePas_2_Target(job.Source, *target, recipe, &report);
    }
    if (!written)
        return TOutcome::Blank;
    result.Written = true;
    result.Lines = report.Lines;
    ReportDamagedForm(job.Source, report.FormProblem);
    return TOutcome::Written;
}

// Runs `work` for every index below `count` on up to `workers` threads, this one among them.
// A thread the system will not start leaves its share to those that did.
void RunOnWorkers(size_t count, int workers, const std::function<void(size_t)>& work) {
    std::atomic<size_t> next{0};
    const auto loop = [&next, count, &work] {
        for (size_t i = next++; i < count; i = next++)
            work(i);
    };
    std::vector<std::thread> threads;
    for (size_t k = 1; k < size_t(std::max(workers, 1)) && k < count; ++k) {
        if (gFileHooks.ThreadMayStart && !gFileHooks.ThreadMayStart())
            break;
        try {
            threads.emplace_back(loop);
        } catch (const std::system_error&) {
            break;
        }
    }
    loop();
    for (std::thread& thread : threads)
        thread.join();
}

// Folders a batch may hold open: what the descriptor limit leaves beside the workers' own.
size_t FolderBudget(int workers) {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
        getrlimit(RLIMIT_NOFILE, &limit);
    }
    const qint64 spare =
        qint64(std::min<rlim_t>(limit.rlim_cur, 1 << 20)) - 64 - 4 * qint64(workers);
    return size_t(std::clamp<qint64>(spare, 16, 4096));
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
    const int workers = options.Jobs > 0 ? options.Jobs : QThread::idealThreadCount();
    std::optional<TXrefRun> xref;
    if (options.Xref)
        xref.emplace(options, plan, workers);
    TPageBatch::TLimits limits;
    limits.Folders = FolderBudget(workers);
    // Pages a failed batch left as they were are known by name; once the run is over they
    // leave the index and name the pages that link to them.
    std::mutex notReplacedMutex;
    QSet<QString> notReplaced;
    TPageBatch batch(
        limits,
        [&failed](const QString& message) {
            TReporter::Print("pas2html: " + message);
            failed = true;
        },
        [&](const QString& page) {
            const std::lock_guard lock(notReplacedMutex);
            notReplaced.insert(page);
        });
    auto run = [&](const TJob& job) {
        const QString title = options.Title       ? *options.Title
                              : job.Source == "-" ? QString()
                                                  : TitleFromFileName(job.Source);
        TOutcome outcome = TOutcome::Failed;
        QString error;
        TPageRecipe recipe = RecipeFor(title, settings, site.ExtrasFor(job), options.Unmarked);
        std::vector<TXrefMark> marks;
        // Nothing a conversion throws may end the run or the worker: it is that file's failure.
        try {
            if (xref) {
                marks = xref->MarksFor(size_t(&job - plan.Jobs.data()));
                recipe.Extras.XrefMarks = &marks;
            }
            outcome =
                job.Source == "-"
                    ? ConvertStandardInput(job, recipe)
                    : ConvertFile(job, recipe, results[size_t(&job - plan.Jobs.data())], batch);
        } catch (const Exception& e) {
            error = e.Message();
        } catch (const std::bad_alloc&) {
            error = QStringLiteral("%1: недостаточно памяти").arg(SourceName(job));
        } catch (const std::exception& e) {
            error = QStringLiteral("%1: %2").arg(SourceName(job), QString::fromLocal8Bit(e.what()));
        } catch (...) {
            error = QStringLiteral("%1: непредвиденная ошибка").arg(SourceName(job));
        }
        if (outcome == TOutcome::Failed) {
            failed = true;
            TPageResult& result = results[size_t(&job - plan.Jobs.data())];
            result.Failed = !result.Written;
        }
        reporter.Done(job, outcome, error);
    };

    // Standard input is read once, on this thread, first; files go to the workers.
    std::vector<const TJob*> files;
    for (const TJob& job : plan.Jobs) {
        if (job.Source == "-")
            run(job);
        else
            files.push_back(&job);
    }
    RunOnWorkers(files.size(), workers, [&run, &files](size_t i) { run(*files[i]); });
    batch.Commit();
    for (size_t i = 0; i < plan.Jobs.size(); ++i)
        if (results[i].Written && notReplaced.contains(plan.Jobs[i].Target))
            results[i] = {false, true, 0};
    for (const QString& message : site.LinksToUnwritten(plan, results))
        TReporter::Print("pas2html: " + message);
    // The references pages, the symbol index and the index come after the last page is in
    // place.
    if (xref) {
        try {
            xref->WritePages(options, results);
        } catch (const Exception& e) {
            TReporter::Print("pas2html: " + e.Message());
            failed = true;
        }
    }
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
