#include "SitePublisher.h"

#include "Exception.h"
#include "FolderFiles.h"
#include "PageTarget.h"
#include "PlanCheck.h"
#include "TextFile.h"
#include "__pas2html.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <optional>
#include <sys/stat.h>
#include <system_error>
#include <thread>

namespace {

TPlan PlanWritable(const TOptions& options, const TPageNaming& naming) {
    TPlan plan = PlanJobs(options, naming);
    RefuseUnwritableTargets(plan);
    return plan;
}

bool ConvertWalked(const TJob& job, const TFileHandle& source, const struct stat& info,
                   TPageTarget& target, const TPageRecipe& recipe, TPageReport& report) {
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

} // namespace

void ReportDamagedForm(const QString& source, const QString& problem) {
    if (!problem.isEmpty())
        throw Exception(QStringLiteral("%1: %2").arg(source, problem));
}

TSitePublisher::TSitePublisher(const TOptions& options, TWindowSettings settings, int threads,
                               TPageBatch::TLimits limits,
                               std::function<void(const QString&)> batchFailure)
    : FOptions(options), FSettings(std::move(settings)),
      FPlan(PlanWritable(FOptions, FSettings.Naming)), FSite(FOptions, FPlan),
      FXref(FOptions.Xref ? std::make_optional<TXrefRun>(FOptions, FPlan, threads) : std::nullopt),
      FBatch(limits, std::move(batchFailure),
             [this](const QString& page) {
                 const std::lock_guard lock(FNotReplacedMutex);
                 FNotReplaced.insert(page);
             }),
      FResults(FPlan.Jobs.size()) {}

QString TSitePublisher::Refusal() const {
    if (const QString refusal = OutputRefusal(FOptions); !refusal.isEmpty())
        return refusal;
    return SiteRefusal(FOptions, FPlan);
}

TPageRecipe TSitePublisher::RecipeFor(size_t job, TXrefMarks& marks, const struct stat* opened) {
    const TJob& j = FPlan.Jobs[job];
    const QString title = FOptions.Title    ? *FOptions.Title
                          : j.Source == "-" ? QString()
                                            : TitleFromFileName(j.Source);
    TPageRecipe recipe =
        RecipeOf(title, &FSettings.Attr, FSettings.AfterOrNull(), FSettings.EndBeforeOrNull());
    recipe.Extras = FSite.ExtrasFor(j);
    recipe.Unmarked = FOptions.Unmarked;
    if (FXref) {
        marks = FXref->MarksFor(job, opened);
        recipe.Extras.XrefMarks = &marks;
    }
    return recipe;
}

// The result records the page once it is there, even when the run then reports the source.
bool TSitePublisher::WritePage(size_t job) {
    const TJob& j = FPlan.Jobs[job];
    TPageResult& result = FResults[job];
    try {
        TXrefMarks marks;
        TPageReport report;
        bool written = false;
        if (j.Walked) {
            // The source is opened before its marks are made: they are for the file the page
            // reads.
            struct stat info {};
            const TFileHandle source = OpenWalkedSource(j, info);
            const TPageRecipe recipe = RecipeFor(job, marks, &info);
            TPageTarget target(j.Target, *j.Place, &FBatch);
            written = ConvertWalked(j, source, info, target, recipe, report);
        } else {
            const TPageRecipe recipe = RecipeFor(job, marks);
            // A folder named with -o is made as needed, the way the user wrote it. Only a page
            // the user named is written on its own; the others of the run go in its batches.
            const QFileInfo page(j.Target);
            QDir().mkpath(page.path());
            std::optional<TPageTarget> target;
            if (j.Rule == TTargetRule::Named)
                target.emplace(j.Target, j.Rule);
            else
                target.emplace(j.Target, TPagePlace{page.path(), {}, page.fileName()}, &FBatch);
            written = FilePas_2_Target(j.Source, *target, recipe, &report);
        }
        if (!written)
            return false;
        result.Written = true;
        result.Lines = report.Lines;
        ReportDamagedForm(j.Source, report.FormProblem);
        return true;
    } catch (...) {
        result.Failed = !result.Written;
        throw;
    }
}

void TSitePublisher::CommitPages() {
    FBatch.Commit();
}

// The references pages, the symbol index and the index come after the last page is in place.
QStringList TSitePublisher::Finish() {
    CommitPages();
    for (size_t i = 0; i < FPlan.Jobs.size(); ++i)
        if (FResults[i].Written && FNotReplaced.contains(FPlan.Jobs[i].Target))
            FResults[i] = {false, true, 0};
    QStringList failures = FSite.LinksToUnwritten(
        FPlan, FResults, FXref ? FXref->LinksToFailed(FResults) : QHash<size_t, QStringList>{});
    if (FXref)
        failures << FXref->WritePages(FOptions, FResults);
    // The code browser's tables take a while to let go: beside the index, not after it (or
    // when the publisher goes, where no thread may start).
    std::optional<std::jthread> release;
    try {
        release.emplace([this] { FXref.reset(); });
    } catch (const std::system_error&) {
    }
    if (FOptions.Index) {
        try {
            WriteIndex(FOptions, FPlan, FResults);
        } catch (const Exception& e) {
            failures << e.Message();
        }
    }
    return failures;
}
