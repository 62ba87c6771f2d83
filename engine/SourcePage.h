#pragma once
// The page of a source read as a stream of bytes: converted line by line straight from the
// source's bytes to the page's bytes and written as it is produced, so memory follows the
// longest line, not the file.

#include <QIODevice>
#include <QString>
#include <functional>

class TDelphiToHTML;
struct TPageExtras;
struct TPageFrame;

// Reads `in` to its end and writes the page, in the source's encoding with its byte-order
// mark and CR LF after every line, into the device `openTarget` gives. That is called once,
// when the first non-blank line comes; a blank source never calls it and gives false.
// Raises Exception naming `inName` when reading fails and `outName` when writing fails.
// `extras`, when given, adds line anchors and unit links and receives the line count.
bool ConvertSourcePage(const TDelphiToHTML& converter, const TPageFrame& frame, QIODevice& in,
                       const QString& inName, const std::function<QIODevice&()>& openTarget,
                       const QString& outName, TPageExtras* extras = nullptr);
