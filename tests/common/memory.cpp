// SPDX-License-Identifier: GPL-2.0-or-later
#include "memory.h"

#include <QFile>

namespace
{
// A field of a /proc/<pid>/status file in KiB; -1 when unknown.
qint64 statusKiB(const QString &statusFile, const QByteArray &field)
{
    QFile status(statusFile);
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(QByteArray(field + ':'))) {
            return line.mid(field.size() + 1).trimmed().split(' ').value(0).toLongLong();
        }
    }
    return -1;
}

const QString ownStatus = QStringLiteral("/proc/self/status");
}

qint64 residentKiB(qint64 pid)
{
    return statusKiB(QStringLiteral("/proc/%1/status").arg(pid), "VmRSS");
}

PeakMemory::PeakMemory()
{
    // "5" resets the peak resident size to the current one.
    QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
    if (clearRefs.open(QIODevice::WriteOnly)) {
        clearRefs.write("5");
    }
    startKiB = statusKiB(ownStatus, "VmRSS");
}

qint64 PeakMemory::growthMiB() const
{
    return (statusKiB(ownStatus, "VmHWM") - startKiB) / 1024;
}
