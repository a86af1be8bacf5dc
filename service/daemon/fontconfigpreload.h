// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <thread>

/**
 * Loads fontconfig's configuration and font caches on a thread of its own.
 *
 * fontconfig reads them on first use: some 5 ms, which would otherwise be spent inside the
 * first pop-up while the user waits for it. It has no lock around that first loading: a
 * second thread that needs fonts meanwhile loads everything once more, and one of the two
 * results is thrown away. Whatever draws or measures text on the main thread calls await()
 * first, which waits for the rest of a loading under way instead of doing it all again.
 *
 * One object at a time; the destructor waits for the loading to end.
 */
class FontConfigPreload
{
public:
    FontConfigPreload();
    ~FontConfigPreload();
    FontConfigPreload(const FontConfigPreload &) = delete;
    FontConfigPreload &operator=(const FontConfigPreload &) = delete;

    /// Returns once the loading of the running preload has ended; at once if none runs.
    /// Main thread only.
    static void await();

private:
    std::thread thread;
};
