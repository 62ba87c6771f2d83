#pragma once
// A memo on a shown window, driven as a user drives it: key strokes, typed text and
// mouse clicks on character cells.

#include "synmemo.h"

#include <QKeySequence>
#include <QTest>

// A memo with a parent (gutter, footer), a fixed-pitch font and a size.
struct TDrivenMemo {
    QWidget Owner;
    TSyntaxMemo* Memo;
    explicit TDrivenMemo(const QStringList& lines) : Memo(new TSyntaxMemo(&Owner)) {
        QFont font(QStringLiteral("Courier New"));
        font.setPixelSize(13);
        Memo->setFont(font);
        Owner.resize(400, 300);
        Memo->setGeometry(0, 0, 300, 200);
        Owner.show();
        Memo->SetText(TStrings(lines));
    }

    // Each step is a key sequence such as "Shift+Ctrl+End", or text to type after a '"'.
    void Press(const QStringList& steps) {
        for (const QString& step : steps) {
            if (step.startsWith(u'"')) {
                Type(step.mid(1));
                continue;
            }
            const QKeySequence sequence = QKeySequence::fromString(step);
            QVERIFY2(!sequence.isEmpty(), qPrintable(step));
            for (int k = 0; k < sequence.count(); ++k)
                QTest::keyClick(Memo, sequence[k].key(), sequence[k].keyboardModifiers());
        }
    }

    // Characters beyond Latin-1 come as keys the test library has no code for.
    void Type(const QString& text) {
        for (QChar c : text) {
            if (c.unicode() < 128)
                QTest::keyClick(Memo, c.toLatin1());
            else
                QTest::sendKeyEvent(QTest::Click, Memo, Qt::Key_unknown, QString(c),
                                    Qt::NoModifier);
        }
    }

    // Widget coordinates of the middle of the cell of column x, line y (no scrolling).
    QPoint CellCentre(int x, int y) const {
        return QPoint(Memo->GutterWidth() + (x - 1) * Memo->CharWidth() + Memo->CharWidth() / 2,
                      (y - 1) * Memo->CharHeight() + Memo->CharHeight() / 2) +
               Memo->ClientOrigin();
    }

    // A double click as the platform reports it: press, release, double click, release.
    void DoubleClick(int x, int y) {
        const QPoint at = CellCentre(x, y);
        QTest::mousePress(Memo, Qt::LeftButton, {}, at);
        QTest::mouseRelease(Memo, Qt::LeftButton, {}, at);
        QTest::mouseDClick(Memo, Qt::LeftButton, {}, at);
        QTest::mouseRelease(Memo, Qt::LeftButton, {}, at);
    }

    // The lines as a caller reads them, without touching the memo.
    QStringList Text() const {
        QStringList lines = Memo->StoredLines();
        for (QString& line : lines) {
            qsizetype n = line.size();
            while (n > 0 && line[n - 1].unicode() <= 32)
                --n;
            line.truncate(n);
        }
        return lines;
    }

    // The selection as (start, end), or two null points when there is none.
    QPair<QPoint, QPoint> Selection() const {
        if (Memo->SelStart().x() == 0)
            return {};
        return {Memo->SelStart(), Memo->SelEnd()};
    }
};

using TSel = QPair<QPoint, QPoint>;
