// SPDX-License-Identifier: GPL-2.0-or-later
#include "freeheap.h"

// Any C library header tells whether this is glibc.
#include <cstdlib>
#ifdef __GLIBC__
#include <malloc.h>
#endif

void FreeHeap::release()
{
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}
