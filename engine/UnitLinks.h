#pragma once
// Links in a page from the units a `uses` clause names to their pages, and from a directive
// that names a form or an include file to that file's page.
//
// The link sink stands between the line scan and the page's own sink: it keeps the line's
// runs and markup, reads the clause from the runs that are code (never from comments,
// strings or directives, as the scan itself marked them), and then hands the line on with
// each link around the name's characters. A name's `in 'path'` counts when it stands on the
// name's line; the clause itself may run over many lines.

#include "LineReplay.h"
#include "LineScanner.h"

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
        : FReplay(out, extras, encoding), FExtras(extras) {}

    void Begin(const Unit* line) { FReplay.Begin(line); }
    void Text(const Unit* s, qsizetype n) { FReplay.Text(s, n); }
    void Markup(TMarkup which) { FReplay.Markup(which); }

    // Finds the line's links and writes it.
    void End() {
        for (const auto& e : FReplay.Events()) {
            if (e.Markup >= 0)
                FReader.Markup(TMarkup(e.Markup));
            else if (FReader.Class() == TUsesReader::TClass::Code)
                Code(e.At, e.At + e.Length);
            else if (FReader.Class() == TUsesReader::TClass::String)
                Act(FReader.String(FReplay.Decode(e.At, e.Length)));
            else if (FReader.Class() == TUsesReader::TClass::Directive)
                FReplay.FileDirective(e.At, e.Length);
        }
        Act(FReader.EndLine());
        FReplay.Replay();
    }

private:
    static bool IsNameChar(unsigned c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '_' || c >= 0x80;
    }

    void Code(qsizetype i, qsizetype end) {
        const Unit* line = FReplay.Line();
        while (i < end) {
            const unsigned c = unsigned(line[i]);
            if (IsNameChar(c)) {
                qsizetype j = i;
                while (j < end && (IsNameChar(unsigned(line[j])) || line[j] == Unit('.')))
                    ++j;
                qsizetype k = j; // a dot after the name ends a program, it is not the name's
                while (line[k - 1] == Unit('.'))
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
        const Unit* line = FReplay.Line();
        for (qsizetype i = start; i < end; ++i) {
            if (AsciiLower(unsigned(line[i])) != unsigned(char(lower[size_t(i - start)])))
                return false;
        }
        return true;
    }

    // A name is looked up once per page with its path, however often it is used.
    void UnitLink(qsizetype start, qsizetype end) {
        const QString name = FReplay.Decode(start, end - start);
        const QString key = name + QChar(0) + FReader.Path;
        auto tag = FUnitTags.constFind(key);
        if (tag == FUnitTags.cend())
            tag = FUnitTags.insert(key, FReplay.OpenTag(FExtras.UnitHref(name, FReader.Path)));
        if (!tag->isEmpty())
            FReplay.Link(start, end, *tag);
    }

    TLineReplay<Unit> FReplay;
    const TPageExtras& FExtras;
    TUsesReader FReader;
    QHash<QString, QByteArray> FUnitTags; // name and path -> opening tag, empty for none
    qsizetype FNameStart = 0, FNameEnd = 0, FHeldStart = 0, FHeldEnd = 0;
};
