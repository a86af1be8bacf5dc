// SPDX-License-Identifier: GPL-2.0-or-later
// Sustained load: eight clients, each on a connection and thread of its own, send mixed calls
// while one osd-notify in wait mode turns a long stream of lines into calls. Every call must be
// answered and announced, and the daemon's memory must stay flat once its caches are warm.
//
// The sizes come from the environment, so that the full run (OSD_LOAD_CALLS=10000,
// OSD_LOAD_LINES=100000) can be made where time allows; the defaults keep the normal suite short.

#include "daemonfixture.h"

#include <QAtomicInt>
#include <QDBusConnection>
#include <QTemporaryFile>
#include <QTest>
#include <QThread>

static int fromEnvironment(const char *name, int fallback)
{
    bool ok = false;
    const int value = qEnvironmentVariableIntValue(name, &ok);
    return ok && value > 0 ? value : fallback;
}

// One program of the session that calls the daemon as fast as it answers.
class LoadClient : public QThread
{
public:
    LoadClient(int id, int calls, QAtomicInt *done)
        : id(id)
        , calls(calls)
        , done(done)
    {
    }

    int answered = 0;
    QString firstError;

protected:
    void run() override
    {
        const QString name = QStringLiteral("load-client-%1").arg(id);
        {
            QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, name);
            for (int i = 0; i < calls; ++i) {
                QDBusMessage message;
                const QString text = QStringLiteral("client %1 call %2").arg(id).arg(i);
                switch ((i + id) % 6) {
                case 0:
                    message = osdMethodCall(QStringLiteral("volumeChanged"), {i % 101});
                    break;
                case 1:
                    message = osdMethodCall(QStringLiteral("showText"), {QString(), text});
                    break;
                case 2:
                    message = osdMethodCall(QStringLiteral("showTextWithFont"),
                                            {QString(), text, QStringLiteral("Sans"), 8 + i % 30, 2000, QStringLiteral("top"), QStringLiteral("#204060")});
                    break;
                case 3:
                    message = osdMethodCall(QStringLiteral("showProgressBar"), {QStringLiteral("mono-brightness"), i % 101});
                    break;
                case 4:
                    message = osdMethodCall(QStringLiteral("wifiEnabledChanged"), {i % 2 == 0});
                    break;
                default:
                    message = osdMethodCall(QStringLiteral("showTextWithFontNoBackground"),
                                            {QString(), text, QString(), 20, 2000, QStringLiteral("bottom"), QString()});
                    break;
                }
                const QDBusMessage reply = bus.call(message, QDBus::Block, 60000);
                if (reply.type() == QDBusMessage::ReplyMessage) {
                    ++answered;
                } else if (firstError.isEmpty()) {
                    firstError = reply.errorName() + QLatin1Char(' ') + reply.errorMessage();
                }
                done->fetchAndAddRelaxed(1);
            }
        }
        QDBusConnection::disconnectFromBus(name);
    }

private:
    const int id;
    const int calls;
    QAtomicInt *done;
};

class LoadTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyCallAnsweredAndMemoryFlat()
    {
        const int clients = 8;
        const int callsPerClient = fromEnvironment("OSD_LOAD_CALLS", 2500);
        const int lines = fromEnvironment("OSD_LOAD_LINES", 10000);
        const int total = clients * callsPerClient + lines;
        const int sampleEvery = 10000;

        DaemonFixture fixture(false);
        QVERIFY(fixture.ensureRunning());
        const qint64 pid = fixture.daemon().pid();

        // The lines a key handler would write, one volume per line.
        QTemporaryFile input;
        QVERIFY(input.open());
        for (int i = 0; i < lines; ++i) {
            input.write(QByteArray::number(i % 101) + '\n');
        }
        input.flush();

        QAtomicInt done;
        std::vector<std::unique_ptr<LoadClient>> threads;
        for (int id = 0; id < clients; ++id) {
            threads.push_back(std::make_unique<LoadClient>(id, callsPerClient, &done));
            threads.back()->start();
        }
        QProcess notify;
        notify.setStandardInputFile(input.fileName());
        notify.setProcessChannelMode(QProcess::ForwardedChannels);
        notify.start(QStringLiteral(OSD_NOTIFY_BINARY), {QStringLiteral("--volumeChanged")});
        QVERIFY(notify.waitForStarted());

        // Resident memory each time another ten thousand calls were announced.
        QVector<qint64> residentAt;
        QDeadlineTimer deadline(600000 * slowdown());
        while ((fixture.announcements.received.size() < total || notify.state() != QProcess::NotRunning) && !deadline.hasExpired()) {
            QTest::qWait(20);
            while ((residentAt.size() + 1) * sampleEvery <= fixture.announcements.received.size()) {
                residentAt << residentKiB(pid);
            }
        }
        QVERIFY2(notify.state() == QProcess::NotRunning, "osd-notify did not finish");
        QCOMPARE(notify.exitStatus(), QProcess::NormalExit);
        QCOMPARE(notify.exitCode(), 0);
        int answered = 0;
        for (auto &thread : threads) {
            QVERIFY(thread->wait(60000 * slowdown()));
            QVERIFY2(thread->firstError.isEmpty(), qPrintable(thread->firstError));
            answered += thread->answered;
        }
        QCOMPARE(answered, clients * callsPerClient);
        QTRY_COMPARE_WITH_TIMEOUT(fixture.announcements.received.size(), total, 10000 * slowdown());
        QTest::qWait(200);
        QCOMPARE(fixture.announcements.received.size(), total);

        QStringList figures;
        for (int i = 0; i < residentAt.size(); ++i) {
            figures << QStringLiteral("%1: %2 KiB").arg((i + 1) * sampleEvery).arg(residentAt.at(i));
        }
        qInfo("%d calls, resident memory after %s", total, qPrintable(figures.join(QLatin1String(", "))));
        // From the second sample on the caches are warm. Instrumented builds hold freed memory
        // in quarantine, so there the leak check is left to the sanitizer.
        if (residentAt.size() >= 3 && slowdown() == 1) {
            const qint64 growth = residentAt.last() - residentAt.at(1);
            QVERIFY2(growth < 16 * 1024, qPrintable(QStringLiteral("grew by %1 KiB").arg(growth)));
        }

        fixture.verifyRecovers();
        fixture.verifyShowsText(QStringLiteral("after the load"));
        QVERIFY(fixture.stopCleanly());
    }
};

QTEST_GUILESS_MAIN(LoadTest)
#include "tst_load.moc"
