#pragma once
// A write-only device in front of a file that is written without Qt's buffer, so that every
// failure shows at the write that meets it, with the system's reason ("No space left on
// device"), and is never lost by a later flush, close or commit.

#include <QFileDevice>
#include <QIODevice>
#include <QString>

class TCheckedDevice : public QIODevice {
public:
    // `file` must be open for writing with QIODevice::Unbuffered and outlive this device.
    explicit TCheckedDevice(QFileDevice& file);

    bool isSequential() const override { return true; }
    // The reason of the first failed write; empty while every write succeeded.
    const QString& Failure() const { return FFailure; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override;

private:
    QFileDevice& FFile;
    QString FFailure;
};

// Opens `file` for writing unbuffered; false with the reason in `reason`.
bool OpenUnbuffered(QFileDevice& file, QString& reason);
