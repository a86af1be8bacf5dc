// SPDX-License-Identifier: GPL-2.0-or-later
// Real callers: Debian's kmix, and Plasma 6's audio shortcut service (plasma-pa's module of
// kded6), each mixing on a PulseAudio server with a null sink, and Plasma's power management
// (powerdevil) with a keyboard backlight; their shortcuts are held by kglobalaccel. Pressing the
// volume-up or keyboard-brightness-up shortcut through kglobalaccel's bus interface makes the
// caller raise the level and call the daemon on "org.kde.plasmashell", which shows the pop-up.
// Every program runs in the daemon's temporary home and is stopped by the test.

#include "daemonprobe.h"
#include "daemonprocess.h"
#include "screen.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QStandardPaths>
#include <QTest>

#include <memory>
#include <vector>

#include <signal.h>

// UPower's keyboard backlight, the hardware powerdevil's keyboard keys act on, with levels from
// 0 to maxLevel. UPower tells of a change that came through its bus as "external".
class KeyboardBacklight : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.UPower.KbdBacklight")

public:
    static constexpr int maxLevel = 3;
    int level = 0;

public Q_SLOTS:
    int GetMaxBrightness() const
    {
        return maxLevel;
    }
    int GetBrightness() const
    {
        return level;
    }
    void SetBrightness(int value)
    {
        level = value;
        Q_EMIT BrightnessChanged(value);
        Q_EMIT BrightnessChangedWithSource(value, QStringLiteral("external"));
    }

Q_SIGNALS:
    void BrightnessChanged(int value);
    void BrightnessChangedWithSource(int value, const QString &source);
};

class KMixTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<DaemonProcess> daemon;
    std::vector<std::unique_ptr<QProcess>> helpers;
    // The system bus of powerdevil's test, where UPower is; it outlives the helpers.
    std::unique_ptr<PrivateBus> systemBus;
    std::unique_ptr<KeyboardBacklight> backlight;

    QString pulseDir() const
    {
        return daemon->home() + QLatin1String("/pulse");
    }

    QProcess *startHelper(const QString &program, const QStringList &args)
    {
        helpers.push_back(std::make_unique<QProcess>());
        QProcess &helper = *helpers.back();
        helper.setProcessEnvironment(daemon->environment());
        // Their messages only matter when something fails, and then the test says what.
        helper.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        helper.setStandardOutputFile(QProcess::nullDevice());
        helper.start(program, args);
        return helper.waitForStarted(10000) ? &helper : nullptr;
    }

    bool pactl(const QStringList &args, QByteArray *output = nullptr)
    {
        QProcess control;
        control.setProcessEnvironment(daemon->environment());
        control.start(QStringLiteral("pactl"), args);
        const bool done = control.waitForFinished(10000) && control.exitStatus() == QProcess::NormalExit && control.exitCode() == 0;
        if (output) {
            *output = control.readAllStandardOutput();
        }
        return done;
    }

    bool sinkStillAt40()
    {
        QByteArray volume;
        return pactl({QStringLiteral("get-sink-volume"), QStringLiteral("null")}, &volume) && volume.contains(" 40% ");
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

    static QDBusMessage shortcuts(const QString &component, const QString &method, const QVariantList &args = {})
    {
        return callHelper(QStringLiteral("org.kde.kglobalaccel"),
                          QStringLiteral("/component/") + component,
                          QStringLiteral("org.kde.kglobalaccel.Component"),
                          method,
                          args);
    }

    static QDBusMessage kmixShortcuts(const QString &method, const QVariantList &args = {})
    {
        return shortcuts(QStringLiteral("kmix"), method, args);
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

    // What is wrong with the pop-up on the screen; empty once it shows a ring at less than half
    // (45 % here), which runs clockwise from the top: down the right half, not the left one.
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

    // Waits for the daemon's pop-up to show that ring; what is still wrong after @p timeoutMs.
    QString ringShown(int timeoutMs) const
    {
        const qint64 pid = daemon->pid();
        return waitForNoProblem(
            [pid] {
                return ringProblem(pid);
            },
            timeoutMs);
    }

    // A program that the session starts from the system's libexec folder; empty if there is none.
    static QString libexecProgram(const QString &name)
    {
        QStringList candidates{QStringLiteral("/usr/libexec/") + name};
        for (const QString &multiarch : QDir(QStringLiteral("/usr/lib")).entryList({QStringLiteral("*-linux-*")}, QDir::Dirs)) {
            candidates.append(QStringLiteral("/usr/lib/%1/libexec/%2").arg(multiarch, name));
        }
        for (const QString &candidate : std::as_const(candidates)) {
            if (QFileInfo(candidate).isExecutable()) {
                return candidate;
            }
        }
        return QString();
    }

    // The shortcut service: a program of its own with KDE Frameworks 5, kglobalacceld in the
    // system's libexec folder with Frameworks 6.
    static QString kglobalaccelProgram()
    {
        const QString frameworks5 = QStandardPaths::findExecutable(QStringLiteral("kglobalaccel5"));
        return frameworks5.isEmpty() ? libexecProgram(QStringLiteral("kglobalacceld")) : frameworks5;
    }

    // A service that a caller would otherwise have the bus start, where it would outlive the
    // test: started first, as a helper, and waited for on the bus.
    bool startBusService(const QString &program, const QString &name, int timeoutMs)
    {
        const QProcess *service = program.isEmpty() ? nullptr : startHelper(program, {});
        if (!service) {
            return false;
        }
        const QDeadlineTimer deadline(timeoutMs);
        while (busNameOwnerPid(name) != uint(service->processId())) {
            if (deadline.hasExpired()) {
                return false;
            }
            QTest::qWait(10);
        }
        return true;
    }

    bool startShortcutService(int timeoutMs)
    {
        return startBusService(kglobalaccelProgram(), QStringLiteral("org.kde.kglobalaccel"), timeoutMs);
    }

private Q_SLOTS:
    void initTestCase()
    {
        for (const char *program : {"pulseaudio", "pactl"}) {
            if (QStandardPaths::findExecutable(QLatin1String(program)).isEmpty()) {
                QSKIP(qPrintable(QStringLiteral("%1 is not installed (scripts/install-deps installs it)").arg(QLatin1String(program))));
            }
        }
        if (kglobalaccelProgram().isEmpty()) {
            QSKIP("kglobalaccel is not installed (scripts/install-deps installs it)");
        }
    }

    void init()
    {
        daemon = std::make_unique<DaemonProcess>();
        QProcessEnvironment &env = daemon->environment();
        env.insert(QStringLiteral("PULSE_RUNTIME_PATH"), pulseDir());
        env.insert(QStringLiteral("PULSE_STATE_PATH"), pulseDir());
        env.insert(QStringLiteral("PULSE_SERVER"), QStringLiteral("unix:") + pulseDir() + QLatin1String("/native"));
        // A crashing caller ends, and fails its row, instead of being started again by KCrash.
        env.insert(QStringLiteral("KDE_DEBUG"), QStringLiteral("1"));
    }

    void cleanup()
    {
        // The caller first, so it does not see its sound server or shortcut service go.
        while (!helpers.empty()) {
            QProcess &helper = *helpers.back();
            helper.terminate();
            if (!helper.waitForFinished(5000)) {
                helper.kill();
                helper.waitForFinished(5000);
            }
            helpers.pop_back();
        }
        if (systemBus) {
            QDBusConnection::disconnectFromBus(QStringLiteral("upower"));
            backlight.reset();
            systemBus.reset();
        }
        // An instrumented daemon reports leaks through its exit status.
        QVERIFY(daemon->stop(SIGTERM));
        QCOMPARE(daemon->process().exitCode(), 0);
    }

    void volumeUpShortcutShowsThePopUp_data()
    {
        QTest::addColumn<QString>("caller");
        QTest::newRow("kmix") << QStringLiteral("kmix");
        // Plasma 6 moved the volume keys from its applet into a module of kded6; Plasma 5 has none.
        QTest::newRow("plasma-pa's shortcut service") << QStringLiteral("kded6");
    }

    void volumeUpShortcutShowsThePopUp()
    {
        QFETCH(QString, caller);
        if (QStandardPaths::findExecutable(caller).isEmpty()) {
            QSKIP(qPrintable(caller + QLatin1String(" is not installed here")));
        }
        const int timeoutMs = 10000 * slowdown();
        QVERIFY(startHelper(QStringLiteral("pulseaudio"),
                            {QStringLiteral("--daemonize=no"),
                             QStringLiteral("--exit-idle-time=-1"),
                             QStringLiteral("--disable-shm=yes"),
                             QStringLiteral("-n"),
                             QStringLiteral("--load=module-native-protocol-unix auth-anonymous=1 socket=") + pulseDir() + QLatin1String("/native"),
                             QStringLiteral("--load=module-null-sink sink_name=null")}));
        // The caller reads the volume when it starts; from 40 % its step of 5 makes 45 %.
        QTRY_VERIFY_WITH_TIMEOUT(pactl({QStringLiteral("set-sink-volume"), QStringLiteral("null"), QStringLiteral("40%")}), timeoutMs);
        daemon->writeConfig(lastingPopUps());
        QVERIFY(daemon->start());
        SignalRecorder recorder;
        QVERIFY(startShortcutService(timeoutMs));
        QVERIFY(startHelper(caller, {}));
        if (caller == QLatin1String("kded6")) {
            // kded6 loads its modules by itself only in a Plasma session.
            const auto loaded = [] {
                const QDBusMessage reply = callHelper(QStringLiteral("org.kde.kded6"),
                                                      QStringLiteral("/kded"),
                                                      QStringLiteral("org.kde.kded6"),
                                                      QStringLiteral("loadModule"),
                                                      {QStringLiteral("audioshortcutsservice")});
                return reply.type() == QDBusMessage::ReplyMessage && reply.arguments().value(0).toBool();
            };
            QTRY_VERIFY_WITH_TIMEOUT(loaded(), timeoutMs);
        }
        // plasma-pa keeps kmix's shortcut names, so that users keep their keys.
        QTRY_VERIFY_WITH_TIMEOUT(kmixShortcuts(QStringLiteral("shortcutNames")).arguments().value(0).toStringList().contains(QLatin1String("increase_volume")),
                                 timeoutMs);
        if (caller == QLatin1String("kmix")) {
            QTRY_COMPARE_WITH_TIMEOUT(kmixMasterControl(), QStringLiteral("null"), timeoutMs);
        }

        // plasma-pa's module learns the sound server's sinks a moment after it is loaded, and a
        // press before that changes nothing: the key is pressed again only while the volume
        // stays where it was.
        const QDeadlineTimer deadline(timeoutMs);
        do {
            QCOMPARE(kmixShortcuts(QStringLiteral("invokeShortcut"), {QStringLiteral("increase_volume")}).type(), QDBusMessage::ReplyMessage);
        } while (!recorder.waitFor(1, 1000) && sinkStillAt40() && !deadline.hasExpired());
        QVERIFY2(recorder.waitFor(1, timeoutMs), "the caller did not call the daemon");
        QCOMPARE(recorder.received.first().member, QStringLiteral("osdProgress"));
        QCOMPARE(recorder.received.first().arguments, (QVariantList{QStringLiteral("mono-audio-volume"), 45, QString()}));

        const QString problem = ringShown(timeoutMs);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
    }

    // powerdevil controls the keyboard's backlight through UPower on the system bus, a bus of
    // the test's own here, and takes a step of its three levels per press.
    void keyboardBrightnessShortcutShowsThePopUp()
    {
        const QString powerdevil = libexecProgram(QStringLiteral("org_kde_powerdevil"));
        if (powerdevil.isEmpty()) {
            QSKIP("powerdevil is not installed (scripts/install-deps installs it)");
        }
        const int timeoutMs = 10000 * slowdown();
        systemBus = std::make_unique<PrivateBus>();
        QVERIFY(!systemBus->address().isEmpty());
        backlight = std::make_unique<KeyboardBacklight>();
        QDBusConnection upower = QDBusConnection::connectToBus(systemBus->address(), QStringLiteral("upower"));
        QVERIFY(upower.registerObject(QStringLiteral("/org/freedesktop/UPower/KbdBacklight"),
                                      backlight.get(),
                                      QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals));
        QVERIFY(upower.registerService(QStringLiteral("org.freedesktop.UPower")));
        daemon->environment().insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), systemBus->address());
        daemon->writeConfig(lastingPopUps());
        QVERIFY(daemon->start());
        SignalRecorder recorder;
        QVERIFY(startShortcutService(timeoutMs));
        // powerdevil asks KScreen for the displays.
        const QString kscreen = libexecProgram(QStringLiteral("kf%1/kscreen_backend_launcher").arg(QT_VERSION_MAJOR));
        QVERIFY2(startBusService(kscreen, QStringLiteral("org.kde.KScreen"), timeoutMs), qPrintable(kscreen));
        QVERIFY(startHelper(powerdevil, {}));
        const QString component = QStringLiteral("org_kde_powerdevil");
        const QString increase = QStringLiteral("Increase Keyboard Brightness");
        QTRY_VERIFY_WITH_TIMEOUT(shortcuts(component, QStringLiteral("shortcutNames")).arguments().value(0).toStringList().contains(increase), timeoutMs);

        QCOMPARE(shortcuts(component, QStringLiteral("invokeShortcut"), {increase}).type(), QDBusMessage::ReplyMessage);
        QVERIFY2(recorder.waitFor(1, timeoutMs), "powerdevil did not call the daemon");
        QCOMPARE(backlight->level, 1);
        QCOMPARE(recorder.received.first().member, QStringLiteral("osdProgress"));
        QCOMPARE(recorder.received.first().arguments, (QVariantList{QStringLiteral("mono-input-keyboard-brightness"), 33, QString()}));
        const QString problem = ringShown(timeoutMs);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
    }
};

QTEST_MAIN(KMixTest)
#include "tst_kmix.moc"
