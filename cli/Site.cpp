#include "Site.h"

#include "Exception.h"
#include "FolderFiles.h"
#include "HtmlName.h"
#include "PageTarget.h"
#include "TextCodec.h"
#include "TextFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>
#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

QString Absolute(const QString& path) {
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

QString WithoutExtension(const QString& path) {
    return path.left(path.size() - FileExtension(path).size());
}

bool IsFileJob(const TJob& job) {
    return job.Source != "-" && !job.Target.isEmpty();
}

// A relative link from a page in `fromFolder` to `toFile`, percent-encoded as UTF-8.
QString Href(const QString& fromFolder, const QString& toFile) {
    QStringList parts = QDir(fromFolder).relativeFilePath(toFile).split(u'/');
    for (QString& part : parts)
        part = QString::fromLatin1(QUrl::toPercentEncoding(part));
    return parts.join(u'/');
}

// True when every character of the file has a code of 32 or less: it gets no page.
bool IsBlankSource(const QString& path) {
    struct stat info {};
    QString reason;
    const TFileHandle handle =
        OpenRegularFile(AT_FDCWD, QFile::encodeName(path), false, info, reason);
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
        if (!IsFileJob(job))
            continue;
        const QString extension = FileExtension(job.Source).toString().toLower();
        if (extension != u".pas" && extension != u".dfm")
            continue; // a project is never used nor a form of anything
        if (IsBlankSource(job.Source))
            continue;
        const QString source = Absolute(job.Source);
        const size_t index = FPages.size();
        FPages.push_back({QFileInfo(source).path(), Absolute(job.Target)});
        if (extension == u".dfm") {
            FForms.insert(WithoutExtension(source).toLower(), index);
            continue;
        }
        FSources.insert(source.toLower(), index);
        const QString unit = WithoutExtension(QFileInfo(source).fileName()).toLower();
        // The plan is in path order: the first of a name stays.
        const QString inFolder = unit + QChar(0) + FPages[index].Folder;
        if (!FFirstUnits.contains(unit))
            FFirstUnits.insert(unit, index);
        if (!FUnitsInFolders.contains(inFolder))
            FUnitsInFolders.insert(inFolder, index);
    }
}

QString TSiteMap::UnitHref(const QString& sourceFolder, const QString& pageFolder,
                           const QString& name, const QString& inPath) const {
    const QString unit = name.toLower();
    const auto beside = FUnitsInFolders.constFind(unit + QChar(0) + sourceFolder);
    if (beside != FUnitsInFolders.cend())
        return Href(pageFolder, FPages[*beside].Page);
    if (!inPath.isEmpty()) {
        QString path = inPath;
        path.replace(u'\\', u'/');
        const auto named =
            FSources.constFind(QDir::cleanPath(sourceFolder + u'/' + path).toLower());
        if (named != FSources.cend())
            return Href(pageFolder, FPages[*named].Page);
    }
    const auto first = FFirstUnits.constFind(unit);
    return first != FFirstUnits.cend() ? Href(pageFolder, FPages[*first].Page) : QString();
}

TPageExtras TSiteMap::ExtrasFor(const TJob& job) const {
    TPageExtras extras;
    extras.LineAnchors = FOptions.LineAnchors;
    extras.LineNumbers = FOptions.LineNumbers;
    if (!FOptions.LinkUnits || !IsFileJob(job))
        return extras;
    const QString source = Absolute(job.Source);
    const QString sourceFolder = QFileInfo(source).path();
    const QString pageFolder = QFileInfo(Absolute(job.Target)).path();
    extras.UnitHref = [this, sourceFolder, pageFolder](const QString& name, const QString& inPath) {
        return UnitHref(sourceFolder, pageFolder, name, inPath);
    };
    if (FileExtension(source).compare(u".pas", Qt::CaseInsensitive) == 0) {
        const auto form = FForms.constFind(WithoutExtension(source).toLower());
        if (form != FForms.cend())
            extras.FormHref = Href(pageFolder, FPages[*form].Page);
    }
    return extras;
}

QString SiteRefusal(const TOptions& options, const TPlan& plan) {
    if (!options.Index)
        return {};
    if (options.Output.isEmpty() || OutputIsFile(options))
        return QStringLiteral("--index: нужна папка для страниц, -o ПАПКА");
    const QString index = Absolute(QDir(options.Output).filePath(QStringLiteral("index.htm")));
    for (const TJob& job : plan.Jobs)
        if (!job.Target.isEmpty() && Absolute(job.Target) == index)
            return QStringLiteral("%1: его страница заняла бы место оглавления %2")
                .arg(job.Source, job.Target);
    return {};
}
