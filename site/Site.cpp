#include "Site.h"

#include "Exception.h"
#include "FolderFiles.h"
#include "HtmlName.h"
#include "PageTarget.h"
#include "SourceTypes.h"
#include "TextCodec.h"
#include "TextFile.h"
#include "Xref.h"
#include "XrefMarks.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>

QString Absolute(const QString& path) {
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

namespace {

QString WithoutExtension(const QString& path) {
    return path.left(path.size() - FileExtension(path).size());
}

bool IsFileJob(const TJob& job) {
    return job.Source != "-" && !job.Target.isEmpty();
}

// True when every character of the file has a code of 32 or less: it gets no page.
bool IsBlankSource(const QString& path) {
    struct stat info {};
    QString reason;
    const TFileHandle handle = OpenNamedRegularFile(path, info, reason);
    QFile file;
    if (!handle.IsValid() ||
        !file.open(handle.Fd(), QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
        return false; // the conversion reports it
    QByteArray head = file.read(3);
    qsizetype bom = 0;
    const TTextEncoding encoding = DetectEncoding(head, &bom);
    const bool wide = encoding == TTextEncoding::Utf16LE || encoding == TTextEncoding::Utf16BE;
    QByteArray rest = head.mid(bom);
    for (;;) {
        if (wide) {
            const QString text = DecodeText(rest.left(rest.size() & ~qsizetype(1)), encoding);
            if (std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() > 32; }))
                return false;
            rest = rest.right(rest.size() & 1);
        } else if (std::any_of(rest.begin(), rest.end(), [](char c) { return uchar(c) > 32; })) {
            return false;
        } else {
            rest.clear();
        }
        const QByteArray more = file.read(1 << 16);
        if (more.isEmpty())
            return rest.isEmpty(); // a lone last byte of UTF-16 is not blank
        rest += more;
    }
}

} // namespace

TSiteMap::TSiteMap(const TOptions& options, const TPlan& plan) : FOptions(options) {
    if (!options.LinkUnits)
        return;
    for (const TJob& job : plan.Jobs) {
        if (!IsFileJob(job) || IsBlankSource(job.Source))
            continue;
        const QString source = Absolute(job.Source);
        const size_t index = FPages.size();
        FPages.push_back({QFileInfo(source).path(), Absolute(job.Target)});
        FSources.insert(source.toLower(), index);
        if (SourceKindOf(source) != TSourceKind::Unit)
            continue;
        const QString unit = WithoutExtension(QFileInfo(source).fileName()).toLower();
        // The plan is in path order: the first of a name stays.
        const QString inFolder = unit + QChar(0) + FPages[index].Folder;
        if (!FFirstUnits.contains(unit))
            FFirstUnits.insert(unit, index);
        if (!FUnitsInFolders.contains(inFolder))
            FUnitsInFolders.insert(inFolder, index);
    }
}

const TSiteMap::TPage* TSiteMap::PageOf(const QString& path) const {
    const auto page = FSources.constFind(QDir::cleanPath(path).toLower());
    return page == FSources.cend() ? nullptr : &FPages[*page];
}

// The file the compiler takes: the one `in 'path'` names, else a unit beside the source, else
// the first in path order.
QString TSiteMap::UnitHref(const QString& sourceFolder, const QString& from, const QString& name,
                           const QString& inPath) const {
    if (!inPath.isEmpty()) {
        QString path = inPath;
        path.replace(u'\\', u'/');
        if (const TPage* named = PageOf(sourceFolder + u'/' + path))
            return LinkTo(from, *named);
    }
    const QString unit = name.toLower();
    const auto beside = FUnitsInFolders.constFind(unit + QChar(0) + sourceFolder);
    if (beside != FUnitsInFolders.cend())
        return LinkTo(from, FPages[*beside]);
    const auto first = FFirstUnits.constFind(unit);
    return first != FFirstUnits.cend() ? LinkTo(from, FPages[*first]) : QString();
}

QString TSiteMap::LinkTo(const QString& from, const TPage& to) const {
    {
        const std::lock_guard lock(FLinksMutex);
        FLinkedFrom[to.Page] << from;
    }
    return RelativeHref(QFileInfo(from).path(), to.Page);
}

QStringList TSiteMap::LinksToUnwritten(const TPlan& plan, const std::vector<TPageResult>& results,
                                       const QHash<size_t, QStringList>& alsoFrom) const {
    QSet<QString> written;
    for (size_t i = 0; i < plan.Jobs.size(); ++i)
        if (results[i].Written && IsFileJob(plan.Jobs[i]))
            written.insert(Absolute(plan.Jobs[i].Target));
    QStringList messages;
    const std::lock_guard lock(FLinksMutex);
    for (size_t i = 0; i < plan.Jobs.size(); ++i) {
        if (!results[i].Failed || !IsFileJob(plan.Jobs[i]))
            continue;
        QStringList from;
        for (const QString& page :
             FLinkedFrom.value(Absolute(plan.Jobs[i].Target)) + alsoFrom.value(i))
            if (written.contains(page) && !from.contains(page))
                from << page;
        from.sort();
        if (!from.isEmpty())
            messages << QStringLiteral("на ненаписанную страницу %1 ведут ссылки со страниц: %2")
                            .arg(plan.Jobs[i].Target, from.join(QStringLiteral(", ")));
    }
    return messages;
}

// A form's "*" is the unit's own name; an include without an extension may be any of the
// compiler's include types. The including file's folder is searched first, then the path as
// given.
QString TSiteMap::FileHref(const QString& source, const QString& from,
                           const TFileDirective& directive) const {
    QString name = directive.Name;
    name.replace(u'\\', u'/');
    QStringList candidates{name};
    if (directive.Kind == TFileDirective::TKind::Form)
        candidates = {QString(name).replace(u'*', WithoutExtension(QFileInfo(source).fileName()))};
    else if (FileExtension(QFileInfo(name).fileName()).isEmpty())
        candidates = {name + ".inc", name + ".pp", name + ".pas"};
    const QString folder = QFileInfo(source).path();
    for (const QString& base : {folder + u'/', QString()})
        for (const QString& candidate : candidates)
            if (const TPage* page = PageOf(Absolute(base + candidate)))
                return LinkTo(from, *page);
    return {};
}

TPageExtras TSiteMap::ExtrasFor(const TJob& job) const {
    TPageExtras extras;
    extras.LineAnchors = FOptions.LineAnchors;
    extras.LineNumbers = FOptions.LineNumbers;
    if (!IsFileJob(job))
        return extras;
    const QString page = Absolute(job.Target);
    if (FOptions.Index)
        extras.IndexHref =
            RelativeHref(QFileInfo(page).path(),
                         Absolute(QDir(FOptions.Output).filePath(QStringLiteral("index.htm"))));
    if (!FOptions.LinkUnits)
        return extras;
    const QString source = Absolute(job.Source);
    const QString sourceFolder = QFileInfo(source).path();
    extras.UnitHref = [this, sourceFolder, page](const QString& name, const QString& inPath) {
        return UnitHref(sourceFolder, page, name, inPath);
    };
    extras.FileHref = [this, source, page](const TFileDirective& directive) {
        return FileHref(source, page, directive);
    };
    return extras;
}

QString SiteRefusal(const TOptions& options, const TPlan& plan) {
    if (!options.Index)
        return XrefRefusal(options, plan);
    // A single source that is not there would make -o look like a page's name.
    if (options.Sources.size() == 1 && options.Sources[0] != u"-" &&
        !QFileInfo::exists(options.Sources[0]))
        return QStringLiteral("%1: нет такого файла или папки").arg(options.Sources[0]);
    if (options.Output.isEmpty() || OutputIsFile(options))
        return QStringLiteral("%1: нужна папка для страниц, -o ПАПКА").arg(options.IndexOption);
    const QString index = Absolute(QDir(options.Output).filePath(QStringLiteral("index.htm")));
    for (const TJob& job : plan.Jobs)
        if (!job.Target.isEmpty() && Absolute(job.Target) == index)
            return QStringLiteral("%1: его страница заняла бы место оглавления %2")
                .arg(job.Source, job.Target);
    return XrefRefusal(options, plan);
}
