// TSyntaxMemo: the clipboard commands and the context menu with its comment commands.

#include "synmemo.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QMenu>

// Clipboard

void TSyntaxMemo::CopyToClipboard() {
    if (FSelStart.x() != 0)
        QGuiApplication::clipboard()->setText(GetSelText());
}

void TSyntaxMemo::CutToClipboard() {
    if (FReadOnly)
        return;
    if (FSelStart.x() != 0) {
        const QString text = GetSelText();
        QGuiApplication::clipboard()->setText(text);
        // A selection that starts beyond its line's end is copied from the next line on;
        // the line break before it stays too, so that pasting gives back the same text.
        QPoint& earlier = SelectionKey(FSelStart) <= SelectionKey(FSelEnd) ? FSelStart : FSelEnd;
        if (!text.isEmpty() && LineLength(earlier.y() - 1) < earlier.x())
            earlier = {1, earlier.y() + 1};
        SetSelText(QString());
    }
    update();
}

void TSyntaxMemo::PasteFromClipboard() {
    if (FReadOnly)
        return;
    SetSelText(QGuiApplication::clipboard()->text());
}

// The context menu

void TSyntaxMemo::BuildPopupMenu() {
    FPopupMenu = new QMenu(this);
    FPopupMenu->setObjectName(QStringLiteral("FPopupMenu"));
    struct TItem {
        const char* Caption;
        const char* Handler;
        void (TSyntaxMemo::*Slot)();
    };
    const TItem items[] = {{"Cut", "CutPopup", &TSyntaxMemo::CutPopup},
                           {"Copy", "CopyPopup", &TSyntaxMemo::CopyPopup},
                           {"Paste", "PastePopup", &TSyntaxMemo::PastePopup},
                           {"Comment set", "CommentSetPopup", &TSyntaxMemo::CommentSetPopup},
                           {"Comment reset", "CommentResetPopup", &TSyntaxMemo::CommentResetPopup},
                           {"EnvVar select", "EnvVarSelPopup", &TSyntaxMemo::EnvVarSelPopup}};
    for (const TItem& item : items) {
        QAction* action = FPopupMenu->addAction(QString::fromLatin1(item.Caption));
        action->setObjectName(QString::fromLatin1(item.Handler));
        connect(action, &QAction::triggered, this, item.Slot);
    }
}

QMenu* TSyntaxMemo::PopupMenu() const {
    return FUserPopupMenu;
}

void TSyntaxMemo::SetPopupMenu(QMenu* menu) {
    FUserPopupMenu = menu;
}

void TSyntaxMemo::ShowPopupMenu(QPoint globalPos) {
    (FUserPopupMenu ? FUserPopupMenu.data() : FPopupMenu)->popup(globalPos);
}

void TSyntaxMemo::contextMenuEvent(QContextMenuEvent* event) {
    // The right button shows the menu on mouse-down; the menu key shows it at the caret.
    if (event->reason() == QContextMenuEvent::Keyboard)
        ShowPopupMenu(mapToGlobal(CaretRect().bottomLeft()));
    event->accept();
}

void TSyntaxMemo::CutPopup() {
    CutToClipboard();
}

void TSyntaxMemo::CopyPopup() {
    CopyToClipboard();
}

void TSyntaxMemo::PastePopup() {
    PasteFromClipboard();
}

void TSyntaxMemo::CommentSetPopup() {
    CommentLines(true);
}

void TSyntaxMemo::CommentResetPopup() {
    CommentLines(false);
}

// The comment commands act on the stored selection lines, anchor line to end line, even
// after typing has removed the selection, and regardless of ReadOnly. The lines go back
// through Lines, which empties the undo list and clears the selection.
void TSyntaxMemo::CommentLines(bool set) {
    const int from = FSelStart.y();
    const int to = FSelEnd.y();
    if (from <= 0 || from > to)
        return;
    TStrings lines = Lines().Strings();
    const int last = int(std::min<qsizetype>(to, lines.Count()));
    for (int y = from; y <= last; ++y) {
        QString& line = lines[y - 1];
        if (set)
            line.prepend(fCommentLine);
        else if (!line.isEmpty() && line.startsWith(fCommentLine))
            line.remove(0, fCommentLine.size());
    }
    SetText(lines);
    DoChange();
}
