// The page writer as files and standard input reach it: any bytes are read by their
// byte-order mark, without one as UTF-8 when they are (or as a binary form) and streamed into a
// page, with or without the publishing extras, and a memory buffer never makes it raise.

#include "BinaryForm.h"
#include "Exception.h"
#include "FuzzEntries.h"
#include "PageRecipe.h"
#include "TextCodec.h"
#include "__pas2html.h"

#include <QBuffer>
#include <algorithm>

namespace {

bool StartsWith(const QByteArray& bytes, const char* prefix) {
    return bytes.startsWith(QByteArrayView(prefix));
}

} // namespace

int FuzzPageWriter(const uint8_t* data, size_t size) {
    QByteArray source(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer in(&source);
    in.open(QIODevice::ReadOnly);
    QByteArray page;
    QBuffer out(&page);
    int opened = 0;
    TPageRecipe recipe;
    htmlTextAttr_Def1(&recipe.Tags);
    recipe.Title = QStringLiteral("title");
    // The size picks the extras, so that every input reproduces alike.
    const int variant = int(size % 4);
    recipe.Extras.LineAnchors = variant == 1;
    recipe.Extras.LineNumbers = variant == 2;
    if (variant >= 2) {
        recipe.Extras.UnitHref = [](const QString& name, const QString& inPath) {
            return name.size() % 2 ? QString() : inPath + name + QStringLiteral(".htm");
        };
        recipe.Extras.FileHref = [](const TFileDirective& directive) {
            return directive.Name.size() % 2 ? QString() : QStringLiteral("file.htm");
        };
        recipe.Extras.IndexHref = QStringLiteral("index.htm");
    }
    if (variant == 3) {
        recipe.BodyAfter = QStringLiteral("<hr>\r\n&nbsp;");
        recipe.BodyEndBefore = QStringLiteral("<p>end</p>");
    }
    TPageReport report;
    bool written = false;
    try {
        written = ConvertSourceStream(
            in, QStringLiteral("in"), recipe,
            [&]() -> QIODevice& {
                ++opened;
                out.open(QIODevice::WriteOnly);
                return out;
            },
            QStringLiteral("out"), &report);
    } catch (const Exception&) {
        FuzzExpect(false, "a source in memory never fails to convert");
    }
    FuzzExpect(opened == int(written), "the target is opened exactly when a page is written");
    if (!written)
        return 0;
    FuzzExpect(!page.isEmpty(), "a written page has bytes");
    FuzzExpect(report.Lines > 0, "a written page counts its lines");
    // A marked source keeps its mark; a binary form is its text, which has none.
    if (report.FormProblem.isEmpty() && StartsWith(source, "\xEF\xBB\xBF"))
        FuzzExpect(StartsWith(page, "\xEF\xBB\xBF"), "a UTF-8 source gives a UTF-8 page");
    // Without a mark, valid UTF-8 with a character above ASCII is read as UTF-8 too.
    const bool nonAscii =
        std::any_of(source.begin(), source.end(), [](char c) { return uchar(c) >= 0x80; });
    if (nonAscii && IsValidUtf8(source) && !IsBinaryForm(source.left(kBinaryFormHeadSize)))
        FuzzExpect(StartsWith(page, "\xEF\xBB\xBF"), "an unmarked UTF-8 source gives a UTF-8 page");
    return 0;
}
