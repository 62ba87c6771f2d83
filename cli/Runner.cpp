#include "Runner.h"

#include "CheckedDevice.h"
#include "Exception.h"
#include "FolderFiles.h"
#include "PageBatch.h"
#include "PageTarget.h"
#include "SitePublisher.h"
#include "StandardStreams.h"
#include "Workers.h"
#include "__pas2html.h"

#include <QFile>
#include <QThread>
#include <algorithm>
#include <atomic>
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

// Standard input closed, or redirected from a folder, is a failure rather than a blank source.
void CheckStandardInput() {
    struct stat info {};
    if (StandardStreamClosed(STDIN_FILENO) || fstat(STDIN_FILENO, &info) != 0)
        throw Exception(QStringLiteral("стандартный ввод закрыт"));
    if (S_ISDIR(info.st_mode))
        throw Exception(QStringLiteral("стандартный ввод: это папка"));
}

// True when a page was written; a blank source gives none.
bool ConvertStandardInput(const TJob& job, const TPageRecipe& recipe) {
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
        return written;
    }
    TPageReport report;
    if (!ConvertSourceStream(
            input, inName, recipe, [&target]() -> QIODevice& { return target->Open(); }, job.Target,
            &report))
        return false;
    target->Commit();
    ReportDamagedForm(inName, report.FormProblem);
    return true;
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

int RunJobs(const TOptions& options, TWindowSettings settings) {
    std::atomic<bool> failed = false;
    const int workers = options.Jobs > 0 ? options.Jobs : QThread::idealThreadCount();
    TPageBatch::TLimits limits;
    limits.Folders = FolderBudget(workers);
    TSitePublisher publisher(options, std::move(settings), workers, limits,
                             [&failed](const QString& message) {
                                 TReporter::Print("pas2html: " + message);
                                 failed = true;
                             });
    if (const QString refusal = publisher.Refusal(); !refusal.isEmpty()) {
        TReporter::Print("pas2html: " + refusal);
        return 2;
    }
    const TPlan& plan = publisher.Plan();
    for (const QString& error : plan.Errors)
        TReporter::Print("pas2html: " + error);
    if (!plan.Errors.isEmpty())
        failed = true;

    TReporter reporter(options, plan.Jobs.size());
    auto run = [&](const TJob& job) {
        const size_t index = size_t(&job - plan.Jobs.data());
        TOutcome outcome = TOutcome::Failed;
        QString error;
        // Nothing a conversion throws may end the run or the worker: it is that file's failure.
        try {
            bool written = false;
            if (job.Source == "-") {
                TXrefMarks marks;
                written = ConvertStandardInput(job, publisher.RecipeFor(index, marks));
            } else {
                written = publisher.WritePage(index);
            }
            outcome = written ? TOutcome::Written : TOutcome::Blank;
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

    // Standard input is read once, on this thread, first; files go to the workers.
    std::vector<const TJob*> files;
    for (const TJob& job : plan.Jobs) {
        if (job.Source == "-")
            run(job);
        else
            files.push_back(&job);
    }
    RunOnWorkers(files.size(), workers, [&run, &files](size_t i) { run(*files[i]); });
    for (const QString& failure : publisher.Finish()) {
        TReporter::Print("pas2html: " + failure);
        failed = true;
    }
    return failed ? 1 : 0;
}
