// Reads a generated 10 MB binary form (nested objects, every common value type, Russian
// captions, wide strings and picture data) as its text form, and converts it to a page
// through the stream entry point. A benchmark, not a test.

#include "BinaryForm.h"
#include "PageRecipe.h"
#include "__pas2html.h"

#include "FormBytes.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <cstdio>
#include <functional>

namespace {

constexpr int kRounds = 5;

QByteArray Property(const QByteArray& name, const QByteArray& value) {
    return Short(name) + value;
}

// One control with a few dozen properties and a picture, as form designers write them.
QByteArray Control(int n) {
    QByteArray b = Short("TPanel") + Short("Panel" + QByteArray::number(n));
    b += Property("Left", "\x03" + Le(quint64(n % 3000), 2));
    b += Property("Top", "\x04" + Le(quint64(n) * 7, 4));
    b += Property("Caption",
                  "\x06" + Short("\xCF\xE0\xED\xE5\xEB\xFC \xEA\xED\xEE\xEF\xEE\xEA \xB9 1"));
    b += Property("Hint", "\x0C" + Le(100, 4) + QByteArray(100, 'h'));
    b += Property("Font.Name", "\x06" + Short("Tahoma"));
    b += Property("Font.Style", "\x0B" + Short("fsBold") + Short("fsItalic") + QByteArray(1, '\0'));
    b += Property("Align", "\x07" + Short("alTop"));
    b += Property("Visible", "\x09");
    b += Property("Ratio", "\x05" + Le(0xCCCCCCCCCCCCCCCD, 8) + Le(0x3FFB, 2));
    b += Property("Title", "\x12" + Le(4, 4) + QByteArray("\x1F\x04\x40\x04\xAC\x20\x03\x26", 8));
    b += Property("Lines.Strings", "\x01\x06" + Short("one") + "\x06" + Short("two") + "\x02\x2A" +
                                       QByteArray(1, '\0'));
    QByteArray picture;
    for (int i = 0; i < 300; ++i)
        picture += char(i * 31 + n);
    b += Property("Picture.Data", "\x0A" + Le(quint64(picture.size()), 4) + picture);
    b += QByteArray(1, '\0'); // end of properties
    b += QByteArray(1, '\0'); // no children
    return b;
}

QByteArray GenerateForm(qsizetype size) {
    QByteArray form = "TPF0" + Short("TfMain") + Short("fMain") + QByteArray(1, '\0');
    for (int n = 0; form.size() < size; ++n) {
        // Groups of controls nested a few levels deep.
        form += Short("TGroupBox") + Short("Group" + QByteArray::number(n)) + QByteArray(1, '\0');
        for (int k = 0; k < 20; ++k)
            form += Control(n * 20 + k);
        form += QByteArray(1, '\0');
    }
    return form + QByteArray(1, '\0');
}

double Best(const std::function<void()>& work) {
    double best = 1e9;
    for (int r = 0; r < kRounds; ++r) {
        QElapsedTimer timer;
        timer.start();
        work();
        best = std::min(best, double(timer.nsecsElapsed()) / 1e9);
    }
    return best;
}

} // namespace

int main() {
    const QByteArray form = GenerateForm(10 * 1024 * 1024);
    qsizetype textSize = 0;
    const double read = Best([&] {
        const TBinaryFormText text = BinaryFormToText(form);
        if (!text.Problem.isEmpty())
            std::fprintf(stderr, "damaged: %s\n", text.Problem.toLocal8Bit().constData());
        textSize = text.Text.size();
    });
    qsizetype pageSize = 0;
    const double page = Best([&] {
        QByteArray bytes;
        QBuffer out(&bytes);
        out.open(QIODevice::WriteOnly);
        QBuffer in;
        in.setData(form);
        in.open(QIODevice::ReadOnly);
        TPageRecipe recipe;
        recipe.Title = "Big.dfm";
        ConvertSourceStream(
            in, "Big.dfm", recipe, [&out]() -> QIODevice& { return out; }, "page");
        pageSize = bytes.size();
    });
    const double mb = double(form.size()) / (1024 * 1024);
    std::printf("binary form %.1f MB -> text %.1f MB: %.3f s (%.0f MB/s)\n", mb,
                double(textSize) / (1024 * 1024), read, mb / read);
    std::printf("binary form %.1f MB -> page %.1f MB: %.3f s (%.0f MB/s)\n", mb,
                double(pageSize) / (1024 * 1024), page, mb / page);
    return 0;
}
