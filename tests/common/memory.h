// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QtGlobal>

/// Resident memory of process @p pid in KiB (VmRSS), -1 when unknown.
qint64 residentKiB(qint64 pid);

/// The most memory that the code run while it lives held at once: the process's peak resident
/// size from construction on, against its size at construction. What earlier code left
/// resident (an allocator's free lists, AddressSanitizer's quarantine of freed blocks) does
/// not count, so the figure is the same for a case run alone or after a hundred others.
class PeakMemory
{
public:
    PeakMemory();
    qint64 growthMiB() const;

private:
    qint64 startKiB;
};
