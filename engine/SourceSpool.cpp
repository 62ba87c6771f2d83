#include "SourceSpool.h"

#include "Exception.h"
#include "TextFile.h"

#include <utility>

void TSourceSpool::Write(const char* bytes, qsizetype length) {
    if (!FFile && FMemory.size() + length <= kInMemory) {
        FMemory.append(bytes, length);
        return;
    }
    if (!FFile) {
        FFile = std::make_unique<QTemporaryFile>();
        if (!FFile->open())
            throw Exception(CannotWriteMessage(FName, FFile->errorString()));
        FName = FFile->fileName();
        const QByteArray kept = std::exchange(FMemory, QByteArray());
        if (FFile->write(kept) != kept.size())
            throw Exception(CannotWriteMessage(FName, FFile->errorString()));
    }
    if (FFile->write(bytes, length) != length)
        throw Exception(CannotWriteMessage(FName, FFile->errorString()));
}

QIODevice& TSourceSpool::Reader() {
    if (FReading)
        return FFile ? static_cast<QIODevice&>(*FFile) : FBuffer;
    FReading = true;
    if (!FFile) {
        FBuffer.setData(FMemory);
        FBuffer.open(QIODevice::ReadOnly);
        return FBuffer;
    }
    if (!FFile->flush() || !FFile->seek(0))
        throw Exception(CannotReadMessage(FName, FFile->errorString()));
    return *FFile;
}
