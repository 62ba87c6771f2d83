#include "ShellOpen.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>

#include <memory>

namespace {

const QString Opener = QStringLiteral("xdg-open");

// Openers of desktops without a session helper run the viewer in the foreground; waiting
// longer than this would freeze the window until the viewer is closed.
constexpr int OpenerWaitMs = 3000;

} // namespace

bool Shell_OpenDocument(const QString& path) {
    const QFileInfo document(path);
    if (!document.exists())
        return false;
    auto opener = std::make_unique<QProcess>();
    opener->setProgram(Opener);
    opener->setArguments({document.absoluteFilePath()});
    opener->setWorkingDirectory(document.absolutePath());
    opener->setStandardInputFile(QProcess::nullDevice());
    opener->start();
    if (!opener->waitForStarted())
        return false;
    if (opener->waitForFinished(OpenerWaitMs))
        return opener->exitStatus() == QProcess::NormalExit && opener->exitCode() == 0;
    if (QCoreApplication* app = QCoreApplication::instance()) {
        QProcess* running = opener.release();
        running->setParent(app);
        QObject::connect(running, &QProcess::finished, running, &QObject::deleteLater);
    } else {
        opener->waitForFinished(-1);
    }
    return true;
}

void Shell_ExploreFolder(const QString& path) {
    const QFileInfo folder(path);
    QProcess::startDetached(Opener, {folder.absoluteFilePath()}, folder.absoluteFilePath());
}
