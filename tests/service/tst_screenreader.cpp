// SPDX-License-Identifier: GPL-2.0-or-later
// The pop-ups as a screen reader hears them: the built daemon on a private accessibility stack,
// heard through libatspi. A window that has no focus is spoken only when a notification becomes
// showing, so each call must bring exactly that, with the whole phrase as its name.

#include "daemonprobe.h"
#include "daemonprocess.h"
#include "waylandcompositor.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QTest>

#include <memory>

struct Call {
    const char *method;
    QVariantList args;
    const char *phrase; // UTF-8
};
Q_DECLARE_METATYPE(QList<Call>)

class ScreenReaderTest : public QObject
{
    Q_OBJECT

private:
    QProcess listener;
    QByteArray display;
    std::unique_ptr<DaemonProcess> daemon;
    QString daemonKind;
    std::unique_ptr<WaylandCompositor> sway;
    // Sessions of the daemon's own whose bus launcher, the listener's stand-in, answers late or never.
    PrivateBus lateLauncherSession;
    PrivateBus hungLauncherSession;

    // The listener's next line, or an empty one when none came in time.
    QString nextLine()
    {
        QDeadlineTimer deadline(10000 * slowdown());
        while (!listener.canReadLine() && !deadline.hasExpired() && listener.state() == QProcess::Running) {
            listener.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
        }
        return listener.canReadLine() ? QString::fromUtf8(listener.readLine()).chopped(1) : QString();
    }

    // A daemon of the given style and language, once it is known to the registry. The display
    // carries no bus address, so the daemon has to find the accessibility bus by itself.
    bool ensureDaemon(const QString &kind)
    {
        if (kind == daemonKind && daemon && daemon->process().state() == QProcess::Running) {
            return true;
        }
        daemon.reset();
        daemon = std::make_unique<DaemonProcess>();
        daemon->environment().insert(QStringLiteral("DISPLAY"), QString::fromLatin1(display));
        if (kind.startsWith(QLatin1String("standard"))) {
            daemon->writeConfig("[OSD]\nUseStandartMode=true\n");
        } else if (kind.contains(QLatin1String("every screen"))) {
            daemon->writeConfig("[OSD]\nScreen=all\n");
        }
        if (kind.endsWith(QLatin1String("Wayland"))) {
            if (!sway) {
                sway = std::make_unique<WaylandCompositor>(WaylandCompositor::Sway);
                const QString failure = sway->start(10000 * slowdown());
                if (!failure.isEmpty()) {
                    qWarning("%s", qPrintable(failure));
                    return false;
                }
            }
            daemon->environment().insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
            daemon->environment().insert(QStringLiteral("WAYLAND_DISPLAY"), sway->socket());
        }
        if (kind.endsWith(QLatin1String("German"))) {
            daemon->environment().insert(QStringLiteral("LC_ALL"), QString::fromLatin1(germanLocale));
            daemon->environment().insert(QStringLiteral("LANGUAGE"), QStringLiteral("de"));
            daemon->environment().insert(QStringLiteral("XDG_DATA_DIRS"), QStringLiteral(OSD_BUILD_DATA_DIR));
        }
        const bool hung = kind.endsWith(QLatin1String("hung launcher"));
        if (kind.endsWith(QLatin1String("launcher"))) {
            daemon->useBus((hung ? hungLauncherSession : lateLauncherSession).address());
        }
        daemonKind = kind;
        listener.readAll();
        return daemon->start() && (hung || nextLine() == QLatin1String("registered"));
    }

private Q_SLOTS:
    void initTestCase()
    {
        listener.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        listener.start(
            QStringLiteral("/usr/bin/python3"),
            {QStringLiteral(ATSPI_LISTENER), lateLauncherSession.address(), QStringLiteral("2"), hungLauncherSession.address(), QStringLiteral("3600")});
        QVERIFY(listener.waitForStarted());
        const QString ready = nextLine();
        QVERIFY2(ready.startsWith(QLatin1String("ready :")), qPrintable(ready));
        display = ready.mid(6).toLatin1();
    }

    void cleanupTestCase()
    {
        daemon.reset();
        listener.closeWriteChannel();
        if (!listener.waitForFinished(10000)) {
            listener.kill();
            listener.waitForFinished();
        }
    }

    void popUpIsAnnounced_data()
    {
        QTest::addColumn<QString>("daemonKind");
        QTest::addColumn<QList<Call>>("calls");
        QTest::addColumn<QString>("role");
        QTest::addColumn<bool>("heard");

        const QString none;
        const QVariantList customText{none, QStringLiteral("Backup done"), none, 0, 0, none, none};
        auto row = [](const QString &kind, const char *name, const QList<Call> &calls, const char *role = "notification", bool heard = true) {
            QTest::newRow(qPrintable(kind + QLatin1String(": ") + QLatin1String(name))) << kind << calls << QString::fromLatin1(role) << heard;
        };
        for (const QString &style : {QStringLiteral("rounded"), QStringLiteral("standard")}) {
            const bool rounded = style == QLatin1String("rounded");
            row(style,
                "volume, then muted",
                {{"volumeChanged", {40}, "Volume 40 %"},
                 {"volumeChanged", {130, 150}, "Volume 130 %"},
                 rounded ? Call{"volumeChanged", {0}, "Audio Muted"} : Call{"microphoneVolumeChanged", {0}, "Microphone Muted"}});
            row(style,
                "switch, then brightness",
                {{"wifiEnabledChanged", {true}, "Wifi On"}, {"keyboardBrightnessChanged", {150}, "Keyboard brightness 100 %"}});
            row(style,
                "custom text, then a player",
                {{"showTextWithFont", customText, "Backup done"},
                 {"mediaPlayerVolumeChanged", {30, QStringLiteral("VLC"), QStringLiteral("vlc")}, "VLC volume 30 %"}});
            row(style,
                "layout, then screen brightness",
                {{"kbdLayoutChanged", {QStringLiteral("English (US)")}, "English (US)"}, {"brightnessChanged", {-5}, "Brightness 0 %"}});
        }
        row(QStringLiteral("rounded on Wayland"),
            "volume, then a switch",
            {{"volumeChanged", {40}, "Volume 40 %"}, {"touchpadEnabledChanged", {false}, "Touchpad Off"}});
        // On both of sway's outputs, and heard once: the copy on the second output keeps quiet.
        row(QStringLiteral("rounded on every screen on Wayland"),
            "volume, then a switch",
            {{"volumeChanged", {40}, "Volume 40 %"}, {"wifiEnabledChanged", {true}, "Wifi On"}});
        row(QStringLiteral("standard on Wayland"),
            "custom text, then brightness",
            {{"showTextWithFont", customText, "Backup done"}, {"brightnessChanged", {80}, "Brightness 80 %"}});
        row(QStringLiteral("rounded German"),
            "volume, then a switch",
            {{"volumeChanged", {40}, "Lautstärke 40 %"}, {"wifiEnabledChanged", {false}, "WLAN aus"}});
        const QString german = QStringLiteral("standard German");
        row(german,
            "progress, then a muted player",
            {{"showProgressBar", {none, 70}, "70 %"}, {"mediaPlayerVolumeChanged", {0, QStringLiteral("VLC"), none}, "VLC stumm"}});
        // The listener tells a wrong phrase and a wrong role apart from the right ones.
        row(german,
            "negative: the value alone is not the phrase",
            {{"volumeChanged", {40}, "40 %"}, {"volumeChanged", {41}, "Lautstärke 40 %"}},
            "notification",
            false);
        row(german, "negative: a tool tip is not spoken", {{"volumeChanged", {40}, "Lautstärke 40 %"}}, "tool tip", false);
        // The launcher answers 2 s after each question, or not within the test: the bridge still
        // registers; no call waits for the launcher (and no role: nobody can listen).
        row(QStringLiteral("rounded, late launcher"), "volume", {{"volumeChanged", {40}, "Volume 40 %"}});
        row(QStringLiteral("rounded, hung launcher"), "volume answered", {{"volumeChanged", {40}, ""}}, "", false);
    }

    void popUpIsAnnounced()
    {
        QFETCH(QString, daemonKind);
        QFETCH(QList<Call>, calls);
        QFETCH(QString, role);
        QFETCH(bool, heard);

        QVERIFY2(ensureDaemon(daemonKind), "the daemon did not register with the accessibility registry");
        listener.readAll();
        // Each call after the first comes while the pop-up is still shown. Its time limit is well
        // below the bus's default of 25 s, which a daemon waiting for a hung launcher reaches.
        for (const Call &c : calls) {
            QCOMPARE(daemon->bus().call(osdMethodCall(QLatin1String(c.method), c.args), QDBus::Block, 5000 * slowdown()).type(), QDBusMessage::ReplyMessage);
            if (role.isEmpty()) {
                continue;
            }
            const QString line = nextLine();
            QVERIFY2(!line.isEmpty(), c.method);
            // The phrase and nothing else: no description, no child read after it.
            const QString expected = role + QLatin1Char('\t') + QString::fromUtf8(c.phrase) + QLatin1Char('\t');
            if (heard) {
                QCOMPARE(line, expected);
            } else {
                QVERIFY2(line != expected, qPrintable(line));
            }
        }
    }
};

QTEST_GUILESS_MAIN(ScreenReaderTest)

#include "tst_screenreader.moc"
