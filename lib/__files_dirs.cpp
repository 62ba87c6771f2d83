// Folder helpers: existence, trailing separators, free file names and the write probe.

#include "HtmlName.h"
#include "ShellOpen.h"
#include "Trim.h"
#include "__files.h"
#include "__str.h"

#include <QFile>
#include <QFileInfo>

namespace {

const QString Separator = QStringLiteral("/");

// The last name GetNewNameFile tries is name-999998.
constexpr int MaxNameTests = 999999;

// The probe created to learn whether a folder accepts new files.
const QString ProbeFileName = QStringLiteral("~!789!~.~~~");

QString FolderPart(const QString& path) {
    return path.left(path.lastIndexOf(u'/') + 1);
}

QString WithTrailingSeparator(const QString& dir) {
    return dir.isEmpty() || dir.endsWith(Separator) ? dir : dir + Separator;
}

// A name is taken by any entry, a link that points nowhere included.
bool NameTaken(const QString& path) {
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

} // namespace

bool DirExist(QString nDir) {
    const QString dir = Trim(nDir);
    return !dir.isEmpty() && QFileInfo(dir).isDir();
}

QString DirName_Normal_1(QString DirName, QString sSep) {
    QString result = Trim(DirName);
    if (result.isEmpty())
        return result;
    const QString sep = Trim(sSep);
    const QChar first = sep.isEmpty() ? Separator[0] : sep[0];
    if (result.back() != first)
        result += first;
    return result;
}

bool Dir_Open(QString Dir) {
    const QString dir = Trim(Dir);
    if (!DirExist(dir))
        return false;
    Shell_ExploreFolder(dir);
    return true;
}

QString GetNewNameFile(QString NameFile) {
    const QString name = Trim(NameFile);
    const QString folder = FolderPart(name);
    if (name.size() == folder.size())
        return name;
    const QString fileName = name.sliced(folder.size());
    const QString extension = FileExtension(fileName).toString();
    const QString stem = folder + fileName.chopped(extension.size()) + u'-';
    QString candidate = name;
    for (int i = 1; i < MaxNameTests; ++i) {
        if (!NameTaken(candidate))
            return candidate;
        candidate = stem + QString::number(i) + extension;
    }
    return NameTaken(candidate) ? name : candidate;
}

QString Dir_Extract_Dir_Exist(QString nDir) {
    const QString dir = WithTrailingSeparator(Trim(nDir));
    if (dir.isEmpty())
        return dir;
    if (DirExist(dir))
        return dir;
    // The root plays the part of the drive: an absolute path is walked from it.
    QString result = dir.startsWith(Separator) ? Separator : QString();
    const int count = Get_CountWords_In_WideString(dir, Separator, true);
    for (int i = 1; i <= count; ++i) {
        const QString word = Trim(Get_Word_From_WideString(dir, i, Separator, true));
        if (word.isEmpty())
            continue;
        if (!DirExist(result + word + Separator))
            break;
        result += word + Separator;
    }
    return WithTrailingSeparator(Trim(result));
}

bool ItsNotReadOnlyDisk_1(QString DirName) {
    const QString folderPart = FolderPart(Trim(DirName));
    if (folderPart.isEmpty())
        return false;
    const QString folder = Dir_Extract_Dir_Exist(folderPart);
    if (folder.isEmpty())
        return false;
    QFile probe(GetNewNameFile(folder + ProbeFileName));
    // NewOnly: the probe never opens, and so never deletes, a file that is already there.
    if (!probe.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return false;
    probe.close();
    probe.remove();
    return true;
}
