#pragma once
// Records of changed lines. A change replaces a run of lines by another run; several changes
// merge into one record that covers them all, so the record always says which lines of the
// text now stand where which lines stood when it began.

#include <QPoint>
#include <QStringList>

// Lines [First, First + New) of the text stand where Old lines stood; First < 0 when
// nothing changed.
struct TLineChange {
    qsizetype First = -1;
    qsizetype Old = 0;
    qsizetype New = 0;

    // Takes in the replacement of `removed` lines at `from` by `inserted` lines.
    void Merge(qsizetype from, qsizetype removed, qsizetype inserted);
};

// One undo step: the caret and the lines as they were when the step began.
struct TUndoStep {
    QPoint Pos;
    TLineChange Change;
    QStringList OldLines;

    // Takes in a change about to be made to `text`: `removed` lines at `from` are to be
    // replaced by `inserted` lines. Lines the step did not cover yet are kept as they are.
    void Record(const QStringList& text, qsizetype from, qsizetype removed, qsizetype inserted);
};
