#include "SourcePage.h"

#include "Exception.h"
#include "LineScanner.h"
#include "PageExtras.h"
#include "PageFrame.h"
#include "PageOutput.h"
#include "PageRecipe.h"
#include "SourceEncoding.h"
#include "SourceSpool.h"
#include "TextFile.h"
#include "UnitLinks.h"
#include "XrefSink.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>

namespace {

constexpr qsizetype kChunk = 1 << 20;

bool IsWide(TTextEncoding e) {
    return e == TTextEncoding::Utf16LE || e == TTextEncoding::Utf16BE;
}

// True when the line is UTF-8 that decoding and encoding again leave as it is: well formed
// and not starting with a byte-order mark, which decoding drops.
bool IsPlainUtf8(const unsigned char* p, qsizetype n) {
    if (n >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF)
        return false;
    TUtf8Scan scan;
    return scan.Feed(p, n) && scan.Complete();
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
        if (extras && extras->XrefMarks) {
            FByteXref.emplace(FOut, *extras, encoding);
            FWideXref.emplace(FOut, *extras, encoding);
        } else if (extras && extras->LinksUnits()) {
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
            Convert(FBytes, p, n, FOut, FByteLinks, FByteXref);
            break;
        case TTextEncoding::Utf8:
            if (IsPlainUtf8(p, n)) {
                Convert(FBytes, p, n, FOut, FByteLinks, FByteXref);
            } else {
                // Malformed bytes come out as decoding and encoding again make them.
                const QByteArray norm =
                    QString::fromUtf8(reinterpret_cast<const char*>(p), n).toUtf8();
                Convert(FBytes, reinterpret_cast<const unsigned char*>(norm.constData()),
                        norm.size(), FOut, FByteLinks, FByteXref);
            }
            break;
        case TTextEncoding::Utf16LE:
        case TTextEncoding::Utf16BE:
            FLine = DecodeText(QByteArrayView(p, n), FEncoding);
            Convert(FWide, reinterpret_cast<const char16_t*>(FLine.constData()), FLine.size(), FOut,
                    FWideLinks, FWideXref);
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
                        std::optional<TLinkSink<Unit>>& links,
                        std::optional<TXrefSink<Unit>>& xref) {
        if (xref) {
            xref->Begin(p);
            scanner.ConvertLine(p, n, *xref);
            xref->End();
            return;
        }
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
    std::optional<TXrefSink<unsigned char>> FByteXref;
    std::optional<TXrefSink<char16_t>> FWideXref;
    qsizetype FLines = 0;
    QString FLine;
};

// The source's bytes in a buffer that starts at the first byte not yet converted; it
// grows only while one line is longer than what is buffered.
class TSourceReader {
public:
    TSourceReader(QIODevice& in, const QString& name) : FIn(in), FName(name) {
        FBuffer.resize(InitialSize(in));
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
        GrowWhenFull();
        const qsizetype got = ReadSome(FBuffer.data() + FFilled, FBuffer.size() - FFilled);
        FFilled += got;
        FAtEnd = got == 0;
        return !FAtEnd;
    }

    // Hands the bytes after the buffered ones to `look`, piece by piece, until it returns false
    // or the source ends; More() then reads the same bytes again. A file is read again through
    // the same device; the bytes of a pipe are kept in a spool meanwhile.
    template <class Look> void LookAhead(Look look) {
        const bool rewind = !FIn.isSequential();
        if (FAtEnd || (rewind && FIn.pos() >= FIn.size()))
            return; // a file read whole already
        const qint64 resume = FIn.pos();
        // The pieces go where More() will put the same bytes again.
        GrowWhenFull();
        char* piece = FBuffer.data() + FFilled;
        const qsizetype room = FBuffer.size() - FFilled;
        auto spool = rewind ? nullptr : std::make_unique<TSourceSpool>();
        for (;;) {
            const qsizetype got = ReadSome(piece, room);
            if (got == 0) {
                FInEnded = !rewind;
                break;
            }
            if (spool)
                spool->Write(piece, got);
            if (!look(reinterpret_cast<const unsigned char*>(piece), got))
                break;
        }
        if (rewind && !FIn.seek(resume))
            throw Exception(CannotReadMessage(FName, FIn.errorString()));
        FSpool = std::move(spool);
    }

private:
    // A file's bytes and one more, to find its end in the first buffer; a chunk for a stream,
    // whose size is unknown.
    static qsizetype InitialSize(const QIODevice& in) {
        if (in.isSequential())
            return kChunk;
        return std::clamp<qint64>(in.size() - in.pos() + 1, kChunk / 256, kChunk);
    }

    // The buffer grows only while one line fills it, by its own size and at most a chunk at a
    // time; the room after a small source is enough to find its end.
    void GrowWhenFull() {
        const qsizetype step = std::min(FBuffer.size(), kChunk);
        if (FBuffer.size() - FFilled < std::max<qsizetype>(step / 16, 1))
            FBuffer.resize(FFilled + step);
    }

    qsizetype ReadSome(char* to, qsizetype most) {
        if (FSpool) {
            const qsizetype got = FSpool->Reader().read(to, most);
            if (got < 0)
                throw Exception(CannotReadMessage(FSpool->Name(), FSpool->Reader().errorString()));
            if (got > 0)
                return got;
            FSpool.reset();
        }
        if (FInEnded)
            return 0; // a terminal would wait for more after its end
        const qsizetype got = FIn.read(to, most);
        if (got < 0)
            throw Exception(CannotReadMessage(FName, FIn.errorString()));
        return got;
    }

    QIODevice& FIn;
    const QString& FName;
    QByteArray FBuffer;
    qsizetype FFilled = 0;
    bool FAtEnd = false;
    bool FInEnded = false; // the read ahead met the stream's end
    std::unique_ptr<TSourceSpool> FSpool;
};

// How a source without a byte-order mark is read; deciding by its bytes needs all of them
// (or only those up to the first that cannot be UTF-8).
TTextEncoding UnmarkedEncoding(TSourceReader& source, TUnmarkedSource rule) {
    switch (rule) {
    case TUnmarkedSource::Windows1251:
        return TTextEncoding::Ansi;
    case TUnmarkedSource::Utf8:
        return TTextEncoding::Utf8;
    case TUnmarkedSource::Auto:
        break;
    }
    TUtf8Scan scan;
    if (scan.Feed(source.Data(), source.Filled()))
        source.LookAhead([&scan](const unsigned char* p, qsizetype n) { return scan.Feed(p, n); });
    return scan.Complete() && scan.SawNonAscii() ? TTextEncoding::Utf8 : TTextEncoding::Ansi;
}

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
        encoding = UnmarkedEncoding(source, recipe.Unmarked);
    const TPageExtras& extras = recipe.Extras;
    TLineConverter lines(markup, frame, encoding, openTarget, outName,
                         extras.MarksLines() || extras.LinksUnits() || extras.XrefMarks ? &extras
                                                                                        : nullptr);
    if (IsWide(encoding))
        SplitWide(source, bom, encoding, lines);
    else
        SplitBytes(source, bom, lines);
    const bool written = lines.Finish();
    report.Lines = lines.Lines();
    return written;
}
