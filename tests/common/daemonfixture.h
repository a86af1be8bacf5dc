// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "daemonprobe.h"
#include "daemonprocess.h"

#include <memory>

/**
 * One daemon of a chosen display style that a whole test class talks to, with the checks that
 * follow each hostile call. Its standard error goes straight to the test's, so that sanitizer
 * reports and warnings are seen and can never fill a pipe.
 */
class DaemonFixture
{
public:
    explicit DaemonFixture(bool standardStyle);

    /// Starts a daemon when none runs (the first time, or after one died).
    bool ensureRunning();
    /// A new daemon, not yet started, whose environment the test may change.
    DaemonProcess &prepare();
    /// Starts the prepared daemon; true once it owns its name.
    bool start();
    DaemonProcess &daemon();
    /// The X display that the next prepared daemon uses (the test's own when empty).
    void setDisplay(const QByteArray &display);
    bool standardStyle() const;

    /// The daemon answers a progress call within a second, announces exactly that progress,
    /// shows its window and stays below the memory bound.
    void verifyRecovers();
    /// A plain text call is answered and announced with @p text.
    void verifyShowsText(const QString &text);
    /// SIGTERM ends the daemon with status 0 (an instrumented build also fails on leaks here).
    bool stopCleanly();

    qint64 peakResidentKiB() const;
    static qint64 residentLimitKiB();

    SignalRecorder announcements;

private:
    bool standard;
    QByteArray display;
    std::unique_ptr<DaemonProcess> process;
    int probes = 0;
    qint64 peakKiB = 0;
};
