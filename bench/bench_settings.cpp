// Reading a 50 MB settings file of several shapes: once as the window reads it at start-up,
// and through a whole pas2html --settings run on a small source; then saving a tag set of
// 100,000 keys as the window's "Сохранить" does. A benchmark, not a test.

#include "WindowSettings.h"
#include "__files.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <ctime>
#include <functional>

namespace {

constexpr qsizetype FileSize = 50 * 1024 * 1024;

const QByteArray HtmlSection = "[HTML]\nSuffix_PAS=_u\nYes_Suffix_DFM=0\nHTML_ExtFile_Index=1\n"
                               "Yes_HTML_after_BODY=1\n[FILES]\nDir=/tmp\n";
const QByteArray AttrSection = "[HTML_Attr]\nBcom=<i>\nEcom=</i>\nBres=<b>\nEres=</b>\n";

// Lines from `line(i)` until the file is FileSize long.
QByteArray Fill(QByteArray text, const std::function<QByteArray(qsizetype)>& line) {
    for (qsizetype i = 0; text.size() < FileSize; ++i)
        text += line(i);
    return text;
}

struct Shape {
    const char* name;
    QByteArray bytes;
};

std::vector<Shape> Shapes() {
    return {
        {"keys of another section",
         Fill(HtmlSection + AttrSection + "[Other]\n",
              [](qsizetype i) { return "Key" + QByteArray::number(i) + "=some value here\n"; })},
        {"many sections, HTML_Attr last",
         Fill(HtmlSection, [](qsizetype i) { return "[S" + QByteArray::number(i) + "]\nk=v\n"; }) +
             AttrSection},
        {"huge HTML_Attr section",
         Fill(HtmlSection + AttrSection,
              [](qsizetype i) { return "Extra" + QByteArray::number(i) + "=<span>\n"; })},
        {"comment lines",
         Fill(HtmlSection + AttrSection, [](qsizetype) { return QByteArray(200, ';') + '\n'; })},
        {"a few huge values", Fill(HtmlSection + AttrSection,
                                   [](qsizetype i) {
                                       return "Big" + QByteArray::number(i) + '=' +
                                              QByteArray(10 * 1024 * 1024, 'x') + '\n';
                                   })},
    };
}

double Seconds(const std::function<void()>& run) {
    QElapsedTimer timer;
    timer.start();
    run();
    return double(timer.nsecsElapsed()) / 1e9;
}

double CpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QString pas2html = QCoreApplication::applicationDirPath() + "/pas2html";
    QTemporaryDir dir;
    const QString ini = dir.filePath("dwelk.ini");
    const QString source = dir.filePath("u.pas");
    QFile src(source);
    if (!src.open(QIODevice::WriteOnly) || src.write("unit u; begin end.\n") < 0)
        return 1;
    src.close();

    std::printf("%-32s %12s %14s\n", "50 MB settings file", "read (s)", "pas2html (s)");
    for (const Shape& shape : Shapes()) {
        QFile file(ini);
        if (!file.open(QIODevice::WriteOnly) || file.write(shape.bytes) != shape.bytes.size())
            return 1;
        file.close();
        qsizetype keys = 0;
        const double read = Seconds([&] { keys = ReadSettingsFile(ini).HTML_Attr.Count(); });
        int status = -1;
        const double run = Seconds([&] {
            status = QProcess::execute(
                pas2html, {"-q", "--settings", ini, source, "-o", dir.filePath("u.htm")});
        });
        std::printf("%-32s %12.2f %14.2f%s\n", shape.name, read, run,
                    status == 0 ? "" : "  (pas2html failed)");
        if (keys == 0)
            return 1;
    }

    // A tag set of 100,000 keys saved into a new file, then over itself with every value
    // changed, then into a file whose keys differ in letter case.
    constexpr int TagKeys = 100000;
    const auto tags = [](const char* name, const char* value) {
        TStrings lines;
        for (int i = 0; i < TagKeys; ++i)
            lines.Add(QStringLiteral("%1%2=<span class=\"c%3\">").arg(name).arg(i).arg(value));
        return lines;
    };
    TStrings first = tags("Tag", "1"), changed = tags("Tag", "2"), upper = tags("TAG", "3");
    const QString saved = dir.filePath("tags.ini");
    // The wall time includes the sync that makes the file safe, which a busy disk stretches;
    // the CPU time is the save's own work.
    std::printf("\n%-32s %12s %14s\n", "tag set of 100,000 keys", "save (s)", "CPU (s)");
    for (const auto& [name, lines] :
         {std::pair{"into a new file", &first}, std::pair{"every value changed", &changed},
          std::pair{"keys in other letter case", &upper}}) {
        const double cpuBefore = CpuSeconds();
        const double save =
            Seconds([&] { INI_WriteSection(saved, QStringLiteral("HTML_Attr"), lines); });
        std::printf("%-32s %12.2f %14.2f\n", name, save, CpuSeconds() - cpuBefore);
    }
    return ReadSettingsFile(saved).HTML_Attr.Count() == TagKeys ? 0 : 1;
}
