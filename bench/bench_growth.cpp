// One-line sources of 1 MB and 10 MB for patterns that could make a converter slower than
// linear; prints time(10 MB) / (10 x time(1 MB)) per pattern, for the string entry point in
// this process and for a whole pas2html process (which goes through the file entry point).
// A benchmark, not a test.
//
// In this process the allocator is told to keep freed memory, so that the 10 MB runs reuse
// warm pages as the 1 MB runs do and the figure shows the converter's own work rather than
// the kernel's first-touch page faults; the process figure includes both.

#include "TextCodec.h"
#include "__pas2html.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <malloc.h>

namespace {

QByteArray Repeat(const QByteArray& prefix, const QByteArray& unit, qsizetype size) {
    QByteArray text = prefix;
    text.reserve(size + unit.size());
    while (text.size() < size)
        text += unit;
    text.truncate(size);
    return text;
}

template <class Run> double BestOfThree(Run run) {
    double best = 1e9;
    for (int r = 0; r < 3; ++r) {
        QElapsedTimer timer;
        timer.start();
        run();
        best = std::min(best, double(timer.nsecsElapsed()) / 1e9);
    }
    return best;
}

struct TTimes {
    double InProcess, Process;
};

TTimes Measure(const QByteArray& bytes, const QString& source, const QString& page,
               const QString& cli) {
    const QString text = DecodeText(bytes, TTextEncoding::Ansi);
    const double inProcess =
        BestOfThree([&] { return pas2html(text, "T", nullptr, nullptr, nullptr).size(); });
    const double process = BestOfThree([&] { QProcess::execute(cli, {"-q", "-o", page, source}); });
    return {inProcess, process};
}

} // namespace

int main(int argc, char* argv[]) {
    mallopt(M_MMAP_THRESHOLD, 1 << 30);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    QCoreApplication app(argc, argv);
    const QString cli = QCoreApplication::applicationDirPath() + "/pas2html";
    QTemporaryDir dir;
    const struct {
        const char* Name;
        QByteArray Prefix, Unit;
    } patterns[] = {
        {"every character <", "", "<"},
        {"runs of ''", "", "''"},
        {"\"1 \" repeated", "", "1 "},
        {"unclosed {", "{", "x "},
        {"unclosed (*", "(*", "x "},
        {"unclosed {$", "{$", "x "},
        {"words glued to braces", "", "begin{x}end{y}"},
        {"one long identifier", "", "abcdefgh"},
        {"& runs", "", "&&&&x"},
        {"keywords", "", "begin end "},
    };
    constexpr qsizetype kMB = 1024 * 1024;
    std::printf("%-22s %9s %9s %7s   %9s %9s %7s\n", "pattern", "1 MB", "10 MB", "growth", "1 MB",
                "10 MB", "growth");
    std::printf("%-22s %27s   %27s\n", "", "string entry point (s)", "pas2html process (s)");
    double worst = 0, worstProcess = 0;
    for (const auto& p : patterns) {
        TTimes times[2];
        for (int k = 0; k < 2; ++k) {
            const QString source = dir.filePath(QStringLiteral("line%1.pas").arg(k));
            QFile f(source);
            const QByteArray bytes = Repeat(p.Prefix, p.Unit, (k ? 10 : 1) * kMB);
            if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
                return 1;
            f.close();
            times[k] = Measure(bytes, source, dir.filePath("line.htm"), cli);
        }
        const double growth = times[1].InProcess / (10 * times[0].InProcess);
        const double growthProcess = times[1].Process / (10 * times[0].Process);
        worst = std::max(worst, growth);
        worstProcess = std::max(worstProcess, growthProcess);
        std::printf("%-22s %9.4f %9.4f %7.2f   %9.4f %9.4f %7.2f\n", p.Name, times[0].InProcess,
                    times[1].InProcess, growth, times[0].Process, times[1].Process, growthProcess);
    }
    std::printf("worst growth: %.2f in process, %.2f as a process (linear is 1.0)\n", worst,
                worstProcess);
    return 0;
}
