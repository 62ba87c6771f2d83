#pragma once
// Trimming as everywhere in the system: every leading and trailing character whose code
// is 32 or less goes (QString::trimmed would keep control characters and take Unicode spaces).

#include <QString>
#include <QStringView>

inline QStringView TrimView(QStringView s) {
    qsizetype b = 0, e = s.size();
    while (b < e && s[b].unicode() <= 32)
        ++b;
    while (e > b && s[e - 1].unicode() <= 32)
        --e;
    return s.sliced(b, e - b);
}

inline QString Trim(QStringView s) {
    return TrimView(s).toString();
}

inline bool IsBlank(QStringView s) {
    return TrimView(s).isEmpty();
}
