// SPDX-License-Identifier: GPL-2.0-or-later
#include "daemonfixture.h"

#include <QTest>

#include <signal.h>

DaemonFixture::DaemonFixture(bool standardStyle)
    : standard(standardStyle)
{
}

bool DaemonFixture::ensureRunning()
{
    if (process && process->process().state() == QProcess::Running) {
        return true;
    }
    prepare();
    return start();
}

DaemonProcess &DaemonFixture::prepare()
{
    process = std::make_unique<DaemonProcess>();
    process->writeConfig(lastingPopUps(standard ? QByteArray("[OSD]\nUseStandartMode=true\n") : QByteArray()));
    process->process().setProcessChannelMode(QProcess::ForwardedErrorChannel);
    if (!display.isEmpty()) {
        process->environment().insert(QStringLiteral("DISPLAY"), QString::fromLatin1(display));
    }
    return *process;
}

bool DaemonFixture::start()
{
    return process->start();
}

DaemonProcess &DaemonFixture::daemon()
{
    return *process;
}

void DaemonFixture::setDisplay(const QByteArray &name)
{
    display = name;
}

bool DaemonFixture::standardStyle() const
{
    return standard;
}

qint64 DaemonFixture::residentLimitKiB()
{
    // Texts of 10 MiB are held a few times over (as received, as shown, as announced); the
    // instrumented builds keep freed memory in quarantine on top.
    return (512 << 10) * slowdown();
}

void DaemonFixture::verifyRecovers()
{
    QVERIFY2(process && process->process().state() == QProcess::Running, "the daemon is gone");
    const int percent = 1 + probes++ % 99;
    const QDBusMessage reply = osdCall(QStringLiteral("showProgressBar"), {QStringLiteral("probe"), percent}, 1000 * slowdown());
    QVERIFY2(reply.type() == QDBusMessage::ReplyMessage, qPrintable(reply.errorName() + QLatin1Char(' ') + reply.errorMessage()));
    // The announcement of the probe is the last signal the daemon sent.
    QTRY_VERIFY_WITH_TIMEOUT(!announcements.received.isEmpty() && announcements.received.last().member == QLatin1String("osdProgress")
                                 && announcements.received.last().arguments.value(1).toInt() == percent,
                             5000 * slowdown());
    QTRY_VERIFY_WITH_TIMEOUT(!visibleWindows(process->pid(), display).isEmpty(), 5000 * slowdown());
    const qint64 rss = residentKiB(process->pid());
    peakKiB = qMax(peakKiB, rss);
    QVERIFY2(rss > 0 && rss < residentLimitKiB(), qPrintable(QStringLiteral("resident memory %1 KiB").arg(rss)));
}

void DaemonFixture::verifyShowsText(const QString &text)
{
    const QDBusMessage reply = osdCall(QStringLiteral("showText"), {QString(), text}, 1000 * slowdown());
    QVERIFY2(reply.type() == QDBusMessage::ReplyMessage, qPrintable(reply.errorMessage()));
    QTRY_VERIFY_WITH_TIMEOUT(!announcements.received.isEmpty() && announcements.received.last().member == QLatin1String("osdText")
                                 && announcements.received.last().arguments.value(1).toString() == text,
                             5000 * slowdown());
    QTRY_VERIFY_WITH_TIMEOUT(!visibleWindows(process->pid(), display).isEmpty(), 5000 * slowdown());
}

bool DaemonFixture::stopCleanly()
{
    if (!process || !process->stop(SIGTERM, 20000)) {
        return false;
    }
    return process->process().exitStatus() == QProcess::NormalExit && process->process().exitCode() == 0;
}

qint64 DaemonFixture::peakResidentKiB() const
{
    return peakKiB;
}
