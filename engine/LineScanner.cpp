#include "LineScanner.h"

#include "__pas2html.h"

#include <algorithm>

TLineScanner::TLineScanner(const TDelphiToHTML& converter) : FConverter(converter) {
    for (int c = 0; c < 256; ++c)
        FClass[c] = converter.IsDelimiter(char16_t(c)) ? kDelimiter : 0;
    FClass[u'{'] |= kOpenBrace;
    FClass[u'<'] |= kEscaped;
    FClass[u'>'] |= kEscaped;
    FClass[u'&'] |= kEscaped;
}

void TLineScanner::Escape(QStringView line) {
    FSourceAmps.clear();
    const char16_t* begin = line.utf16();
    const char16_t* stop = begin + line.size();
    const char16_t* first = begin;
    while (first != stop && !(*first < 256 && (FClass[*first] & kEscaped)))
        ++first;
    if (first == stop) {
        FText = line;
        return;
    }
    FEscaped.resize(0);
    FEscaped.reserve(line.size() + 16);
    const char16_t* p = line.utf16();
    const char16_t* end = p + line.size();
    const char16_t* run = p;
    for (; p != end; ++p) {
        const char16_t c = *p;
        if (c != u'<' && c != u'>' && c != u'&')
            continue;
        FEscaped.append(QStringView(run, p - run));
        if (c == u'&') {
            FSourceAmps.push_back(FEscaped.size());
            FEscaped.append(QChar(u'&'));
        } else {
            FEscaped.append(c == u'<' ? QLatin1String("&lt;") : QLatin1String("&gt;"));
        }
        run = p + 1;
    }
    FEscaped.append(QStringView(run, end - run));
    FText = FEscaped;
}

void TLineScanner::Emit(TTextBuffer& out, qsizetype from, qsizetype to) const {
    if (from >= to)
        return;
    const char16_t* text = FText.utf16();
    if (FSourceAmps.empty()) {
        out.Append(text + from, to - from);
        return;
    }
    auto amp = std::lower_bound(FSourceAmps.begin(), FSourceAmps.end(), from);
    for (; amp != FSourceAmps.end() && *amp < to; ++amp) {
        out.Append(text + from, *amp - from);
        out.Append(u"&amp;", 5);
        from = *amp + 1;
    }
    out.Append(text + from, to - from);
}

qsizetype TLineScanner::WordEnd(qsizetype start) const {
    const char16_t* s = FText.utf16();
    const qsizetype len = FText.size();
    qsizetype end = start;
    while (end < len && !IsDelimiter(s[end]))
        ++end;
    return end;
}

void TLineScanner::ConvertLine(QStringView line, TTextBuffer& out) {
    Escape(line);
    const TDelphiToHTML& cv = FConverter;
    const char16_t* s = FText.utf16();
    const qsizetype len = FText.size();
    auto at = [&](qsizetype k) -> char16_t { return k < len ? s[k] : u'\0'; };

    bool isStr = false;
    qsizetype done = 0; // escaped characters before this offset are already in `out`
    // Inserts `markup` before the escaped character at `where`.
    auto insertBefore = [&](qsizetype where, const QString& markup) {
        Emit(out, done, where);
        out.Append(markup);
        done = where;
    };

    qsizetype i = 0;
    while (i < len) {
        const char16_t c = s[i];
        const char16_t n = at(i + 1);
        const bool active = FIsCom || FIsCom1 || FIsDir || FIsDir1 || isStr;

        if (c == u'{' && n == u'$' && !active) {
            FIsDir = true;
            insertBefore(i, cv.Bdir);
            i += 2;
        } else if (c == u'}' && FIsDir) {
            FIsDir = false;
            insertBefore(i + 1, cv.Edir);
            i += 1;
        } else if (c == u'(' && n == u'*' && at(i + 2) == u'$' && !active) {
            FIsDir1 = true;
            insertBefore(i, cv.Bdir);
            i += 3;
        } else if (c == u'*' && n == u')' && FIsDir1) {
            FIsDir1 = false;
            insertBefore(i + 2, cv.Edir);
            i += 2;
        } else if (c == u'{' && !active) {
            FIsCom = true;
            insertBefore(i, cv.Bcom);
            i += 1;
        } else if (c == u'}' && FIsCom) {
            FIsCom = false;
            insertBefore(i + 1, cv.Ecom);
            i += 1;
        } else if (c == u'(' && n == u'*' && !active) {
            FIsCom1 = true;
            insertBefore(i, cv.Bcom);
            i += 2;
        } else if (c == u'*' && n == u')' && FIsCom1) {
            FIsCom1 = false;
            insertBefore(i + 2, cv.Ecom);
            i += 2;
        } else if (c == u'\'' && !active) {
            isStr = true;
            insertBefore(i, cv.Bstr);
            i += 1;
        } else if (c == u'\'' && isStr) {
            isStr = false;
            insertBefore(i + 1, cv.Estr);
            i += 1;
        } else if (c == u'/' && n == u'/' && !active) {
            // A line comment runs to the end of the line, whatever it holds.
            insertBefore(i, cv.Bcom);
            insertBefore(len, cv.Ecom);
            return;
        } else if (active) {
            // Inside a comment, directive or string only its closing character matters.
            const char16_t closer = (FIsCom || FIsDir) ? u'}' : (isStr ? u'\'' : u'*');
            const char16_t* next = std::find(s + i + 1, s + len, closer);
            i = next - s;
        } else {
            // A word starts at the line's first character, or right after a delimiter.
            qsizetype start = -1;
            if (i == 0 && !IsDelimiter(c))
                start = 0;
            else if (IsDelimiter(c) && !IsDelimiter(n))
                start = i + 1;
            if (start >= 0 && start < len) {
                const qsizetype end = WordEnd(start);
                const QStringView word(s + start, end - start);
                const QString* open = nullptr;
                const QString* close = nullptr;
                if (cv.IsReservWord(word)) {
                    open = &cv.Bres;
                    close = &cv.Eres;
                } else if (TDelphiToHTML::IsValue(word)) {
                    open = &cv.Bnum;
                    close = &cv.Enum;
                }
                if (open) {
                    insertBefore(start, *open);
                    insertBefore(end, *close);
                    i = end;
                    continue;
                }
            }
            // Word characters other than "{" start nothing after the first column.
            ++i;
            while (i < len && IsPlain(s[i]))
                ++i;
        }
    }
    Emit(out, done, len);
}
