#include "SynAttrMap.h"

namespace {

bool IsTokenStart(char16_t c) {
    if (c >= 192)
        return c <= 255;
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_' || c == u'"' ||
           c == u'\'' || c == u'%' || c == u'(' || c == u'-' || c == u'/' || c == u'{';
}

bool IsIdentStart(char16_t c) {
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_';
}

bool IsIdentChar(char16_t c) {
    return IsIdentStart(c) || (c >= u'0' && c <= u'9');
}

bool IsLineEnd(char16_t c) {
    return c == u'\r' || c == u'\n';
}

} // namespace

void TSynAttrMap::SetRules(TSyntaxType type, QStringView keywords) {
    FDelims = SyntaxDelimiters(type);
    FErlang = type == stErlang;
    FKeywords = KeywordSet(keywords);
    // The entries stay readable until the next update, which scans every line.
    FStale = true;
}

bool TSynAttrMap::IsKeyWord(QStringView word) const {
    if (FKeywords.isEmpty())
        return false;
    // Identifiers are ASCII, so lower-casing them needs no locale.
    FWord.resize(word.size());
    for (qsizetype k = 0; k < word.size(); ++k) {
        const char16_t c = word[k].unicode();
        FWord[k] = QChar(c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c);
    }
    return FKeywords.contains(FWord);
}

TSynAttrMap::TScanState TSynAttrMap::ScanLine(QStringView line, TScanState state,
                                              QByteArray& codes) const {
    const qsizetype n = line.size();
    const char16_t* s = line.utf16();
    codes.resize(n);
    // The line as the scanner sees it inside the whole text: followed by CR LF.
    const auto at = [&](qsizetype k) -> char16_t {
        return k < n ? s[k] : k == n ? u'\r' : k == n + 1 ? u'\n' : 0;
    };
    const auto mark = [&](qsizetype from, qsizetype to, TCharAttr a) {
        for (qsizetype k = from; k < std::min(to, n); ++k)
            codes[k] = s[k] > 31 ? char(a) : char(s[k]);
    };
    const auto blockEnd = [&](qsizetype from) {
        qsizetype e = from;
        while (e < n && !(s[e] == u'*' && at(e + 1) == FDelims.cm4))
            ++e;
        return e;
    };
    const auto braceEnd = [&](qsizetype from) {
        qsizetype e = from;
        while (e < n && s[e] != u'}')
            ++e;
        return e;
    };

    qsizetype k = 0;
    if (state == TScanState::InBrace) {
        const qsizetype e = braceEnd(0);
        mark(0, e + 1, caComment);
        if (e >= n)
            return TScanState::InBrace;
        k = e + 1;
    } else if (state == TScanState::InBlock) {
        const qsizetype e = blockEnd(0);
        mark(0, e + 2, caComment);
        if (e >= n)
            return TScanState::InBlock;
        k = e + 2;
    }

    while (k < n) {
        qsizetype start = k;
        while (k < n && !IsTokenStart(s[k]))
            ++k;
        mark(start, k, caText);
        if (k >= n)
            break;

        start = k;
        const char16_t c = s[k];
        TCharAttr attr = caText;
        if (IsIdentStart(c)) {
            while (k < n && IsIdentChar(s[k]))
                ++k;
            if (IsKeyWord(line.sliced(start, k - start)))
                attr = caKeyword;
        } else if (c == FDelims.cm1 && (FErlang || at(k + 1) == FDelims.cm1)) {
            while (k < n && !IsLineEnd(s[k]))
                ++k;
            ++k;
            attr = caComment;
        } else if (FErlang) {
            ++k;
        } else if (c == FDelims.cm2) {
            const qsizetype e = braceEnd(k);
            mark(start, e + 1, caComment);
            if (e >= n)
                return TScanState::InBrace;
            k = e + 1;
            continue;
        } else if (c == FDelims.cm3 && at(k + 1) == u'*') {
            const qsizetype e = blockEnd(k);
            mark(start, e + 2, caComment);
            if (e >= n)
                return TScanState::InBlock;
            k = e + 2;
            continue;
        } else if (c == FDelims.st1) {
            ++k;
            while (k < n && s[k] != FDelims.st1 && !IsLineEnd(s[k]))
                ++k;
            ++k;
            attr = caString;
        } else {
            ++k;
        }
        mark(start, k, attr);
    }
    return TScanState::Neutral;
}

void TSynAttrMap::Rebuild(const QStringList& lines) {
    FEntries.clear();
    FEndState = TScanState::Neutral;
    FStale = false;
    Replace(lines, 0, 0, lines.size());
}

TSynAttrMap::TScanState TSynAttrMap::StartOf(qsizetype index) const {
    return index < FEntries.size() ? FEntries[index].Start : FEndState;
}

void TSynAttrMap::Replace(const QStringList& lines, qsizetype first, qsizetype oldCount,
                          qsizetype newCount) {
    if (FStale || first < 0 || oldCount < 0 || newCount < 0 || first + oldCount > FEntries.size() ||
        FEntries.size() - oldCount + newCount != lines.size()) {
        Rebuild(lines);
        return;
    }
    // Scan the changed lines, then go on into the unchanged ones until a line starts in
    // the state it started in before: from there on every entry stays as it was.
    QList<TLineAttr> fresh;
    TScanState state = StartOf(first);
    const auto scan = [&](qsizetype k) {
        TLineAttr entry;
        entry.Start = state;
        state = ScanLine(lines[k], state, entry.Codes);
        fresh.append(std::move(entry));
    };
    const qsizetype count = lines.size();
    qsizetype k = first;
    for (; k < first + newCount; ++k)
        scan(k);
    qsizetype old = first + oldCount;
    for (; k < count && state != StartOf(old); ++k, ++old)
        scan(k);
    if (k >= count)
        FEndState = state;

    // Entries replaced one for one stay where they are; only a change in the number of
    // lines moves the entries after them.
    const qsizetype consumed = old - first;
    const qsizetype same = std::min(consumed, fresh.size());
    std::move(fresh.begin(), fresh.begin() + same, FEntries.begin() + first);
    if (consumed > same)
        FEntries.remove(first + same, consumed - same);
    else if (fresh.size() > same) {
        FEntries.insert(first + same, fresh.size() - same, TLineAttr());
        std::move(fresh.begin() + same, fresh.end(), FEntries.begin() + first + same);
    }
}

QByteArray TSynAttrMap::Codes(qsizetype index) const {
    if (index == FEntries.size())
        return QByteArrayLiteral(" ");
    if (index < 0 || index > FEntries.size())
        return {};
    return FEntries[index].Codes;
}

quint8 TSynAttrMap::Code(qsizetype index, qsizetype x) const {
    if (index == FEntries.size())
        return x == 1 ? quint8(' ') : quint8(caText);
    if (index < 0 || index > FEntries.size() || x < 1 || x > FEntries[index].Codes.size())
        return caText;
    return quint8(FEntries[index].Codes[x - 1]);
}
