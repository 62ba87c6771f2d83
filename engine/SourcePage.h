#pragma once
// The page of a source file, converted straight from the file's bytes to the page's bytes
// line by line, so a large file never sits in memory as text.

#include "TextCodec.h"

#include <QByteArrayView>
#include <QIODevice>
#include <QString>

class TDelphiToHTML;
struct TPageFrame;

class TSourcePage {
public:
    explicit TSourcePage(QByteArrayView fileBytes);

    // False when the source is blank or ends before its first line: no page, nothing to write.
    bool HasPage() const { return FHasPage; }
    TTextEncoding Encoding() const { return FEncoding; }

    // Writes the page in the source's encoding, its byte-order mark included, with CR LF
    // after every line. Raises Exception naming `outName` when `out` fails.
    void Write(const TDelphiToHTML& converter, const TPageFrame& frame, QIODevice& out,
               const QString& outName) const;

private:
    TTextEncoding FEncoding = TTextEncoding::Ansi;
    QByteArrayView FBody;   // after the mark
    qsizetype FTextEnd = 0; // bytes before the first NUL character
    bool FHasPage = false;
};
