#pragma once
// Whole-file reads and atomic writes. A write goes to a temporary file that replaces the
// target only when complete, so a failed write leaves the old file as it was.

#include <QByteArray>
#include <QString>

// Raises Exception naming the file when it cannot be read.
QByteArray ReadFileBytes(const QString& fileName);

// Raises Exception naming the file and the reason when it cannot be written; the old file
// stays intact. A link to a regular file is written through and kept; a folder, FIFO or
// device at the name is never written into.
void WriteFileAtomically(const QString& fileName, const QByteArray& bytes);

// The Russian messages of the two failures, shared with writers that stream.
QString CannotReadMessage(const QString& fileName, const QString& reason);
QString CannotWriteMessage(const QString& fileName, const QString& reason);
// A file too large for the memory left.
QString OutOfMemoryMessage(const QString& fileName);
