#pragma once
// Values the whole program shares: its folder, its settings file, and the rule that names
// the HTML page of a source file.

#include <QString>

// The program folder, always ending in "/": the placeholder page, the fragment files and
// the settings file live there. Run from the build tree it is the executable's folder;
// installed it is the user's data folder (see SetProgramPlaces).
QString MainDir();
// The placeholder page the preview shows for a file without a page: MainDir() +
// "Quorvel_empty.htm".
QString fnPlaceholderPage();
// The settings file: the executable's name with the extension ".ini", in MainDir().
QString fnINI();
// The folder the file browser opens in when none is remembered: the program folder, or,
// installed, the user's home folder (the data folder holds nothing to convert).
QString FirstStartDir();
// Fixes MainDir and fnINI for `executable`: when its folder is `installedBinDir` (the
// install prefix's bin folder, compiled in) the program folder is `userDataDir`, created
// here; otherwise it is the executable's own folder. Write permission plays no part.
void SetProgramPlaces(const QString& executable, const QString& installedBinDir,
                      const QString& userDataDir);
// Points MainDir at `dir` and fnINI at the file of the same name in it, so that tests keep
// their files in a folder of their own.
void SetMainDir(const QString& dir);

// The HTML name of `fnPas`: its extension replaced by ".htm" (NrExt <= 0) or ".html", after
// the trimmed suffix `sSuff` when there is one; empty for a blank name.
QString fnHTML_get(const QString& fnPas, int NrExt, const QString& sSuff);
