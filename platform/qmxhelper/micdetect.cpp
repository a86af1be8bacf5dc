// SPDX-License-Identifier: GPL-2.0-or-later
#include "micdetect.h"

// The desktops this stand-in serves have no mandatory integrity control, so no process can be
// at the maximal level of one.
bool MICDetect::isCurrentProcessHasMaxMIC()
{
    return false;
}
