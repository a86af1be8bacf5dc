// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QBasicTimer>
#include <QObject>

#include <functional>
#include <vector>

/**
 * Runs work that the first pop-up would otherwise do while the user waits for it (the icon
 * theme's first lookups, decoding the icons, loading fonts and image plugins) in idle time
 * after the start.
 *
 * It starts after a delay, so that a request that starts the daemon (bus activation) is served
 * first, and runs one step per pass of the event loop, so that a request coming in meanwhile
 * waits for one step at most. The steps fill caches and may build the pop-up's window; none
 * shows anything.
 */
class IdleWarmUp : public QObject
{
    Q_OBJECT
public:
    using Step = std::function<void()>;

    IdleWarmUp(std::vector<Step> steps, int delayMs, QObject *parent);

    bool isFinished() const;

Q_SIGNALS:
    void finished();

protected:
    void timerEvent(QTimerEvent *event) override;

private:
    std::vector<Step> steps;
    std::size_t next = 0;
    QBasicTimer timer;
};
