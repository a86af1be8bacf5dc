// SPDX-License-Identifier: GPL-2.0-or-later
#include "standardstreams.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

void ensureStandardStreams()
{
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (fcntl(fd, F_GETFD) == -1 && errno == EBADF) {
            // open() returns the lowest free descriptor, which is this one.
            const int opened = open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
            if (opened != fd && opened != -1) {
                close(opened);
            }
        }
    }
}
