#pragma once
// The code browser's hook in a page: stands between the line scan and the page's output,
// keeps the line's runs, counts the names of its code as the cross-reference counted them,
// and hands the line on with each marked name inside its element. The visible text and the
// scan's own markup stay as they are. The links of directives naming forms and include files
// are made here too, since the unit links of a page with marks come from the marks.

#include "CodeTokens.h"
#include "LineReplay.h"
#include "XrefMarks.h"

#include <QByteArray>
#include <cstring>
#include <string>
#include <vector>

template <typename Unit> class TXrefSink {
public:
    TXrefSink(TPageOutput& out, const TPageExtras& extras, TTextEncoding encoding)
        : FOut(out), FReplay(out, extras, encoding), FMarks(*extras.XrefMarks) {}

    void Begin(const Unit* line) {
        FReplay.Begin(line);
        ++FLineNumber;
        const auto& marks = FMarks.Marks;
        while (FNext < marks.size() && marks[FNext].Line < FLineNumber)
            ++FNext;
        // A line without marks goes straight on to the page as far as a directive, the only
        // other thing a link is made for; most lines have none.
        FKept = (FNext < marks.size() && marks[FNext].Line == FLineNumber) ||
                FClass == TRunClass::Directive;
    }
    void Text(const Unit* s, qsizetype n) {
        if (FKept)
            FReplay.Text(s, n);
        else
            FOut.Text(s, n);
    }
    void Markup(TMarkup which) {
        FKept = FKept || which == TMarkup::Bdir;
        if (FKept) {
            FReplay.Markup(which);
            return;
        }
        FClass = ClassAfter(which, FClass);
        FOut.Markup(which);
    }

    void End() {
        if (!FKept)
            return;
        const auto& marks = FMarks.Marks;
        const size_t first = FNext;
        size_t last = first;
        while (last < marks.size() && marks[last].Line == FLineNumber)
            ++last;
        const TRunClass before = FClass;
        if (!MarkLine(last, true)) {
            FReplay.DropLinks();
            FNext = first;
            FClass = before;
            MarkLine(last, false);
        }
        FReplay.Replay();
    }

private:
    // Links the names of the line's marks [FNext, last): `byColumn` where the line is ASCII as
    // far as its last mark's name, since it is then the text the cross-reference read. False
    // when it is not, or a mark's place holds no name of the line's code: the line's names
    // are then counted as the cross-reference counted them, as far as its last mark.
    bool MarkLine(size_t last, bool byColumn) {
        const auto& marks = FMarks.Marks;
        const auto& events = FReplay.Events();
        const Unit* line = FReplay.Line();
        if (byColumn && FNext < last) {
            const TXrefMark& final = marks[last - 1];
            const qsizetype named = final.Column + final.Length;
            qsizetype extent = 0;
            for (auto e = events.rbegin(); e != events.rend() && extent == 0; ++e)
                extent = e->Markup < 0 ? e->At + e->Length : 0;
            if (named > extent)
                return false;
            const qsizetype plain = FReplay.FindPlain(extent);
            if (plain < named && !IsAscii(line + plain, named - plain))
                return false;
        }
        int ordinal = 0;
        for (size_t i = 0; i < events.size(); ++i) {
            const auto& e = events[i];
            if (e.Markup >= 0) {
                FClass = ClassAfter(TMarkup(e.Markup), FClass);
                continue;
            }
            if (FClass == TRunClass::Directive) {
                FReplay.FileDirective(e.At, e.Length);
                continue;
            }
            if (FClass != TRunClass::Code)
                continue;
            // Runs of code with only reserved-word or number markup between are one stretch.
            qsizetype end = e.At + e.Length;
            for (size_t k = i + 1; k < events.size(); ++k) {
                if (events[k].Markup < 0) {
                    end = events[k].At + events[k].Length;
                    i = k;
                } else if (!IsWordMarkup(TMarkup(events[k].Markup))) {
                    break;
                }
            }
            if (byColumn) {
                for (; FNext < last && marks[FNext].Column < end; ++FNext) {
                    const TXrefMark& mark = marks[FNext];
                    const qsizetype start = mark.Column, stop = start + mark.Length;
                    if (mark.Length == 0 || start < e.At || stop > end ||
                        !IsNameStart(unsigned(line[start])) ||
                        (start > e.At && IsNameUnit(unsigned(line[start - 1]))) ||
                        (stop < end && IsNameUnit(unsigned(line[stop]))))
                        return false;
                    FReplay.Link(start, stop, Encoded(mark));
                }
                continue;
            }
            TCodeToken t;
            for (qsizetype p = e.At; FNext < last && NextCodeToken(line, p, end, t); p = t.End) {
                if (t.Kind != TCodeKind::Name)
                    continue;
                if (marks[FNext].Ordinal == ordinal)
                    FReplay.Link(t.Start, t.End, Encoded(marks[FNext++]));
                ++ordinal;
            }
        }
        return !byColumn || FNext == last;
    }

    // The page's tags in its encoding, one after another, made when the first is needed: a
    // page has thousands, each used at least once.
    QByteArrayView Encoded(const TXrefMark& mark) {
        if (FEnds.empty())
            EncodeXrefTags(FMarks, FReplay.Encoding(), FEncoded, FEnds);
        const qsizetype start = mark.Tag == 0 ? 0 : FEnds[size_t(mark.Tag - 1)];
        return QByteArrayView(FEncoded).sliced(start, FEnds[size_t(mark.Tag)] - start);
    }

    // Whether the first `to` units of `line` are ASCII, eight bytes at a time.
    static bool IsAscii(const Unit* line, qsizetype to) {
        qsizetype from = 0;
        constexpr quint64 high = sizeof(Unit) == 1 ? 0x8080808080808080ull : 0xFF80FF80FF80FF80ull;
        constexpr qsizetype step = 8 / sizeof(Unit);
        quint64 any = 0;
        for (quint64 word; to - from >= step; from += step) {
            std::memcpy(&word, line + from, sizeof word);
            any |= word;
        }
        for (; from < to; ++from)
            any |= quint64(line[from]);
        return (any & high) == 0;
    }

    static bool IsWordMarkup(TMarkup m) {
        return m == TMarkup::Bres || m == TMarkup::Eres || m == TMarkup::Bnum || m == TMarkup::Enum;
    }

    TPageOutput& FOut;
    TLineReplay<Unit> FReplay;
    const TXrefMarks& FMarks;
    int FLineNumber = 0;
    size_t FNext = 0;
    TRunClass FClass = TRunClass::Code; // as of the line's runs kept, or of those passed on
    bool FKept = false;                 // the line's runs are kept, to be replayed at its end
    std::string FEncoded;
    std::vector<qsizetype> FEnds; // of each tag in FEncoded
};
