#pragma once
// The desktop's opener, `xdg-open`, started with an argument list (never through a shell),
// so any file name reaches it as one argument. The path is made absolute first, which also
// keeps a name beginning with "-" from being read as an option.

#include <QString>

// Opens the document `path` with the program the desktop associates with it, in the
// document's folder. True when the opener reports success; false for a missing file, a
// missing opener or an opener that fails. An opener still running after a few seconds has
// found its program and counts as a success (it is left running).
bool Shell_OpenDocument(const QString& path);

// Shows the folder `path` in the desktop's file manager without waiting for it.
void Shell_ExploreFolder(const QString& path);
