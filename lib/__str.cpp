#include "__str.h"

#include "Trim.h"

namespace {

QStringView ScannedText(const QString& Sx, bool YesAllTrim_Before) {
    return YesAllTrim_Before ? TrimView(Sx) : QStringView(Sx);
}

// Calls `onWord(start, length)` for each word in order until it returns false.
template <typename OnWord> void ForEachWord(QStringView s, QStringView delimiters, OnWord onWord) {
    qsizetype start = -1;
    for (qsizetype i = 0; i <= s.size(); ++i) {
        const bool delimiter = i == s.size() || delimiters.contains(s[i]);
        if (!delimiter) {
            if (start < 0)
                start = i;
            continue;
        }
        if (start >= 0 && !onWord(start, i - start))
            return;
        start = -1;
    }
}

} // namespace

QString Get_Word_From_WideString(const QString& Sx, int NumWord, const QString& UnChar,
                                 bool YesAllTrim_Before) {
    const QStringView s = ScannedText(Sx, YesAllTrim_Before);
    QString word;
    if (s.isEmpty() || NumWord <= 0)
        return word;
    int counter = 0;
    ForEachWord(s, UnChar, [&](qsizetype start, qsizetype length) {
        if (++counter < NumWord)
            return true;
        word = s.sliced(start, length).toString();
        return false;
    });
    return word;
}

int Get_CountWords_In_WideString(const QString& Sx, const QString& UnChar, bool YesAllTrim_Before) {
    int count = 0;
    ForEachWord(ScannedText(Sx, YesAllTrim_Before), UnChar, [&](qsizetype, qsizetype) {
        ++count;
        return true;
    });
    return count;
}

int TStrings_DeleteEmptyLine(TStrings* List) {
    if (!List || List->IsEmpty())
        return 0;
    QStringList kept;
    for (const QString& line : List->Lines())
        if (!IsBlank(line))
            kept.append(line);
    List->Lines() = std::move(kept);
    return static_cast<int>(List->Count());
}
