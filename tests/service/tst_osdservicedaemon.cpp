// SPDX-License-Identifier: GPL-2.0-or-later
// The built osd-service as a whole process on a private session bus: its names, its exported
// interface, single-instance start-up and shutdown.

#include "daemonprobe.h"
#include "daemonprocess.h"
#include "styles.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusReply>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRect>
#include <QRegularExpression>
#include <QTest>
#include <QXmlStreamReader>

#include <signal.h>
#include <sys/inotify.h>
#include <unistd.h>

static const QString serviceName = QStringLiteral("org.kde.osdService");
static const QString shellName = QStringLiteral("org.kde.plasmashell");
static const QString objectPath = QStringLiteral("/org/kde/osdService");

// One element per line with its attributes in a fixed order, so that two descriptions of the
// interface compare as text. The standard interfaces every object has are left out.
static QStringList interfaceOutline(const QString &xml)
{
    QStringList lines;
    QXmlStreamReader reader(xml);
    bool skipping = false;
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement) {
            continue;
        }
        const QXmlStreamAttributes attributes = reader.attributes();
        const QString name = attributes.value(QLatin1String("name")).toString();
        if (reader.name() == QLatin1String("interface")) {
            skipping = name.startsWith(QLatin1String("org.freedesktop.DBus."));
            if (!skipping) {
                lines << QStringLiteral("interface ") + name;
            }
        } else if (skipping) {
            continue;
        } else if (reader.name() == QLatin1String("arg")) {
            lines << QStringLiteral("    %1 %2 %3").arg(attributes.value(QLatin1String("direction")), attributes.value(QLatin1String("type")), name);
        } else if (reader.name() != QLatin1String("node")) {
            lines << QStringLiteral("  %1 %2").arg(reader.name(), name);
        }
    }
    return lines;
}

static QDBusMessage call(const QString &service, const QString &method, const QVariantList &args)
{
    QDBusMessage message = QDBusMessage::createMethodCall(service, objectPath, serviceName, method);
    message.setArguments(args);
    return QDBusConnection::sessionBus().call(message, QDBus::Block, 5000);
}

class OsdServiceDaemonTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void ownsBothNames()
    {
        DaemonProcess daemon;
        QVERIFY(daemon.start());
        QCOMPARE(busNameOwnerPid(serviceName), uint(daemon.pid()));
        QCOMPARE(busNameOwnerPid(shellName), uint(daemon.pid()));
    }

    void introspectionMatchesTheInterfaceDescription()
    {
        DaemonProcess daemon;
        QVERIFY(daemon.start());
        const QDBusMessage reply = QDBusConnection::sessionBus().call(
            QDBusMessage::createMethodCall(serviceName, objectPath, QStringLiteral("org.freedesktop.DBus.Introspectable"), QStringLiteral("Introspect")));
        QCOMPARE(reply.type(), QDBusMessage::ReplyMessage);

        QFile description(QStringLiteral(OSD_INTERFACE_XML));
        QVERIFY(description.open(QIODevice::ReadOnly));
        const QStringList expected = interfaceOutline(QString::fromUtf8(description.readAll()));
        // Both forms of the progress signal: the old one, and Plasma 6's with the maximum.
        QCOMPARE(expected.count(QStringLiteral("  signal osdProgress")), 2);
        QVERIFY(expected.contains(QStringLiteral("    out i maximumPercent")));
        const QStringList methods = expected.filter(QRegularExpression(QStringLiteral("^  method ")));
        QCOMPARE(methods.size(), 21);
        // Plasma's later members come after the sixteen methods that every caller knows.
        QCOMPARE(methods.indexOf(QStringLiteral("  method volumeChanged")), 2);
        QCOMPARE(methods.mid(16),
                 (QStringList{QStringLiteral("  method volumeChanged"),
                              QStringLiteral("  method screenBrightnessChanged"),
                              QStringLiteral("  method powerProfileChanged"),
                              QStringLiteral("  method powerManagementInhibitedChanged"),
                              QStringLiteral("  method hide")}));
        QVERIFY(expected.contains(QStringLiteral("    in (iiii) screenRect")));
        QCOMPARE(interfaceOutline(reply.arguments().value(0).toString()), expected);
    }

    void privateSlotsAreNotExported_data()
    {
        QTest::addColumn<QString>("method");
        QTest::newRow("hideOsd") << QStringLiteral("hideOsd");
        QTest::newRow("onSessionLocked") << QStringLiteral("onSessionLocked");
        QTest::newRow("deleteLater") << QStringLiteral("deleteLater");
    }

    void privateSlotsAreNotExported()
    {
        QFETCH(QString, method);
        DaemonProcess daemon;
        QVERIFY(daemon.start());
        const QVariantList args = method == QLatin1String("onSessionLocked") ? QVariantList{true} : QVariantList{};
        QCOMPARE(call(serviceName, method, args).type(), QDBusMessage::ErrorMessage);
        QDBusMessage unqualified = QDBusMessage::createMethodCall(serviceName, objectPath, QString(), method);
        unqualified.setArguments(args);
        QCOMPARE(QDBusConnection::sessionBus().call(unqualified).type(), QDBusMessage::ErrorMessage);
        QCOMPARE(call(serviceName, QStringLiteral("volumeChanged"), {40}).type(), QDBusMessage::ReplyMessage);
    }

    void everyMethodAnswersThroughBothNames_data()
    {
        QTest::addColumn<QString>("method");
        QTest::addColumn<QVariantList>("args");
        const QString s = QStringLiteral("text");
        QTest::newRow("brightnessChanged") << QStringLiteral("brightnessChanged") << QVariantList{50};
        QTest::newRow("keyboardBrightnessChanged") << QStringLiteral("keyboardBrightnessChanged") << QVariantList{-7};
        QTest::newRow("volumeChanged") << QStringLiteral("volumeChanged") << QVariantList{INT_MAX};
        QTest::newRow("microphoneVolumeChanged") << QStringLiteral("microphoneVolumeChanged") << QVariantList{INT_MIN};
        QTest::newRow("mediaPlayerVolumeChanged") << QStringLiteral("mediaPlayerVolumeChanged") << QVariantList{40, s, QString()};
        QTest::newRow("kbdLayoutChanged") << QStringLiteral("kbdLayoutChanged") << QVariantList{QStringLiteral("English (US)")};
        QTest::newRow("virtualDesktopChanged") << QStringLiteral("virtualDesktopChanged") << QVariantList{QString()};
        QTest::newRow("touchpadEnabledChanged") << QStringLiteral("touchpadEnabledChanged") << QVariantList{true};
        QTest::newRow("wifiEnabledChanged") << QStringLiteral("wifiEnabledChanged") << QVariantList{false};
        QTest::newRow("bluetoothEnabledChanged") << QStringLiteral("bluetoothEnabledChanged") << QVariantList{true};
        QTest::newRow("wwanEnabledChanged") << QStringLiteral("wwanEnabledChanged") << QVariantList{false};
        QTest::newRow("virtualKeyboardEnabledChanged") << QStringLiteral("virtualKeyboardEnabledChanged") << QVariantList{true};
        QTest::newRow("showText") << QStringLiteral("showText") << QVariantList{QString(), s};
        QTest::newRow("showTextWithFont") << QStringLiteral("showTextWithFont") << QVariantList{s, s, s, 250, 60000, s, s};
        QTest::newRow("showTextWithFontNoBackground") << QStringLiteral("showTextWithFontNoBackground")
                                                      << QVariantList{s, s, QString(), -3, -1, QString(), QString()};
        QTest::newRow("showProgressBar") << QStringLiteral("showProgressBar") << QVariantList{s, 150};
        QTest::newRow("volumeChanged with a maximum") << QStringLiteral("volumeChanged") << QVariantList{105, 150};
        QTest::newRow("screenBrightnessChanged") << QStringLiteral("screenBrightnessChanged")
                                                 << QVariantList{65536, s, QString(), INT_MAX, QVariant::fromValue(QRect(0, 0, -5, 0))};
        QTest::newRow("powerProfileChanged") << QStringLiteral("powerProfileChanged") << QVariantList{QString()};
        QTest::newRow("powerManagementInhibitedChanged") << QStringLiteral("powerManagementInhibitedChanged") << QVariantList{true};
        QTest::newRow("hide") << QStringLiteral("hide") << QVariantList{};
    }

    void everyMethodAnswersThroughBothNames()
    {
        QFETCH(QString, method);
        QFETCH(QVariantList, args);
        DaemonProcess daemon;
        QVERIFY(daemon.start());
        for (const QString &name : {serviceName, shellName}) {
            const QDBusMessage reply = call(name, method, args);
            QCOMPARE(reply.type(), QDBusMessage::ReplyMessage);
            QVERIFY(reply.arguments().isEmpty());
        }
    }

    // The pop-ups are painted without OpenGL: loading Mesa made the first pop-up take over
    // 100 ms and cost tens of megabytes. A choice made by the user still applies.
    void openGLOnlyWhenAskedFor_data()
    {
        addOpenGLRows(QStringLiteral("xcb_glx"));
    }

    void openGLOnlyWhenAskedFor()
    {
        QFETCH(QString, integration);
        QFETCH(bool, loaded);
        DaemonProcess daemon;
        if (integration.isEmpty()) {
            daemon.environment().remove(QStringLiteral("QT_XCB_GL_INTEGRATION"));
        } else {
            daemon.environment().insert(QStringLiteral("QT_XCB_GL_INTEGRATION"), integration);
        }
        QVERIFY(daemon.start());
        // The window is created, and the integration loaded, before the call is answered.
        QCOMPARE(call(serviceName, QStringLiteral("volumeChanged"), {40}).type(), QDBusMessage::ReplyMessage);
        const QByteArray mapped = daemon.mappedFiles();
        QVERIFY(!mapped.isEmpty());
        QCOMPARE(mapped.contains("libGLX_mesa"), loaded);
    }

    // On X11 neither the Wayland back end nor the libraries it links are mapped: each would be
    // loaded, relocated and bound at every start for nothing.
    void x11DaemonMapsNoWaylandLibrary()
    {
        DaemonProcess daemon;
        QVERIFY(daemon.start());
        QCOMPARE(call(serviceName, QStringLiteral("volumeChanged"), {40}).type(), QDBusMessage::ReplyMessage);
        const QList<QByteArray> lines = daemon.mappedFiles().toLower().split('\n');
        QVERIFY(lines.size() > 1);
        for (const QByteArray &line : lines) {
            QVERIFY2(!line.contains("wayland") && !line.contains("layershell"), line.constData());
        }
    }

    // The theme is read when it changes, not with each value: a stream of values with the
    // pop-up shown, painted as it comes, opens none of the theme files.
    void themeFilesAreNotReadPerValue_data()
    {
        QTest::addColumn<QByteArray>("settings");
        Styles::addRows(Styles::roundedSettings, Styles::standardSettings);
    }

    void themeFilesAreNotReadPerValue()
    {
        QFETCH(QByteArray, settings);
        DaemonProcess daemon;
        daemon.writeConfig(settings);
        const QFileInfo themeSettings(daemon.themeSettingsFile());
        const QFileInfo palette(daemon.paletteFile());
        QVERIFY(QDir().mkpath(themeSettings.path()));
        QFile themeFile(themeSettings.filePath());
        QVERIFY(themeFile.open(QIODevice::WriteOnly));
        themeFile.write("[Variables]\nTaskbarColor=#2d2d2d\nUseComposite=true\n");
        themeFile.close();
        QFile paletteFile(palette.filePath());
        QVERIFY(paletteFile.open(QIODevice::WriteOnly));
        paletteFile.write("[Variables]\nPrimaryColor=#3daee9\n");
        paletteFile.close();
        QVERIFY(daemon.start());
        QCOMPARE(call(serviceName, QStringLiteral("volumeChanged"), {40}).type(), QDBusMessage::ReplyMessage);

        const int watcher = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        QVERIFY(watcher >= 0);
        QVERIFY(inotify_add_watch(watcher, QFile::encodeName(themeSettings.path()).constData(), IN_OPEN) >= 0);
        QVERIFY(inotify_add_watch(watcher, QFile::encodeName(palette.path()).constData(), IN_OPEN) >= 0);
        for (int value = 0; value < 300; ++value) {
            QCOMPARE(call(serviceName, QStringLiteral("volumeChanged"), {value % 101}).type(), QDBusMessage::ReplyMessage);
        }
        // The last paints are held for a frame at most.
        QTest::qWait(200);

        QStringList opened;
        alignas(inotify_event) char events[4096];
        ssize_t length;
        while ((length = read(watcher, events, sizeof events)) > 0) {
            for (const char *at = events; at < events + length;) {
                const auto *event = reinterpret_cast<const inotify_event *>(at);
                if (event->len > 0) {
                    opened << QFile::decodeName(event->name);
                }
                at += sizeof(inotify_event) + event->len;
            }
        }
        close(watcher);
        QVERIFY2(opened.isEmpty(), qPrintable(opened.join(QLatin1Char(' '))));
    }

    void wrongSignatureIsRefused_data()
    {
        QTest::addColumn<QString>("method");
        QTest::addColumn<QVariantList>("args");
        QTest::newRow("string for int") << QStringLiteral("volumeChanged") << QVariantList{QStringLiteral("40")};
        QTest::newRow("missing argument") << QStringLiteral("showText") << QVariantList{QStringLiteral("icon")};
        QTest::newRow("extra argument") << QStringLiteral("wifiEnabledChanged") << QVariantList{true, true};
        QTest::newRow("volume with two maxima") << QStringLiteral("volumeChanged") << QVariantList{40, 100, 100};
        QTest::newRow("volume with a string maximum") << QStringLiteral("volumeChanged") << QVariantList{40, QStringLiteral("100")};
        QTest::newRow("rectangle as four integers") << QStringLiteral("screenBrightnessChanged")
                                                    << QVariantList{50, QStringLiteral("eDP-1"), QStringLiteral("Built-in"), 0, 0, 0, 1920, 1080};
        QTest::newRow("hide with an argument") << QStringLiteral("hide") << QVariantList{true};
        QTest::newRow("unknown method") << QStringLiteral("explode") << QVariantList{};
    }

    void wrongSignatureIsRefused()
    {
        QFETCH(QString, method);
        QFETCH(QVariantList, args);
        DaemonProcess daemon;
        QVERIFY(daemon.start());
        QCOMPARE(call(serviceName, method, args).type(), QDBusMessage::ErrorMessage);
        QCOMPARE(call(serviceName, QStringLiteral("volumeChanged"), {40}).type(), QDBusMessage::ReplyMessage);
        QCOMPARE(daemon.process().state(), QProcess::Running);
    }

    // The reply to a call leaves after the signals that announce its pop-up: a caller that has
    // its answer has the announcement as well.
    void replyFollowsTheAnnouncement_data()
    {
        QTest::addColumn<QString>("method");
        QTest::addColumn<QVariantList>("args");
        QTest::addColumn<QStringList>("expected");
        const QString progress = QStringLiteral("osdProgress");
        const QString reply = QStringLiteral("reply");
        QTest::newRow("progress") << QStringLiteral("volumeChanged") << QVariantList{40} << QStringList{progress, progress, reply};
        QTest::newRow("text") << QStringLiteral("showText") << QVariantList{QString(), QStringLiteral("text")} << QStringList{QStringLiteral("osdText"), reply};
        QTest::newRow("no announcement") << QStringLiteral("hide") << QVariantList{} << QStringList{reply};
    }

    void replyFollowsTheAnnouncement()
    {
        QFETCH(QString, method);
        QFETCH(QVariantList, args);
        QFETCH(QStringList, expected);
        DaemonProcess daemon;
        QVERIFY(daemon.start());
        QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("reply-order"));
        SignalRecorder recorder(bus, true);
        QDBusMessage message = QDBusMessage::createMethodCall(serviceName, objectPath, serviceName, method);
        message.setArguments(args);
        QDBusPendingCallWatcher watcher(bus.asyncCall(message, 5000));
        connect(&watcher, &QDBusPendingCallWatcher::finished, this, [&recorder] {
            recorder.received.append({QStringLiteral("reply"), {}});
        });
        const auto arrived = [&recorder] {
            QStringList members;
            for (const SignalRecorder::Signal &received : std::as_const(recorder.received)) {
                members << received.member;
            }
            return members;
        };
        QTRY_COMPARE_WITH_TIMEOUT(arrived(), expected, 10000);
    }

    void secondInstanceEndsAndFirstKeepsAnswering()
    {
        DaemonProcess daemon;
        QVERIFY(daemon.start());
        QProcess second;
        second.setProcessEnvironment(daemon.environment());
        second.start(QStringLiteral(OSD_SERVICE_BINARY), QStringList());
        QVERIFY(second.waitForFinished(10000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QVERIFY(second.exitCode() != 0);
        QVERIFY2(second.readAllStandardError().contains("The application is already running."), "no message");
        QCOMPARE(busNameOwnerPid(serviceName), uint(daemon.pid()));
        QCOMPARE(call(serviceName, QStringLiteral("volumeChanged"), {40}).type(), QDBusMessage::ReplyMessage);
    }

    // Only a live holder of the lock is another instance; any other failure to take the lock
    // names the file and the system's reason.
    void lockFailuresAreNotASecondInstance_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("reason");
        QTest::newRow("runtime directory cannot be made") << QStringLiteral("temporary folder is a file") << QStringLiteral("Not a directory");
        QTest::newRow("lock file is a directory") << QStringLiteral("lock is a directory") << QStringLiteral("Is a directory");
        QTest::newRow("runtime directory cannot be written") << QStringLiteral("read-only runtime") << QStringLiteral("Read-only file system");
    }

    void lockFailuresAreNotASecondInstance()
    {
        QFETCH(QString, setup);
        QFETCH(QString, reason);
        DaemonProcess daemon;
        QString runtime = daemon.home() + QLatin1String("/runtime");
        if (setup == QLatin1String("temporary folder is a file")) {
            // Without a runtime directory Qt makes one in the temporary folder, which fails here.
            runtime = daemon.home() + QLatin1String("/file");
            QFile file(runtime);
            QVERIFY(file.open(QIODevice::WriteOnly));
            daemon.environment().remove(QStringLiteral("XDG_RUNTIME_DIR"));
            daemon.environment().insert(QStringLiteral("TMPDIR"), runtime);
        } else if (setup == QLatin1String("lock is a directory")) {
            QVERIFY(QDir().mkdir(runtime + QLatin1String("/osd-service.lock")));
        } else {
            // A read-only file system over the runtime directory, in a mount namespace of the
            // daemon's own: even a daemon run by root cannot write it, and nothing outlives it.
            QStringList wrap{QStringLiteral("--mount"), QStringLiteral("--propagation"), QStringLiteral("private")};
            if (::geteuid() != 0) {
                wrap << QStringLiteral("--map-root-user");
            }
            wrap << QStringLiteral("--") << QStringLiteral("sh") << QStringLiteral("-c")
                 << QStringLiteral("mount -t tmpfs -o ro,mode=0700 none \"$1\" && exec \"$0\"");
            if (QProcess::execute(QStringLiteral("unshare"), wrap + QStringList{QStringLiteral("true"), runtime}) != 0) {
                QSKIP("no mount namespace may be made here");
            }
            daemon.process().setProgram(QStringLiteral("unshare"));
            daemon.process().setArguments(wrap + QStringList{QStringLiteral(OSD_SERVICE_BINARY), runtime});
        }
        QVERIFY(daemon.runToEnd());
        const QByteArray error = daemon.readStandardError();
        QCOMPARE(daemon.process().exitCode(), 1);
        QVERIFY2(error.contains(QStringLiteral("Cannot take the lock file %1/osd-service.lock").arg(runtime).toUtf8()), error.constData());
        QVERIFY2(error.contains(reason.toUtf8()), error.constData());
        QVERIFY2(!error.contains("already running"), error.constData());
    }

    void foreignOwnerOfTheShellName()
    {
        QVERIFY(QDBusConnection::sessionBus().registerService(shellName));
        DaemonProcess daemon;
        QVERIFY(daemon.runToEnd());
        QVERIFY(daemon.process().exitCode() != 0);
        QVERIFY(daemon.readStandardError().contains("Failed to register service by DBus connection!"));
        QCOMPARE(busNameOwnerPid(serviceName), 0u);
        QVERIFY(QDBusConnection::sessionBus().unregisterService(shellName));
    }

    void staleLockAfterKill()
    {
        DaemonProcess daemon;
        QVERIFY(daemon.start());
        QVERIFY(daemon.stop(SIGKILL));
        QTRY_COMPARE_WITH_TIMEOUT(busNameOwnerPid(serviceName), 0u, 5000);
        QVERIFY2(daemon.start(), daemon.readStandardError().constData());
        QCOMPARE(call(serviceName, QStringLiteral("volumeChanged"), {40}).type(), QDBusMessage::ReplyMessage);
    }

    void quitsCleanlyOnSignal_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
    }

    void quitsCleanlyOnSignal()
    {
        QFETCH(int, signal);
        DaemonProcess daemon;
        QVERIFY(daemon.start());
        QVERIFY(daemon.stop(signal));
        QCOMPARE(daemon.process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(daemon.process().exitCode(), 0);
        // The lock is released: the next start works at once.
        QVERIFY(daemon.start());
    }

    void badConfigurationFiles_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::newRow("garbage bytes") << QByteArray("\x00\xff\xfe\x01[OSD\n\x80\x81=\xc3", 12);
        QTest::newRow("wrong types") << QByteArray("[OSD]\nEnabled=[1,2]\nOpacity=half\nUseStandartMode=2.5\n");
        QTest::newRow("huge line") << QByteArray("[OSD]\nOpacity=") + QByteArray(1 << 20, '9');
    }

    void badConfigurationFiles()
    {
        QFETCH(QByteArray, contents);
        DaemonProcess daemon;
        daemon.writeConfig(contents);
        QVERIFY(daemon.start());
        QCOMPARE(call(serviceName, QStringLiteral("showProgressBar"), {QString(), 40}).type(), QDBusMessage::ReplyMessage);
        QVERIFY(daemon.stop(SIGTERM));
        QCOMPARE(daemon.process().exitCode(), 0);
    }

    void noSessionBus()
    {
        DaemonProcess daemon;
        daemon.environment().insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("unix:path=/nonexistent/bus"));
        QVERIFY(daemon.runToEnd());
        QCOMPARE(daemon.process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(daemon.process().exitCode(), 1);
        const QByteArray errors = daemon.readStandardError();
        QVERIFY2(errors.contains("No D-Bus session bus"), errors.constData());
        QVERIFY(errors.contains("Failed to register service by DBus connection!"));
    }
};

QTEST_GUILESS_MAIN(OsdServiceDaemonTest)
#include "tst_osdservicedaemon.moc"
