// Converts one generated 10 MB Pascal file to a page through the file entry point and
// reports throughput and peak memory; times source-highlight and highlight on the same
// file when they are installed. A benchmark, not a test.

#include "PascalSample.h"
#include "__pas2html.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cstdio>
#include <sys/resource.h>
#include <sys/wait.h>

namespace {

constexpr int kRounds = 5;

// Best wall time of `rounds` runs of a program, in seconds, and its peak memory in bytes.
struct TMeasure {
    double Seconds = 1e9;
    long PeakBytes = 0;
};

TMeasure MeasureProgram(const QString& program, const QStringList& args, int rounds) {
    TMeasure best;
    for (int r = 0; r < rounds; ++r) {
        QElapsedTimer timer;
        timer.start();
        QProcess p;
        p.setStandardOutputFile(QProcess::nullDevice());
        p.setStandardErrorFile(QProcess::nullDevice());
        p.start(program, args);
        p.waitForStarted();
        const pid_t pid = pid_t(p.processId());
        int status = 0;
        rusage usage{};
        // Reap the child ourselves so its own peak memory can be read.
        wait4(pid, &status, 0, &usage);
        const double seconds = double(timer.nsecsElapsed()) / 1e9;
        p.waitForFinished(100);
        best.Seconds = std::min(best.Seconds, seconds);
        best.PeakBytes = std::max(best.PeakBytes, usage.ru_maxrss * 1024L);
    }
    return best;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString source = dir.filePath("Big.pas"), page = dir.filePath("Big_pas.htm");
    qsizetype size = 0;
    {
        // Freed before any measuring: a child's peak memory starts from this process's.
        const QByteArray bytes = GeneratePascal(10 * 1024 * 1024);
        QFile f(source);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            return 1;
        size = bytes.size();
    }
    const double megabytes = double(size) / (1024.0 * 1024.0);
    std::printf("source: %.1f MB of Pascal (windows-1251)\n", megabytes);

    // Peak memory of a whole conversion, measured in a process of its own.
    const QString cli = QCoreApplication::applicationDirPath() + "/pas2html";
    if (QFile::exists(cli)) {
        const TMeasure run = MeasureProgram(cli, {"-q", "-o", page, source}, 3);
        std::printf("pas2html process: best of 3 %.3f s, peak memory %.1f MB (%.2f x the source)\n",
                    run.Seconds, double(run.PeakBytes) / (1024.0 * 1024.0),
                    double(run.PeakBytes) / double(size));
    }

    TStrings tags;
    htmlTextAttr_Def1(&tags);
    double best = 1e9;
    for (int r = 0; r < kRounds; ++r) {
        QElapsedTimer timer;
        timer.start();
        FilePas_2_FileHtml(source, page, "Big.pas", &tags, nullptr, nullptr, true);
        best = std::min(best, double(timer.nsecsElapsed()) / 1e9);
    }
    std::printf("dwelk FilePas_2_FileHtml: best of %d %.3f s, %.0f MB/s\n", kRounds, best,
                megabytes / best);

    double fastestPeer = 0;
    const struct {
        const char* Name;
        QStringList Args;
    } peers[] = {
        {"source-highlight",
         {"-s", "pascal", "-f", "html", "-i", source, "-o", dir.filePath("sh.html")}},
        {"highlight", {"-S", "pas", "-O", "html", "-i", source, "-o", dir.filePath("hl.html")}},
    };
    for (const auto& peer : peers) {
        const QString program = QStandardPaths::findExecutable(peer.Name);
        if (program.isEmpty()) {
            std::printf("%s: not installed, skipped\n", peer.Name);
            continue;
        }
        const TMeasure run = MeasureProgram(program, peer.Args, 3);
        std::printf("%s: best of 3 %.3f s (%.1f x dwelk's time)\n", peer.Name, run.Seconds,
                    run.Seconds / best);
        if (fastestPeer == 0 || run.Seconds < fastestPeer)
            fastestPeer = run.Seconds;
    }
    if (fastestPeer > 0)
        std::printf("dwelk is %.1f x faster than the faster peer\n", fastestPeer / best);
    return 0;
}
