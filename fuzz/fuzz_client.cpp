// SPDX-License-Identifier: GPL-2.0-or-later
// osd-notify's processing of its command line and of wait-mode input lines, up to the D-Bus
// call. The input is the argument list (NUL-separated); after the first 0x01 byte comes what
// standard input carries. There is no bus, so every call fails at once as with no daemon.

#include "commandlineparser.h"

#include <QCoreApplication>

#include <cstdlib>
#include <sys/mman.h>
#include <unistd.h>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/fuzz-bus", 1);
    // Never destroyed: the process ends while the fuzzer runs, and Qt's teardown at exit only
    // adds noise to the leak check.
    new QCoreApplication(*argc, *argv);
    return 0;
}

// Makes @p contents the process's standard input.
static void setStandardInput(const QByteArray &contents)
{
    const int fd = memfd_create("stdin", 0);
    if (fd < 0) {
        abort();
    }
    if (!contents.isEmpty() && write(fd, contents.constData(), size_t(contents.size())) != contents.size()) {
        abort();
    }
    lseek(fd, 0, SEEK_SET);
    dup2(fd, STDIN_FILENO);
    close(fd);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), int(size));
    const int split = input.indexOf('\x01');
    setStandardInput(split < 0 ? QByteArray() : input.mid(split + 1));

    QStringList arguments{QStringLiteral("osd-notify")};
    const QByteArray argumentBytes = split < 0 ? input : input.left(split);
    if (!argumentBytes.isEmpty()) {
        for (const QByteArray &argument : argumentBytes.split('\0')) {
            arguments << QString::fromLocal8Bit(argument);
        }
    }
    CommandLineParser::processArguments(arguments);
    return 0;
}
