#include "SourcePage.h"

#include "Exception.h"
#include "LineScanner.h"
#include "PageFrame.h"
#include "TStrings.h"
#include "TextFile.h"
#include "__pas2html.h"

#include <cstring>

namespace {

bool IsWide(TTextEncoding e) {
    return e == TTextEncoding::Utf16LE || e == TTextEncoding::Utf16BE;
}

char16_t WideUnit(const uchar* p, TTextEncoding e) {
    return e == TTextEncoding::Utf16BE ? char16_t((p[0] << 8) | p[1])
                                       : char16_t((p[1] << 8) | p[0]);
}

bool HasLineBreak(QStringView s) {
    return s.contains(u'\r') || s.contains(u'\n');
}

// Collects encoded page lines and hands them to the device in large pieces.
class TPageWriter {
public:
    TPageWriter(QIODevice& out, const QString& outName, TTextEncoding encoding)
        : FOut(out), FOutName(outName), FEncoding(encoding), FBreak(EncodeText(u"\r\n", encoding)) {
        FBuffer = ByteOrderMark(encoding);
        FBuffer.reserve(kFlushSize + 64 * 1024);
    }

    // A page line; line breaks inside it end lines of their own, as when the page is split
    // into lines and written back with CR LF.
    void Line(QStringView line, bool mayHoldBreaks) {
        if (mayHoldBreaks && HasLineBreak(line)) {
            for (const QString& part :
                 TStrings::SplitLines(line.toString() + QLatin1String("\r\n")))
                Line(part, false);
            return;
        }
        Piece(line);
        EndLine();
    }

    // Part of a line that holds no line break.
    void Piece(QStringView text) {
        AppendEncoded(FBuffer, text, FEncoding);
        if (FBuffer.size() >= kFlushSize)
            Flush();
    }

    void EndLine() { FBuffer += FBreak; }

    void Flush() {
        if (!FBuffer.isEmpty() && FOut.write(FBuffer) != FBuffer.size())
            throw Exception(CannotWriteMessage(FOutName, FOut.errorString()));
        FBuffer.resize(0);
    }

private:
    static constexpr qsizetype kFlushSize = 1 << 20;
    QIODevice& FOut;
    const QString& FOutName;
    TTextEncoding FEncoding;
    QByteArray FBreak;
    QByteArray FBuffer;
};

// Decodes one line's bytes into `line`, reusing its storage.
void DecodeLine(QByteArrayView bytes, TTextEncoding encoding, QString& line) {
    if (encoding == TTextEncoding::Ansi) {
        line.resize(bytes.size());
        char16_t* dst = reinterpret_cast<char16_t*>(line.data());
        const char16_t* const table = AnsiToUnicodeTable();
        const auto* src = reinterpret_cast<const uchar*>(bytes.data());
        const qsizetype n = bytes.size();
        for (qsizetype i = 0; i < n; ++i)
            dst[i] = src[i] < 0x80 ? char16_t(src[i]) : table[src[i]];
    } else {
        line = DecodeText(bytes, encoding);
    }
}

} // namespace

TSourcePage::TSourcePage(QByteArrayView fileBytes) {
    qsizetype bom = 0;
    FEncoding = DetectEncoding(fileBytes, &bom);
    FBody = fileBytes.sliced(bom);
    const auto* b = reinterpret_cast<const uchar*>(FBody.data());
    const qsizetype n = FBody.size();

    // Blank: every character has a code of 32 or less. An odd last byte of UTF-16 decodes
    // to a replacement character, which is not blank.
    bool blank = true;
    if (IsWide(FEncoding)) {
        blank = n % 2 == 0;
        FTextEnd = n;
        bool nulFound = false;
        for (qsizetype i = 0; i + 1 < n; i += 2) {
            const char16_t u = WideUnit(b + i, FEncoding);
            blank = blank && u <= 32;
            if (u == 0 && !nulFound) {
                FTextEnd = i;
                nulFound = true;
            }
        }
    } else {
        const void* nul = std::memchr(b, 0, size_t(n));
        FTextEnd = nul ? static_cast<const uchar*>(nul) - b : n;
        for (qsizetype i = 0; blank && i < n; ++i)
            blank = b[i] <= 32;
    }
    FHasPage = !blank && FTextEnd > 0;
}

void TSourcePage::Write(const TDelphiToHTML& converter, const TPageFrame& frame, QIODevice& out,
                        const QString& outName) const {
    TPageWriter writer(out, outName, FEncoding);
    for (const QString& line : frame.Head)
        writer.Line(line, true);

    const bool markupMayBreak = HasLineBreak(converter.Bcom) || HasLineBreak(converter.Ecom) ||
                                HasLineBreak(converter.Bres) || HasLineBreak(converter.Eres) ||
                                HasLineBreak(converter.Bnum) || HasLineBreak(converter.Enum) ||
                                HasLineBreak(converter.Bstr) || HasLineBreak(converter.Estr) ||
                                HasLineBreak(converter.Bdir) || HasLineBreak(converter.Edir);
    TLineScanner scanner(converter);
    QString line;
    TTextBuffer converted;
    if (!markupMayBreak)
        converted.SetSpill([&writer](QStringView part) { writer.Piece(part); });
    const auto* b = reinterpret_cast<const uchar*>(FBody.data());
    const qsizetype unit = IsWide(FEncoding) ? 2 : 1;
    auto unitAt = [&](qsizetype k) -> char16_t {
        return unit == 2 ? WideUnit(b + k, FEncoding) : char16_t(b[k]);
    };
    // A lone last byte of UTF-16 belongs to the last line.
    const qsizetype scanEnd = FTextEnd - (unit == 2 ? FTextEnd % 2 : 0);
    qsizetype start = 0, k = 0;
    while (start < FTextEnd) {
        if (unit == 1) {
            while (k < scanEnd && b[k] != '\r' && b[k] != '\n')
                ++k;
        } else {
            while (k < scanEnd && unitAt(k) != u'\r' && unitAt(k) != u'\n')
                k += 2;
        }
        const qsizetype lineEnd = k < scanEnd ? k : FTextEnd;
        DecodeLine(FBody.sliced(start, lineEnd - start), FEncoding, line);
        converted.Clear();
        scanner.ConvertLine(line, converted);
        if (markupMayBreak) {
            writer.Line(converted.View(), true);
        } else {
            writer.Piece(converted.View());
            writer.EndLine();
        }
        if (k >= scanEnd)
            break;
        if (unitAt(k) == u'\r' && k + unit < scanEnd && unitAt(k + unit) == u'\n')
            k += unit;
        k += unit;
        start = k;
    }

    for (const QString& line : frame.Tail)
        writer.Line(line, true);
    writer.Flush();
}
