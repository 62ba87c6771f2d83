#pragma once
// The code browser's hook in a page: stands between the line scan and the page's output,
// keeps the line's runs, counts the names of its code as the cross-reference counted them,
// and hands the line on with each marked name inside its element. The visible text and the
// scan's own markup stay as they are. The links of directives naming forms and include files
// are made here too, since the unit links of a page with marks come from the marks.

#include "CodeTokens.h"
#include "FileDirective.h"
#include "Markup.h"
#include "PageExtras.h"
#include "PageOutput.h"
#include "TextCodec.h"
#include "XrefMarks.h"

#include <QByteArray>
#include <vector>

template <typename Unit> class TXrefSink {
public:
    TXrefSink(TPageOutput& out, const TPageExtras& extras, TTextEncoding encoding)
        : FOut(out), FExtras(extras), FMarks(*extras.XrefMarks), FEncoding(encoding),
          FClose(EncodeText(u"</a>", encoding)) {}

    void Begin(const Unit* line) {
        FLine = line;
        FEvents.clear();
        ++FLineNumber;
    }
    void Text(const Unit* s, qsizetype n) { FEvents.push_back({s - FLine, n, -1}); }
    void Markup(TMarkup which) { FEvents.push_back({0, 0, int(which)}); }

    void End() {
        FLinks.clear();
        while (FNext < FMarks.size() && FMarks[FNext].Line < FLineNumber)
            ++FNext;
        int ordinal = 0;
        for (size_t i = 0; i < FEvents.size(); ++i) {
            const TEvent& e = FEvents[i];
            if (e.Markup >= 0) {
                FClass = ClassAfter(TMarkup(e.Markup), FClass);
                continue;
            }
            if (FClass == TRunClass::Directive) {
                FileDirective(e.At, e.Length);
                continue;
            }
            if (FClass != TRunClass::Code)
                continue;
            // Runs of code with only reserved-word or number markup between are one stretch.
            qsizetype end = e.At + e.Length;
            for (size_t k = i + 1; k < FEvents.size(); ++k) {
                if (FEvents[k].Markup < 0) {
                    end = FEvents[k].At + FEvents[k].Length;
                    i = k;
                } else if (!IsWordMarkup(TMarkup(FEvents[k].Markup))) {
                    break;
                }
            }
            TCodeToken t;
            for (qsizetype p = e.At; NextCodeToken(FLine, p, end, t); p = t.End) {
                if (t.Kind != TCodeKind::Name)
                    continue;
                if (FNext < FMarks.size() && FMarks[FNext].Line == FLineNumber &&
                    FMarks[FNext].Ordinal == ordinal)
                    FLinks.push_back({t.Start, t.End, EncodeText(FMarks[FNext++].Open, FEncoding)});
                ++ordinal;
            }
        }
        Replay();
    }

private:
    struct TEvent {
        qsizetype At, Length;
        int Markup; // -1 for characters
    };
    struct TLink {
        qsizetype Start, End;
        QByteArray Open;
    };

    static bool IsWordMarkup(TMarkup m) {
        return m == TMarkup::Bres || m == TMarkup::Eres || m == TMarkup::Bnum || m == TMarkup::Enum;
    }

    // A directive naming a form or an include file links to its page, as unit links do.
    void FileDirective(qsizetype at, qsizetype n) {
        if (!FExtras.FileHref)
            return;
        QString text;
        if constexpr (sizeof(Unit) == 1)
            text = DecodeText(QByteArrayView(FLine + at, n), FEncoding);
        else
            text = QString(reinterpret_cast<const QChar*>(FLine + at), n);
        const std::optional<TFileDirective> directive = ParseFileDirective(text);
        const QString href = directive ? FExtras.FileHref(*directive) : QString();
        if (!href.isEmpty())
            FLinks.push_back(
                {at, at + n,
                 EncodeText(QLatin1String("<a href=\"") + href + QLatin1String("\">"), FEncoding)});
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
                FOut.Text(FLine + link.Start, link.End - link.Start);
                FOut.Raw(FClose);
                p = link.End;
            }
            if (end > p)
                FOut.Text(FLine + p, end - p);
        }
    }

    TPageOutput& FOut;
    const TPageExtras& FExtras;
    const std::vector<TXrefMark>& FMarks;
    TTextEncoding FEncoding;
    QByteArray FClose;
    const Unit* FLine = nullptr;
    int FLineNumber = 0;
    size_t FNext = 0;
    TRunClass FClass = TRunClass::Code;
    std::vector<TEvent> FEvents;
    std::vector<TLink> FLinks;
};
