#pragma once
// What the link sinks share: a line's runs and markup kept as the scan handed them on, the
// links found in them, and the line written on to the page's output with each link's
// characters inside their element. Each sink only finds its own links.

#include "FileDirective.h"
#include "Markup.h"
#include "PageExtras.h"
#include "PageOutput.h"
#include "TextCodec.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <bit>
#include <optional>
#include <vector>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

// How many of the first `to` bytes of `line` are ASCII other than "<", ">", "&" and NUL.
inline qsizetype PlainPrefix(const unsigned char* line, qsizetype to) {
    qsizetype at = 0;
#ifdef __SSE2__
    // Per sixteen bytes, the high bit of each that is not plain.
    const auto unplain = [](const unsigned char* from) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
        const auto is = [&v](char c) { return _mm_cmpeq_epi8(v, _mm_set1_epi8(c)); };
        const __m128i escaped =
            _mm_or_si128(_mm_or_si128(is('<'), is('>')), _mm_or_si128(is('&'), is(0)));
        return unsigned(_mm_movemask_epi8(_mm_or_si128(v, escaped)));
    };
    for (; to - at >= 16; at += 16)
        if (const unsigned bad = unplain(line + at))
            return at + std::countr_zero(bad);
    if (at == to)
        return to;
    if (to >= 16) {
        // The last sixteen, of which those before `at` were found plain already.
        const unsigned bad = unplain(line + to - 16) >> (16 - (to - at));
        return bad ? at + std::countr_zero(bad) : to;
    }
#endif
    for (; at < to; ++at)
        if (line[at] >= 0x80 || line[at] == '<' || line[at] == '>' || line[at] == '&' ||
            line[at] == 0)
            return at;
    return to;
}

template <typename Unit> class TLineReplay {
public:
    struct TEvent {
        qsizetype At, Length;
        int Markup; // -1 for characters
    };

    TLineReplay(TPageOutput& out, const TPageExtras& extras, TTextEncoding encoding)
        : FOut(out), FExtras(extras), FEncoding(encoding), FClose(EncodeText(u"</a>", encoding)) {}

    void Begin(const Unit* line) {
        FLine = line;
        FPlain = 0;
        FEvents.clear();
        FLinks.clear();
    }
    void Text(const Unit* s, qsizetype n) { FEvents.push_back({s - FLine, n, -1}); }
    void Markup(TMarkup which) { FEvents.push_back({0, 0, int(which)}); }

    const Unit* Line() const { return FLine; }
    const std::vector<TEvent>& Events() const { return FEvents; }

    QString Decode(qsizetype at, qsizetype n) const {
        if constexpr (sizeof(Unit) == 1)
            return DecodeText(QByteArrayView(FLine + at, n), FEncoding);
        else
            return QString(reinterpret_cast<const QChar*>(FLine + at), n);
    }

    // The opening tag of a link to `href`, in the page's encoding; empty for no link.
    QByteArray OpenTag(const QString& href) const {
        if (href.isEmpty())
            return {};
        return EncodeText(QLatin1String("<a href=\"") + href + QLatin1String("\">"), FEncoding);
    }
    TTextEncoding Encoding() const { return FEncoding; }

    // Links are added in the order of their characters; their tags stay until the line is
    // replayed.
    void Link(qsizetype start, qsizetype end, QByteArrayView open) {
        FLinks.push_back({start, end, open});
    }

    // How many of the line's first `to` units a page of bytes shows as they are: ASCII, none
    // of them escaped. Their text is then copied, not looked through again.
    qsizetype FindPlain(qsizetype to) {
        if constexpr (sizeof(Unit) == 1)
            FPlain = PlainPrefix(FLine, to);
        return FPlain;
    }
    void DropLinks() { FLinks.clear(); }

    // A directive naming a form or an include file links to its page. Only a directive whose
    // first letter after "$" is R or I can name a file, so no other is decoded.
    void FileDirective(qsizetype at, qsizetype n) {
        if (!FExtras.FileHref)
            return;
        const qsizetype letter = n > 2 && FLine[at] == Unit('{') ? at + 2 : at + 3;
        if (letter >= at + n)
            return;
        const unsigned c = unsigned(FLine[letter]) | 0x20;
        if (c != 'r' && c != 'i')
            return;
        const QString text = Decode(at, n);
        auto tag = FFileTags.constFind(text);
        if (tag == FFileTags.cend()) {
            const std::optional<TFileDirective> directive = ParseFileDirective(text);
            tag = FFileTags.insert(text, directive ? OpenTag(FExtras.FileHref(*directive))
                                                   : QByteArray());
        }
        if (!tag->isEmpty())
            Link(at, at + n, *tag);
    }

    // A link lies inside one run of characters; one that would not is left out.
    void Replay() {
        size_t next = 0;
        for (const TEvent& e : FEvents) {
            if (e.Markup >= 0) {
                FOut.Markup(TMarkup(e.Markup));
                continue;
            }
            qsizetype p = e.At;
            const qsizetype end = e.At + e.Length;
            for (; next < FLinks.size() && FLinks[next].Start < end; ++next) {
                const TLink& link = FLinks[next];
                if (link.Start < p || link.End > end)
                    continue;
                if (link.Start > p)
                    Write(p, link.Start - p);
                FOut.Raw(link.Open);
                Write(link.Start, link.End - link.Start);
                FOut.Raw(FClose);
                p = link.End;
            }
            if (end > p)
                Write(p, end - p);
        }
    }

private:
    struct TLink {
        qsizetype Start, End;
        QByteArrayView Open;
    };

    // The line's units [at, at + n).
    void Write(qsizetype at, qsizetype n) {
        if constexpr (sizeof(Unit) == 1) {
            if (at + n <= FPlain) {
                FOut.Raw(QByteArrayView(FLine + at, n));
                return;
            }
        }
        FOut.Text(FLine + at, n);
    }

    TPageOutput& FOut;
    const TPageExtras& FExtras;
    TTextEncoding FEncoding;
    QByteArray FClose;
    const Unit* FLine = nullptr;
    qsizetype FPlain = 0; // see FindPlain
    std::vector<TEvent> FEvents;
    std::vector<TLink> FLinks;
    QHash<QString, QByteArray> FFileTags; // directive text -> opening tag, empty for none
};
