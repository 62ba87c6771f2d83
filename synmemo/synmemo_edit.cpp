// TSyntaxMemo: line editing. Splitting and joining lines, smart indentation on Enter,
// Backspace and Tab, block shifts of the selected lines and deleting the caret line.

#include "synmemo.h"

#include "Trim.h"

void TSyntaxMemo::ClearMessage() {
    if (FMessage.isEmpty())
        return;
    FMessage.clear();
    update();
}

// Enter

void TSyntaxMemo::DoReturn() {
    if (FReadOnly)
        return;
    // Enter splits at the caret; the indentation it inserts must not replace a selection.
    ClearSel();
    const int y = FPos.y();
    const QString s = LineAt(y - 1);
    const qsizetype cut = std::clamp<qsizetype>(FPos.x() - 1, 0, s.size());
    // The whole rest of the line moves to the new line, however long it is.
    ReplaceLines(y - 1, 1, {s.first(cut), s.sliced(cut)});
    EnterIndent();
}

void TSyntaxMemo::EnterIndent() {
    const int y = FPos.y();
    const int indent = IsBlank(FText[y - 1]) ? FPos.x() : GetLineBegin(y - 1);
    CorrectBookmark(y, 1);
    CorrectCurLine(y, 1);
    SetPos(1, y + 1);
    SetSelText(Pad(indent - 1, 32));
}

// Delete and Backspace

// Both keys clear the message bar and delete a selection instead of a character; true when
// the key still has its own deletion to do.
bool TSyntaxMemo::StartDeletion() {
    if (FReadOnly)
        return false;
    ClearMessage();
    if (FSelStart.x() == 0)
        return true;
    SetSelText(QString());
    return false;
}

void TSyntaxMemo::DoDel() {
    if (!StartDeletion())
        return;
    AddUndo();
    const int x = FPos.x();
    const int y = FPos.y();
    if (x <= LineLength(y - 1)) {
        PutLine(y - 1, QString(FText[y - 1]).remove(x - 1, 1));
    } else if (y < FText.Count()) {
        const QString& line = FText[y - 1];
        ReplaceLines(y - 1, 2, {line + Pad(int(x - line.size() - 1), 32) + LineAt(y)});
        CorrectBookmark(y, -1);
        CorrectCurLine(y, -1);
    }
    UpdateScrollBar();
    UpdateSyntax();
    DoChange();
}

void TSyntaxMemo::DoBackspace() {
    if (!StartDeletion())
        return;
    const int x = FPos.x();
    const int y = FPos.y();
    if (x > 1) {
        if (GetLineBegin(y - 1) == x || IsBlank(FText[y - 1])) {
            UnIndent();
            return;
        }
        AddUndo();
        if (x - 1 <= FText[y - 1].size())
            PutLine(y - 1, QString(FText[y - 1]).remove(x - 2, 1));
        DoLeft();
        UpdateSyntax();
        DoChange();
    } else if (y > 1) {
        AddUndo();
        CorrectBookmark(y, -1);
        CorrectCurLine(y, -1);
        const QString previous = LineAt(y - 2);
        ReplaceLines(y - 2, 2, {previous + FText[y - 1]});
        SetPos(int(std::min<qsizetype>(previous.size() + 1, INT_MAX / 2)), y - 1);
        UpdateSyntax();
        DoChange();
    }
}

void TSyntaxMemo::UnIndent() {
    const int x = FPos.x();
    const int y = FPos.y();
    int target = x - 1;
    for (int j = y - 2; j >= 0; --j) {
        if (!IsBlank(FText[j]) && GetLineBegin(j) < x) {
            target = GetLineBegin(j);
            break;
        }
    }
    FSelStart = {x, y};
    FSelEnd = {target, y};
    SetSelText(QString());
}

// Tab and block shifts

void TSyntaxMemo::DoTab() {
    if (FReadOnly)
        return;
    if (FSelStart.x() != 0)
        ShiftSelected(true, true);
    else
        TabIndent();
}

void TSyntaxMemo::TabIndent() {
    const int x = FPos.x();
    qsizetype n = x;
    for (int j = FPos.y() - 2; j >= 0; --j) {
        const QString s = LineAt(j);
        if (s.size() < x)
            continue;
        if (s[n - 1] == u' ') {
            while (n <= s.size() && s[n - 1] == u' ')
                ++n;
        } else {
            while (n <= s.size() && s[n - 1] != u' ')
                ++n;
            while (n <= s.size() && s[n - 1] == u' ')
                ++n;
        }
        break;
    }
    SetSelText(Pad(int(n - x), 32));
}

void TSyntaxMemo::ShiftSelected(bool ShiftRight, bool YesTab) {
    if (FReadOnly || FSelStart.x() == 0)
        return;
    AddUndo();
    const QPoint later = OrderedEnd(true);
    const int from = std::max(OrderedEnd(false).y(), 1);
    const int to =
        int(std::min<qsizetype>(later.x() == 1 ? later.y() - 1 : later.y(), FText.Count()));

    qsizetype step = YesTab ? Pad(1, 9).size() : std::max(fShiftSizeForShiftSelected, 1);
    if (!ShiftRight)
        for (int y = from; y <= to; ++y)
            if (!IsBlank(FText[y - 1]))
                step = std::min<qsizetype>(step, GetLineBegin(y - 1) - 1);
    if (step > 0) {
        const QString spaces(step, u' ');
        QStringList shifted;
        for (int y = from; y <= to; ++y) {
            const QString& line = FText[y - 1];
            if (ShiftRight)
                shifted.append(spaces + line);
            else if (line.startsWith(u' ') || line.startsWith(u'\t'))
                shifted.append(line.sliced(std::min(step, line.size())));
            else
                shifted.append(line);
        }
        if (!shifted.isEmpty())
            ReplaceLines(from - 1, shifted.size(), shifted);
    }
    UpdateSyntax();
    DoChange();
}

void TSyntaxMemo::DoCtrlI() {
    ShiftSelected(true, false);
}

void TSyntaxMemo::DoCtrlU() {
    ShiftSelected(false, false);
}

// Ctrl+Y deletes the caret line, read-only or not.
void TSyntaxMemo::DoCtrlY() {
    const int y = FPos.y();
    AddUndo();
    if (y < FText.Count()) {
        ReplaceLines(y - 1, 1, {});
        CorrectBookmark(y, -1);
        CorrectCurLine(y, -1);
    } else {
        PutLine(y - 1, QString());
        SetPos(1, y);
    }
    UpdateScrollBar();
    UpdateSyntax();
}
