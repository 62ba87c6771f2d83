#pragma once
// Values the whole program shares: its folder, its settings file, and the rule that names
// the HTML page of a source file.

#include <QString>

// The executable's folder, always ending in "/"; the placeholder page and the fragment
// files live there.
QString MainDir();
// The placeholder page the preview shows for a file without a page: MainDir() +
// "Quorvel_empty.htm".
QString fnPlaceholderPage();
// The executable's full path with the extension ".ini".
QString fnINI();
// Points MainDir at `dir` and fnINI at the file of the same name in it, so that tests keep
// their files in a folder of their own.
void SetMainDir(const QString& dir);

// The HTML name of `fnPas`: its extension replaced by ".htm" (NrExt <= 0) or ".html", after
// the trimmed suffix `sSuff` when there is one; empty for a blank name.
QString fnHTML_get(const QString& fnPas, int NrExt, const QString& sSuff);
