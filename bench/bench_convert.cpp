// Converts one Pascal file to a page and reports time, MB/s and peak memory, with the times
// of source-highlight and highlight on the same file when they are installed. A benchmark,
// not a test.
//
//   bench_convert          a generated 10 MB unit (windows-1251)
//   bench_convert FILE     that file
//   bench_convert FOLDER   the sources pas2html converts in it, concatenated up to 15 MB for
//                          the one-file figures, and the whole folder with pas2html -j 1 and
//                          -j 2 (files/s, MB/s)
//
// Times are the best of several runs; CPU time (user and system) is given beside the wall
// time because a shared machine makes wall time noisy.

#include "PascalSample.h"
#include "__pas2html.h"

#include <QCoreApplication>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cstdio>
#include <sys/resource.h>
#include <sys/wait.h>

namespace {

constexpr int kRounds = 5;
constexpr qsizetype kConcatenated = 15 * 1000 * 1000;

struct TMeasure {
    double Seconds = 1e9;    // best wall time
    double CpuSeconds = 1e9; // best user + system time
    long PeakBytes = 0;
};

double Seconds(const timeval& t) {
    return double(t.tv_sec) + double(t.tv_usec) / 1e6;
}

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
        // Reap the child ourselves so its own peak memory and CPU time can be read.
        wait4(pid, &status, 0, &usage);
        const double seconds = double(timer.nsecsElapsed()) / 1e9;
        p.waitForFinished(100);
        best.Seconds = std::min(best.Seconds, seconds);
        best.CpuSeconds =
            std::min(best.CpuSeconds, Seconds(usage.ru_utime) + Seconds(usage.ru_stime));
        best.PeakBytes = std::max(best.PeakBytes, usage.ru_maxrss * 1024L);
    }
    return best;
}

double Megabytes(qsizetype bytes) {
    return double(bytes) / (1000.0 * 1000.0);
}

QStringList SourcesIn(const QString& folder, qsizetype* bytes) {
    QStringList files;
    *bytes = 0;
    QDirIterator it(folder, {"*.pas", "*.dfm", "*.dpr"}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        files << it.next();
        *bytes += it.fileInfo().size();
    }
    files.sort();
    return files;
}

// Writes the sample the one-file figures use; false when there is nothing to write.
bool WriteSample(const QString& argument, const QString& sample) {
    QByteArray bytes;
    if (argument.isEmpty()) {
        bytes = GeneratePascal(10 * 1024 * 1024);
    } else if (QFileInfo(argument).isDir()) {
        qsizetype total = 0;
        for (const QString& file : SourcesIn(argument, &total)) {
            QFile f(file);
            if (f.open(QIODevice::ReadOnly))
                bytes += f.readAll();
            if (bytes.size() >= kConcatenated)
                break;
        }
    } else {
        return QFile::copy(argument, sample);
    }
    QFile f(sample);
    return !bytes.isEmpty() && f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

void MeasureFolder(const QString& cli, const QString& folder, const QString& scratch) {
    qsizetype bytes = 0;
    const qsizetype files = SourcesIn(folder, &bytes).size();
    std::printf("folder: %lld files, %.1f MB\n", static_cast<long long>(files), Megabytes(bytes));
    for (const char* jobs : {"1", "2"}) {
        const TMeasure run = MeasureProgram(cli, {"-q", "-j", jobs, "-o", scratch, folder}, 3);
        std::printf("pas2html -j %s: best of 3 %.2f s (CPU %.2f s), %.0f files/s, %.0f MB/s\n",
                    jobs, run.Seconds, run.CpuSeconds, double(files) / run.Seconds,
                    Megabytes(bytes) / run.Seconds);
    }
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QString argument = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    QTemporaryDir dir;
    const QString source = dir.filePath("Big.pas"), page = dir.filePath("Big_pas.htm");
    // Written and freed before any measuring: a child's peak memory starts from this process's.
    if (!WriteSample(argument, source)) {
        std::fprintf(stderr, "bench_convert: no Pascal source found in %s\n", argv[1]);
        return 1;
    }
    const qsizetype size = QFileInfo(source).size();
    const double megabytes = Megabytes(size);
    std::printf("source: %.1f MB, %s\n", megabytes,
                argument.isEmpty() ? "generated (windows-1251)" : qPrintable(argument));

    const QString cli = QCoreApplication::applicationDirPath() + "/pas2html";
    TMeasure process;
    if (QFile::exists(cli)) {
        process = MeasureProgram(cli, {"-q", "-o", page, source}, kRounds);
        std::printf("pas2html process: best of %d %.3f s (CPU %.3f s), peak memory %.1f MB\n",
                    kRounds, process.Seconds, process.CpuSeconds,
                    double(process.PeakBytes) / (1024.0 * 1024.0));
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

    const struct {
        const char* Name;
        QStringList Args;
    } peers[] = {
        {"source-highlight",
         {"-s", "pascal", "-f", "html", "-i", source, "-o", dir.filePath("sh.html")}},
        {"highlight", {"-S", "pas", "-O", "html", "-i", source, "-o", dir.filePath("hl.html")}},
    };
    TMeasure fastest;
    for (const auto& peer : peers) {
        const QString program = QStandardPaths::findExecutable(peer.Name);
        if (program.isEmpty()) {
            std::printf("%s: not installed, skipped\n", peer.Name);
            continue;
        }
        const TMeasure run = MeasureProgram(program, peer.Args, 3);
        std::printf("%s: best of 3 %.3f s (CPU %.3f s), %.1f x dwelk's time\n", peer.Name,
                    run.Seconds, run.CpuSeconds, run.Seconds / best);
        if (run.Seconds < fastest.Seconds)
            fastest = run;
    }
    if (fastest.Seconds < 1e9) {
        std::printf("dwelk is %.1f x faster than the faster peer (in-process wall time)\n",
                    fastest.Seconds / best);
        if (process.CpuSeconds < 1e9)
            std::printf("pas2html is %.1f x faster than the faster peer (process CPU time)\n",
                        fastest.CpuSeconds / process.CpuSeconds);
    }

    if (!argument.isEmpty() && QFileInfo(argument).isDir() && QFile::exists(cli))
        MeasureFolder(cli, argument, dir.filePath("pages"));
    return 0;
}
