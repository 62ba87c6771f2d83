#include "__pas2html.h"

#include "BinaryForm.h"
#include "Exception.h"
#include "PageExtras.h"
#include "PageFrame.h"
#include "PageTarget.h"
#include "SourcePage.h"
#include "TextFile.h"
#include "Trim.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>

namespace {

bool FileExists(const QString& path) {
    const QFileInfo info(path);
    return info.exists() && !info.isDir();
}

QString FragmentText(const TStrings* list) {
    return list ? list->Text() : QString();
}

TPageFrame FrameFor(const QString& sTitle, const TStrings* after, const TStrings* before) {
    return TPageFrame::Titled(sTitle, FragmentText(after), FragmentText(before));
}

} // namespace

bool htmlTextAttr_Def1(TStrings* ListAttr) {
    if (!ListAttr)
        return false;
    ListAttr->Clear();
    ListAttr->Add(QStringLiteral("Bcom=<i style=\"color: teal;\">"));
    ListAttr->Add(QStringLiteral("Ecom=</i>"));
    ListAttr->Add(QStringLiteral("Bres=<b>"));
    ListAttr->Add(QStringLiteral("Eres=</b>"));
    ListAttr->Add(QStringLiteral("Bnum=<span style=\"color: navy;\">"));
    ListAttr->Add(QStringLiteral("Enum=</span>"));
    ListAttr->Add(QStringLiteral("Bstr=<span style=\"color: blue;\">"));
    ListAttr->Add(QStringLiteral("Estr=</span>"));
    ListAttr->Add(QStringLiteral("Bdir=<span style=\"color: green;\">"));
    ListAttr->Add(QStringLiteral("Edir=</span>"));
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

bool ConvertSourceStream(QIODevice& in, const QString& inName, const QString& sTitle,
                         const TStrings* ListAttr, const TStrings* ListTextBodyAfter,
                         const TStrings* ListTextBodyEndBefore,
                         const std::function<QIODevice&()>& openTarget, const QString& outName,
                         QString* formProblem, TPageExtras* extras) {
    try {
        QBuffer form; // a form saved in binary is converted as its text
        QIODevice& source = BinaryFormAsText(in, inName, form, formProblem) ? form : in;
        TDelphiToHTML converter;
        converter.LoadTagSet(ListAttr);
        TPageFrame frame = FrameFor(sTitle, ListTextBodyAfter, ListTextBodyEndBefore);
        if (extras)
            AddToHead(frame.Head, *extras);
        return ConvertSourcePage(converter, frame, source, inName, openTarget, outName, extras);
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
    return FilePas_2_Target(source, file, sTitle, ListAttr, ListTextBodyAfter,
                            ListTextBodyEndBefore, formProblem);
}

bool FilePas_2_Target(const QString& source, TPageTarget& file, const QString& sTitle,
                      const TStrings* ListAttr, const TStrings* ListTextBodyAfter,
                      const TStrings* ListTextBodyEndBefore, QString* formProblem,
                      TPageExtras* extras) {
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
            input, source, sTitle, ListAttr, ListTextBodyAfter, ListTextBodyEndBefore,
            [&file]() -> QIODevice& { return file.Open(); }, file.Name(), formProblem, extras))
        return false;
    file.Commit();
    return true;
}

QString TitleFromFileName(const QString& fileName) {
    QString name = fileName.mid(fileName.lastIndexOf(u'/') + 1);
    name.replace(u'&', QLatin1String("&amp;"));
    name.replace(u'<', QLatin1String("&lt;"));
    name.replace(u'>', QLatin1String("&gt;"));
    return name;
}
