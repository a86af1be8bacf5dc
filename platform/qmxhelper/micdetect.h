// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

// Stand-in for the desktop's libqmxhelper: mandatory integrity control of processes.
class MICDetect
{
public:
    /// Whether this process runs at the maximal integrity level of the system.
    static bool isCurrentProcessHasMaxMIC();
};
