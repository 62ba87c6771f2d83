#include "FileBrowserLists.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>

QStringList MountedDrives() {
    QStringList drives{QStringLiteral("/")};
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (volume.isValid() && volume.isReady() && !drives.contains(volume.rootPath()))
            drives << volume.rootPath();
    }
    return drives;
}

QString DriveOf(const QString& dir) {
    const QStorageInfo volume(dir);
    return volume.isValid() ? volume.rootPath() : QStringLiteral("/");
}

QString NormalFolder(const QString& dir) {
    return QDir::cleanPath(QDir(dir).absolutePath());
}

bool FileExists(const QString& fn) {
    return !fn.isEmpty() && QFileInfo(fn).isFile();
}

bool FolderExists(const QString& dir) {
    return !dir.isEmpty() && QFileInfo(dir).isDir();
}

QString JoinPath(const QString& dir, const QString& name) {
    return dir.endsWith(QLatin1Char('/')) ? dir + name : dir + QLatin1Char('/') + name;
}

QList<TFolderEntry> FolderEntries(const QString& dir) {
    const QString folder = NormalFolder(dir);
    QList<TFolderEntry> entries;
    entries.append({QStringLiteral("/"), QStringLiteral("/"), 0, true});
    QString path;
    const QStringList parts = folder.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        path += QLatin1Char('/') + part;
        entries.append({path, part, int(entries.size()), true});
    }
    const int depth = int(entries.size());
    const QStringList subfolders =
        QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QString& name : subfolders)
        entries.append({JoinPath(folder, name), name, depth, false});
    return entries;
}

QStringList MatchingFiles(const QString& dir, const QString& mask) {
    const QString pattern = mask == QLatin1String("*.*") ? QStringLiteral("*") : mask;
    QDir folder(dir);
    folder.setNameFilters({pattern});
    folder.setFilter(QDir::Files);
    folder.setSorting(QDir::Name | QDir::IgnoreCase);
    return folder.entryList();
}
