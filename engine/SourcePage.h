#pragma once
// The page of a source read as a stream of bytes: converted line by line straight from the
// source's bytes to the page's bytes and written as it is produced, so memory follows the
// longest line, not the file.

#include "Markup.h"

#include <QIODevice>
#include <QString>
#include <functional>

struct TPageFrame;
struct TPageRecipe;
struct TPageReport;

// Reads `in` to its end and writes the page, in the source's encoding with its byte-order
// mark and CR LF after every line, into the device `openTarget` gives. That is called once,
// when the first non-blank line comes; a blank source never calls it and gives false.
// Raises Exception naming `inName` when reading fails and `outName` when writing fails.
// `markup` and `frame` come from the recipe, whose extras add line anchors and unit links;
// `report` receives the line count.
bool ConvertSourcePage(const TMarkupSet& markup, const TPageFrame& frame, const TPageRecipe& recipe,
                       QIODevice& in, const QString& inName,
                       const std::function<QIODevice&()>& openTarget, const QString& outName,
                       TPageReport& report);
