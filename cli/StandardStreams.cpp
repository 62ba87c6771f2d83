#include "StandardStreams.h"

#include <fcntl.h>
#include <unistd.h>

namespace {

bool closedAtStart[3] = {false, false, false};

} // namespace

void GuardStandardStreams() {
    for (int fd = 0; fd < 3; ++fd) {
        if (fcntl(fd, F_GETFD) != -1)
            continue;
        closedAtStart[fd] = true;
        // The lowest free number is taken: this one.
        open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
    }
}

bool StandardStreamClosed(int fd) {
    return fd >= 0 && fd < 3 && closedAtStart[fd];
}
