#include "TextFile.h"

#include "Exception.h"
#include "FolderFiles.h"

#include <QFile>
#include <QFileInfo>

QString CannotReadMessage(const QString& fileName, const QString& reason) {
    return QStringLiteral("Не удалось прочитать файл \"%1\": %2").arg(fileName, reason);
}

QString CannotWriteMessage(const QString& fileName, const QString& reason) {
    return QStringLiteral("Не удалось записать файл \"%1\": %2").arg(fileName, reason);
}

QString OutOfMemoryMessage(const QString& fileName) {
    return QStringLiteral("Не удалось конвертировать файл \"%1\": недостаточно памяти")
        .arg(fileName);
}

QByteArray ReadFileBytes(const QString& fileName) {
    if (QFileInfo(fileName).isDir())
        throw Exception(CannotReadMessage(fileName, QStringLiteral("это папка")));
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw Exception(CannotReadMessage(fileName, file.errorString()));
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw Exception(CannotReadMessage(fileName, file.errorString()));
    return bytes;
}

void WriteFileAtomically(const QString& fileName, const QByteArray& bytes) {
    QString reason;
    if (!ReplaceFile(fileName, bytes, reason))
        throw Exception(CannotWriteMessage(fileName, reason));
}
