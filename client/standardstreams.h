// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

/// Opens /dev/null on each of the standard descriptors 0, 1 and 2 that is closed. Called before
/// anything else opens a file: otherwise the bus socket or an event descriptor could take one
/// of these numbers, and the client would read its input from, or print its texts into, it.
void ensureStandardStreams();
