#pragma once
// Comparison of a written page with its golden copy that says what differs: on a mismatch
// the actual page is kept beside the golden one, and the message names the first differing
// lines and the command that rebuilds the golden pages after review.

#include "TestFiles.h"

#include <QFileInfo>
#include <QList>
#include <QString>

// "<folder>/<name>.actual.<ext>" beside `golden`.
inline QString ActualPagePath(const QString& golden) {
    const QFileInfo info(golden);
    return info.path() + "/" + info.completeBaseName() + ".actual." + info.suffix();
}

// Bytes outside printable ASCII as \xNN, so that any encoding prints readably.
inline QString PrintableLine(const QByteArray& line) {
    QString text;
    for (const char c : line.left(160)) {
        const auto b = static_cast<unsigned char>(c);
        text +=
            b >= 0x20 && b < 0x7f ? QString(QChar(b)) : QString("\\x%1").arg(b, 2, 16, QChar('0'));
    }
    return line.size() > 160 ? text + "..." : text;
}

// Up to `limit` differing lines, 1-based, each as expected and actual.
inline QString FirstDifferingLines(const QByteArray& expected, const QByteArray& actual,
                                   int limit = 3) {
    const QList<QByteArray> want = expected.split('\n');
    const QList<QByteArray> got = actual.split('\n');
    QString report;
    int shown = 0;
    for (qsizetype i = 0; i < std::max(want.size(), got.size()) && shown < limit; ++i) {
        const QString w = i < want.size() ? PrintableLine(want[i]) : QString("(no line)");
        const QString g = i < got.size() ? PrintableLine(got[i]) : QString("(no line)");
        if (w == g)
            continue;
        report += QString("\n  line %1 expected: %2\n  line %1 actual:   %3").arg(i + 1).arg(w, g);
        ++shown;
    }
    return report;
}

// Empty when `actual` equals the file `golden` (a stale actual page is then removed);
// otherwise writes the actual page beside the golden one and says what differs.
inline QString GoldenPageMismatch(const QByteArray& actual, const QString& golden) {
    const QByteArray expected = ReadBytes(golden);
    const QString actualPath = ActualPagePath(golden);
    if (actual == expected) {
        QFile::remove(actualPath);
        return {};
    }
    QFile out(actualPath);
    if (out.open(QIODevice::WriteOnly))
        out.write(actual);
    return QString("page differs from %1; actual page: %2%3\n"
                   "After review, rebuild the golden pages with scripts/regen-golden.sh")
        .arg(golden, actualPath, FirstDifferingLines(expected, actual));
}
