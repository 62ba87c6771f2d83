#include "Xref.h"

#include "Exception.h"
#include "HtmlName.h"
#include "Site.h"
#include "Workers.h"
#include "XrefLexer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <fcntl.h>
#include <mutex>
#include <optional>
#include <sys/stat.h>

namespace {

bool IsBrowsedSource(const TJob& job) {
    if (job.Source == "-" || job.Target.isEmpty())
        return false;
    const QString extension = FileExtension(job.Source).toString().toLower();
    return extension == u".pas" || extension == u".pp" || extension == u".p" ||
           extension == u".dpr" || extension == u".lpr";
}

bool IsBlank(const QString& text) {
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() <= 32; });
}

// The source's path as the index shows it: its page's folder below the output folder.
QString Shown(const TOptions& options, const TJob& job) {
    QString folder = QDir(options.Output).relativeFilePath(QFileInfo(job.Target).absolutePath());
    const QString name = QFileInfo(job.Source).fileName();
    return folder == u"." || folder.isEmpty() ? name : folder + u'/' + name;
}

} // namespace

namespace {

// Ten times the largest real source (Free Pascal's largest are 6 MB): reading one as large
// takes some 45 bytes of memory per byte, so a larger one is not read and its page has no
// links.
constexpr qint64 kMaxReadSize = 64 << 20;

TSourceStamp StampOf(const struct stat& info) {
    return {quint64(info.st_dev), quint64(info.st_ino), qint64(info.st_size),
            qint64(info.st_mtim.tv_sec), qint64(info.st_mtim.tv_nsec)};
}

TSourceStamp StampOf(const QString& path) {
    struct stat info {};
    return stat(QFile::encodeName(path).constData(), &info) == 0 ? StampOf(info) : TSourceStamp{};
}

// The whole of an opened file; none when it cannot be read.
std::optional<QByteArray> ReadOpenedBytes(const TFileHandle& file, TSourceStamp* stamp = nullptr) {
    struct stat info {};
    QFile input;
    if (!file.IsValid() || fstat(file.Fd(), &info) != 0 || info.st_size > kMaxReadSize ||
        !input.open(file.Fd(), QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
        return std::nullopt;
    if (stamp)
        *stamp = StampOf(info);
    QByteArray bytes = input.readAll();
    if (bytes.size() > kMaxReadSize)
        return std::nullopt;
    return bytes;
}

// The same decoded as its page reads it; empty when it cannot be read.
QString ReadOpened(const TFileHandle& file, TUnmarkedSource unmarked) {
    const std::optional<QByteArray> bytes = ReadOpenedBytes(file);
    return bytes ? DecodeSource(*bytes, unmarked) : QString();
}

bool IsBelow(const QString& path, const QStringList& roots) {
    return std::any_of(roots.begin(), roots.end(),
                       [&path](const QString& root) { return path.startsWith(root + u'/'); });
}

// An include file: a regular file that, once opened, still lies below a folder the user
// named, whatever its name led to meanwhile.
QString ReadIncludeFile(const QString& path, const QStringList& roots, TUnmarkedSource unmarked) {
    struct stat info {};
    QString reason;
    const TFileHandle file =
        OpenRegularFile(AT_FDCWD, QFile::encodeName(path), false, info, reason);
    if (!file.IsValid() ||
        !IsBelow(QFile::symLinkTarget(QStringLiteral("/proc/self/fd/%1").arg(file.Fd())), roots))
        return {};
    return ReadOpened(file, unmarked);
}

} // namespace

std::optional<QByteArray> ReadRunSourceBytes(const TJob& job, TSourceStamp* stamp) {
    struct stat info {};
    QString reason;
    try {
        // A source of a walk is reached as its page reads it.
        if (job.Walked)
            return ReadOpenedBytes(OpenWalkedSource(job, info), stamp);
        // One named alone may be a FIFO its page is to read.
        return ReadOpenedBytes(OpenNamedRegularFile(job.Source, info, reason), stamp);
    } catch (const Exception&) {
        return std::nullopt;
    }
}

QString ReadRunSource(const TJob& job, TUnmarkedSource unmarked, TSourceStamp* stamp,
                      QString room) {
    const std::optional<QByteArray> bytes = ReadRunSourceBytes(job, stamp);
    return bytes ? DecodeSource(*bytes, unmarked, std::move(room)) : QString();
}

namespace {

// Reads the include files of `source` that lie in its folder, inside a folder the user named.
TIncludeReader IncludesOf(const QString& source, const QStringList& roots, TUnmarkedSource unmarked,
                          TXrefRun::TIncludeCache& cache) {
    const QString folder = QFileInfo(source).canonicalPath();
    if (!std::any_of(roots.begin(), roots.end(), [&folder](const QString& root) {
            return folder == root || folder.startsWith(root + u'/');
        }))
        return {};
    return [folder, roots, unmarked, &cache](const QString& name) -> std::optional<QString> {
        // The units of a folder include the same files: each name is looked up once.
        const QString key = folder + u'/' + name;
        {
            const std::lock_guard lock(cache.Mutex);
            const auto found = cache.Found.constFind(key);
            if (found != cache.Found.cend())
                return *found;
        }
        const std::optional<QString> text = [&]() -> std::optional<QString> {
            QString path = name;
            path.replace(u'\\', u'/');
            for (const QString& candidate : {path, path + QStringLiteral(".inc")}) {
                const QString resolved = QFileInfo(folder + u'/' + candidate).canonicalFilePath();
                if (resolved.isEmpty())
                    continue;
                if (!IsBelow(resolved, roots))
                    return std::nullopt;
                // Read once while the sources are read: every unit including it sees the
                // same text.
                const std::lock_guard lock(cache.Mutex);
                auto text = cache.Texts.constFind(resolved);
                if (text == cache.Texts.cend())
                    text = cache.Texts.insert(resolved, ReadIncludeFile(resolved, roots, unmarked));
                return *text;
            }
            return std::nullopt;
        }();
        const std::lock_guard lock(cache.Mutex);
        cache.Found.insert(key, text);
        return text;
    };
}

} // namespace

QString TXrefRun::RefsPageOf(const QString& page) {
    const QString extension = FileExtension(page).toString();
    return page.left(page.size() - extension.size()) + QStringLiteral(".refs") + extension;
}

TXrefRun::TXrefRun(const TOptions& options, const TPlan& plan, int threads)
    : FPlan(plan), FThreads(std::max(1, threads)), FUnmarked(options.Unmarked) {
    // Only files below a folder the user named are read as include files.
    for (const QString& named : options.Sources)
        if (QFileInfo(named).isDir())
            FRoots << QFileInfo(named).canonicalFilePath();
    FUnitOfJob.assign(plan.Jobs.size(), -1);
    FUses.resize(plan.Jobs.size());
    std::vector<size_t> wanted;
    for (size_t i = 0; i < plan.Jobs.size(); ++i)
        if (IsBrowsedSource(plan.Jobs[i]))
            wanted.push_back(i);
    std::vector<std::optional<TParsedSource>> parsed(wanted.size());
    std::vector<TSourceStamp> stamps(wanted.size());
    {
        // The readers keep off this thread, which writes the pages next: reading here too
        // left its heap holding every source's tables, and the pages a few percent slower.
        RunElsewhere([&] {
            RunOnWorkers(wanted.size(), threads, [this, &parsed, &stamps, &wanted](size_t k) {
                const QString& path = FPlan.Jobs[wanted[k]].Source;
                try {
                    // Their room serves every source this thread reads: a large source's text and
                    // tokens are not given back to the system and faulted in again for the next.
                    thread_local TXrefSource source;
                    thread_local QString text;
                    source.Texts.clear(); // the last source's text, whose memory this one takes
                    text = ReadRunSource(FPlan.Jobs[wanted[k]], FUnmarked, &stamps[k],
                                         std::move(text));
                    if (IsBlank(text))
                        return;
                    ReadXrefSource(source, text, IncludesOf(path, FRoots, FUnmarked, FIncludes));
                    parsed[k] = ParseXrefSource(source);
                } catch (const std::bad_alloc&) {
                    parsed[k].reset(); // too large to browse: its page is written without links
                }
            });
        });
        FIncludes.Texts.clear();
        FIncludes.Found.clear();
    }
    // Added in the plan's order, whatever order the readers finished in.
    for (size_t k = 0; k < wanted.size(); ++k) {
        if (!parsed[k])
            continue;
        const TJob& job = plan.Jobs[wanted[k]];
        FUnitOfJob[wanted[k]] = FProject.Add(std::move(parsed[k]->Unit), Absolute(job.Source));
        FNames.push_back({std::move(parsed[k]->Sites), std::move(parsed[k]->Names),
                          std::move(parsed[k]->Withs), stamps[k]});
        FJobOfUnit.push_back(wanted[k]);
        const QString page = Absolute(job.Target);
        FPages.push_back({page, RefsPageOf(page), Shown(options, job)});
    }
    FProject.Link();
}

TXrefRun::~TXrefRun() {
    // Hundreds of thousands of declarations, each with its strings: let go by every worker.
    FProject.Release(FThreads);
}

TXrefMarks TXrefRun::MarksFor(size_t job, const struct stat* opened) {
    const int unit = FUnitOfJob[job];
    if (unit < 0)
        return {};
    // Asked once: the names go when the page has its marks.
    const TNames names = std::move(FNames[size_t(unit)]);
    // A source that changed since it was read gets no links rather than wrong ones: told by
    // the file its page opened, or by its name when the page has not opened it yet.
    std::vector<TXrefLink> links;
    if ((opened ? StampOf(*opened) : StampOf(FPlan.Jobs[job].Source)) == names.Stamp)
        links = FProject.Resolve(unit, names.Sites, names.Names, names.Withs);
    auto& uses = FUses[job];
    uses.reserve(links.size());
    for (const TXrefLink& link : links)
        uses.push_back({link.Target, link.Line});
    return XrefMarks(FProject, FPages, unit, links);
}

QString XrefRefusal(const TOptions& options, const TPlan& plan) {
    if (!options.Xref)
        return {};
    if (options.Output.isEmpty() || OutputIsFile(options))
        return QStringLiteral("--xref: нужна папка для страниц, -o ПАПКА");
    const QString symbols = Absolute(QDir(options.Output).filePath(QStringLiteral("symbols.htm")));
    QHash<QString, QString> refs; // references page -> its source
    for (const TJob& job : plan.Jobs)
        if (IsBrowsedSource(job))
            refs.insert(TXrefRun::RefsPageOf(Absolute(job.Target)), job.Source);
    for (const TJob& job : plan.Jobs) {
        if (job.Target.isEmpty())
            continue;
        const QString page = Absolute(job.Target);
        if (page == symbols || (IsBrowsedSource(job) && TXrefRun::RefsPageOf(page) == symbols))
            return QStringLiteral("%1: его страница заняла бы место указателя имён %2")
                .arg(job.Source, symbols);
        const auto taken = refs.constFind(page);
        if (taken != refs.cend())
            return QStringLiteral("%1: его страница заняла бы место страницы ссылок %2 (%3)")
                .arg(job.Source, job.Target, *taken);
    }
    return {};
}
