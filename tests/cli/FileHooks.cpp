// pas2html with the file seams set from the environment, for tests that act at a step of a
// run rather than at a moment:
//   DWELK_TEST_SWAP=STEP:PATH  at STEP for PATH (once): PATH goes to PATH.away, PATH.swap to PATH
//   DWELK_TEST_SWAP_AT=N       the swap is made the Nth time STEP meets PATH, not the first
//   DWELK_TEST_KILL=STEP:N     the run is killed at its Nth STEP
//   DWELK_TEST_LOG=FILE        each step is appended to FILE as "STEP NAME"
//   DWELK_TEST_THREADS=N       no more than N worker threads start

#include "FolderFiles.h"

#include <QByteArray>
#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <mutex>
#include <unistd.h>

namespace {

QByteArray Setting(const char* name) {
    const char* value = std::getenv(name);
    return value ? QByteArray(value) : QByteArray();
}

QByteArray PathOf(int folder, const QByteArray& name) {
    if (name.startsWith('/'))
        return name;
    char buffer[4096];
    const QByteArray link = folder == AT_FDCWD ? QByteArray("/proc/self/cwd")
                                               : "/proc/self/fd/" + QByteArray::number(folder);
    const ssize_t n = readlink(link.constData(), buffer, sizeof buffer);
    return n > 0 ? QByteArray(buffer, n) + '/' + name : name;
}

void Step(const char* step, int folder, const QByteArray& name) {
    static std::mutex mutex;
    static std::atomic<int> meetings{0};
    static std::atomic<int> steps{0};
    const std::lock_guard lock(mutex);
    const QByteArray path = PathOf(folder, name);
    if (const QByteArray log = Setting("DWELK_TEST_LOG"); !log.isEmpty()) {
        const int fd = open(log.constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
        const QByteArray line = QByteArray(step) + ' ' + path + '\n';
        if (fd >= 0 && write(fd, line.constData(), size_t(line.size())) >= 0)
            close(fd);
    }
    const QByteArray swap = Setting("DWELK_TEST_SWAP");
    if (!swap.isEmpty() && swap == QByteArray(step) + ':' + path &&
        ++meetings == std::max(1, Setting("DWELK_TEST_SWAP_AT").toInt())) {
        rename(path.constData(), (path + ".away").constData());
        rename((path + ".swap").constData(), path.constData());
    }
    const QByteArray kill = Setting("DWELK_TEST_KILL");
    if (kill.startsWith(QByteArray(step) + ':') &&
        ++steps == kill.mid(kill.indexOf(':') + 1).toInt())
        raise(SIGKILL);
}

bool ThreadMayStart() {
    static std::atomic<int> started{0};
    return ++started <= Setting("DWELK_TEST_THREADS").toInt();
}

const bool gInstalled = [] {
    gFileHooks.Step = Step;
    if (!Setting("DWELK_TEST_THREADS").isEmpty())
        gFileHooks.ThreadMayStart = ThreadMayStart;
    return true;
}();

} // namespace
