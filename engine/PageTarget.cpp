#include "PageTarget.h"

#include "Exception.h"
#include "TextFile.h"

TPageTarget::TPageTarget(const QString& path) : FPath(path) {}

QIODevice& TPageTarget::Open() {
    if (!FFile) {
        auto file = std::make_unique<QSaveFile>(FPath);
        if (!file->open(QIODevice::WriteOnly))
            throw Exception(CannotWriteMessage(FPath, file->errorString()));
        FFile = std::move(file);
    }
    return *FFile;
}

void TPageTarget::Commit() {
    if (FFile && !FFile->commit())
        throw Exception(CannotWriteMessage(FPath, FFile->errorString()));
}
