#pragma once
// Links in a page from the units a `uses` clause names to their pages, and from a directive
// that names a form or an include file to that file's page.
//
// The link sink stands between the line scan and the page's own sink: it keeps the line's
// runs and markup, reads the clause from the runs that are code (never from comments,
// strings or directives, as the scan itself marked them), and then hands the line on with
// each link around the name's characters. A name's `in 'path'` counts when it stands on the
// name's line; the clause itself may run over many lines.

#include "LineScanner.h"
#include "PageExtras.h"
#include "PageOutput.h"
#include "TextCodec.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <string_view>
#include <vector>

// The clause's reading, which carries over from line to line.
class TUsesReader {
public:
    enum class TClass { Code, Comment, String, Directive };

    // Markup the scan inserted: where the characters that follow belong.
    void Markup(TMarkup which);
    TClass Class() const { return FClass; }

    // What the code says next: a name (letters, digits, "_", characters above ASCII and dots;
    // "uses" and "in" in any case told apart), a "," or ";", or anything else.
    enum class TToken { Name, Uses, In, Comma, Semicolon, Other };
    // The step's outcome: the name just read waits for its path, the waiting name is to be
    // resolved now (with `Path`, empty when it has none), both, or nothing.
    enum class TAction { None, Hold, Resolve, ResolveAndHold };
    TAction Token(TToken token);
    TAction String(const QString& text);
    // The line ends: a held name is resolved without a path.
    TAction EndLine();

    QString Path; // the path of the name resolved, when its `in` form gave one

private:
    enum class TStep { Outside, Name, AfterName, Path, AfterPath };
    TAction Resolve(const QString& path);

    TClass FClass = TClass::Code;
    TStep FStep = TStep::Outside;
    bool FHeld = false;
};

template <typename Unit> class TLinkSink {
public:
    TLinkSink(TPageOutput& out, const TPageExtras& extras, TTextEncoding encoding)
        : FOut(out), FExtras(extras), FEncoding(encoding), FClose(EncodeText(u"</a>", encoding)) {}

    void Begin(const Unit* line) {
        FLine = line;
        FEvents.clear();
        FLinks.clear();
    }
    void Text(const Unit* s, qsizetype n) { FEvents.push_back({s - FLine, n, -1}); }
    void Markup(TMarkup which) { FEvents.push_back({0, 0, int(which)}); }

    // Finds the line's links and writes it.
    void End() {
        for (const TEvent& e : FEvents) {
            if (e.Markup >= 0)
                FReader.Markup(TMarkup(e.Markup));
            else if (FReader.Class() == TUsesReader::TClass::Code)
                Code(e.At, e.At + e.Length);
            else if (FReader.Class() == TUsesReader::TClass::String)
                Act(FReader.String(Decode(e.At, e.Length)));
            else if (FReader.Class() == TUsesReader::TClass::Directive)
                FileDirective(e.At, e.Length);
        }
        Act(FReader.EndLine());
        Replay();
    }

private:
    struct TEvent {
        qsizetype At, Length;
        int Markup; // -1 for characters
    };
    struct TLink {
        qsizetype Start, End;
        int Tag;
    };

    static bool IsNameChar(unsigned c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '_' || c >= 0x80;
    }

    QString Decode(qsizetype at, qsizetype n) const {
        if constexpr (sizeof(Unit) == 1)
            return DecodeText(QByteArrayView(FLine + at, n), FEncoding);
        else
            return QString(reinterpret_cast<const QChar*>(FLine + at), n);
    }

    void Code(qsizetype i, qsizetype end) {
        while (i < end) {
            const unsigned c = unsigned(FLine[i]);
            if (IsNameChar(c)) {
                qsizetype j = i;
                while (j < end && (IsNameChar(unsigned(FLine[j])) || FLine[j] == Unit('.')))
                    ++j;
                qsizetype k = j; // a dot after the name ends a program, it is not the name's
                while (FLine[k - 1] == Unit('.'))
                    --k;
                FNameStart = i;
                FNameEnd = k;
                Act(FReader.Token(Is(i, k, "uses") ? TUsesReader::TToken::Uses
                                  : Is(i, k, "in") ? TUsesReader::TToken::In
                                                   : TUsesReader::TToken::Name));
                i = j;
                continue;
            }
            if (c != ' ' && c != '\t')
                Act(FReader.Token(c == ','   ? TUsesReader::TToken::Comma
                                  : c == ';' ? TUsesReader::TToken::Semicolon
                                             : TUsesReader::TToken::Other));
            ++i;
        }
    }

    void Act(TUsesReader::TAction action) {
        using enum TUsesReader::TAction;
        if ((action == Resolve || action == ResolveAndHold) && FHeldEnd > FHeldStart) {
            if (FExtras.UnitHref)
                UnitLink(FHeldStart, FHeldEnd);
            FHeldStart = FHeldEnd = 0;
        }
        if (action == Hold || action == ResolveAndHold) {
            FHeldStart = FNameStart;
            FHeldEnd = FNameEnd;
        }
    }

    // Whether the line's characters [start, end) are `lower` in any letter case.
    bool Is(qsizetype start, qsizetype end, std::string_view lower) const {
        if (end - start != qsizetype(lower.size()))
            return false;
        for (qsizetype i = start; i < end; ++i) {
            if (AsciiLower(unsigned(FLine[i])) != unsigned(char(lower[size_t(i - start)])))
                return false;
        }
        return true;
    }

    // Only a directive whose first letter after "$" is R or I can name a file, so no other
    // is decoded.
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
            tag = FFileTags.insert(text, directive ? Tag(FExtras.FileHref(*directive)) : -1);
        }
        if (*tag >= 0)
            FLinks.push_back({at, at + n, *tag});
    }

    // A name is looked up once per page with its path, however often it is used.
    void UnitLink(qsizetype start, qsizetype end) {
        const QString name = Decode(start, end - start);
        const QString key = name + QChar(0) + FReader.Path;
        auto tag = FUnitTags.constFind(key);
        if (tag == FUnitTags.cend())
            tag = FUnitTags.insert(key, Tag(FExtras.UnitHref(name, FReader.Path)));
        if (*tag >= 0)
            FLinks.push_back({start, end, *tag});
    }

    // The index of the opening tag of a link to `href`; -1 for no link.
    int Tag(const QString& href) {
        if (href.isEmpty())
            return -1;
        FTags.push_back(
            EncodeText(QLatin1String("<a href=\"") + href + QLatin1String("\">"), FEncoding));
        return int(FTags.size() - 1);
    }

    // A link lies inside one run of characters: a name is code, a directive a run of its
    // own.
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
                if (link.Start > p)
                    FOut.Text(FLine + p, link.Start - p);
                FOut.Raw(FTags[size_t(link.Tag)]);
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
    TTextEncoding FEncoding;
    QByteArray FClose;
    TUsesReader FReader;
    const Unit* FLine = nullptr;
    std::vector<TEvent> FEvents;
    std::vector<TLink> FLinks;
    std::vector<QByteArray> FTags;
    QHash<QString, int> FUnitTags; // name and path -> tag
    QHash<QString, int> FFileTags; // directive text -> tag
    qsizetype FNameStart = 0, FNameEnd = 0, FHeldStart = 0, FHeldEnd = 0;
};
