#pragma once
// What a published page carries beyond the highlighted source: an anchor at every line,
// visible line numbers, and links from the units named in `uses` clauses, and from the forms
// and include files directives name, to their pages.

#include "FileDirective.h"
#include "SourceEncoding.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

struct TXrefMarks;

struct TPageExtras {
    bool LineAnchors = false;
    bool LineNumbers = false; // shows the numbers too; implies the anchors
    // The relative href of the page of the unit `name` (as written, dots and all), given the
    // path of its `in 'path'` form (empty when there is none); empty when there is no such
    // page. Unset: no unit is linked.
    std::function<QString(const QString& name, const QString& inPath)> UnitHref;
    // The relative href of the page of the form or include file a directive names; empty
    // when it has none. Unset: no directive is linked.
    std::function<QString(const TFileDirective& directive)> FileHref;

    // The relative href of the site's index; when set, a link to it follows the after-body
    // fragment.
    QString IndexHref;
    // The code browser's marks of this page; unset: none. Unit
    // names are then linked by the marks, not by UnitHref.
    const TXrefMarks* XrefMarks = nullptr;

    bool MarksLines() const { return LineAnchors || LineNumbers; }
    bool LinksUnits() const { return bool(UnitHref) || bool(FileHref); }
};

// The style the numbered lines need, added to the page's head.
QString LineNumberStyle();

// The markup that starts line `n` (from 1), an empty element carrying its anchor, in ASCII
// into `out`; returns its length, at most kLineStartMarkupSize.
constexpr qsizetype kLineStartMarkupSize = 96;
qsizetype LineStartMarkup(char* out, qsizetype n, bool numbered);

// Adds what the page needs for `extras` to the frame's head: the style before "</head>", the
// index link right before "<pre>".
void AddToHead(QStringList& head, const TPageExtras& extras);
