// Signals to the event loop through a socket pair: a handler may only do async-signal-safe
// work, and write() is.

#include "CloseOnSignals.h"

#include <QApplication>
#include <QSocketNotifier>
#include <array>
#include <cerrno>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// [0] is read by the event loop, [1] written by the handler.
int SignalPipe[2] = {-1, -1};
constexpr std::array ClosingSignals{SIGTERM, SIGHUP};
// The handlers in place before, given back on destruction.
std::array<struct sigaction, ClosingSignals.size()> PreviousActions{};

extern "C" void WriteSignalNumber(int signal) {
    const int savedErrno = errno;
    const unsigned char number = static_cast<unsigned char>(signal);
    // A full pipe already holds a request to close; losing this one changes nothing.
    [[maybe_unused]] const ssize_t written = write(SignalPipe[1], &number, 1);
    errno = savedErrno;
}

} // namespace

TCloseOnSignals::TCloseOnSignals(QObject* parent) : QObject(parent) {
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, SignalPipe) != 0)
        return;
    FNotifier = new QSocketNotifier(SignalPipe[0], QSocketNotifier::Read, this);
    connect(FNotifier, &QSocketNotifier::activated, this, &TCloseOnSignals::ReadPipe);
    struct sigaction action = {};
    action.sa_handler = WriteSignalNumber;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (size_t k = 0; k < ClosingSignals.size(); ++k)
        sigaction(ClosingSignals[k], &action, &PreviousActions[k]);
}

TCloseOnSignals::~TCloseOnSignals() {
    if (!FNotifier)
        return;
    for (size_t k = 0; k < ClosingSignals.size(); ++k)
        sigaction(ClosingSignals[k], &PreviousActions[k], nullptr);
    delete FNotifier;
    ::close(SignalPipe[0]);
    ::close(SignalPipe[1]);
    SignalPipe[0] = SignalPipe[1] = -1;
}

void TCloseOnSignals::ReadPipe() {
    unsigned char number = 0;
    bool received = false;
    while (read(SignalPipe[0], &number, 1) == 1)
        received = true;
    // Modal boxes close first, then the main window; a whole-list run ends after the file
    // in hand and closes the window then.
    if (received)
        QApplication::closeAllWindows();
}
