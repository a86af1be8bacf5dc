// SPDX-License-Identifier: GPL-2.0-or-later
// A real caller: Debian's kmix, mixing on a PulseAudio server with a null sink, its shortcuts
// held by kglobalaccel. Pressing its volume-up shortcut through kglobalaccel's bus interface
// makes kmix raise the volume and call the daemon on "org.kde.plasmashell", which shows the
// pop-up. Every program runs in the daemon's temporary home and is stopped by the test.

#include "daemonprobe.h"
#include "daemonprocess.h"
#include "screen.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QImage>
#include <QStandardPaths>
#include <QTest>

#include <memory>
#include <vector>

#include <signal.h>

class KMixTest : public QObject
{
    Q_OBJECT

private:
    DaemonProcess daemon;
    std::vector<std::unique_ptr<QProcess>> helpers;

    QString pulseDir() const
    {
        return daemon.home() + QLatin1String("/pulse");
    }

    QProcess *startHelper(const QString &program, const QStringList &args)
    {
        helpers.push_back(std::make_unique<QProcess>());
        QProcess &helper = *helpers.back();
        helper.setProcessEnvironment(daemon.environment());
        // Their messages only matter when something fails, and then the test says what.
        helper.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        helper.setStandardOutputFile(QProcess::nullDevice());
        helper.start(program, args);
        return helper.waitForStarted(10000) ? &helper : nullptr;
    }

    bool pactl(const QStringList &args)
    {
        QProcess control;
        control.setProcessEnvironment(daemon.environment());
        control.start(QStringLiteral("pactl"), args);
        return control.waitForFinished(10000) && control.exitStatus() == QProcess::NormalExit && control.exitCode() == 0;
    }

    static QDBusMessage callHelper(const QString &service, const QString &path, const QString &interface, const QString &method, const QVariantList &args)
    {
        QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
        message.setArguments(args);
        // Never a program started by the bus itself: it would live on after the test, in the
        // user's real home.
        message.setAutoStartService(false);
        return QDBusConnection::sessionBus().call(message, QDBus::Block, 5000);
    }

    static QDBusMessage kmixShortcuts(const QString &method, const QVariantList &args = {})
    {
        return callHelper(QStringLiteral("org.kde.kglobalaccel"),
                          QStringLiteral("/component/kmix"),
                          QStringLiteral("org.kde.kglobalaccel.Component"),
                          method,
                          args);
    }

    // The sink kmix's volume keys act on, once it has found the sound server's devices.
    static QString kmixMasterControl()
    {
        const QDBusMessage reply = callHelper(QStringLiteral("org.kde.kmix"),
                                              QStringLiteral("/Mixers"),
                                              QStringLiteral("org.freedesktop.DBus.Properties"),
                                              QStringLiteral("Get"),
                                              {QStringLiteral("org.kde.KMix.MixSet"), QStringLiteral("currentMasterControl")});
        return reply.arguments().value(0).value<QDBusVariant>().variant().toString();
    }

    // What is wrong with the pop-up on the screen; empty once it shows a ring at 45 %, which
    // runs clockwise from the top: down the right half, not the left one.
    static QString ringProblem(qint64 pid)
    {
        const QVector<QRect> shown = visibleWindowGeometries(pid);
        if (shown.size() != 1) {
            return QStringLiteral("%1 windows shown").arg(shown.size());
        }
        const QRect popUp = shown.first();
        const QImage image = grabScreen(popUp);
        int darkLeft = 0;
        int darkRight = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                if (qGray(image.pixel(x, y)) < 96) {
                    (x < image.width() / 2 ? darkLeft : darkRight) += 1;
                }
            }
        }
        if (darkRight <= 2 * darkLeft) {
            return QStringLiteral("dark pixels: %1 left, %2 right").arg(darkLeft).arg(darkRight);
        }
        return QString();
    }

private Q_SLOTS:
    void initTestCase()
    {
        for (const char *program : {"kmix", "kglobalaccel5", "pulseaudio", "pactl"}) {
            if (QStandardPaths::findExecutable(QLatin1String(program)).isEmpty()) {
                QSKIP(qPrintable(QStringLiteral("%1 is not installed (scripts/install-deps installs it)").arg(QLatin1String(program))));
            }
        }
        QProcessEnvironment &env = daemon.environment();
        env.insert(QStringLiteral("PULSE_RUNTIME_PATH"), pulseDir());
        env.insert(QStringLiteral("PULSE_STATE_PATH"), pulseDir());
        env.insert(QStringLiteral("PULSE_SERVER"), QStringLiteral("unix:") + pulseDir() + QLatin1String("/native"));
    }

    void cleanupTestCase()
    {
        // kmix first, so it does not see its sound server or shortcut service go.
        while (!helpers.empty()) {
            QProcess &helper = *helpers.back();
            helper.terminate();
            if (!helper.waitForFinished(5000)) {
                helper.kill();
                helper.waitForFinished(5000);
            }
            helpers.pop_back();
        }
        // An instrumented daemon reports leaks through its exit status.
        QVERIFY(daemon.stop(SIGTERM));
        QCOMPARE(daemon.process().exitCode(), 0);
    }

    void volumeUpShortcutShowsThePopUp()
    {
        const int timeoutMs = 10000 * slowdown();
        QVERIFY(startHelper(QStringLiteral("pulseaudio"),
                            {QStringLiteral("--daemonize=no"),
                             QStringLiteral("--exit-idle-time=-1"),
                             QStringLiteral("--disable-shm=yes"),
                             QStringLiteral("-n"),
                             QStringLiteral("--load=module-native-protocol-unix auth-anonymous=1 socket=") + pulseDir() + QLatin1String("/native"),
                             QStringLiteral("--load=module-null-sink sink_name=null")}));
        // kmix reads the volume when it starts; from 40 % its step of 5 makes 45 %.
        QTRY_VERIFY_WITH_TIMEOUT(pactl({QStringLiteral("set-sink-volume"), QStringLiteral("null"), QStringLiteral("40%")}), timeoutMs);
        daemon.writeConfig(lastingPopUps());
        QVERIFY(daemon.start());
        SignalRecorder recorder;
        // kmix, too, would have the bus start kglobalaccel if it came first.
        const QProcess *accel = startHelper(QStringLiteral("kglobalaccel5"), {});
        QVERIFY(accel);
        QTRY_COMPARE_WITH_TIMEOUT(busNameOwnerPid(QStringLiteral("org.kde.kglobalaccel")), uint(accel->processId()), timeoutMs);
        QVERIFY(startHelper(QStringLiteral("kmix"), {}));
        QTRY_VERIFY_WITH_TIMEOUT(kmixShortcuts(QStringLiteral("shortcutNames")).arguments().value(0).toStringList().contains(QLatin1String("increase_volume")),
                                 timeoutMs);
        QTRY_COMPARE_WITH_TIMEOUT(kmixMasterControl(), QStringLiteral("null"), timeoutMs);

        QCOMPARE(kmixShortcuts(QStringLiteral("invokeShortcut"), {QStringLiteral("increase_volume")}).type(), QDBusMessage::ReplyMessage);
        QVERIFY2(recorder.waitFor(1, timeoutMs), "kmix did not call the daemon");
        QCOMPARE(recorder.received.first().member, QStringLiteral("osdProgress"));
        QCOMPARE(recorder.received.first().arguments, (QVariantList{QStringLiteral("mono-audio-volume"), 45, QString()}));

        const QString problem = waitForNoProblem(
            [this] {
                return ringProblem(daemon.pid());
            },
            timeoutMs);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
    }
};

QTEST_MAIN(KMixTest)
#include "tst_kmix.moc"
