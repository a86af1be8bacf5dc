// SPDX-License-Identifier: GPL-2.0-or-later
// The system sound player used from a worker thread, as the daemon uses it.

#include "systemsoundsplayer.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <dlfcn.h>

using Vesk::SystemSoundsQt::Player;

class SystemSoundsPlayerTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void eventNames_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("event");
        QTest::newRow("volume change") << 14 << QStringLiteral("audio-volume-change");
        QTest::newRow("bell") << 13 << QStringLiteral("bell");
        QTest::newRow("unknown") << 99 << QString();
        QTest::newRow("negative") << -1 << QString();
    }

    void eventNames()
    {
        QFETCH(int, type);
        QFETCH(QString, event);
        QCOMPARE(Player::eventId(Vesk::VeskSoundType(type)), event);
    }

    // Plays queued from the main thread run in the worker thread, are all counted and logged,
    // and a machine without sound hardware does not stop them.
    void queuedPlaysInWorkerThread()
    {
        QTemporaryDir dir;
        const QString log = dir.filePath(QStringLiteral("plays.log"));
        qputenv("VESK_SOUND_PLAY_LOG", log.toLocal8Bit());

        QThread thread;
        thread.start();
        auto *player = new Player(Player::Mode(0), Player::Source(4));
        player->setVeskSystemSoundPathCacheEnabled(true);
        player->moveToThread(&thread);
        QSignalSpy played(player, &Player::played);

        const QList<int> types{14, 14, 99, 13};
        for (int type : types) {
            QMetaObject::invokeMethod(
                player,
                [player, type] {
                    QVERIFY(QThread::currentThread() != QCoreApplication::instance()->thread());
                    player->playByType(Vesk::VeskSoundType(type), Vesk::ServerSoundCachePolicy(1));
                },
                Qt::QueuedConnection);
        }
        QTRY_COMPARE_WITH_TIMEOUT(played.count(), types.size(), 10000);
        thread.quit();
        thread.wait();
        QCOMPARE(player->playCount(), types.size());
        delete player;

        QFile file(log);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("14 1\n14 1\n99 1\n13 1\n"));
        qunsetenv("VESK_SOUND_PLAY_LOG");
        // Without an output no sound library was loaded.
        for (const char *library : {"libcanberra.so.0", "libpulse.so.0"}) {
            QVERIFY2(!dlopen(library, RTLD_LAZY | RTLD_NOLOAD), library);
        }
    }
};

QTEST_GUILESS_MAIN(SystemSoundsPlayerTest)
#include "tst_systemsoundsplayer.moc"
