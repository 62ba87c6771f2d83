#include "ReferenceScan.h"

namespace {

// Stands for a source "&" during the scan: like "&", a word character above code 255.
constexpr char16_t kAmp = 0xE000;

} // namespace

bool ReferenceIsReservWord(const TDelphiToHTML& cv, const QString& word) {
    const QString lower = word.toLower();
    for (const QString& entry : cv.ReservList.Lines())
        if (entry == lower)
            return true;
    return false;
}

bool ReferenceIsValue(const QString& word) {
    if (word.isEmpty() || word == ".")
        return false;
    const QString first = "#$.0123456789";
    const QString rest = first + "ABCDEFabcdef";
    if (!first.contains(word[0]))
        return false;
    for (qsizetype i = 1; i < word.size(); ++i)
        if (!rest.contains(word[i]))
            return false;
    return true;
}

QStringList ReferenceConvertLines(TDelphiToHTML& cv, const QString& text) {
    const QStringList lines = TStrings::SplitLines(text);
    QStringList result;
    bool IsCom = false, IsCom1 = false, IsDir = false, IsDir1 = false;
    for (QString S : lines) {
        S.replace(u'&', QChar(kAmp));
        qsizetype p;
        while ((p = S.indexOf(u'<')) >= 0)
            TDelphiToHTML::ReplaceText(int(p + 1), "<", "&lt;", S);
        while ((p = S.indexOf(u'>')) >= 0)
            TDelphiToHTML::ReplaceText(int(p + 1), ">", "&gt;", S);
        bool IsStr = false;
        int J = 0;
        auto ch = [&](int pos) -> char16_t { return pos <= S.size() ? S[pos - 1].unicode() : 0; };
        auto insert = [&](int pos, const QString& m) { S.insert(pos - 1, m); };
        while (J < S.size()) {
            ++J;
            const char16_t c = ch(J), n = ch(J + 1);
            const bool active = IsCom || IsCom1 || IsDir || IsDir1 || IsStr;
            if (c == '{' && n == '$' && !active) {
                IsDir = true;
                insert(J, cv.Bdir);
                J += int(cv.Bdir.size()) + 1; // now at the dollar sign
            } else if (c == '}' && IsDir) {
                IsDir = false;
                insert(J + 1, cv.Edir);
                J += int(cv.Edir.size());
            } else if (c == '(' && n == '*' && ch(J + 2) == '$' && !active) {
                IsDir1 = true;
                insert(J, cv.Bdir);
                J += int(cv.Bdir.size()) + 2;
            } else if (c == '*' && n == ')' && IsDir1) {
                IsDir1 = false;
                insert(J + 2, cv.Edir);
                J += 1 + int(cv.Edir.size());
            } else if (c == '{' && !active) {
                IsCom = true;
                insert(J, cv.Bcom);
                J += int(cv.Bcom.size());
            } else if (c == '}' && IsCom) {
                IsCom = false;
                insert(J + 1, cv.Ecom);
                J += int(cv.Ecom.size());
            } else if (c == '(' && n == '*' && !active) {
                IsCom1 = true;
                insert(J, cv.Bcom);
                J += int(cv.Bcom.size()) + 1;
            } else if (c == '*' && n == ')' && IsCom1) {
                IsCom1 = false;
                insert(J + 2, cv.Ecom);
                J += 1 + int(cv.Ecom.size());
            } else if (c == '\'' && !active) {
                IsStr = true;
                insert(J, cv.Bstr);
                J += int(cv.Bstr.size());
            } else if (c == '\'' && IsStr) {
                IsStr = false;
                insert(J + 1, cv.Estr);
                J += int(cv.Estr.size());
            } else if (c == '/' && n == '/' && !active) {
                insert(J, cv.Bcom);
                S += cv.Ecom;
                break;
            } else if (active) {
            } else {
                int start = 0;
                const bool cDelim = cv.IsDelimiter(c), nDelim = cv.IsDelimiter(n);
                if (J == 1 && !cDelim)
                    start = 1;
                else if (cDelim && !nDelim)
                    start = J + 1;
                if (start > 0) {
                    const QString word = cv.GetWord(start, S);
                    const QString *open = nullptr, *close = nullptr;
                    if (ReferenceIsReservWord(cv, word)) {
                        open = &cv.Bres;
                        close = &cv.Eres;
                    } else if (ReferenceIsValue(word)) {
                        open = &cv.Bnum;
                        close = &cv.Enum;
                    }
                    if (open) {
                        insert(start, *open);
                        insert(start + int(open->size() + word.size()), *close);
                        // the next examined character is the one after the word
                        J = start + int(open->size() + word.size() + close->size()) - 1;
                    }
                }
            }
        }
        S.replace(QChar(kAmp), QLatin1String("&amp;"));
        S.replace(QChar(u'\0'), QChar::ReplacementCharacter);
        result << S;
    }
    return result;
}
