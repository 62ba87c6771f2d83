#pragma once
// The clipboard's text as lines; needs a running QGuiApplication.

#include "TStrings.h"

// Replaces the content of `Buf` by the clipboard's text divided into lines (nothing when it
// holds no text); true when at least one line was taken. With ClearAfter the clipboard is
// emptied afterwards. An absent list gives false and leaves the clipboard alone.
bool Clipboard_TextToStrings(TStrings* Buf, bool ClearAfter);
