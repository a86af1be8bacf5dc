// SPDX-License-Identifier: GPL-2.0-or-later
// Faults of the daemon's surroundings while a pop-up is on screen: the compositor coming and
// going, theme files changing under it, the screen saver flapping or vanishing, the screen
// changing size, termination, the session bus dying and no sound device at all.

#include "compositor.h"
#include "daemonfixture.h"
#include "testhome.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QFile>
#include <QTest>

#include <signal.h>
#include <sys/stat.h>

#include <utility>

static const QString screenSaverName = QStringLiteral("org.freedesktop.ScreenSaver");
static const QString screenSaverPath = QStringLiteral("/org/freedesktop/ScreenSaver");

// A pop-up that stays up for the whole test unless replaced.
static bool showLongText(const QString &text)
{
    const QDBusMessage reply = osdCall(QStringLiteral("showTextWithFont"),
                                       {QString(), text, QStringLiteral("Sans"), 14, 600000, QStringLiteral("center"), QStringLiteral("#305070")},
                                       5000 * slowdown());
    return reply.type() == QDBusMessage::ReplyMessage;
}

static bool runCommand(const QString &program, const QStringList &args)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start(program, args);
    return process.waitForFinished(20000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

class FaultsTest : public QObject
{
    Q_OBJECT

public:
    FaultsTest()
        : fixture(false)
    {
    }

private:
    DaemonFixture fixture;

    QString themeSettings()
    {
        return fixture.daemon().themeSettingsFile();
    }
    QString palette()
    {
        return fixture.daemon().paletteFile();
    }
    void writeGoodTheme(const QByteArray &colour)
    {
        QVERIFY(TestHome::write(themeSettings(), "[Variables]\nDecorTheme=Plain\nTaskbarColor=" + colour + "\nUseComposite=true\n"));
        QVERIFY(TestHome::write(palette(), "[Palette]\nPrimaryColor=" + colour + "\n"));
    }

private Q_SLOTS:
    void init()
    {
        QVERIFY(fixture.ensureRunning());
    }

    void compositorStartedAndStoppedWhileVisible()
    {
        QVERIFY(!Compositor::running());
        for (int round = 0; round < 3; ++round) {
            QVERIFY(showLongText(QStringLiteral("compositor round %1").arg(round)));
            Compositor compositor;
            QVERIFY(compositor.start());
            QTRY_VERIFY_WITH_TIMEOUT(Compositor::running(), 10000);
            fixture.verifyRecovers();
            QVERIFY(showLongText(QStringLiteral("composited")));
            QVERIFY(compositor.stop());
            QTRY_VERIFY_WITH_TIMEOUT(!Compositor::running(), 10000);
            fixture.verifyRecovers();
            fixture.verifyShowsText(QStringLiteral("after the compositor"));
        }
    }

    void themeFilesChangedWhileVisible_data()
    {
        QTest::addColumn<QString>("change");
        for (const char *change : {"replaced by rename", "deleted", "emptied", "garbage", "folder in place", "theme folder deleted", "re-created"}) {
            QTest::newRow(change) << QString::fromLatin1(change);
        }
    }

    void themeFilesChangedWhileVisible()
    {
        QFETCH(QString, change);
        writeGoodTheme("#204080");
        QVERIFY(showLongText(QStringLiteral("theme: ") + change));
        for (const QString &path : {themeSettings(), palette()}) {
            if (change == QLatin1String("replaced by rename")) {
                QVERIFY(TestHome::write(path + QStringLiteral(".new"), "[Variables]\nTaskbarColor=#a02020\n[Palette]\nPrimaryColor=#a02020\n"));
                QVERIFY(::rename(QFile::encodeName(path + QStringLiteral(".new")).constData(), QFile::encodeName(path).constData()) == 0);
            } else if (change == QLatin1String("deleted")) {
                QVERIFY(QFile::remove(path));
            } else if (change == QLatin1String("emptied")) {
                QVERIFY(TestHome::write(path, QByteArray()));
            } else if (change == QLatin1String("garbage")) {
                QVERIFY(TestHome::write(path, QByteArray("\xff\xfe[\x00Variables\n=\n[[[]]]\nPrimaryColor=#zz\x80\n", 36) + QByteArray(1 << 20, '[')));
            } else if (change == QLatin1String("folder in place")) {
                QVERIFY(QFile::remove(path));
                QVERIFY(QDir().mkpath(path));
            } else if (change == QLatin1String("theme folder deleted")) {
                QVERIFY(QDir(fixture.daemon().home() + QStringLiteral("/.vesk")).removeRecursively());
            } else {
                QVERIFY(QFile::remove(path));
                QTest::qWait(100); // the watcher sees the file gone before it comes back
                QVERIFY(TestHome::write(path, "[Variables]\nTaskbarColor=#20a020\n[Palette]\nPrimaryColor=#20a020\n"));
            }
        }
        fixture.verifyRecovers();
        // Back to a good theme: the daemon picks it up again and still answers.
        QDir(themeSettings()).removeRecursively();
        QDir(palette()).removeRecursively();
        writeGoodTheme("#408020");
        fixture.verifyRecovers();
        fixture.verifyShowsText(QStringLiteral("after the theme change"));
    }

    void screenSaverAppearsFlapsAndVanishes()
    {
        const QString name = QStringLiteral("fake-screen-saver");
        {
            QDBusConnection saver = QDBusConnection::connectToBus(QDBusConnection::SessionBus, name);
            QVERIFY(saver.registerService(screenSaverName));
            const auto emitActive = [&saver](bool active) {
                QDBusMessage signal = QDBusMessage::createSignal(screenSaverPath, screenSaverName, QStringLiteral("ActiveChanged"));
                signal << active;
                return saver.send(signal);
            };
            // Calls on the screen saver's own connection reach the daemon after its signals.
            const auto progressCall = [&saver](int percent) {
                const QDBusMessage call = osdMethodCall(QStringLiteral("showProgressBar"), {QString(), percent});
                return saver.call(call, QDBus::Block, 5000 * slowdown()).type() == QDBusMessage::ReplyMessage;
            };

            QVERIFY(showLongText(QStringLiteral("before the lock")));
            QVERIFY(emitActive(true));
            QVERIFY(progressCall(77));
            for (int i = 0; i < 2000; ++i) {
                QVERIFY(emitActive(i % 2 == 0));
            }
            QVERIFY(emitActive(false));
            QVERIFY(progressCall(78));
            QTRY_VERIFY_WITH_TIMEOUT(!fixture.announcements.received.isEmpty() && fixture.announcements.received.last().arguments.value(1) == 78,
                                     5000 * slowdown());
            for (const auto &announcement : std::as_const(fixture.announcements.received)) {
                QVERIFY2(announcement.arguments.value(1) != 77, "a pop-up was shown while the session was locked");
            }
            fixture.verifyRecovers();

            // The screen saver goes away while the session is unlocked, and comes back.
            QVERIFY(saver.unregisterService(screenSaverName));
        }
        QDBusConnection::disconnectFromBus(name);
        fixture.verifyRecovers();
        {
            QDBusConnection saver = QDBusConnection::connectToBus(QDBusConnection::SessionBus, name);
            QVERIFY(saver.registerService(screenSaverName));
            QDBusMessage signal = QDBusMessage::createSignal(screenSaverPath, screenSaverName, QStringLiteral("ActiveChanged"));
            signal << false;
            QVERIFY(saver.send(signal));
            saver.unregisterService(screenSaverName);
        }
        QDBusConnection::disconnectFromBus(name);
        fixture.verifyRecovers();
        fixture.verifyShowsText(QStringLiteral("after the screen saver"));
    }

    void screenGeometryChangesWhileVisible()
    {
        // Xvfb keeps its screen at one size, so the daemon runs on a nested Xephyr display,
        // which changes size on request like a real one.
        NestedXServer xephyr(QSize(1600, 1200));
        QVERIFY2(xephyr.start(), qPrintable(xephyr.error()));
        const QByteArray display = xephyr.display();

        QVERIFY(fixture.stopCleanly()); // one daemon per bus
        DaemonFixture nested(false);
        nested.setDisplay(display);
        nested.prepare();
        QVERIFY(nested.start());
        QVERIFY(showLongText(QStringLiteral("geometry")));
        for (const QSize size : {QSize(1024, 768), QSize(1280, 1024), QSize(800, 600), QSize(1600, 1200)}) {
            const QString name = QStringLiteral("%1x%2").arg(size.width()).arg(size.height());
            QVERIFY2(runCommand(QStringLiteral("xrandr"), {QStringLiteral("-d"), QString::fromLatin1(display), QStringLiteral("-s"), name}), qPrintable(name));
            QTRY_COMPARE_WITH_TIMEOUT(screenSize(display), size, 10000);
            nested.verifyRecovers();
            nested.verifyShowsText(QStringLiteral("on a screen of ") + name);
            const QRect screen(QPoint(0, 0), size);
            QTRY_VERIFY_WITH_TIMEOUT(!visibleWindowGeometries(nested.daemon().pid(), display).isEmpty()
                                         && screen.contains(visibleWindowGeometries(nested.daemon().pid(), display).constFirst()),
                                     5000 * slowdown());
        }
        QVERIFY(nested.stopCleanly());
    }

    void terminatedWhileVisible_data()
    {
        QTest::addColumn<QString>("method");
        QTest::addColumn<QVariantList>("args");
        QTest::newRow("progress") << QStringLiteral("volumeChanged") << QVariantList{40};
        QTest::newRow("custom text") << QStringLiteral("showTextWithFont")
                                     << QVariantList{QString(), QStringLiteral("bye"), QString(), 20, 60000, QStringLiteral("top"), QStringLiteral("#102030")};
        QTest::newRow("progress with an icon file") << QStringLiteral("showProgressBar") << QVariantList{QStringLiteral("/usr/share/icons/hicolor"), 5};
    }

    void terminatedWhileVisible()
    {
        QFETCH(QString, method);
        QFETCH(QVariantList, args);
        QCOMPARE(osdCall(method, args, 5000 * slowdown()).type(), QDBusMessage::ReplyMessage);
        QTRY_VERIFY_WITH_TIMEOUT(!visibleWindows(fixture.daemon().pid()).isEmpty(), 5000 * slowdown());
        QVERIFY(fixture.stopCleanly());
    }

    void sessionBusGoesAway()
    {
        QProcess bus;
        bus.setProcessChannelMode(QProcess::SeparateChannels);
        bus.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address")});
        QVERIFY(bus.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(bus.canReadLine(), 10000);
        const QString address = QString::fromUtf8(bus.readLine()).trimmed();

        DaemonProcess daemon;
        daemon.environment().insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address);
        daemon.process().setProcessEnvironment(daemon.environment());
        daemon.process().start(QStringLiteral(OSD_SERVICE_BINARY), QStringList());
        QVERIFY(daemon.process().waitForStarted());
        {
            QDBusConnection other = QDBusConnection::connectToBus(address, QStringLiteral("private-bus"));
            QVERIFY(other.isConnected());
            QTRY_VERIFY_WITH_TIMEOUT(other.interface()->isServiceRegistered(QStringLiteral("org.kde.osdService")).value(), 10000 * slowdown());
            QCOMPARE(other.call(osdMethodCall(QStringLiteral("volumeChanged"), {30}), QDBus::Block, 5000 * slowdown()).type(), QDBusMessage::ReplyMessage);
        }
        QDBusConnection::disconnectFromBus(QStringLiteral("private-bus"));

        bus.terminate();
        QVERIFY(bus.waitForFinished(10000));
        QVERIFY2(daemon.process().waitForFinished(10000 * slowdown()), "the daemon runs on without its bus");
        QCOMPARE(daemon.process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(daemon.process().exitCode(), 1);
        const QByteArray errors = daemon.readStandardError();
        QVERIFY2(errors.contains("session bus"), errors.constData());
    }

    void noSoundDevice_data()
    {
        QTest::addColumn<QString>("pulseServer");
        QTest::newRow("no output at all") << QString();
        QTest::newRow("sound server that is not there") << QStringLiteral("unix:/nonexistent/pulse/native");
    }

    void noSoundDevice()
    {
        QFETCH(QString, pulseServer);
        QVERIFY(fixture.stopCleanly());
        DaemonProcess &daemon = fixture.prepare();
        daemon.environment().remove(QStringLiteral("VESK_SOUND_PLAY_LOG"));
        if (!pulseServer.isEmpty()) {
            daemon.environment().insert(QStringLiteral("PULSE_SERVER"), pulseServer);
        }
        QVERIFY(fixture.start());
        // Each pop-up is shown anew, so each one asks for its sound. The same call for 1 ms
        // hides it by its timer.
        for (int i = 0; i < 5; ++i) {
            QVariantList args{QString(), QStringLiteral("sound %1").arg(i), QString(), 12, 20000, QString(), QString()};
            QCOMPARE(osdCall(QStringLiteral("showTextWithFont"), args, 5000 * slowdown()).type(), QDBusMessage::ReplyMessage);
            QTRY_VERIFY_WITH_TIMEOUT(!visibleWindows(daemon.pid()).isEmpty(), 5000 * slowdown());
            args[4] = 1;
            QCOMPARE(osdCall(QStringLiteral("showTextWithFont"), args, 5000 * slowdown()).type(), QDBusMessage::ReplyMessage);
            QTRY_VERIFY_WITH_TIMEOUT(visibleWindows(daemon.pid()).isEmpty(), 5000 * slowdown());
        }
        fixture.verifyRecovers();
        QVERIFY(fixture.stopCleanly());
    }

    void cleanupTestCase()
    {
        QVERIFY(fixture.stopCleanly());
    }
};

QTEST_GUILESS_MAIN(FaultsTest)
#include "tst_faults.moc"
