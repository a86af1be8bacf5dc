// SPDX-License-Identifier: GPL-2.0-or-later
#include "watchdog.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

Watchdog::Watchdog(const QByteArray &what, int seconds)
    : thread([this, what, seconds] {
        std::unique_lock<std::mutex> lock(mutex);
        if (!finished.wait_for(lock, std::chrono::seconds(seconds), [this] {
                return done;
            })) {
            std::fprintf(stderr, "FAIL: \"%s\" still running after %d s: hung\n", what.constData(), seconds);
            std::fflush(stderr);
            std::abort();
        }
    })
{
}

Watchdog::~Watchdog()
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        done = true;
    }
    finished.notify_one();
    thread.join();
}
