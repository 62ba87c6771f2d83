#include "CheckedDevice.h"

#include <QFile>
#include <cerrno>
#include <cstring>

namespace {

// Qt says "Unknown error" when a call failed without an errno of its own, as a short write.
QString Reason(const QFileDevice& file, int savedErrno) {
    if (file.error() != QFileDevice::NoError &&
        file.errorString() != QLatin1String("Unknown error"))
        return file.errorString();
    return savedErrno != 0 ? QString::fromLocal8Bit(std::strerror(savedErrno))
                           : QStringLiteral("запись не удалась");
}

} // namespace

TCheckedDevice::TCheckedDevice(QFileDevice& file) : FFile(file) {
    open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

qint64 TCheckedDevice::writeData(const char* data, qint64 size) {
    if (!FFailure.isEmpty())
        return -1;
    // A short write means the next one meets the cause; write again to learn it.
    for (qint64 done = 0; done < size;) {
        errno = 0;
        const qint64 written = FFile.write(data + done, size - done);
        if (written <= 0) {
            FFailure = Reason(FFile, errno);
            setErrorString(FFailure);
            return -1;
        }
        done += written;
    }
    return size;
}

bool OpenUnbuffered(QFileDevice& file, QString& reason) {
    errno = 0;
    if (file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return true;
    reason = Reason(file, errno);
    return false;
}
