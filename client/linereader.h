// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

/**
 * Reads text lines from a file descriptor as they arrive, for wait mode.
 *
 * Each line is handed over as soon as its line end has been read, so a producer that writes
 * one line now and the next later gets one call now. A line longer than the bound is consumed
 * up to its line end and reported instead of being kept: nothing that long fits into one
 * D-Bus message, and keeping it would only exhaust memory.
 */
class LineReader
{
public:
    enum Result {
        Line, ///< a line, without its line end ("\n" or "\r\n")
        TooLong, ///< a line of more than the bound, skipped
        End, ///< end of input, or a read error
    };

    LineReader(int fd, int maxLineBytes);

    Result readLine(QString *line);

private:
    bool fill();

    int fd;
    int maxLineBytes;
    QByteArray buffer;
    int scanned = 0; ///< bytes of buffer already known to hold no line end
    bool skipping = false; ///< inside a line that is too long
    bool atEnd = false;
};
