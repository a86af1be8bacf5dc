// SPDX-License-Identifier: GPL-2.0-or-later
#include "linereader.h"

#include <cerrno>
#include <poll.h>
#include <unistd.h>

LineReader::LineReader(int fd, int maxLineBytes)
    : fd(fd)
    , maxLineBytes(maxLineBytes)
{
}

LineReader::Result LineReader::readLine(QString *line)
{
    for (;;) {
        const int end = buffer.indexOf('\n', scanned);
        if (end >= 0 || (atEnd && (!buffer.isEmpty() || skipping))) {
            // The last line may lack its line end.
            const int length = end >= 0 ? end : buffer.size();
            QByteArray bytes = buffer.left(length);
            buffer.remove(0, end >= 0 ? end + 1 : length);
            scanned = 0;
            if (skipping || bytes.size() > maxLineBytes) {
                skipping = false;
                return TooLong;
            }
            if (bytes.endsWith('\r')) {
                bytes.chop(1);
            }
            *line = QString::fromLocal8Bit(bytes);
            return Line;
        }
        if (atEnd) {
            return End;
        }
        scanned = buffer.size();
        if (buffer.size() > maxLineBytes) {
            skipping = true;
            buffer.clear();
            scanned = 0;
        }
        atEnd = !fill();
    }
}

bool LineReader::fill()
{
    char chunk[65536];
    for (;;) {
        const ssize_t count = ::read(fd, chunk, sizeof(chunk));
        if (count > 0) {
            buffer.append(chunk, int(count));
            return true;
        }
        if (count == 0) {
            return false;
        }
        if (errno == EAGAIN) {
            // Standard input may have been left non-blocking by whoever handed it over.
            pollfd wait = {fd, POLLIN, 0};
            ::poll(&wait, 1, -1);
        } else if (errno != EINTR) {
            return false;
        }
    }
}
