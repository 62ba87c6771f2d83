// Linked into every widget test so that it runs the same from a shell as under ctest:
// offscreen unless a platform is named, and Qt WebEngine without the sandbox it refuses
// to start as root. Its report goes out line by line: a test ctest stops at its time limit
// still shows how far it came.

#include <QByteArray>
#include <QtGlobal>
#include <cstdio>
#include <unistd.h>

namespace {

const bool Defaults = [] {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    std::setvbuf(stdout, nullptr, _IOLBF, BUFSIZ);
    if (geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_CHROMIUM_FLAGS"))
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--no-sandbox");
    return true;
}();

} // namespace
