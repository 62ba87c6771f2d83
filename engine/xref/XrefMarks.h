#pragma once
// The markup a page of the run gets around its names: an id and a link to its references
// page on every declaration, a link with a title on every name linked to a declaration.

#include "TextCodec.h"
#include "XrefProject.h"

#include <QString>
#include <string>
#include <vector>

struct TXrefMark {
    int Line = 0, Ordinal = 0;
    int Column = 0, Length = 0; // where the name stands in its line, as TSite's
    int Tag = 0;                // its opening tag among the page's; "</a>" closes it
};

// Where a source's pages lie and how titles name it.
struct TXrefPages {
    QString Page;  // absolute
    QString Refs;  // absolute
    QString Shown; // the source's path relative to the walked folder
};

// A page's marks, and what their opening tags say: the links of a page to one declaration
// share one. The tags are put into words once the page's encoding is known, straight into it:
// a page has thousands, each made once.
struct TXrefMarks {
    std::vector<TXrefMark> Marks; // in line and name order

    // The page's declarations with a mark come first among the tags, in their order; then the
    // declarations linked to, each with the page it lies in among Linked.
    struct TTarget {
        TXrefRef Decl;
        int Page = 0;
    };
    struct TLinkedPage {
        int Unit = -1;
        QString Href; // empty for this page
    };
    const TXrefProject* Project = nullptr;
    const std::vector<TXrefPages>* Pages = nullptr;
    int Unit = -1;
    QString Refs; // the way to the page's references page
    std::vector<TTarget> Targets;
    std::vector<TLinkedPage> Linked;
};

// The fragment of a link to the declaration of id `id`: percent-encoded as UTF-8.
QString IdFragment(const QString& id);
// The same, appended to `out`.
void AppendIdFragment(std::string& out, QStringView id);

// Appends `text` a byte a character when it is ASCII with nothing for HTML to escape, as
// nearly every text of the pages is; false, leaving `out` as it was, when it is not.
bool AppendPlainAscii(std::string& out, QStringView text);

// A relative link from a page in `fromFolder` to `toFile`, percent-encoded as UTF-8.
QString RelativeHref(const QString& fromFolder, const QString& toFile);

// The marks of the page of source `unit`. `pages` is indexed by source number; it and
// `project` outlive the marks.
TXrefMarks XrefMarks(const TXrefProject& project, const std::vector<TXrefPages>& pages, int unit,
                     const std::vector<TXrefLink>& links);
// The opening tags of `marks` in `encoding`, one after another into `out`, and where each
// ends into `ends`.
void EncodeXrefTags(const TXrefMarks& marks, TTextEncoding encoding, std::string& out,
                    std::vector<qsizetype>& ends);
