#pragma once
// The code browser of a published folder: every source of the run read for its declarations
// before the pages, each page's names linked while it is written, and the references pages
// and the symbol index after them.

#include "Jobs.h"
#include "RunOptions.h"
#include "XrefMarks.h"
#include "XrefProject.h"

#include <QHash>
#include <QMutex>
#include <QString>
#include <optional>
#include <vector>

struct TPageResult;
class TPageBatch;

// What tells a source from the one the run read before: the same file, unchanged.
struct TSourceStamp {
    quint64 Device = 0, Inode = 0;
    qint64 Size = -1, Seconds = 0, Nanoseconds = 0;
    bool operator==(const TSourceStamp&) const = default;
};

class TXrefRun {
public:
    // Reads and parses every Pascal source the plan writes a page for; `threads` at once.
    TXrefRun(const TOptions& options, const TPlan& plan, int threads);
    ~TXrefRun();

    // The marks of the page of plan job `job` (none when its source is not read), and its
    // uses recorded for the references pages. Each job is asked at most once; jobs may be
    // asked from several threads at once. `opened` is the source as its page opened it.
    TXrefMarks MarksFor(size_t job, const struct stat* opened = nullptr);

    // Writes the references page of every source whose page was written, with the uses in
    // pages that were written, and the symbol index. Returns what could not be written: the
    // first page that failed, then the pages its batch left as they were.
    QStringList WritePages(const TOptions& options, const std::vector<TPageResult>& results) const;

    // For each job whose page failed, the written pages that link into it.
    QHash<size_t, QStringList> LinksToFailed(const std::vector<TPageResult>& results) const;

    // The references page beside `page`: "u1_pas.htm" -> "u1_pas.refs.htm".
    static QString RefsPageOf(const QString& page);

    // The include files read so far while the sources are read: by canonical path, and by
    // the folder and name of a directive naming one (none when it names nothing to read).
    struct TIncludeCache {
        QMutex Mutex;
        QHash<QString, QString> Texts;
        QHash<QString, std::optional<QString>> Found;
    };

private:
    struct TUse {
        TXrefRef Target;
        int Line = 0;
    };
    struct TUseAt { // small: a references page sorts the uses of each declaration
        int Job = 0;
        int Line = 0;
    };
    struct TUsesByDecl;
    // A source's names as its one parse found them, until its page is made.
    struct TNames {
        std::vector<TSite> Sites;
        std::vector<QString> Names;
        std::vector<TWith> Withs;
        TSourceStamp Stamp;
    };
    class TUsedLines;
    struct TUsePages;
    void WriteRefsPage(int unit, TUsesByDecl& uses, std::vector<TUsedLines>& lines,
                       TUsePages& usePages, TPageBatch& batch) const;
    void WriteSymbols(const TOptions& options, const std::vector<TPageResult>& results,
                      TPageBatch& batch) const;

    const TPlan& FPlan;
    const int FThreads;
    const TUnmarkedSource FUnmarked; // --encoding
    QStringList FRoots;              // canonical folders the user named
    TIncludeCache FIncludes;
    TXrefProject FProject;
    std::vector<int> FUnitOfJob; // -1 for a job whose source is not read
    std::vector<size_t> FJobOfUnit;
    std::vector<TXrefPages> FPages;       // per source read
    std::vector<TNames> FNames;           // per source read
    std::vector<std::vector<TUse>> FUses; // per job
};

// Reads the source of a job as text, reached and decoded as its page is: a regular file only;
// empty when it cannot be read. `stamp`, when given, tells the file read; `room` is a text no
// longer needed whose memory the result may take.
QString ReadRunSource(const TJob& job, TUnmarkedSource unmarked, TSourceStamp* stamp = nullptr,
                      QString room = {});
// The same undecoded; none when it cannot be read.
std::optional<QByteArray> ReadRunSourceBytes(const TJob& job, TSourceStamp* stamp = nullptr);

// Why a code browser may not be written with this plan; empty when it may.
QString XrefRefusal(const TOptions& options, const TPlan& plan);
