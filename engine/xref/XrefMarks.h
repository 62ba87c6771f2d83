#pragma once
// The markup a page of the run gets around its names: an id and a link to its references
// page on every declaration, a link with a title on every name linked to a declaration.

#include "XrefProject.h"

#include <QString>
#include <vector>

struct TXrefMark {
    int Line = 0, Ordinal = 0;
    QString Open;    // the opening tag; "</a>" closes it
    int Shared = -1; // the marks of one opening tag share a number from 0; -1 for one alone
};

// Where a source's pages lie and how titles name it.
struct TXrefPages {
    QString Page;  // absolute
    QString Refs;  // absolute
    QString Shown; // the source's path relative to the walked folder
};

// The fragment of a link to the declaration of id `id`: percent-encoded as UTF-8.
QString IdFragment(const QString& id);

// A relative link from a page in `fromFolder` to `toFile`, percent-encoded as UTF-8.
QString RelativeHref(const QString& fromFolder, const QString& toFile);

// The marks of the page of source `unit`, in line and name order. `pages` is indexed by
// source number.
std::vector<TXrefMark> XrefMarks(const TXrefProject& project, const std::vector<TXrefPages>& pages,
                                 int unit, const std::vector<TXrefLink>& links);

// The href of a declaration's entry, given the href of its page (empty for the same page):
// the page's "#id", the page alone for a unit.
QString DeclarationHref(const TDecl& decl, const QString& page);
