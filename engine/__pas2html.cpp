#include "__pas2html.h"

#include "BinaryForm.h"
#include "Exception.h"
#include "HtmlEscape.h"
#include "PageExtras.h"
#include "PageFrame.h"
#include "PageRecipe.h"
#include "PageTarget.h"
#include "SourcePage.h"
#include "TextFile.h"
#include "Trim.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <optional>

namespace {

bool FileExists(const QString& path) {
    const QFileInfo info(path);
    return info.exists() && !info.isDir();
}

QString FragmentText(const TStrings* list) {
    return list ? list->Text() : QString();
}

} // namespace

bool htmlTextAttr_Def1(TStrings* ListAttr) {
    // The window's default tag set, in TMarkup order.
    static constexpr std::array<const char16_t*, kMarkupCount> defaults = {
        u"<i style=\"color: teal;\">",
        u"</i>",
        u"<b>",
        u"</b>",
        u"<span style=\"color: navy;\">",
        u"</span>",
        u"<span style=\"color: blue;\">",
        u"</span>",
        u"<span style=\"color: green;\">",
        u"</span>"};
    if (!ListAttr)
        return false;
    ListAttr->Clear();
    for (size_t i = 0; i < kMarkupCount; ++i)
        ListAttr->Add(QString::fromUtf16(kMarkupNames[i]) + u'=' + QString::fromUtf16(defaults[i]));
    return true;
}

QString pas2html(const QString& pasText, const QString& sTitle, const TStrings* ListAttr,
                 const TStrings* ListTextBodyAfter, const TStrings* ListTextBodyEndBefore) {
    if (IsBlank(pasText))
        return {};
    TDelphiToHTML converter;
    converter.LoadTagSet(ListAttr);
    return converter.Convert2(pasText, sTitle, FragmentText(ListTextBodyAfter),
                              FragmentText(ListTextBodyEndBefore));
}

int pas2html(TStrings* pasText, TStrings* pasHTML, const QString& sTitle, const TStrings* ListAttr,
             const TStrings* ListTextBodyAfter, const TStrings* ListTextBodyEndBefore) {
    if (pasHTML)
        pasHTML->Clear();
    if (!pasText || pasText->IsEmpty())
        return 0;
    const QString page =
        pas2html(pasText->Text(), sTitle, ListAttr, ListTextBodyAfter, ListTextBodyEndBefore);
    TStrings* target = pasHTML ? pasHTML : pasText;
    target->SetText(page);
    return int(target->Count());
}

TPageRecipe RecipeOf(const QString& sTitle, const TStrings* ListAttr,
                     const TStrings* ListTextBodyAfter, const TStrings* ListTextBodyEndBefore) {
    TPageRecipe recipe;
    if (ListAttr)
        recipe.Tags = *ListAttr;
    recipe.Title = sTitle;
    recipe.BodyAfter = FragmentText(ListTextBodyAfter);
    recipe.BodyEndBefore = FragmentText(ListTextBodyEndBefore);
    return recipe;
}

bool ConvertSourceStream(QIODevice& in, const QString& inName, const TPageRecipe& recipe,
                         const std::function<QIODevice&()>& openTarget, const QString& outName,
                         TPageReport* report) {
    try {
        TPageReport unused;
        TPageReport& out = report ? *report : unused;
        QBuffer form; // a form saved in binary is converted as its text, which is ANSI
        const bool isForm = BinaryFormAsText(in, inName, form, &out.FormProblem);
        std::optional<TPageRecipe> asForm;
        if (isForm) {
            asForm = recipe;
            asForm->Unmarked = TUnmarkedSource::Windows1251;
        }
        TDelphiToHTML converter;
        converter.LoadTagSet(&recipe.Tags);
        TPageFrame frame = TPageFrame::Titled(recipe.Title, recipe.BodyAfter, recipe.BodyEndBefore);
        AddToHead(frame.Head, recipe.Extras);
        return ConvertSourcePage(converter.MarkupSet(), frame, asForm ? *asForm : recipe,
                                 isForm ? static_cast<QIODevice&>(form) : in, inName, openTarget,
                                 outName, out);
    } catch (const std::bad_alloc&) {
        throw Exception(OutOfMemoryMessage(inName));
    }
}

bool FilePas_2_FileHtml(const QString& fnPAS, const QString& fnHTML, const QString& sTitle,
                        const TStrings* ListAttr, const TStrings* ListTextBodyAfter,
                        const TStrings* ListTextBodyEndBefore, bool YesRewrite,
                        QString* formProblem) {
    const QString source = Trim(fnPAS);
    if (source.isEmpty() || !FileExists(source))
        return false;
    // A FIFO or a device would be waited on or read without end.
    if (!QFileInfo(source).isFile())
        throw Exception(CannotReadMessage(source, QStringLiteral("это не обычный файл")));
    const QString target = Trim(fnHTML);
    if (FileExists(target) && !YesRewrite)
        return false;
    TPageTarget file(target);
    TPageReport report;
    const bool written = FilePas_2_Target(
        source, file, RecipeOf(sTitle, ListAttr, ListTextBodyAfter, ListTextBodyEndBefore),
        &report);
    if (formProblem)
        *formProblem = report.FormProblem;
    return written;
}

bool FilePas_2_Target(const QString& source, TPageTarget& file, const TPageRecipe& recipe,
                      TPageReport* report) {
    file.Check(source);
    // Read, never mapped: a source that shrinks or vanishes meanwhile gives the bytes read
    // or the read error, not a signal.
    if (QFileInfo(source).isDir())
        throw Exception(CannotReadMessage(source, QStringLiteral("это папка")));
    QFile input(source);
    if (!input.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        throw Exception(CannotReadMessage(source, input.errorString()));
    // A blank source writes nothing; an older page stays as it was.
    if (!ConvertSourceStream(
            input, source, recipe, [&file]() -> QIODevice& { return file.Open(); }, file.Name(),
            report))
        return false;
    file.Commit();
    return true;
}

QString TitleFromFileName(const QString& fileName) {
    QString title;
    for (const QChar c : QStringView(fileName).sliced(fileName.lastIndexOf(u'/') + 1)) {
        const QStringView escape = HtmlEscape(c.unicode());
        if (escape.isEmpty())
            title += c;
        else
            title += escape;
    }
    return title;
}
