// Responsiveness of the syntax memo on large texts, drawn offscreen: assigning a 10 MB
// Pascal text plus the first paint, typing one character in the middle of a 1 MB text
// with its repaint, and the repaint after scrolling one page down. A benchmark, not a test.

#include "PascalSample.h"
#include "TextCodec.h"
#include "synmemo.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

QString PascalText(qsizetype bytes) {
    return DecodeText(GeneratePascal(bytes), TTextEncoding::Ansi);
}

double Milliseconds(const QElapsedTimer& timer) {
    return double(timer.nsecsElapsed()) / 1e6;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// A memo as the window shows it: Courier New 13 pixels, on a shown parent.
struct TBenchMemo {
    QWidget Owner;
    TSyntaxMemo* Memo;
    TBenchMemo() : Memo(new TSyntaxMemo(&Owner)) {
        QFont font(QStringLiteral("Courier New"));
        font.setPixelSize(13);
        Memo->setFont(font);
        Owner.resize(1000, 800);
        Memo->setGeometry(0, 0, 1000, 800);
        Owner.show();
    }
    // A real paint of the whole control; repaint() may paint nothing offscreen.
    void Paint() { Memo->render(&Picture); }
    QImage Picture{1000, 800, QImage::Format_ARGB32_Premultiplied};
};

void AssignAndPaint() {
    const QString text = PascalText(10 * 1024 * 1024);
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

void TypeInTheMiddle() {
    TBenchMemo b;
    b.Memo->Lines().SetText(PascalText(1024 * 1024));
    const int middle = int(b.Memo->StoredLines().size() / 2);
    b.Memo->SetPos(5, middle);
    b.Paint();
    std::vector<double> times;
    for (int k = 0; k < 200; ++k) {
        QElapsedTimer timer;
        timer.start();
        b.Memo->SetSelText(QString(QChar(k % 2 ? u'{' : u'x')));
        b.Paint();
        times.push_back(Milliseconds(timer));
    }
    std::printf("type one character in the middle of 1 MB (%d lines) and repaint: %.2f ms "
                "(median of %zu, worst %.2f ms)\n",
                int(b.Memo->StoredLines().size()), Median(times), times.size(),
                *std::max_element(times.begin(), times.end()));
}

void PageDown() {
    TBenchMemo b;
    b.Memo->Lines().SetText(PascalText(1024 * 1024));
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
    TypeInTheMiddle();
    PageDown();
    return 0;
}
