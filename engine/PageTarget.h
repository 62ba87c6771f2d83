#pragma once
// Where a page goes. Nothing is created before the page's first byte, so a source that
// turns out blank leaves nothing behind, and a page replaces the old one only when complete.

#include <QIODevice>
#include <QSaveFile>
#include <QString>
#include <memory>

class TPageTarget {
public:
    explicit TPageTarget(const QString& path);

    // The device to write the page into, opened on first use; raises Exception naming the
    // target when it cannot be opened.
    QIODevice& Open();
    bool IsOpen() const { return FFile != nullptr; }
    // Makes the written page the target's content; raises Exception naming the target.
    void Commit();
    const QString& Name() const { return FPath; }

private:
    QString FPath;
    std::unique_ptr<QSaveFile> FFile;
};
