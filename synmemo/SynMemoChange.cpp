#include "SynMemoChange.h"

#include <algorithm>

void TLineChange::Merge(qsizetype from, qsizetype removed, qsizetype inserted) {
    if (First < 0) {
        First = from;
        Old = removed;
        New = inserted;
        return;
    }
    // The record grows over the unchanged lines between it and the new change.
    const qsizetype lo = std::min(First, from);
    const qsizetype hi = std::max(First + New, from + removed);
    Old += (hi - lo) - New;
    New = (hi - lo) - removed + inserted;
    First = lo;
}

void TUndoStep::Record(const QStringList& text, qsizetype from, qsizetype removed,
                       qsizetype inserted) {
    if (Change.First < 0) {
        OldLines = text.mid(from, removed);
        Change.Merge(from, removed, inserted);
        return;
    }
    const qsizetype lo = std::min(Change.First, from);
    const qsizetype end = Change.First + Change.New;
    const qsizetype hi = std::max(end, from + removed);
    QStringList old;
    old.reserve(Change.Old + (Change.First - lo) + (hi - end));
    if (Change.First > lo)
        old += text.mid(lo, Change.First - lo);
    old += OldLines;
    if (hi > end)
        old += text.mid(end, hi - end);
    OldLines = std::move(old);
    Change.Merge(from, removed, inserted);
}
