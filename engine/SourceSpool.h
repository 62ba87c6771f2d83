#pragma once
// Bytes of a stream read ahead and kept to be read again: in memory while few, beyond that
// in a temporary file, so that a source of any size is kept in bounded memory.

#include <QBuffer>
#include <QByteArray>
#include <QIODevice>
#include <QTemporaryFile>
#include <memory>

class TSourceSpool {
public:
    // Raises Exception when the temporary file cannot be written.
    void Write(const char* bytes, qsizetype length);
    // The bytes written, from the first, once writing is over; raises Exception when they
    // cannot be read back.
    QIODevice& Reader();
    const QString& Name() const { return FName; }

private:
    static constexpr qsizetype kInMemory = 8 << 20;

    QByteArray FMemory;
    QBuffer FBuffer;
    std::unique_ptr<QTemporaryFile> FFile;
    QString FName = QStringLiteral("временный файл");
    bool FReading = false;
};
