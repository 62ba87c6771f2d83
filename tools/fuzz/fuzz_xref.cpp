// The code browser on one source: read (its second half standing for every file it includes),
// parsed, resolved against itself and a second unit made of that half, and its page written
// with the links. Every link names a declaration and a line of the source, and every link the
// page opens it closes.

#include "Exception.h"
#include "FuzzEntries.h"
#include "PageRecipe.h"
#include "TextCodec.h"
#include "XrefLexer.h"
#include "XrefMarks.h"
#include "XrefProject.h"
#include "__pas2html.h"

#include <QBuffer>

int FuzzXref(const uint8_t* data, size_t size) {
    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    // The size picks how an unmarked source is read, so that every input reproduces alike.
    const auto unmarked = TUnmarkedSource(size % 3);
    const QString text = DecodeSource(bytes, unmarked);
    const QString half = text.mid(text.size() / 2);
    const TIncludeReader includes = [&half](const QString&) -> std::optional<QString> {
        return half;
    };
    TXrefSource source, other;
    ReadXrefSource(source, text, includes);
    ReadXrefSource(other, half);
    TXrefProject project;
    TParsedSource parsed = ParseXrefSource(source);
    project.Add(std::move(parsed.Unit), QStringLiteral("/f/a.pas"));
    project.Add(ParseXrefSource(other).Unit, QStringLiteral("/f/b.pas"));
    project.Link();
    const std::vector<TXrefLink> links =
        project.Resolve(0, parsed.Sites, parsed.Names, parsed.Withs);
    for (const TXrefLink& link : links) {
        FuzzExpect(link.Target.Unit >= 0 && link.Target.Unit < project.Count() &&
                       link.Target.Decl >= 0 &&
                       size_t(link.Target.Decl) < project.Unit(link.Target.Unit).Decls.size(),
                   "a link names a declaration");
        FuzzExpect(link.Line >= 1 && size_t(link.Line) <= source.Lines.size() && link.Ordinal >= 0,
                   "a link stands in a line of the source");
    }
    const std::vector<TXrefPages> pages = {
        {QStringLiteral("/o/a_pas.htm"), QStringLiteral("/o/a_pas.refs.htm"), QStringLiteral("a")},
        {QStringLiteral("/o/b_pas.htm"), QStringLiteral("/o/b_pas.refs.htm"), QStringLiteral("b")}};
    const TXrefMarks marks = XrefMarks(project, pages, 0, links);

    QBuffer in(&bytes);
    in.open(QIODevice::ReadOnly);
    QByteArray page;
    QBuffer out(&page);
    TPageRecipe recipe;
    htmlTextAttr_Def1(&recipe.Tags);
    recipe.Unmarked = unmarked;
    recipe.Extras.LineAnchors = true;
    recipe.Extras.XrefMarks = &marks;
    try {
        ConvertSourceStream(
            in, QStringLiteral("in"), recipe,
            [&out]() -> QIODevice& {
                out.open(QIODevice::WriteOnly);
                return out;
            },
            QStringLiteral("out"), nullptr);
    } catch (const Exception&) {
        FuzzExpect(false, "a source in memory never fails to convert");
    }
    // Counted in the page's characters: a UTF-16 page holds "<a" in its bytes by chance.
    qsizetype bom = 0;
    const TTextEncoding encoding = DetectEncoding(page, &bom);
    const QString shown = DecodeText(QByteArrayView(page).sliced(bom), encoding);
    FuzzExpect(shown.count(QLatin1String("<a ")) == shown.count(QLatin1String("</a>")),
               "every link of the page is closed");
    return 0;
}
