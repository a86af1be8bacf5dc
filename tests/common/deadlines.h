// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

#include <condition_variable>
#include <mutex>
#include <thread>

/**
 * How much longer than usual things may take: 1, or the factor in $OSD_TEST_SLOWDOWN, which
 * the instrumented builds set because they run several times slower. Every time limit of a
 * test that runs processes or waits for the display is multiplied by it.
 */
int slowdown();

/**
 * Asks @p problem once a round, with the event loop running between rounds, until it answers
 * with an empty string or @p timeoutMs (times slowdown()) have passed; gives its last answer.
 *
 * For questions that take screenshots: QTRY_VERIFY asks its expression up to four times even
 * when the first answer is good, so a state that had to last one round must last four, and on
 * a slower machine a short-lived pop-up is gone before the macro has done asking.
 */
QString waitForNoProblem(const std::function<QString()> &problem, int timeoutMs);

/**
 * Ends the test process with a message when a scope is not left within a deadline.
 *
 * A call that blocks for ever (an open() on a FIFO) cannot be interrupted from the test's own
 * thread; this watchdog turns such a hang into a prompt, named failure instead of a stalled
 * test run. It measures nothing: the deadline is generous and only catches hangs.
 */
class Watchdog
{
public:
    Watchdog(const QByteArray &what, int seconds);
    ~Watchdog();

private:
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    std::thread thread;
};
