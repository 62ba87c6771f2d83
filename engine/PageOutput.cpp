#include "PageOutput.h"

#include <algorithm>

#include "Exception.h"
#include "HtmlEscape.h"
#include "TStrings.h"
#include "TextFile.h"

#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

// Blank lines before the first non-blank one stay in memory up to this size.
constexpr qsizetype kSpoolInMemory = 4 << 20;

bool HasLineBreak(QStringView s) {
    return s.contains(u'\r') || s.contains(u'\n');
}

// `text` with every line break written as CR LF, as the page's lines end.
QString WithPageBreaks(const QString& text) {
    if (!HasLineBreak(text))
        return text;
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != u'\r' && c != u'\n') {
            out += c;
            continue;
        }
        out += QLatin1String("\r\n");
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
    }
    return out;
}

} // namespace

TPageOutput::TPageOutput(const TMarkupSet& markup, TTextEncoding encoding,
                         const QString& targetName)
    : FEncoding(encoding), FTargetName(targetName), FBreak(EncodeText(u"\r\n", encoding)) {
    for (size_t i = 0; i < markup.size(); ++i)
        FMarkup[i] = EncodeText(WithPageBreaks(markup[i]), encoding);

    if (encoding == TTextEncoding::Ansi) {
        // A byte whose windows-1251 character is written otherwise (none today; the table
        // decides) keeps what decoding and encoding it would give.
        const char16_t* table = AnsiToUnicodeTable();
        for (int b = 0; b < 256; ++b) {
            const char16_t u = table[b];
            const QByteArray written = EncodeText(QStringView(&u, 1), encoding);
            if (written != QByteArray(1, char(b))) {
                FEscape[b] = written;
                FEscaped[b] = true;
                FOnlyMarkupEscapes = false;
            }
        }
    }
    for (char16_t c = 0; c < 256; ++c) {
        const QStringView escape = HtmlEscape(c);
        if (escape.isEmpty())
            continue;
        FEscape[c] = EncodeText(escape, encoding);
        FEscaped[c] = true;
    }
}

const unsigned char* TPageOutput::NextEscaped(const unsigned char* p,
                                              const unsigned char* end) const {
    if (FOnlyMarkupEscapes) {
#ifdef __SSE2__
        const __m128i lt = _mm_set1_epi8('<'), gt = _mm_set1_epi8('>'), amp = _mm_set1_epi8('&'),
                      nul = _mm_setzero_si128();
        while (end - p >= 16) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            const __m128i hit =
                _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, lt), _mm_cmpeq_epi8(v, gt)),
                             _mm_or_si128(_mm_cmpeq_epi8(v, amp), _mm_cmpeq_epi8(v, nul)));
            if (_mm_movemask_epi8(hit))
                break;
            p += 16;
        }
#endif
        // Eight bytes at a time: a byte equal to one of the four is a zero byte of the
        // word XORed with it.
        constexpr quint64 ones = 0x0101010101010101ULL, highs = 0x8080808080808080ULL;
        auto hasZero = [](quint64 v) { return (v - ones) & ~v & highs; };
        while (end - p >= 8) {
            quint64 v;
            std::memcpy(&v, p, 8);
            if (hasZero(v) | hasZero(v ^ (ones * '<')) | hasZero(v ^ (ones * '>')) |
                hasZero(v ^ (ones * '&')))
                break;
            p += 8;
        }
    }
    while (p != end && !FEscaped[*p])
        ++p;
    return p;
}

void TPageOutput::Text(const unsigned char* s, qsizetype n) {
    const unsigned char* end = s + n;
    const unsigned char* run = s;
    for (;;) {
        const unsigned char* p = NextEscaped(run, end);
        Append(reinterpret_cast<const char*>(run), p - run);
        if (p == end)
            return;
        Append(FEscape[*p]);
        run = p + 1;
    }
}

void TPageOutput::Text(const char16_t* s, qsizetype n) {
    const bool bigEndian = FEncoding == TTextEncoding::Utf16BE;
    char pair[2];
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = s[i];
        if (c < 256 && FEscaped[c]) {
            Append(FEscape[c]);
            continue;
        }
        pair[bigEndian ? 1 : 0] = char(c & 0xFF);
        pair[bigEndian ? 0 : 1] = char(c >> 8);
        Append(pair, 2);
    }
}

void TPageOutput::Ascii(const char* text, qsizetype length) {
    if (FEncoding != TTextEncoding::Utf16LE && FEncoding != TTextEncoding::Utf16BE) {
        Append(text, length);
        return;
    }
    const int high = FEncoding == TTextEncoding::Utf16BE ? 0 : 1;
    char pair[2];
    pair[high] = 0;
    for (qsizetype i = 0; i < length; ++i) {
        pair[1 - high] = text[i];
        Append(pair, 2);
    }
}

void TPageOutput::AppendLarge(const char* bytes, qsizetype length) {
    // A small page never asks for the whole buffer: it doubles while the page fits in it.
    if (FUsed + length <= kBufferSize) {
        const qsizetype doubled = std::max(2 * FBuffer.size(), kBufferSize / 256);
        ResizeBuffer(std::clamp(doubled, FUsed + length, kBufferSize));
        Append(bytes, length);
        return;
    }
    Flush();
    if (length > kBufferSize)
        Write(bytes, length);
    else
        Append(bytes, length);
}

void TPageOutput::ResizeBuffer(qsizetype size) {
    FBuffer.resize(size);
    FData = FBuffer.data();
    FSize = FBuffer.size();
}

void TPageOutput::LineStart(const char* anchor, qsizetype length) {
    FTrackOpen = true;
    for (auto open = FOpen.rbegin(); open != FOpen.rend(); ++open)
        Append(FMarkup[size_t(*open) + 1]);
    Ascii(anchor, length);
    // A string left open on each of many lines nests one more span each time; opened again
    // once, it looks the same and the page stays linear in its source.
    FOpen.erase(std::unique(FOpen.begin(), FOpen.end()), FOpen.end());
    for (const TMarkup open : FOpen)
        Append(FMarkup[size_t(open)]);
}

void TPageOutput::FrameLines(const QStringList& lines) {
    for (const QString& line : lines) {
        if (HasLineBreak(line)) {
            for (const QString& part : TStrings::SplitLines(line + QLatin1String("\r\n"))) {
                Append(EncodeText(part, FEncoding));
                Append(FBreak);
            }
        } else {
            Append(EncodeText(line, FEncoding));
            Append(FBreak);
        }
    }
}

void TPageOutput::Start(QIODevice& device, const QStringList& head) {
    Flush(); // into the spool
    FDevice = &device;
    Append(ByteOrderMark(FEncoding));
    FrameLines(head);
    Flush();
    Write(FSpool.constData(), FSpool.size());
    FSpool = QByteArray();
    if (FSpoolFile) {
        if (!FSpoolFile->seek(0))
            throw Exception(CannotReadMessage(FSpoolFile->fileName(), FSpoolFile->errorString()));
        ResizeBuffer(kBufferSize);
        for (;;) {
            const qsizetype got = FSpoolFile->read(FData, kBufferSize);
            if (got < 0)
                throw Exception(
                    CannotReadMessage(FSpoolFile->fileName(), FSpoolFile->errorString()));
            if (got == 0)
                break;
            Write(FBuffer.constData(), got);
        }
        FSpoolFile.reset();
    }
}

void TPageOutput::Finish(const QStringList& tail) {
    FrameLines(tail);
    Flush();
}

void TPageOutput::Flush() {
    Write(FBuffer.constData(), FUsed);
    FUsed = 0;
}

void TPageOutput::Spool(const char* bytes, qsizetype length) {
    if (!FSpoolFile && FSpool.size() + length <= kSpoolInMemory) {
        FSpool.append(bytes, length);
        return;
    }
    if (!FSpoolFile) {
        FSpoolFile = std::make_unique<QTemporaryFile>();
        if (!FSpoolFile->open())
            throw Exception(
                CannotWriteMessage(FSpoolFile->fileTemplate(), FSpoolFile->errorString()));
        if (FSpoolFile->write(FSpool) != FSpool.size())
            throw Exception(CannotWriteMessage(FSpoolFile->fileName(), FSpoolFile->errorString()));
        FSpool = QByteArray();
    }
    if (FSpoolFile->write(bytes, length) != length)
        throw Exception(CannotWriteMessage(FSpoolFile->fileName(), FSpoolFile->errorString()));
}

void TPageOutput::Write(const char* bytes, qsizetype length) {
    if (length <= 0)
        return;
    if (!FDevice)
        Spool(bytes, length);
    else if (FDevice->write(bytes, length) != length)
        throw Exception(CannotWriteMessage(FTargetName, FDevice->errorString()));
}
