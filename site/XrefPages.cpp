// The references page of every source and the symbol index, written after the pages from
// the declaration tables and the uses the pages recorded.

// Strings put together in one allocation each: these pages are long.
#define QT_USE_QSTRINGBUILDER

#include "Exception.h"
#include "PageBatch.h"
#include "Site.h"
#include "SiteHtml.h"
#include "Xref.h"
#include "XrefLexer.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QThreadPool>
#include <QUrl>
#include <algorithm>
#include <atomic>
#include <mutex>
#include <new>
#include <unordered_map>

namespace {

QString KindOf(const TDecl& decl) {
    switch (decl.Kind) {
    case TDeclKind::Unit:
        return QStringLiteral("модуль");
    case TDeclKind::Program:
        return QStringLiteral("программа");
    case TDeclKind::Library:
        return QStringLiteral("библиотека");
    case TDeclKind::Type:
    case TDeclKind::Routine:
        return decl.What;
    case TDeclKind::EnumMember:
        return QStringLiteral("элемент перечисления");
    case TDeclKind::Field:
        return QStringLiteral("поле");
    case TDeclKind::Method:
        return QStringLiteral("метод");
    case TDeclKind::Property:
        return QStringLiteral("свойство");
    case TDeclKind::Parameter:
        return QStringLiteral("параметр");
    case TDeclKind::Variable:
        return QStringLiteral("переменная");
    case TDeclKind::Constant:
        return QStringLiteral("константа");
    case TDeclKind::ResourceString:
        return QStringLiteral("строковый ресурс");
    case TDeclKind::Label:
        return QStringLiteral("метка");
    case TDeclKind::TypeParameter:
        return QStringLiteral("параметр типа");
    }
    return {};
}

} // namespace

// Whole lines of real code; a line of megabytes would otherwise be copied into every use.
constexpr qsizetype kUseLineLength = 2000;

// The lines of a source that uses stand in, read again from it when first needed: trimmed,
// cut and escaped, the rest of its text let go.
class TXrefRun::TUsedLines {
public:
    std::string_view Line(const TJob& job, TUnmarkedSource unmarked, const std::vector<TUse>& uses,
                          int line) {
        std::call_once(FRead, [&] { Read(job, unmarked, uses); });
        const auto at = std::lower_bound(FLines.begin(), FLines.end(), line);
        if (at == FLines.end() || *at != line)
            return {};
        const size_t k = size_t(at - FLines.begin());
        const size_t start = k == 0 ? 0 : FEnds[k - 1];
        return std::string_view(FText).substr(start, FEnds[k] - start);
    }

private:
    void Read(const TJob& job, TUnmarkedSource unmarked, const std::vector<TUse>& uses) {
        for (const TUse& use : uses)
            FLines.push_back(use.Line);
        std::sort(FLines.begin(), FLines.end());
        FLines.erase(std::unique(FLines.begin(), FLines.end()), FLines.end());
        const QString text = ReadRunSource(job, unmarked);
        const std::vector<QStringView> lines = SplitSourceLines(text);
        for (const int line : FLines) {
            if (line >= 1 && size_t(line) <= lines.size())
                AppendEscapedUtf8(FText, lines[size_t(line - 1)].trimmed().left(kUseLineLength));
            FEnds.push_back(FText.size());
        }
    }

    std::once_flag FRead;
    std::vector<int> FLines; // sorted
    std::string FText;
    std::vector<size_t> FEnds; // of each line's text in FText
};

namespace {

constexpr const char* kRefsStyle =
    "body{font-family:sans-serif;margin:1.5em}div.decl{margin:.2em 0 .8em}"
    "div.decl:target{background:#ffea80}p.decl{margin:0}span.kind{color:#666;margin-left:.8em}"
    "ul{margin:.2em 0}p.none{margin:.2em 2em;color:#999}";

} // namespace

QStringList TXrefRun::WritePages(const TOptions& options,
                                 const std::vector<TPageResult>& results) const {
    std::vector<std::vector<TUseAt>> usesOf(size_t(FProject.Count()));
    for (size_t job = 0; job < FUses.size(); ++job) {
        if (!results[job].Written)
            continue; // a page that is not there has no line to link to
        for (const TUse& use : FUses[job])
            usesOf[size_t(use.Target.Unit)].push_back({use.Target.Decl, job, use.Line});
    }
    // The symbol index is the longest single piece: it goes first, and the workers take the
    // references pages one by one beside it, so none waits for another at the end. The first
    // failure stops them; the first in the sources' order is reported, the index's last.
    const int count = FProject.Count();
    std::vector<QString> errors(size_t(count) + 1);
    std::atomic<int> next = 0;
    std::atomic<bool> failed = false;
    const auto guarded = [&errors, &failed](int slot, const auto& write) {
        try {
            write();
        } catch (const Exception& e) {
            errors[size_t(slot)] = e.Message();
            failed = true;
        } catch (const std::bad_alloc&) {
            errors[size_t(slot)] = QStringLiteral("недостаточно памяти");
            failed = true;
        }
    };
    std::vector<TUsedLines> lines(FUses.size()); // per job
    // Replaced in batches as the pages are, each synced once rather than page by page.
    std::mutex batchMutex;
    QStringList batchErrors;
    TPageBatch batch({}, [&batchMutex, &batchErrors](const QString& message) {
        const std::lock_guard lock(batchMutex);
        batchErrors << message;
    });
    QThreadPool pool;
    pool.setMaxThreadCount(FThreads);
    pool.start([&] { guarded(count, [&] { WriteSymbols(options, results, batch); }); });
    for (int worker = 0; worker < FThreads; ++worker)
        pool.start([&] {
            for (int unit = next++; unit < count && !failed; unit = next++)
                if (results[FJobOfUnit[size_t(unit)]].Written)
                    guarded(unit, [&] {
                        WriteRefsPage(unit, std::move(usesOf[size_t(unit)]), lines, batch);
                    });
        });
    pool.waitForDone();
    batch.Commit();
    QStringList failures;
    for (const QString& error : errors)
        if (!error.isEmpty()) {
            failures << error;
            break;
        }
    return failures + batchErrors;
}

QHash<size_t, QStringList> TXrefRun::LinksToFailed(const std::vector<TPageResult>& results) const {
    QHash<size_t, QStringList> from;
    for (size_t job = 0; job < FUses.size(); ++job) {
        if (!results[job].Written)
            continue;
        const QString page = Absolute(FPlan.Jobs[job].Target);
        for (const TUse& use : FUses[job]) {
            const size_t target = FJobOfUnit[size_t(use.Target.Unit)];
            if (!results[target].Failed)
                continue;
            QStringList& pages = from[target];
            if (pages.isEmpty() || pages.back() != page)
                pages << page;
        }
    }
    return from;
}

void TXrefRun::WriteRefsPage(int unit, std::vector<TUseAt> uses, std::vector<TUsedLines>& lines,
                             TPageBatch& batch) const {
    std::sort(uses.begin(), uses.end(), [](const TUseAt& a, const TUseAt& b) {
        return std::tie(a.Decl, a.Job, a.Line) < std::tie(b.Decl, b.Job, b.Line);
    });
    uses.erase(std::unique(uses.begin(), uses.end(),
                           [](const TUseAt& a, const TUseAt& b) {
                               return a.Decl == b.Decl && a.Job == b.Job && a.Line == b.Line;
                           }),
               uses.end());
    const TXrefPages& pages = FPages[size_t(unit)];
    const QString folder = QFileInfo(pages.Refs).path();
    const QString page = RelativeHref(folder, pages.Page);
    // Of the pages uses stand in, made when needed: the link's start up to "#L", and the
    // source's path with its ":". Keyed by source: a page's uses come from a few of them,
    // and a table as long as the run, made for every page, cost more than the page.
    struct TUsePage {
        std::string Open, Shown;
    };
    std::unordered_map<int, TUsePage> usePages;

    TPagePlace place{folder, {}, QFileInfo(pages.Refs).fileName()};
    if (const auto& job = FPlan.Jobs[FJobOfUnit[size_t(unit)]]; job.Place) {
        place = *job.Place; // the folders below the named one are not followed when links
        place.FileName = QFileInfo(pages.Refs).fileName();
    }
    TSitePageWriter html(pages.Refs, std::move(place), batch);
    html << SitePageStart(pages.Shown + QStringLiteral(" — ссылки"),
                          QString::fromLatin1(kRefsStyle));
    html << QLatin1String("<h1><a href=\"") << page << QLatin1String("\">");
    html.Escaped(pages.Shown) << QLatin1String("</a></h1>\n");
    const auto& decls = FProject.Unit(unit).Decls;
    std::vector<int> order;
    for (size_t d = 0; d < decls.size(); ++d)
        if (decls[d].Ordinal >= 0)
            order.push_back(int(d));
    std::stable_sort(order.begin(), order.end(), [&decls](int a, int b) {
        return std::tie(decls[size_t(a)].Line, decls[size_t(a)].Ordinal) <
               std::tie(decls[size_t(b)].Line, decls[size_t(b)].Ordinal);
    });
    auto use = uses.cbegin();
    for (const int d : order) {
        const TDecl& decl = decls[size_t(d)];
        html << QLatin1String("<div class=\"decl\" id=\"");
        html.Escaped(decl.Id) << QLatin1String("\"><p class=\"decl\"><a href=\"") << page;
        if (decl.Scope != 0)
            html << QLatin1String("#") << IdFragment(decl.Id);
        html << QLatin1String("\"><code>");
        html.Escaped(decl.Title) << QLatin1String("</code></a><span class=\"kind\">")
                                 << KindOf(decl) << QLatin1String("</span></p>\n");
        while (use != uses.cend() && use->Decl < d)
            ++use;
        if (use == uses.cend() || use->Decl != d) {
            html << QStringView(u"<p class=\"none\">не используется</p>\n</div>\n");
            continue;
        }
        html << QLatin1String("<ul>\n");
        for (; use != uses.cend() && use->Decl == d; ++use) {
            const int from = FUnitOfJob[use->Job];
            TUsePage& at = usePages[from];
            if (at.Open.empty()) {
                at.Open = "<li><a href=\"";
                AppendUtf8(at.Open, RelativeHref(folder, FPages[size_t(from)].Page));
                at.Open += "#L";
                AppendEscapedUtf8(at.Shown, FPages[size_t(from)].Shown);
            }
            html << at.Open << use->Line << QLatin1String("\">") << at.Shown << QLatin1String(":")
                 << use->Line << QLatin1String("</a> <code>");
            html << lines[use->Job].Line(FPlan.Jobs[use->Job], FUnmarked, FUses[use->Job],
                                         use->Line)
                 << QLatin1String("</code></li>\n");
        }
        html << QLatin1String("</ul>\n</div>\n");
    }
    html << QLatin1String("</body>\n</html>\n");
    html.Commit();
}

void TXrefRun::WriteSymbols(const TOptions& options, const std::vector<TPageResult>& results,
                            TPageBatch& batch) const {
    // Plain records, cheap to move while sorted: equal names keep the sources' order. The
    // first four units of the name, held in the row, decide most comparisons without a
    // look at the declaration, which lies anywhere in memory; so does the name's first unit,
    // which gives the row's letter.
    struct TRow {
        quint64 Start;
        TXrefRef Ref;
        const QString *Lower, *Shown;
        char16_t First;
    };
    const auto startOf = [](const QString& lower) {
        quint64 start = 0;
        for (qsizetype i = 0; i < 4; ++i)
            start = start << 16 | (i < lower.size() ? lower[i].unicode() : 0);
        return start;
    };
    std::vector<TRow> rows;
    for (int unit = 0; unit < FProject.Count(); ++unit) {
        if (!results[FJobOfUnit[size_t(unit)]].Written)
            continue;
        const auto& decls = FProject.Unit(unit).Decls;
        for (size_t d = 0; d < decls.size(); ++d) {
            const TDecl& decl = decls[d];
            if (decl.Public && decl.Ordinal >= 0 && decl.Scope != 0 &&
                decl.Kind != TDeclKind::Parameter && decl.Kind != TDeclKind::TypeParameter)
                rows.push_back({startOf(decl.Lower),
                                {unit, int(d)},
                                &decl.Lower,
                                &FPages[size_t(unit)].Shown,
                                decl.Name.isEmpty() ? char16_t(0) : decl.Name[0].unicode()});
        }
    }
    std::sort(rows.begin(), rows.end(), [](const TRow& a, const TRow& b) {
        if (a.Start != b.Start)
            return a.Start < b.Start;
        if (const int c = a.Lower->compare(*b.Lower))
            return c < 0;
        if (const int c = a.Shown->compare(*b.Shown))
            return c < 0;
        return std::tie(a.Ref.Unit, a.Ref.Decl) < std::tie(b.Ref.Unit, b.Ref.Decl);
    });

    const QString output = QDir(options.Output).absolutePath();
    // Of each source: its page's href, and its path escaped.
    std::vector<std::string> hrefs, shown;
    for (const TXrefPages& pages : FPages) {
        AppendUtf8(hrefs.emplace_back(), RelativeHref(output, pages.Page));
        AppendEscapedUtf8(shown.emplace_back(), pages.Shown);
    }
    // A row's letter: the first of its name, in upper case.
    std::vector<int> letterOf(rows.size());
    QStringList letters;
    QHash<char16_t, QString> upper;
    for (size_t r = 0; r < rows.size(); ++r) {
        auto first = upper.constFind(rows[r].First);
        if (first == upper.cend())
            first = upper.insert(rows[r].First, rows[r].First == 0
                                                    ? QString()
                                                    : QString(QChar(rows[r].First)).toUpper());
        if (letters.isEmpty() || *first != letters.constLast())
            letters << *first;
        letterOf[r] = int(letters.size() - 1);
    }
    TSitePageWriter html(QDir(output).filePath(QStringLiteral("symbols.htm")),
                         TPagePlace{output, {}, QStringLiteral("symbols.htm")}, batch);
    html << SitePageStart(
        QStringLiteral("Указатель имён"),
        QStringLiteral("body{font-family:sans-serif;margin:1.5em}table{border-collapse:collapse}"
                       "th,td{padding:.1em .8em;text-align:left}"
                       "tr.letter th{background:#eef;border-top:1px solid #99b}"
                       "p.letters a{margin-right:.5em}"));
    html << QStringView(u"<h1>Указатель имён</h1>\n<p class=\"letters\">");
    for (const QString& l : letters) {
        html << QLatin1String("<a href=\"#letter-") << QLatin1StringView(QUrl::toPercentEncoding(l))
             << QLatin1String("\">");
        html.Escaped(l) << QLatin1String("</a>");
    }
    html << QLatin1String("</p>\n");
    if (options.Index)
        html << QStringView(u"<p><a href=\"index.htm\">Оглавление</a></p>\n");
    html << QLatin1String("<table>\n");
    for (size_t r = 0; r < rows.size(); ++r) {
        const TDecl& decl = FProject.Decl(rows[r].Ref);
        if (r == 0 || letterOf[r] != letterOf[r - 1]) {
            const QString& letter = letters[letterOf[r]];
            html << QLatin1String("<tr class=\"letter\"><th colspan=\"3\" id=\"letter-");
            html.Escaped(letter) << QLatin1String("\">");
            html.Escaped(letter) << QLatin1String("</th></tr>\n");
        }
        static const QRegularExpression number(QStringLiteral("~[0-9]+"));
        QString shownPath;
        if (decl.Id.contains(u'~'))
            shownPath = QString(decl.Id).remove(number);
        const QString& path = shownPath.isNull() ? decl.Id : shownPath;
        const std::string& page = hrefs[size_t(rows[r].Ref.Unit)];
        html << QLatin1String("<tr><td><a href=\"") << page << QLatin1String("#")
             << IdFragment(decl.Id) << QLatin1String("\">");
        html.Escaped(path) << QLatin1String("</a></td><td>") << KindOf(decl)
                           << QLatin1String("</td><td><a href=\"") << page << QLatin1String("\">")
                           << shown[size_t(rows[r].Ref.Unit)] << QLatin1String("</a></td></tr>\n");
    }
    html << QLatin1String("</table>\n</body>\n</html>\n");
    html.Commit();
}
