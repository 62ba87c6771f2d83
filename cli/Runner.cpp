#include "Runner.h"

#include "Exception.h"
#include "TStrings.h"
#include "TextFile.h"
#include "__pas2html.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QThread>
#include <QThreadPool>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <new>
#include <optional>
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

TOutcome ConvertStandardInput(const TJob& job, const QString& title, const TWindowSettings& in) {
    QFile input;
    if (!input.open(stdin, QIODevice::ReadOnly))
        throw Exception(QStringLiteral("не удалось прочитать стандартный ввод"));
    const QByteArray bytes = input.readAll();
    const TStrings* after = in.AfterOrNull();
    const TStrings* before = in.EndBeforeOrNull();
    if (job.Target.isEmpty()) {
        QFile output;
        if (!output.open(stdout, QIODevice::WriteOnly))
            throw Exception(QStringLiteral("не удалось записать в стандартный вывод"));
        return ConvertSourceBytes(bytes, title, &in.Attr, after, before, output,
                                  QStringLiteral("стандартный вывод"))
                   ? TOutcome::Written
                   : TOutcome::Blank;
    }
    QSaveFile output(job.Target);
    if (!output.open(QIODevice::WriteOnly))
        throw Exception(CannotWriteMessage(job.Target, output.errorString()));
    if (!ConvertSourceBytes(bytes, title, &in.Attr, after, before, output, job.Target))
        return TOutcome::Blank;
    if (!output.commit())
        throw Exception(CannotWriteMessage(job.Target, output.errorString()));
    return TOutcome::Written;
}

TOutcome ConvertFile(const TJob& job, const QString& title, const TWindowSettings& in) {
    const QString folder = QFileInfo(job.Target).path();
    if (!QDir().mkpath(folder))
        throw Exception(QStringLiteral("не удалось создать папку \"%1\"").arg(folder));
    if (FilePas_2_FileHtml(job.Source, job.Target, title, &in.Attr, in.AfterOrNull(),
                           in.EndBeforeOrNull(), true))
        return TOutcome::Written;
    if (!QFileInfo(job.Source).isFile())
        throw Exception(QStringLiteral("%1: нет такого файла").arg(job.Source));
    return TOutcome::Blank;
}

} // namespace

int RunJobs(const TOptions& options, const TPlan& plan, TWindowSettings settings) {
    for (const QString& error : plan.Errors)
        TReporter::Print("pas2html: " + error);

    TReporter reporter(options, plan.Jobs.size());
    std::atomic<bool> failed = !plan.Errors.isEmpty();
    auto run = [&](const TJob& job) {
        const QString title = options.Title       ? *options.Title
                              : job.Source == "-" ? QString()
                                                  : TitleFromFileName(job.Source);
        TOutcome outcome = TOutcome::Failed;
        QString error;
        // Nothing a conversion throws may end the run or the worker: it is that file's failure.
        try {
            outcome = job.Source == "-" ? ConvertStandardInput(job, title, settings)
                                        : ConvertFile(job, title, settings);
        } catch (const Exception& e) {
            error = e.Message();
        } catch (const std::bad_alloc&) {
            error = QStringLiteral("%1: недостаточно памяти").arg(job.Source);
        } catch (const std::exception& e) {
            error = QStringLiteral("%1: %2").arg(job.Source, QString::fromLocal8Bit(e.what()));
        } catch (...) {
            error = QStringLiteral("%1: непредвиденная ошибка").arg(job.Source);
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
    return failed ? 1 : 0;
}
