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
#include <optional>
#include <vector>

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
    // replayed. An `ascii` link's characters are ASCII letters, digits and underscores: written
    // as they are, with nothing to escape.
    void Link(qsizetype start, qsizetype end, QByteArrayView open, bool ascii = false) {
        FLinks.push_back({start, end, open, ascii});
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
                    FOut.Text(FLine + p, link.Start - p);
                FOut.Raw(link.Open);
                WriteLinked(link);
                FOut.Raw(FClose);
                p = link.End;
            }
            if (end > p)
                FOut.Text(FLine + p, end - p);
        }
    }

private:
    struct TLink {
        qsizetype Start, End;
        QByteArrayView Open;
        bool Ascii;
    };

    void WriteLinked(const TLink& link) {
        if constexpr (sizeof(Unit) == 1) {
            if (link.Ascii) {
                FOut.Raw(QByteArrayView(FLine + link.Start, link.End - link.Start));
                return;
            }
        }
        FOut.Text(FLine + link.Start, link.End - link.Start);
    }

    TPageOutput& FOut;
    const TPageExtras& FExtras;
    TTextEncoding FEncoding;
    QByteArray FClose;
    const Unit* FLine = nullptr;
    std::vector<TEvent> FEvents;
    std::vector<TLink> FLinks;
    QHash<QString, QByteArray> FFileTags; // directive text -> opening tag, empty for none
};
