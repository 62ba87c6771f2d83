#pragma once
// The markup a page of the run gets around its names: an id and a link to its references
// page on every declaration, a link with a title on every name linked to a declaration.

#include "XrefProject.h"

#include <QString>
#include <string>
#include <vector>

struct TXrefMark {
    int Line = 0, Ordinal = 0;
    int Tag = 0; // its opening tag among the page's; "</a>" closes it
};

// A page's marks, and their opening tags: the links of a page to one declaration share one.
// The tags lie in one text: a page has thousands, each made once.
struct TXrefMarks {
    std::vector<TXrefMark> Marks; // in line and name order
    QString Text;
    std::vector<std::pair<qsizetype, qsizetype>> Tags; // start and length in Text

    QStringView Tag(int tag) const {
        return QStringView(Text).sliced(Tags[size_t(tag)].first, Tags[size_t(tag)].second);
    }
};

// Where a source's pages lie and how titles name it.
struct TXrefPages {
    QString Page;  // absolute
    QString Refs;  // absolute
    QString Shown; // the source's path relative to the walked folder
};

// The fragment of a link to the declaration of id `id`: percent-encoded as UTF-8.
QString IdFragment(const QString& id);
// The same, appended to `out`.
void AppendIdFragment(std::string& out, QStringView id);

// A relative link from a page in `fromFolder` to `toFile`, percent-encoded as UTF-8.
QString RelativeHref(const QString& fromFolder, const QString& toFile);

// The marks of the page of source `unit`. `pages` is indexed by source number.
TXrefMarks XrefMarks(const TXrefProject& project, const std::vector<TXrefPages>& pages, int unit,
                     const std::vector<TXrefLink>& links);
