// Responsiveness of the syntax memo on large texts, drawn offscreen: assigning a 10 MB
// Pascal text plus the first paint; typing keys (real key events) in the middle of 1 MB and
// 10 MB texts, each with the change notification the clipboard page answers and a repaint;
// searching a 10 MB text to its end for a word it does not hold; the repaint after scrolling
// one page down. The texts are generated, and real Pascal units from Debian's fpc-source
// (/usr/share/fpcsrc) when that package is installed. A benchmark, not a test.

#include "PascalSample.h"
#include "THtmlEdit.h"
#include "TextCodec.h"
#include "synmemo.h"

#include <QApplication>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QScrollBar>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

QString GeneratedText(qsizetype bytes) {
    return DecodeText(GeneratePascal(bytes), TTextEncoding::Ansi);
}

// Units of the Free Pascal sources, in a fixed order, repeated until `bytes` are reached;
// empty when the sources are not installed.
QString RealText(qsizetype bytes) {
    static QByteArray corpus;
    if (corpus.isEmpty()) {
        QStringList files;
        QDirIterator it(QStringLiteral("/usr/share/fpcsrc"),
                        {QStringLiteral("*.pas"), QStringLiteral("*.pp")}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            files << it.next();
        files.sort();
        for (const QString& name : files) {
            QFile file(name);
            if (corpus.size() < 10 * 1024 * 1024 && file.open(QIODevice::ReadOnly))
                corpus += file.readAll();
        }
    }
    if (corpus.isEmpty())
        return {};
    QByteArray text;
    while (text.size() < bytes)
        text += corpus.first(std::min(corpus.size(), bytes - text.size()));
    return DecodeText(text, TTextEncoding::Ansi);
}

double Milliseconds(const QElapsedTimer& timer) {
    return double(timer.nsecsElapsed()) / 1e6;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// A memo as the window shows it: Courier New 13 pixels, on a shown parent, its changes
// answered as the clipboard page answers them.
struct TBenchMemo {
    QWidget Owner;
    TSyntaxMemo* Memo;
    THtmlEdit* Result;
    TBenchMemo() : Memo(new TSyntaxMemo(&Owner)), Result(new THtmlEdit(&Owner)) {
        QFont font(QStringLiteral("Courier New"));
        font.setPixelSize(13);
        Memo->setFont(font);
        Owner.resize(1000, 800);
        Memo->setGeometry(0, 0, 1000, 600);
        Result->setGeometry(0, 600, 1000, 200);
        QObject::connect(Memo, &TSyntaxMemo::OnChange, Result, [this] {
            QCoreApplication::processEvents();
            Result->SetText({});
        });
        Owner.show();
    }
    // A real paint of the whole control; repaint() may paint nothing offscreen.
    void Paint() { Memo->render(&Picture); }
    void Key(int key, const QString& text) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
        QApplication::sendEvent(Memo, &press);
        QApplication::sendEvent(Memo, &release);
    }
    QImage Picture{1000, 600, QImage::Format_ARGB32_Premultiplied};
};

void AssignAndPaint() {
    const QString text = GeneratedText(10 * 1024 * 1024);
    std::vector<double> times;
    for (int round = 0; round < 5; ++round) {
        TBenchMemo b;
        QElapsedTimer timer;
        timer.start();
        b.Memo->Lines().SetText(text);
        b.Paint();
        times.push_back(Milliseconds(timer));
    }
    std::printf("assign %.1f MB (%lld lines) to Lines and paint: %.1f ms (median of %zu)\n",
                double(text.size()) / (1024 * 1024), qint64(TStrings::SplitLines(text).size()),
                Median(times), times.size());
}

// Types 200 keys in the middle of the text, letters and "{" that opens a comment over the
// rest of the text, and a Backspace after every other one; returns the median.
double TypeInTheMiddle(const char* what, const QString& text) {
    TBenchMemo b;
    b.Memo->Lines().SetText(text);
    const int middle = int(b.Memo->StoredLines().size() / 2);
    b.Memo->SetPos(5, middle);
    b.Memo->setFocus();
    b.Paint();
    std::vector<double> times;
    for (int k = 0; k < 200; ++k) {
        QElapsedTimer timer;
        timer.start();
        if (k % 4 == 3)
            b.Key(Qt::Key_Backspace, QString());
        else if (k % 4 == 1)
            b.Key(Qt::Key_BraceLeft, QStringLiteral("{"));
        else
            b.Key(Qt::Key_X, QStringLiteral("x"));
        b.Paint();
        times.push_back(Milliseconds(timer));
    }
    const double median = Median(times);
    std::printf("  %-10s %5.1f MB %7d lines: %.2f ms median, %.2f ms worst (%zu keys)\n", what,
                double(text.size()) / (1024 * 1024), int(b.Memo->StoredLines().size()), median,
                *std::max_element(times.begin(), times.end()), times.size());
    return median;
}

void TypeKeys() {
    std::printf("type a key in the middle of the text, with the change notification and a "
                "repaint:\n");
    const double small = TypeInTheMiddle("generated", GeneratedText(1024 * 1024));
    const double large = TypeInTheMiddle("generated", GeneratedText(10 * 1024 * 1024));
    std::printf("  10 MB / 1 MB medians: %.2f\n", large / small);
    const QString real = RealText(1024 * 1024);
    if (real.isEmpty()) {
        std::printf("  fpc-source not installed: no real units measured\n");
        return;
    }
    const double realSmall = TypeInTheMiddle("fpc-source", real);
    const double realLarge = TypeInTheMiddle("fpc-source", RealText(10 * 1024 * 1024));
    std::printf("  10 MB / 1 MB medians: %.2f\n", realLarge / realSmall);
}

void SearchToTheEnd() {
    TBenchMemo b;
    b.Memo->Lines().SetText(GeneratedText(10 * 1024 * 1024));
    std::vector<double> times;
    for (int round = 0; round < 5; ++round) {
        b.Memo->SetPos(1, 1);
        QElapsedTimer timer;
        timer.start();
        const bool found = b.Memo->Find(QStringLiteral("Absent_Word"));
        times.push_back(Milliseconds(timer));
        if (found)
            std::printf("search: the absent word was found\n");
    }
    std::printf("search 10 MB to its end for an absent word: %.1f ms (median of %zu)\n",
                Median(times), times.size());
}

void PageDown() {
    TBenchMemo b;
    b.Memo->Lines().SetText(GeneratedText(1024 * 1024));
    b.Paint();
    QScrollBar* bar = b.Memo->VScroll();
    std::vector<double> times;
    for (int k = 0; k < 200 && bar->value() < bar->maximum(); ++k) {
        QElapsedTimer timer;
        timer.start();
        bar->setValue(bar->value() + bar->pageStep());
        b.Paint();
        times.push_back(Milliseconds(timer));
    }
    std::printf("scroll one page down (%d rows) and repaint: %.2f ms (median of %zu)\n",
                b.Memo->WindowSize().y(), Median(times), times.size());
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    AssignAndPaint();
    TypeKeys();
    SearchToTheEnd();
    PageDown();
    return 0;
}
