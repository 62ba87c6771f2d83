#include "__str_clipboard.h"

#include <QClipboard>
#include <QGuiApplication>

bool Clipboard_TextToStrings(TStrings* Buf, bool ClearAfter) {
    if (!Buf)
        return false;
    QClipboard* clipboard = QGuiApplication::clipboard();
    Buf->Clear();
    Buf->SetText(clipboard->text());
    if (ClearAfter)
        clipboard->clear();
    return !Buf->IsEmpty();
}
