#pragma once
// Where a page goes. Nothing is created before the page's first byte, so a source that
// turns out blank leaves nothing behind, and a page replaces the old one only when complete.
//
// A page is a regular file, or nothing yet: anything else standing at its name (a link, a
// FIFO, a device, a folder) is refused, never replaced nor written through. A target the user
// named himself may also be a FIFO or a device, written into directly, or a link to a regular
// file, replaced through the link as editors do.

#include "CheckedDevice.h"

#include <QFileDevice>
#include <QIODevice>
#include <QString>
#include <memory>

enum class TTargetRule { Page, Named };

class TPageTarget {
public:
    explicit TPageTarget(const QString& path, TTargetRule rule = TTargetRule::Page);
    ~TPageTarget();

    // Raises Exception naming the target when it may not be written, or when it is the file
    // `source` itself; reads and creates nothing.
    void Check(const QString& source);
    // The device to write the page into, opened on first use; raises Exception naming the
    // target when it cannot be opened.
    QIODevice& Open();
    bool IsOpen() const { return FDevice != nullptr; }
    // Makes the written page the target's content; raises Exception naming the target.
    void Commit();
    const QString& Name() const { return FPath; }

private:
    void Decide();
    [[noreturn]] void Refuse(const QString& reason) const;

    QString FPath;
    TTargetRule FRule;
    bool FDecided = false;
    bool FDirect = false; // written into as it is, not replaced
    QString FWritePath;   // the file that is replaced, or opened when direct
    std::unique_ptr<QFileDevice> FFile;
    std::unique_ptr<TCheckedDevice> FDevice;
};
