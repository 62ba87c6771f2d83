// TSyntaxMemo: the mouse. A click places the caret, dragging selects, a double click
// selects the word, the right button shows the context menu.

#include "synmemo.h"

#include <QMouseEvent>

QPoint TSyntaxMemo::MousePos(QPointF point) const {
    if (FCharWidth <= 0 || FCharHeight <= 0)
        return FPos;
    const QPoint client = point.toPoint() - ClientOrigin();
    return {(client.x() - FGutterWidth) / FCharWidth + 1 + FOffset.x(),
            client.y() / FCharHeight + 1 + FOffset.y()};
}

void TSyntaxMemo::mousePressEvent(QMouseEvent* event) {
    MouseDown(*event);
    event->accept();
}

void TSyntaxMemo::MouseDown(const QMouseEvent& event) {
    if (FDoubleClicked) {
        FDoubleClicked = false;
        return;
    }
    if (event.button() == Qt::RightButton) {
        ShowPopupMenu(event.globalPosition().toPoint());
        return;
    }
    if (!hasFocus())
        setFocus(Qt::MouseFocusReason);
    FDown = true;
    const QPoint at = MousePos(event.position());
    SetPos(at.x(), at.y());
    ClearSel();
}

void TSyntaxMemo::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
    if (!FDown)
        return;
    FTempPos = FPos;
    const QPoint at = MousePos(event->position());
    if (at == FTempPos)
        return;
    SetPos(at.x(), at.y());
    AddSel();
}

void TSyntaxMemo::mouseReleaseEvent(QMouseEvent* event) {
    FDown = false;
    event->accept();
}

// The platform reports the second press of a double click as the double click itself;
// the memo handles it as the word selection followed by the mouse-down it swallows.
void TSyntaxMemo::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        // The word is the one under the pointer even when no press came before.
        const QPoint at = MousePos(event->position());
        SetPos(at.x(), at.y());
        DblClick();
    }
    MouseDown(*event);
    event->accept();
}

void TSyntaxMemo::DblClick() {
    FDoubleClicked = true;
    DoCtrlL();
    FSelStart = FPos;
    const QString line = LineAt(FPos.y() - 1);
    while (FPos.x() <= line.size() && IsWordChar(line[FPos.x() - 1]))
        FPos.rx() += 1;
    FSelEnd = FPos;
    update();
}
