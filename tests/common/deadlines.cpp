// SPDX-License-Identifier: GPL-2.0-or-later
#include "deadlines.h"

#include <QDeadlineTimer>
#include <QTest>
#include <QtGlobal>

#include <chrono>

int slowdown()
{
    return qMax(1, qEnvironmentVariableIntValue("OSD_TEST_SLOWDOWN"));
}

QString waitForNoProblem(const std::function<QString()> &problem, int timeoutMs)
{
    const QDeadlineTimer deadline(qint64(timeoutMs) * slowdown());
    QString found = problem();
    while (!found.isEmpty() && !deadline.hasExpired()) {
        QTest::qWait(50);
        found = problem();
    }
    return found;
}

Watchdog::Watchdog(const QByteArray &what, int seconds)
    : thread([this, what, seconds] {
        std::unique_lock<std::mutex> lock(mutex);
        if (!finished.wait_for(lock, std::chrono::seconds(seconds), [this] {
                return done;
            })) {
            qFatal("\"%s\" still running after %d s: hung", what.constData(), seconds);
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
