// TSyntaxMemo: the key map and caret movement. Command keys are taken by their key code,
// characters by the text the key produces; Ctrl+letter commands are recognised both ways.

#include "synmemo.h"

#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>

namespace {

constexpr Qt::KeyboardModifiers CommandModifiers =
    Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;

bool IsNavigationKey(int key) {
    switch (key) {
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_End:
    case Qt::Key_Home:
    case Qt::Key_Left:
    case Qt::Key_Up:
    case Qt::Key_Right:
    case Qt::Key_Down:
        return true;
    default:
        return false;
    }
}

bool IsEditKey(int key) {
    switch (key) {
    case Qt::Key_Backspace:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Insert:
    case Qt::Key_Delete:
    case Qt::Key_F3:
        return true;
    default:
        return IsNavigationKey(key);
    }
}

// The digit of a key of the main keyboard's digit row, -1 for any other key. With Shift held
// the key code is the shifted symbol, which depends on the layout; the X11 key code of the
// row does not.
int DigitOf(const QKeyEvent& event) {
    if (event.modifiers() & Qt::KeypadModifier)
        return -1;
    const int key = event.key();
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return key - Qt::Key_0;
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        const quint32 code = event.nativeScanCode();
        if (code >= 10 && code <= 19)
            return int(code - 9) % 10;
    }
    static constexpr int shifted[10] = {Qt::Key_ParenRight,  Qt::Key_Exclam,    Qt::Key_At,
                                        Qt::Key_NumberSign,  Qt::Key_Dollar,    Qt::Key_Percent,
                                        Qt::Key_AsciiCircum, Qt::Key_Ampersand, Qt::Key_Asterisk,
                                        Qt::Key_ParenLeft};
    for (int digit = 0; digit < 10; ++digit)
        if (shifted[digit] == key)
            return digit;
    return -1;
}

// The control character a key stands for: its text when that is one, else the letter
// with Ctrl held; -1 for none.
int ControlCode(const QKeyEvent& event) {
    const Qt::KeyboardModifiers mods = event.modifiers() & CommandModifiers;
    if ((mods & Qt::ControlModifier) && !(mods & Qt::AltModifier) && event.key() >= Qt::Key_A &&
        event.key() <= Qt::Key_Z)
        return event.key() - Qt::Key_A + 1;
    const QString text = event.text();
    if (text.size() == 1 && text[0].unicode() < 32)
        return text[0].unicode();
    return -1;
}

bool IsTypeable(QChar c) {
    const char16_t code = c.unicode();
    return code >= 32 && !(code >= 127 && code < 160);
}

} // namespace

bool TSyntaxMemo::event(QEvent* event) {
    // Keys the memo handles are not taken away by shortcuts of the window around it.
    if (event->type() == QEvent::ShortcutOverride &&
        IsMemoShortcut(*static_cast<QKeyEvent*>(event))) {
        event->accept();
        return true;
    }
    return QWidget::event(event);
}

bool TSyntaxMemo::IsMemoShortcut(const QKeyEvent& event) const {
    const Qt::KeyboardModifiers mods = event.modifiers() & CommandModifiers;
    if (IsEditKey(event.key()))
        return true;
    if (mods == Qt::ControlModifier || mods == (Qt::ControlModifier | Qt::ShiftModifier)) {
        if (DigitOf(event) >= 0)
            return true;
        switch (event.key()) {
        case Qt::Key_A:
        case Qt::Key_C:
        case Qt::Key_F:
        case Qt::Key_I:
        case Qt::Key_U:
        case Qt::Key_V:
        case Qt::Key_X:
        case Qt::Key_Y:
        case Qt::Key_Z:
            return true;
        default:
            return false;
        }
    }
    return false;
}

void TSyntaxMemo::keyPressEvent(QKeyEvent* event) {
    FAllowLinesChange = false;
    FTempPos = FPos;
    const bool handled = KeyDown(*event) || KeyPress(*event);
    // Keys the memo has no use for go on to the window around it: Esc closes a dialog.
    event->setAccepted(handled || IsMemoShortcut(*event));
}

bool TSyntaxMemo::KeyDown(const QKeyEvent& event) {
    const Qt::KeyboardModifiers mods = event.modifiers() & CommandModifiers;
    const bool ctrl = mods & Qt::ControlModifier;
    const bool shift = mods & Qt::ShiftModifier;
    const int key = event.key();
    switch (key) {
    case Qt::Key_Backspace:
        DoBackspace();
        return true;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        DoTab();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (mods == Qt::NoModifier)
            DoReturn();
        return true;
    case Qt::Key_PageUp:
        DoPgUp();
        break;
    case Qt::Key_PageDown:
        DoPgDn();
        break;
    case Qt::Key_End:
        DoEnd(ctrl);
        break;
    case Qt::Key_Home:
        DoHome(ctrl);
        break;
    case Qt::Key_Left:
        ctrl ? DoCtrlL() : DoLeft();
        break;
    case Qt::Key_Up:
        DoUp();
        break;
    case Qt::Key_Right:
        ctrl ? DoCtrlR() : DoRight();
        break;
    case Qt::Key_Down:
        DoDown();
        break;
    case Qt::Key_Insert:
        if (ctrl)
            CopyToClipboard();
        else if (shift)
            PasteFromClipboard();
        return true;
    case Qt::Key_Delete:
        shift ? CutToClipboard() : DoDel();
        return true;
    case Qt::Key_I:
        if (!ctrl)
            return false;
        DoCtrlI();
        return true;
    case Qt::Key_F3:
        Find(LastSearch);
        return true;
    case Qt::Key_A:
        if (mods == Qt::ControlModifier)
            MySelectAll();
        return false;
    case Qt::Key_F:
        if (mods == Qt::ControlModifier)
            MyFind(QString());
        return false;
    case Qt::Key_Y:
        if (mods == Qt::ControlModifier)
            DoCtrlY();
        return false;
    default: {
        const int digit = DigitOf(event);
        if (digit < 0)
            return false;
        if (mods == Qt::ControlModifier)
            GotoBookmark(digit);
        else if (mods == (Qt::ControlModifier | Qt::ShiftModifier))
            ToggleBookmark(digit);
        return false;
    }
    }
    // Navigation keys: the selection follows Shift.
    if (shift)
        AddSel();
    else
        ClearSel();
    return true;
}

bool TSyntaxMemo::KeyPress(const QKeyEvent& event) {
    switch (ControlCode(event)) {
    case 3:
        CopyToClipboard();
        return true;
    case 21:
        DoCtrlU();
        return true;
    case 22:
        PasteFromClipboard();
        return true;
    case 24:
        CutToClipboard();
        return true;
    case 26:
        Undo();
        return true;
    default:
        break;
    }
    // Characters typed with Ctrl, Alt or Meta are commands, not text.
    if (event.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    return DoChar(event.text());
}

void TSyntaxMemo::inputMethodEvent(QInputMethodEvent* event) {
    FAllowLinesChange = false;
    DoChar(event->commitString());
    event->accept();
}

QVariant TSyntaxMemo::inputMethodQuery(Qt::InputMethodQuery query) const {
    switch (query) {
    case Qt::ImEnabled:
        return true;
    case Qt::ImCursorRectangle:
        return CaretRect();
    case Qt::ImCursorPosition:
        return FPos.x() - 1;
    case Qt::ImSurroundingText:
        return LineAt(FPos.y() - 1);
    default:
        return QWidget::inputMethodQuery(query);
    }
}

QRect TSyntaxMemo::CaretRect() const {
    const QPoint topLeft((FPos.x() - FOffset.x() - 1) * FCharWidth + FGutterWidth,
                         (FPos.y() - FOffset.y() - 1) * FCharHeight);
    return {topLeft + ClientOrigin(), QSize(2, FCharHeight)};
}

// Types the printable characters of `text`; false when it has none.
bool TSyntaxMemo::DoChar(QString text) {
    text.removeIf([](QChar c) { return !IsTypeable(c); });
    if (text.isEmpty())
        return false;
    SetSelText(text);
    return true;
}

// Caret movement

void TSyntaxMemo::DoLeft() {
    SetPos(FPos.x() - 1, FPos.y());
}

void TSyntaxMemo::DoRight() {
    SetPos(FPos.x() + 1, FPos.y());
}

void TSyntaxMemo::DoUp() {
    SetPos(FPos.x(), FPos.y() - 1);
}

void TSyntaxMemo::DoDown() {
    SetPos(FPos.x(), FPos.y() + 1);
}

void TSyntaxMemo::DoHome(bool ctrl) {
    SetPos(1, ctrl ? 1 : FPos.y());
}

void TSyntaxMemo::DoEnd(bool ctrl) {
    const int y = ctrl ? int(FText.Count()) : FPos.y();
    SetPos(int(LineLength(y - 1)) + 1, y);
}

void TSyntaxMemo::DoPgUp() {
    // A window of one row still moves by one line per page.
    const int page = std::max(FWindowSize.y() - 1, 1);
    int y = FPos.y();
    if (FOffset.y() > FWindowSize.y()) {
        FOffset.ry() -= page;
        y -= page;
    } else if (FOffset.y() > 0) {
        y -= FOffset.y();
        FOffset.setY(0);
    } else {
        y = 1;
    }
    SetPos(FPos.x(), y);
    update();
}

void TSyntaxMemo::DoPgDn() {
    const int page = std::max(FWindowSize.y() - 1, 1);
    const int lineCount = int(FText.Count());
    int y = FPos.y();
    if (FOffset.y() + FWindowSize.y() < lineCount) {
        FOffset.ry() += page;
        y += page;
    } else {
        FOffset.setY(lineCount);
        y = lineCount;
    }
    SetPos(FPos.x(), y);
    update();
}

// Word moves look no further than the caret line and the end of the line before it.
void TSyntaxMemo::DoCtrlL() {
    const int y = FPos.y();
    const QString& line = FText[y - 1];
    qsizetype k = std::min<qsizetype>(FPos.x(), LineLength(y - 1)) - 1;
    while (k >= 1 && !IsWordChar(line[k - 1]))
        --k;
    if (k < 1) {
        if (y == 1)
            SetPos(1, 1);
        else
            SetPos(int(std::min<qsizetype>(FText[y - 2].size() + 1, INT_MAX / 2)), y - 1);
        return;
    }
    while (k >= 1 && IsWordChar(line[k - 1]))
        --k;
    SetPos(int(k + 1), y);
}

void TSyntaxMemo::DoCtrlR() {
    int y = FPos.y();
    qsizetype k = FPos.x();
    if (k > LineLength(y - 1)) {
        // Beyond the end of the last line there is no next word to go to.
        if (y >= FText.Count())
            return;
        ++y;
        k = 1;
    } else {
        const QString& line = FText[y - 1];
        while (k <= line.size() && IsWordChar(line[k - 1]))
            ++k;
    }
    const QString& line = FText[y - 1];
    while (k <= line.size() && !IsWordChar(line[k - 1]))
        ++k;
    SetPos(int(std::min<qsizetype>(k, INT_MAX / 2)), y);
}
