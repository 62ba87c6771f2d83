#pragma once
// Everything a page is made with besides its source, and what making it reports back.

#include "PageExtras.h"
#include "TStrings.h"
#include "TextCodec.h"

#include <QString>

// How a source without a byte-order mark is read; a mark always wins.
enum class TUnmarkedSource {
    Auto,        // UTF-8 when valid UTF-8 throughout with a character above ASCII
    Windows1251, // always windows-1251, as every unmarked source was once read
    Utf8,        // always UTF-8
};

struct TPageRecipe {
    // The markup tag set ("Bcom=<i>" lines); a missing or blank value keeps the converter's
    // own markup.
    TStrings Tags;
    // The frame: the title (trimmed; "NewFile" when blank) and the fragments after "<body>"
    // and before "</body>" (trimmed; left out when blank).
    QString Title;
    QString BodyAfter;
    QString BodyEndBefore;
    TUnmarkedSource Unmarked = TUnmarkedSource::Auto;
    // Line anchors and numbers, and the links of `uses` clauses.
    TPageExtras Extras;
};

struct TPageReport {
    // Why a form saved in binary could be read only up to its damage; empty otherwise.
    QString FormProblem;
    qsizetype Lines = 0; // the lines of the preformatted block
};
