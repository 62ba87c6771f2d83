#include "SourcePage.h"

#include "Exception.h"
#include "LineScanner.h"
#include "PageExtras.h"
#include "PageFrame.h"
#include "PageOutput.h"
#include "PageRecipe.h"
#include "TextFile.h"
#include "UnitLinks.h"

#include <cstring>
#include <optional>

namespace {

constexpr qsizetype kChunk = 1 << 20;

bool IsWide(TTextEncoding e) {
    return e == TTextEncoding::Utf16LE || e == TTextEncoding::Utf16BE;
}

// True when the line is UTF-8 that decoding and encoding again leave as it is: well formed
// (no overlong forms, no surrogates, nothing above U+10FFFF) and not starting with a
// byte-order mark, which decoding drops.
bool IsPlainUtf8(const unsigned char* p, qsizetype n) {
    if (n >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF)
        return false;
    qsizetype i = 0;
    while (i < n) {
        while (i + 8 <= n) {
            quint64 word;
            std::memcpy(&word, p + i, 8);
            if (word & 0x8080808080808080ULL)
                break;
            i += 8;
        }
        if (i >= n)
            break;
        const unsigned c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        int more;
        unsigned low = 0x80, high = 0xBF; // range of the second byte
        if (c >= 0xC2 && c <= 0xDF) {
            more = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            more = 2;
            if (c == 0xE0)
                low = 0xA0;
            else if (c == 0xED)
                high = 0x9F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            more = 3;
            if (c == 0xF0)
                low = 0x90;
            else if (c == 0xF4)
                high = 0x8F;
        } else {
            return false;
        }
        if (i + more >= n || p[i + 1] < low || p[i + 1] > high)
            return false;
        for (int k = 2; k <= more; ++k)
            if ((p[i + k] & 0xC0) != 0x80)
                return false;
        i += 1 + more;
    }
    return true;
}

// Converts lines of one source into page output, opening the target at the first
// non-blank line.
class TLineConverter {
public:
    TLineConverter(const TMarkupSet& markup, const TPageFrame& frame, TTextEncoding encoding,
                   const std::function<QIODevice&()>& openTarget, const QString& outName,
                   const TPageExtras* extras)
        : FFrame(frame), FEncoding(encoding), FOpenTarget(openTarget),
          FOut(markup, encoding, outName), FBytes(encoding), FWide(encoding), FExtras(extras) {
        if (extras && extras->LinksUnits()) {
            FByteLinks.emplace(FOut, *extras, encoding);
            FWideLinks.emplace(FOut, *extras, encoding);
        }
    }

    void Line(const unsigned char* p, qsizetype n) {
        if (!FOut.Started() && !IsBlank(p, n))
            FOut.Start(FOpenTarget(), FFrame.Head);
        ++FLines;
        if (FExtras && FExtras->MarksLines()) {
            char markup[kLineStartMarkupSize];
            FOut.LineStart(markup, LineStartMarkup(markup, FLines, FExtras->LineNumbers));
        }
        switch (FEncoding) {
        case TTextEncoding::Ansi:
            Convert(FBytes, p, n, FOut, FByteLinks);
            break;
        case TTextEncoding::Utf8:
            if (IsPlainUtf8(p, n)) {
                Convert(FBytes, p, n, FOut, FByteLinks);
            } else {
                // Malformed bytes come out as decoding and encoding again make them.
                const QByteArray norm =
                    QString::fromUtf8(reinterpret_cast<const char*>(p), n).toUtf8();
                Convert(FBytes, reinterpret_cast<const unsigned char*>(norm.constData()),
                        norm.size(), FOut, FByteLinks);
            }
            break;
        case TTextEncoding::Utf16LE:
        case TTextEncoding::Utf16BE:
            FLine = DecodeText(QByteArrayView(p, n), FEncoding);
            Convert(FWide, reinterpret_cast<const char16_t*>(FLine.constData()), FLine.size(), FOut,
                    FWideLinks);
            break;
        }
        FOut.EndLine();
    }

    qsizetype Lines() const { return FLines; }

    // False when every line was blank: nothing was opened.
    bool Finish() {
        if (!FOut.Started())
            return false;
        FOut.Finish(FFrame.Tail);
        return true;
    }

private:
    template <typename Unit>
    static void Convert(TLineScanner<Unit>& scanner, const Unit* p, qsizetype n, TPageOutput& sink,
                        std::optional<TLinkSink<Unit>>& links) {
        if (!links) {
            scanner.ConvertLine(p, n, sink);
            return;
        }
        links->Begin(p);
        scanner.ConvertLine(p, n, *links);
        links->End();
    }

    // Every character has a code of 32 or less; a lone last byte of UTF-16 is not blank.
    bool IsBlank(const unsigned char* p, qsizetype n) const {
        if (IsWide(FEncoding)) {
            if (n % 2)
                return false;
            const int high = FEncoding == TTextEncoding::Utf16BE ? 0 : 1;
            for (qsizetype i = 0; i < n; i += 2)
                if (p[i + high] != 0 || p[i + 1 - high] > 32)
                    return false;
            return true;
        }
        for (qsizetype i = 0; i < n; ++i)
            if (p[i] > 32)
                return false;
        return true;
    }

    const TPageFrame& FFrame;
    TTextEncoding FEncoding;
    const std::function<QIODevice&()>& FOpenTarget;
    TPageOutput FOut;
    TLineScanner<unsigned char> FBytes;
    TLineScanner<char16_t> FWide;
    const TPageExtras* FExtras;
    std::optional<TLinkSink<unsigned char>> FByteLinks;
    std::optional<TLinkSink<char16_t>> FWideLinks;
    qsizetype FLines = 0;
    QString FLine;
};

// The source's bytes in a buffer that starts at the first byte not yet converted; it
// grows only while one line is longer than what is buffered.
class TSourceReader {
public:
    TSourceReader(QIODevice& in, const QString& name) : FIn(in), FName(name) {
        FBuffer.resize(kChunk);
    }

    const unsigned char* Data() const {
        return reinterpret_cast<const unsigned char*>(FBuffer.constData());
    }
    qsizetype Filled() const { return FFilled; }
    bool AtEnd() const { return FAtEnd; }

    // Drops the first `n` bytes; returns by how much later positions moved.
    qsizetype Drop(qsizetype n) {
        std::memmove(FBuffer.data(), FBuffer.constData() + n, size_t(FFilled - n));
        FFilled -= n;
        return n;
    }

    // Reads more bytes after the buffered ones; false at the end of the source.
    bool More() {
        if (FAtEnd)
            return false;
        if (FBuffer.size() < FFilled + kChunk)
            FBuffer.resize(FFilled + kChunk);
        const qsizetype got = FIn.read(FBuffer.data() + FFilled, kChunk);
        if (got < 0)
            throw Exception(CannotReadMessage(FName, FIn.errorString()));
        FFilled += got;
        FAtEnd = got == 0;
        return !FAtEnd;
    }

private:
    QIODevice& FIn;
    const QString& FName;
    QByteArray FBuffer;
    qsizetype FFilled = 0;
    bool FAtEnd = false;
};

// Splits the source into lines at CR LF, lone CR and lone LF, in units of one byte.
void SplitBytes(TSourceReader& source, qsizetype start, TLineConverter& lines) {
    qsizetype scan = start;
    qsizetype lf = -1;       // the next LF at or after `scan`, when not below it
    qsizetype noLfUntil = 0; // no LF lies in [scan, noLfUntil)
    for (;;) {
        const unsigned char* b = source.Data();
        const qsizetype filled = source.Filled();
        if (lf < scan) {
            const qsizetype from = std::max(scan, noLfUntil);
            const void* hit =
                from < filled ? std::memchr(b + from, '\n', size_t(filled - from)) : nullptr;
            lf = hit ? static_cast<const unsigned char*>(hit) - b : -1;
            noLfUntil = hit ? 0 : filled;
        }
        const qsizetype limit = lf >= scan ? lf : filled;
        const void* cr = limit > scan ? std::memchr(b + scan, '\r', size_t(limit - scan)) : nullptr;
        qsizetype end = cr ? static_cast<const unsigned char*>(cr) - b : limit;
        if (end < filled) {
            qsizetype next = end + 1;
            if (b[end] == '\r') {
                if (next == filled && !source.AtEnd()) {
                    scan = end; // a LF may follow in the bytes not yet read
                    source.More();
                    continue;
                }
                if (next < filled && b[next] == '\n')
                    ++next;
            }
            lines.Line(b + start, end - start);
            start = scan = next;
            continue;
        }
        scan = filled;
        // What is left after a line ended here is less than one read.
        if (start > 0) {
            const qsizetype moved = source.Drop(start);
            scan -= moved;
            lf -= moved;
            noLfUntil -= moved;
            start = 0;
        }
        if (!source.More())
            break;
    }
    if (start < source.Filled())
        lines.Line(source.Data() + start, source.Filled() - start);
}

// The same in units of two bytes; a lone last byte belongs to the last line.
void SplitWide(TSourceReader& source, qsizetype start, TTextEncoding encoding,
               TLineConverter& lines) {
    const int high = encoding == TTextEncoding::Utf16BE ? 0 : 1;
    qsizetype scan = start;
    for (;;) {
        const unsigned char* b = source.Data();
        const qsizetype filled = source.Filled();
        while (scan + 1 < filled &&
               !(b[scan + high] == 0 && (b[scan + 1 - high] == '\r' || b[scan + 1 - high] == '\n')))
            scan += 2;
        if (scan + 1 < filled) {
            qsizetype next = scan + 2;
            if (b[scan + 1 - high] == '\r') {
                if (next + 1 >= filled && !source.AtEnd()) {
                    source.More();
                    continue;
                }
                if (next + 1 < filled && b[next + high] == 0 && b[next + 1 - high] == '\n')
                    next += 2;
            }
            lines.Line(b + start, scan - start);
            start = scan = next;
            continue;
        }
        if (start > 0) {
            scan -= source.Drop(start);
            start = 0;
        }
        if (!source.More())
            break;
    }
    if (start < source.Filled())
        lines.Line(source.Data() + start, source.Filled() - start);
}

} // namespace

bool ConvertSourcePage(const TMarkupSet& markup, const TPageFrame& frame, const TPageRecipe& recipe,
                       QIODevice& in, const QString& inName,
                       const std::function<QIODevice&()>& openTarget, const QString& outName,
                       TPageReport& report) {
    TSourceReader source(in, inName);
    while (source.Filled() < 3 && source.More()) {
    }
    qsizetype bom = 0;
    TTextEncoding encoding = DetectEncoding(
        QByteArrayView(source.Data(), std::min<qsizetype>(source.Filled(), 3)), &bom);
    if (bom == 0)
        encoding = UnmarkedEncoding(recipe.Unmarked);
    const TPageExtras& extras = recipe.Extras;
    TLineConverter lines(markup, frame, encoding, openTarget, outName,
                         extras.MarksLines() || extras.LinksUnits() ? &extras : nullptr);
    if (IsWide(encoding))
        SplitWide(source, bom, encoding, lines);
    else
        SplitBytes(source, bom, lines);
    const bool written = lines.Finish();
    report.Lines = lines.Lines();
    return written;
}
