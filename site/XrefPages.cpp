// The references page of every source and the symbol index, written after the pages from
// the declaration tables and the uses the pages recorded.

// Strings put together in one allocation each: these pages are long.
#define QT_USE_QSTRINGBUILDER

#include "Exception.h"
#include "PageBatch.h"
#include "Site.h"
#include "SiteHtml.h"
#include "Workers.h"
#include "Xref.h"
#include "XrefMarks.h"
#include "XrefUsedLines.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>
#include <algorithm>
#include <atomic>
#include <mutex>
#include <new>
#include <numeric>
#include <span>

namespace {

// A kind of declaration in words, in UTF-8; none for types and routines, which have their own.
std::string_view KindWords(TDeclKind kind) {
    switch (kind) {
    case TDeclKind::Unit:
        return "модуль";
    case TDeclKind::Program:
        return "программа";
    case TDeclKind::Library:
        return "библиотека";
    case TDeclKind::Type:
    case TDeclKind::Routine:
        return {};
    case TDeclKind::EnumMember:
        return "элемент перечисления";
    case TDeclKind::Field:
        return "поле";
    case TDeclKind::Method:
        return "метод";
    case TDeclKind::Property:
        return "свойство";
    case TDeclKind::Parameter:
        return "параметр";
    case TDeclKind::Variable:
        return "переменная";
    case TDeclKind::Constant:
        return "константа";
    case TDeclKind::ResourceString:
        return "строковый ресурс";
    case TDeclKind::Label:
        return "метка";
    case TDeclKind::TypeParameter:
        return "параметр типа";
    }
    return {};
}

bool HasOwnWords(const TDecl& decl) {
    return decl.Kind == TDeclKind::Type || decl.Kind == TDeclKind::Routine;
}

// A declaration's kind in words, in UTF-8. A type's or routine's own words are kept in `room`,
// made again only when they differ from those of the declaration before.
std::string_view KindOf(const TDecl& decl, std::pair<TDeclWhat, std::string>& room) {
    if (!HasOwnWords(decl))
        return KindWords(decl.Kind);
    if (room.first != decl.What) {
        room.first = decl.What;
        room.second.clear();
        AppendUtf8(room.second, WhatWords(decl.What));
    }
    return room.second;
}

} // namespace

// Of the pages uses stand in, as links from one folder, made when needed: the entry's start
// up to "#L". Kept by a worker while it writes the references pages of one folder, as it
// mostly does in a row. By source. And the used lines of each job, once read, for all its
// pages: they are let go only once no page of any worker may list them.
struct TXrefRun::TUsePages {
    QString Folder;
    std::vector<std::string> Opens;
    std::vector<const TUsedLines*> Lines;
};

namespace {

constexpr std::string_view kRefsStyle =
    "body{font-family:sans-serif;margin:1.5em}div.decl{margin:.2em 0 .8em}"
    "div.decl:target{background:#ffea80}p.decl{margin:0}span.kind{color:#666;margin-left:.8em}"
    "ul{margin:.2em 0}p.none{margin:.2em 2em;color:#999}";

} // namespace

// The uses of every declaration of the run, by source, declaration, using source and line.
struct TXrefRun::TUsesByDecl {
    std::vector<size_t> First; // of each source, its first declaration's place in Ends
    std::vector<size_t> Ends;  // of each declaration, where its uses end in Uses
    std::vector<TUseAt> Uses;

    // The uses recorded by the pages written, `uses` by job. Counted first, then placed in the
    // declarations' order keeping the sources' and each source's: mostly in line order.
    TUsesByDecl(const TXrefProject& project, const std::vector<std::vector<TUse>>& uses,
                const std::vector<TPageResult>& results) {
        First.resize(size_t(project.Count()) + 1);
        for (int unit = 0; unit < project.Count(); ++unit)
            First[size_t(unit) + 1] = First[size_t(unit)] + project.Unit(unit).Decls.size();
        Ends.resize(First.back());
        const auto slotOf = [this](const TUse& use) {
            return First[size_t(use.Target.Unit)] + size_t(use.Target.Decl);
        };
        // A page that is not there has no line to link to.
        for (size_t job = 0; job < uses.size(); ++job)
            if (results[job].Written)
                for (const TUse& use : uses[job])
                    if (use.Line >= 1)
                        ++Ends[slotOf(use)];
        std::partial_sum(Ends.begin(), Ends.end(), Ends.begin());
        Uses.resize(Ends.empty() ? 0 : Ends.back());
        // Placed from the back, each declaration's end becomes its start; then each start is
        // the end of the declaration before.
        for (size_t job = uses.size(); job-- > 0;)
            if (results[job].Written)
                for (auto use = uses[job].crbegin(); use != uses[job].crend(); ++use)
                    if (use->Line >= 1)
                        Uses[--Ends[slotOf(*use)]] = {int(job), use->Line};
        if (!Ends.empty()) {
            std::move(Ends.begin() + 1, Ends.end(), Ends.begin());
            Ends.back() = Uses.size();
        }
    }

    std::span<TUseAt> Of(int unit, int decl) {
        const size_t k = First[size_t(unit)] + size_t(decl);
        const size_t start = k == 0 ? 0 : Ends[k - 1];
        return std::span(Uses).subspan(start, Ends[k] - start);
    }
};

QStringList TXrefRun::WritePages(const TOptions& options,
                                 const std::vector<TPageResult>& results) const {
    std::vector<TUsedLines> lines(FUses.size()); // per job
    TUsesByDecl uses(FProject, FUses, results);
    // The used lines of a source are let go once the references pages that may list them are
    // written: the sources each page may list, and how many pages may list each source.
    const int count = FProject.Count();
    std::vector<std::vector<int>> listedIn(uses.First.size() - 1);
    std::vector<std::atomic<int>> readers(FUses.size());
    for (size_t job = 0; job < FUses.size(); ++job) {
        if (!results[job].Written)
            continue;
        int unit = -1; // of the use before: most uses of a source are of a few others
        for (const TUse& use : FUses[job])
            if (use.Target.Unit != unit) {
                unit = use.Target.Unit;
                std::vector<int>& listed = listedIn[size_t(unit)];
                if (listed.empty() || listed.back() != int(job)) {
                    listed.push_back(int(job));
                    ++readers[job];
                }
            }
    }
    // The symbol index is the longest single piece: it goes first, and the workers take the
    // references pages one by one beside it, so none waits for another at the end. The first
    // failure stops them; the first in the sources' order is reported, the index's last.
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
    // Replaced in batches as the pages are, each synced once rather than page by page.
    std::mutex batchMutex;
    QStringList batchErrors;
    TPageBatch batch({}, [&batchMutex, &batchErrors](const QString& message) {
        const std::lock_guard lock(batchMutex);
        batchErrors << message;
    });
    // The index is the first piece taken; each of the others takes references pages until
    // none is left.
    RunOnWorkers(size_t(FThreads) + 1, FThreads, [&](size_t piece) {
        if (piece == 0) {
            guarded(count, [&] { WriteSymbols(options, results, batch); });
            return;
        }
        TUsePages usePages;
        usePages.Lines.resize(lines.size());
        for (int unit = next++; unit < count && !failed; unit = next++) {
            if (!results[FJobOfUnit[size_t(unit)]].Written)
                continue;
            guarded(unit, [&] { WriteRefsPage(unit, uses, lines, usePages, batch); });
            for (const int job : listedIn[size_t(unit)])
                if (--readers[size_t(job)] == 0)
                    lines[size_t(job)].Release();
        }
    });
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
    if (std::none_of(results.begin(), results.end(),
                     [](const TPageResult& result) { return result.Failed; }))
        return from;
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

namespace {

std::string Utf8(QStringView text) {
    std::string utf8;
    AppendUtf8(utf8, text);
    return utf8;
}

} // namespace

void TXrefRun::WriteRefsPage(int unit, TUsesByDecl& uses, std::vector<TUsedLines>& lines,
                             TUsePages& usePages, TPageBatch& batch) const {
    const auto& decls = FProject.Unit(unit).Decls;
    const TXrefPages& pages = FPages[size_t(unit)];
    const QFileInfo refs(pages.Refs);
    const QString folder = refs.path();
    const std::string page = Utf8(RelativeHref(folder, pages.Page));
    // What each declaration writes between its id and its fragment.
    const std::string toPage = "\"><p class=\"decl\"><a href=\"" + page;
    if (usePages.Folder != folder) {
        usePages.Folder = folder;
        usePages.Opens.assign(FPages.size(), {});
    }

    TPagePlace place{folder, {}, refs.fileName()};
    if (const auto& job = FPlan.Jobs[FJobOfUnit[size_t(unit)]]; job.Place) {
        place = *job.Place; // the folders below the named one are not followed when links
        place.FileName = refs.fileName();
    }
    TSitePageWriter html(pages.Refs, std::move(place), batch);
    html.Start(QString(pages.Shown + QStringLiteral(" — ссылки")), kRefsStyle);
    html << QLatin1String("<h1><a href=\"") << page << QLatin1String("\">");
    html.Escaped(pages.Shown) << QLatin1String("</a></h1>\n");
    std::vector<int> order;
    order.reserve(decls.size());
    for (size_t d = 0; d < decls.size(); ++d)
        if (decls[d].Ordinal >= 0)
            order.push_back(int(d));
    const auto byPlace = [&decls](int a, int b) {
        return std::tie(decls[size_t(a)].Line, decls[size_t(a)].Ordinal) <
               std::tie(decls[size_t(b)].Line, decls[size_t(b)].Ordinal);
    };
    if (!std::is_sorted(order.begin(), order.end(), byPlace))
        std::stable_sort(order.begin(), order.end(), byPlace);
    std::string fragment, escapedId;
    std::pair<TDeclWhat, std::string> room;
    // Declarations of one line (parameters, a list of variables) share its text: escaped once.
    std::string title;
    QStringView titleOf;
    for (const int d : order) {
        const TDecl& decl = decls[size_t(d)];
        // Nearly every id is its own fragment, with nothing to escape either: when no
        // character of it is encoded, the fragment is as long.
        fragment.clear();
        if (decl.Scope != 0) {
            fragment = "#";
            AppendIdFragment(fragment, decl.Id);
        }
        std::string_view id;
        if (decl.Scope != 0 && fragment.size() == size_t(decl.Id.size()) + 1) {
            id = std::string_view(fragment).substr(1);
        } else {
            escapedId.clear();
            AppendEscapedUtf8(escapedId, decl.Id);
            id = escapedId;
        }
        if (decl.Title.constData() != titleOf.constData() || decl.Title.size() != titleOf.size()) {
            titleOf = decl.Title;
            title.clear();
            AppendEscapedUtf8(title, titleOf);
        }
        // Listed by using source and line, each once: they come in the sources' order, mostly
        // in line order within one.
        const std::span<TUseAt> usesOf = uses.Of(unit, d);
        const auto byJobAndLine = [](const TUseAt& a, const TUseAt& b) {
            return (quint64(a.Job) << 32 | quint32(a.Line)) <
                   (quint64(b.Job) << 32 | quint32(b.Line));
        };
        if (!std::is_sorted(usesOf.begin(), usesOf.end(), byJobAndLine))
            std::sort(usesOf.begin(), usesOf.end(), byJobAndLine);
        const bool used = !usesOf.empty();
        html.Write({"<div class=\"decl\" id=\"", id, toPage, fragment, "\"><code>", title,
                    "</code></a><span class=\"kind\">", KindOf(decl, room), "</span></p>\n",
                    used ? "<ul>\n" : "<p class=\"none\">не используется</p>\n</div>\n"});
        if (!used)
            continue;
        const std::string* open = nullptr;
        const TUsedLines* entries = nullptr;
        TUseAt last{-1, 0};
        for (const TUseAt& use : usesOf) {
            if (use.Job == last.Job && use.Line == last.Line)
                continue;
            if (use.Job != last.Job) {
                const size_t job = size_t(use.Job);
                const TXrefPages& from = FPages[size_t(FUnitOfJob[job])];
                std::string& made = usePages.Opens[size_t(FUnitOfJob[job])];
                if (made.empty())
                    made = "<li><a href=\"" + Utf8(RelativeHref(folder, from.Page)) + "#L";
                open = &made;
                const TUsedLines*& read = usePages.Lines[job];
                if (!read)
                    read = &lines[job].Read(FPlan.Jobs[job], FUnmarked, FUses[job], from.Shown);
                entries = read;
            }
            last = use;
            html.Write({*open, entries->EntryOf(use.Line)});
        }
        html << QLatin1String("</ul>\n</div>\n");
    }
    html << QLatin1String("</body>\n</html>\n");
    html.Commit();
}

namespace {

// An id as the symbol index shows it: without the numbers "~N" that tell apart declarations
// of one path, HTML-escaped. `room` holds it when it has any.
void AppendShownId(std::string& out, QStringView id, std::u16string& room) {
    const auto isDigit = [](QChar c) { return c >= u'0' && c <= u'9'; };
    qsizetype at = id.indexOf(u'~');
    if (at < 0) {
        AppendEscapedUtf8(out, id);
        return;
    }
    room.clear();
    qsizetype run = 0;
    for (; at >= 0; at = id.indexOf(u'~', at)) {
        if (at + 1 < id.size() && isDigit(id[at + 1])) {
            room.append(id.utf16() + run, size_t(at - run));
            at += 2;
            while (at < id.size() && isDigit(id[at]))
                ++at;
            run = at;
        } else {
            ++at;
        }
    }
    room.append(id.utf16() + run, size_t(id.size() - run));
    AppendEscapedUtf8(out, room);
}

} // namespace

void TXrefRun::WriteSymbols(const TOptions& options, const std::vector<TPageResult>& results,
                            TPageBatch& batch) const {
    // Equal names are listed by their sources' paths as shown, then as declared: the sources
    // are walked in that order, and the rows numbered as met.
    std::vector<int> byShown(FPages.size());
    std::iota(byShown.begin(), byShown.end(), 0);
    std::stable_sort(byShown.begin(), byShown.end(), [this](int a, int b) {
        return FPages[size_t(a)].Shown.compare(FPages[size_t(b)].Shown) < 0;
    });

    // The rows are listed in name order, and a declaration lies anywhere in memory: all that
    // a row writes is gathered while the declarations are walked in memory order, and the
    // rows sorted are small records. The start of the lower-case name, held in the row,
    // decides most comparisons.
    struct TRow {
        quint64 Start;
        const QChar* Lower;
        int LowerSize;  // below the size of a source read
        int Seq;        // of the row as met
        char16_t First; // of the name as written: gives the row's letter
    };
    // Its first eight characters a byte each, as far as they are ASCII, then 0xFF for one
    // above and zeros: names whose starts differ are in the order of their starts.
    const auto startOf = [](const QString& lower) {
        quint64 start = 0;
        bool above = false;
        for (qsizetype i = 0; i < 8; ++i) {
            char16_t c = above || i >= lower.size() ? 0 : lower[i].unicode();
            if (c >= 0x80) {
                above = true;
                c = 0xFF;
            }
            start = start << 8 | c;
        }
        return start;
    };
    std::vector<TRow> rows;
    // What each row writes, by its number: its id's fragment in `texts`, then, when it shows
    // otherwise, the id as shown; its source and its kind.
    struct TRowText {
        size_t End;
        int Shown; // from the row's start in `texts`; -1 when the fragment shows as it is
        int Unit;
        int Kind; // in `kinds`
    };
    std::string texts;
    std::vector<TRowText> rowTexts;
    std::u16string idRoom;
    // The kinds in words: one for each kind of declaration, then the words of types and
    // routines as met.
    std::vector<std::string> kinds;
    for (int k = 0; k <= int(TDeclKind::TypeParameter); ++k)
        kinds.emplace_back(KindWords(TDeclKind(k)));
    QHash<QString, int> kindOf;
    // Room for a row of every declaration, made at once: what is not used is never touched.
    size_t declCount = 0;
    for (int unit = 0; unit < FProject.Count(); ++unit)
        declCount += FProject.Unit(unit).Decls.size();
    rows.reserve(declCount);
    rowTexts.reserve(declCount);
    for (const int unit : byShown) {
        if (!results[FJobOfUnit[size_t(unit)]].Written)
            continue;
        for (const TDecl& decl : FProject.Unit(unit).Decls) {
            if (!decl.Public || decl.Ordinal < 0 || decl.Scope == 0 ||
                decl.Kind == TDeclKind::Parameter || decl.Kind == TDeclKind::TypeParameter)
                continue;
            int kind = int(decl.Kind);
            if (HasOwnWords(decl)) {
                const QString what = WhatWords(decl.What);
                auto known = kindOf.constFind(what);
                if (known == kindOf.cend()) {
                    known = kindOf.insert(what, int(kinds.size()));
                    AppendUtf8(kinds.emplace_back(), what);
                }
                kind = *known;
            }
            rows.push_back({startOf(decl.Lower), decl.Lower.constData(), int(decl.Lower.size()),
                            int(rows.size()),
                            decl.Name.isEmpty() ? char16_t(0) : decl.Name[0].unicode()});
            const size_t start = texts.size();
            AppendIdFragment(texts, decl.Id);
            const size_t fragment = texts.size();
            // An id with no character encoded, and no number, shows as its fragment.
            int shown = -1;
            if (fragment - start != size_t(decl.Id.size()) ||
                std::string_view(texts).substr(start).find('~') != std::string_view::npos) {
                AppendShownId(texts, decl.Id, idRoom);
                shown = int(fragment - start);
                if (std::string_view(texts).substr(fragment) ==
                    std::string_view(texts).substr(start, fragment - start)) {
                    texts.resize(fragment);
                    shown = -1;
                }
            }
            rowTexts.push_back({texts.size(), shown, unit, kind});
        }
    }
    std::sort(rows.begin(), rows.end(), [](const TRow& a, const TRow& b) {
        if (a.Start != b.Start)
            return a.Start < b.Start;
        if (const int c =
                QStringView(a.Lower, a.LowerSize).compare(QStringView(b.Lower, b.LowerSize)))
            return c < 0;
        return a.Seq < b.Seq;
    });

    const QString output = QDir(options.Output).absolutePath();
    // Of each source: what its rows write before and after their own text.
    std::vector<std::string> heads, tails;
    for (const TXrefPages& pages : FPages) {
        const std::string href = Utf8(RelativeHref(output, pages.Page));
        heads.push_back("<tr><td><a href=\"" + href + "#");
        std::string& tail = tails.emplace_back("</td><td><a href=\"" + href + "\">");
        AppendEscapedUtf8(tail, pages.Shown);
        tail += "</a></td></tr>\n";
    }
    // A row's letter: the first of its name, in upper case.
    std::vector<int> letterOf(rows.size());
    QStringList letters;
    QHash<char16_t, QString> upper;
    for (size_t r = 0; r < rows.size(); ++r) {
        // Rows in name order mostly begin as the one before.
        if (r > 0 && rows[r].First == rows[r - 1].First) {
            letterOf[r] = letterOf[r - 1];
            continue;
        }
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
    html.Start(QStringLiteral("Указатель имён"),
               "body{font-family:sans-serif;margin:1.5em}table{border-collapse:collapse}"
               "th,td{padding:.1em .8em;text-align:left}"
               "tr.letter th{background:#eef;border-top:1px solid #99b}"
               "p.letters a{margin-right:.5em}");
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
        if (r == 0 || letterOf[r] != letterOf[r - 1]) {
            const QString& letter = letters[letterOf[r]];
            html << QLatin1String("<tr class=\"letter\"><th colspan=\"3\" id=\"letter-");
            html.Escaped(letter) << QLatin1String("\">");
            html.Escaped(letter) << QLatin1String("</th></tr>\n");
        }
        const size_t seq = size_t(rows[r].Seq);
        const TRowText& row = rowTexts[seq];
        const size_t start = seq == 0 ? 0 : rowTexts[seq - 1].End;
        const std::string_view text = std::string_view(texts).substr(start, row.End - start);
        const std::string_view fragment = row.Shown < 0 ? text : text.substr(0, size_t(row.Shown));
        const size_t unit = size_t(row.Unit);
        html.Write({heads[unit], fragment, "\">",
                    row.Shown < 0 ? text : text.substr(size_t(row.Shown)), "</a></td><td>",
                    kinds[size_t(row.Kind)], tails[unit]});
    }
    html << QLatin1String("</table>\n</body>\n</html>\n");
    html.Commit();
}
