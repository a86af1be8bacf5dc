// SPDX-License-Identifier: GPL-2.0-or-later
// Plasma 6's callers as they speak to the built daemon: each call made the way its program makes
// it (on "org.kde.plasmashell", without waiting for the reply), and the lock screen's listener
// connected the way the greeter connects.

#include "daemonprobe.h"
#include "daemonprocess.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QRect>
#include <QScopeGuard>
#include <QTest>

static const QString shellName = QStringLiteral("org.kde.plasmashell");
static const QString objectPath = QStringLiteral("/org/kde/osdService");
static const QString interfaceName = QStringLiteral("org.kde.osdService");

// What the callers build: a method call that nobody waits for.
static QDBusMessage plasmaCall(const QString &method)
{
    return QDBusMessage::createMethodCall(shellName, objectPath, interfaceName, method);
}

// The lock screen's slot and an older listener's, side by side.
class ProgressListener : public QObject
{
    Q_OBJECT
public:
    QStringList received;

public Q_SLOTS:
    void osdProgress(const QString &icon, int percent, int maximumPercent, const QString &additionalText)
    {
        received << QStringLiteral("plasma6 %1 %2 %3 %4").arg(icon).arg(percent).arg(maximumPercent).arg(additionalText);
    }

    void oldOsdProgress(const QString &icon, int percent, const QString &additionalText)
    {
        received << QStringLiteral("old %1 %2 %3").arg(icon).arg(percent).arg(additionalText);
    }
};

class Plasma6Test : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Each call shows a pop-up; plasma-pa's push-to-talk takes its text away again with hide().
    void callsShowAndHide_data()
    {
        QTest::addColumn<QDBusMessage>("call");
        QDBusMessage brightness = plasmaCall(QStringLiteral("screenBrightnessChanged"));
        // powerdevil's screen brightness agent: percent, display id, label, priority, geometry.
        brightness << 60 << QStringLiteral("eDP-1") << QStringLiteral("Built-in Screen") << 0 << QRect(0, 0, 1920, 1080);
        QTest::newRow("powerdevil: screenBrightnessChanged") << brightness;
        QDBusMessage profile = plasmaCall(QStringLiteral("powerProfileChanged"));
        profile << QStringLiteral("power-saver");
        QTest::newRow("powerdevil: powerProfileChanged") << profile;
        QDBusMessage inhibited = plasmaCall(QStringLiteral("powerManagementInhibitedChanged"));
        inhibited << true;
        QTest::newRow("battery applet: powerManagementInhibitedChanged") << inhibited;
        QDBusMessage pushToTalk = plasmaCall(QStringLiteral("showText"));
        pushToTalk << QStringLiteral("mic-on") << QStringLiteral("Microphone on");
        QTest::newRow("plasma-pa: showText") << pushToTalk;
    }

    void callsShowAndHide()
    {
        QFETCH(QDBusMessage, call);
        DaemonProcess daemon;
        // Shown until hidden: the test must not race the display time.
        daemon.writeConfig("[OSD]\nTimeout=20000\n");
        QVERIFY(daemon.start());
        QDBusConnection bus = QDBusConnection::sessionBus();
        bus.asyncCall(call);
        QTRY_VERIFY_WITH_TIMEOUT(!visibleWindows(daemon.pid()).isEmpty(), 10000);
        bus.asyncCall(plasmaCall(QStringLiteral("hide")));
        QTRY_VERIFY_WITH_TIMEOUT(visibleWindows(daemon.pid()).isEmpty(), 10000);
        QCOMPARE(daemon.process().state(), QProcess::Running);
    }

    // The greeter connects its four-argument slot, an older listener its three-argument one:
    // each gets exactly one signal per progress call, the greeter's with an icon of the icon
    // theme, which it draws. While the session is locked only the greeter's form goes on: the
    // lock screen shows its own pop-up.
    void listenersOfEitherFormGetOneSignalPerCall()
    {
        QDBusConnection saver = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("fake-screensaver"));
        QVERIFY(saver.registerService(QStringLiteral("org.freedesktop.ScreenSaver")));
        const auto release = qScopeGuard([&saver] {
            saver.unregisterService(QStringLiteral("org.freedesktop.ScreenSaver"));
        });
        DaemonProcess daemon;
        QVERIFY(daemon.start());
        ProgressListener listener;
        QDBusConnection bus = QDBusConnection::sessionBus();
        QVERIFY(bus.connect(shellName, objectPath, interfaceName, QStringLiteral("osdProgress"), &listener, SLOT(osdProgress(QString, int, int, QString))));
        QVERIFY(bus.connect(shellName, objectPath, interfaceName, QStringLiteral("osdProgress"), &listener, SLOT(oldOsdProgress(QString, int, QString))));

        QDBusMessage brightness = plasmaCall(QStringLiteral("screenBrightnessChanged"));
        brightness << 150 << QStringLiteral("eDP-1") << QStringLiteral("Built-in") << 0 << QRect(0, 0, 1920, 1080);
        bus.asyncCall(brightness);
        QDBusMessage volume = plasmaCall(QStringLiteral("volumeChanged"));
        volume << 120 << 150;
        bus.asyncCall(volume);
        QDBusMessage text = plasmaCall(QStringLiteral("showText"));
        text << QString() << QStringLiteral("text");
        bus.asyncCall(text);
        const QStringList unlocked{QStringLiteral("old mono-video-display-brightness 100 Built-in"),
                                   QStringLiteral("plasma6 video-display-brightness 100 100 Built-in"),
                                   QStringLiteral("old mono-audio-volume 120 "),
                                   QStringLiteral("plasma6 audio-volume-high 120 150 ")};
        QTRY_COMPARE_WITH_TIMEOUT(listener.received, unlocked, 10000);

        QDBusMessage locked = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/ScreenSaver"),
                                                         QStringLiteral("org.freedesktop.ScreenSaver"),
                                                         QStringLiteral("ActiveChanged"));
        locked << true;
        QVERIFY(saver.send(locked));
        // Sent after the lock signal, so handled after it.
        QCOMPARE(osdCall(QStringLiteral("hide"), QVariantList(), 10000).type(), QDBusMessage::ReplyMessage);
        QDBusMessage dimmed = plasmaCall(QStringLiteral("screenBrightnessChanged"));
        dimmed << 30 << QStringLiteral("DP-2") << QStringLiteral("Dell") << 1 << QRect();
        bus.asyncCall(dimmed);
        QCOMPARE(osdCall(QStringLiteral("volumeChanged"), QVariantList{40}, 10000).type(), QDBusMessage::ReplyMessage);
        const QStringList afterLock =
            unlocked + QStringList{QStringLiteral("plasma6 video-display-brightness 30 100 Dell"), QStringLiteral("plasma6 audio-volume-medium 40 100 ")};
        QTRY_COMPARE_WITH_TIMEOUT(listener.received, afterLock, 10000);
        QVERIFY(visibleWindows(daemon.pid()).isEmpty());
    }
};

QTEST_GUILESS_MAIN(Plasma6Test)
#include "tst_plasma6.moc"
