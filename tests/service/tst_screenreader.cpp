// SPDX-License-Identifier: GPL-2.0-or-later
// The pop-ups as a screen reader hears them: the built daemon on a private accessibility stack,
// heard through libatspi. A window that has no focus is spoken only when a notification becomes
// showing, so each call must bring exactly that, with the whole phrase as its name.

#include "daemonprocess.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QTest>

#include <memory>

struct Call {
    QString method;
    QVariantList args;
    QString role;
    QString phrase;
};
Q_DECLARE_METATYPE(Call)

class ScreenReaderTest : public QObject
{
    Q_OBJECT

private:
    QProcess listener;
    QByteArray display;
    std::unique_ptr<DaemonProcess> daemon;
    QString daemonKind;

    static int slowdown()
    {
        return qMax(1, qEnvironmentVariableIntValue("OSD_TEST_SLOWDOWN"));
    }

    // The listener's next line, or an empty one when none came in time.
    QString nextLine()
    {
        QDeadlineTimer deadline(5000 * slowdown());
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
        }
        if (kind.endsWith(QLatin1String("German"))) {
            daemon->environment().insert(QStringLiteral("LANGUAGE"), QStringLiteral("de"));
            daemon->environment().insert(QStringLiteral("XDG_DATA_DIRS"), QStringLiteral(OSD_BUILD_DATA_DIR));
        }
        daemonKind = kind;
        listener.readAll();
        return daemon->start(10000 * slowdown()) && nextLine() == QLatin1String("registered");
    }

private Q_SLOTS:
    void initTestCase()
    {
        listener.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        listener.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral(ATSPI_LISTENER)});
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
        QTest::addColumn<Call>("first");
        QTest::addColumn<Call>("second");
        QTest::addColumn<bool>("heard");

        const QString note = QStringLiteral("notification");
        const QString none;
        auto call = [note](const char *method, const QVariantList &args, const QString &phrase) {
            return Call{QLatin1String(method), args, note, phrase};
        };
        const QVariantList customText{none, QStringLiteral("Backup done"), none, 0, 0, none, none};

        for (const QString &style : {QStringLiteral("rounded"), QStringLiteral("standard")}) {
            const QByteArray s = style.toLatin1();
            QTest::newRow(s + ": volume, then muted") << style << call("volumeChanged", {40}, QStringLiteral("Volume 40 %"))
                                                      << call(style == QLatin1String("rounded") ? "volumeChanged" : "microphoneVolumeChanged",
                                                              {0},
                                                              style == QLatin1String("rounded") ? QStringLiteral("Audio Muted")
                                                                                                : QStringLiteral("Microphone Muted"))
                                                      << true;
            QTest::newRow(s + ": switch, then brightness") << style << call("wifiEnabledChanged", {true}, QStringLiteral("Wifi On"))
                                                           << call("keyboardBrightnessChanged", {150}, QStringLiteral("Keyboard brightness 100 %")) << true;
            QTest::newRow(s + ": custom text, then a player") << style << call("showTextWithFont", customText, QStringLiteral("Backup done"))
                                                              << call("mediaPlayerVolumeChanged",
                                                                      {30, QStringLiteral("VLC"), QStringLiteral("vlc")},
                                                                      QStringLiteral("VLC volume 30 %"))
                                                              << true;
            QTest::newRow(s + ": layout, then screen brightness")
                << style << call("kbdLayoutChanged", {QStringLiteral("English (US)")}, QStringLiteral("English (US)"))
                << call("brightnessChanged", {-5}, QStringLiteral("Brightness 0 %")) << true;
        }
        QTest::newRow("rounded in German") << QStringLiteral("rounded German") << call("volumeChanged", {40}, QStringLiteral("Lautstärke 40 %"))
                                           << call("wifiEnabledChanged", {false}, QStringLiteral("WLAN aus")) << true;
        QTest::newRow("standard in German") << QStringLiteral("standard German") << call("showProgressBar", {none, 70}, QStringLiteral("70 %"))
                                            << call("mediaPlayerVolumeChanged", {0, QStringLiteral("VLC"), none}, QStringLiteral("VLC stumm")) << true;

        // The listener tells a wrong phrase and a wrong role apart from the right ones.
        const QString german = QStringLiteral("standard German");
        QTest::newRow("negative: the value alone is not the phrase")
            << german << call("volumeChanged", {40}, QStringLiteral("40 %")) << call("volumeChanged", {41}, QStringLiteral("Lautstärke 40 %")) << false;
        QTest::newRow("negative: a tool tip is not spoken")
            << german << Call{QStringLiteral("volumeChanged"), {40}, QStringLiteral("tool tip"), QStringLiteral("Lautstärke 40 %")}
            << Call{QStringLiteral("showText"), {none, QStringLiteral("Hallo")}, QStringLiteral("label"), QStringLiteral("Hallo")} << false;
    }

    void popUpIsAnnounced()
    {
        QFETCH(QString, daemonKind);
        QFETCH(Call, first);
        QFETCH(Call, second);
        QFETCH(bool, heard);

        QVERIFY2(ensureDaemon(daemonKind), "the daemon did not register with the accessibility registry");
        listener.readAll();
        // The second call comes while the first pop-up is still shown.
        for (const Call &c : {first, second}) {
            QDBusMessage message = QDBusMessage::createMethodCall(QStringLiteral("org.kde.osdService"),
                                                                  QStringLiteral("/org/kde/osdService"),
                                                                  QStringLiteral("org.kde.osdService"),
                                                                  c.method);
            message.setArguments(c.args);
            QCOMPARE(QDBusConnection::sessionBus().call(message).type(), QDBusMessage::ReplyMessage);
            const QString line = nextLine();
            QVERIFY2(!line.isEmpty(), qPrintable(c.method + QLatin1String(": nothing heard")));
            // The phrase and nothing else: no description, no child read after it.
            const QString expected = c.role + QLatin1Char('\t') + c.phrase + QLatin1Char('\t');
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
