#pragma once
// What the file browser's lists show, read from the file system: the drives (mounted
// volumes), the folder path with its subfolders, and the files that match a mask.

#include <QString>
#include <QStringList>

// One entry of the folder list: a folder's full path and how deep it stands below the root.
struct TFolderEntry {
    QString Path;
    QString Name;
    int Depth = 0;
    bool OnPath = false; // the root, an ancestor or the current folder itself
};

// The root paths of the mounted volumes that are valid and ready, "/" first, no repeats.
QStringList MountedDrives();

// The root path of the mounted volume that holds `dir` ("/" when none is known).
QString DriveOf(const QString& dir);

// The folders from the root down to `dir`, then the subfolders of `dir` sorted by name;
// dot folders are left out.
QList<TFolderEntry> FolderEntries(const QString& dir);

// The names of the files of `dir` that match `mask` without regard to letter case, sorted
// by name; folders and dot files are left out. "*.*" matches every name, also one without
// a dot, as it does for the users of these sources.
QStringList MatchingFiles(const QString& dir, const QString& mask);

// Whether `fn` names an existing file (not a folder); false for an empty name.
bool FileExists(const QString& fn);

// Whether `dir` names an existing folder, exactly as given: names read from the file system
// may begin or end with blanks.
bool FolderExists(const QString& dir);

// `dir` and `name` joined by one "/".
QString JoinPath(const QString& dir, const QString& name);

// `dir` made absolute and clean, without a trailing "/" except for the root.
QString NormalFolder(const QString& dir);
