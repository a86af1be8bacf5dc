// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

/**
 * Gives the pages of freed heap memory back to the system.
 *
 * glibc keeps freed memory inside its heaps and returns only what lies at the top of one;
 * malloc_trim() also releases the free pages in between. What the warm-up after the start
 * allocates and frees again would otherwise stay resident for the life of the daemon. A call
 * walks every heap, so it belongs to moments when nothing waits.
 * Without glibc it does nothing.
 */
namespace FreeHeap
{
void release();
}
