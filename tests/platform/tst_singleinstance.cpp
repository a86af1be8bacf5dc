// SPDX-License-Identifier: GPL-2.0-or-later
// The single-instance guard against live and dead lock holders.

#include "singleinstance.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class SingleInstanceTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir runtime;

    static QByteArray lockRecord(qint64 pid, const QString &program)
    {
        return QByteArray::number(pid) + '\n' + program.toUtf8() + '\n' + QSysInfo::machineHostName().toUtf8() + '\n';
    }

    // The pid of a process that has just ended: nobody owns it any more.
    static qint64 deadPid()
    {
        QProcess process;
        process.start(QStringLiteral("true"), QStringList());
        process.waitForFinished();
        return process.processId() ? process.processId() : 999999;
    }

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    }

    void secondGuardSeesTheFirst()
    {
        SingleInstance first(QStringLiteral("guard-a"));
        QVERIFY(!first.isRunning());
        QVERIFY(first.lockFilePath().startsWith(runtime.path()));
        {
            SingleInstance second(QStringLiteral("guard-a"));
            QVERIFY(second.isRunning());
            // A different program does not collide.
            SingleInstance other(QStringLiteral("guard-b"));
            QVERIFY(!other.isRunning());
        }
        // The losing guard must not have removed the winner's lock.
        QVERIFY(QFile::exists(first.lockFilePath()));
        SingleInstance third(QStringLiteral("guard-a"));
        QVERIFY(third.isRunning());
    }

    void lockIsReleasedOnDestruction()
    {
        QString path;
        {
            SingleInstance guard(QStringLiteral("guard-c"));
            QVERIFY(!guard.isRunning());
            path = guard.lockFilePath();
        }
        QVERIFY(!QFile::exists(path));
        SingleInstance again(QStringLiteral("guard-c"));
        QVERIFY(!again.isRunning());
    }

    // Lock files whose holder is gone, or that cannot be read at all, are taken over.
    void staleLocks_data()
    {
        QTest::addColumn<QByteArray>("record");
        const QString self = QCoreApplication::applicationFilePath();
        QTest::newRow("dead pid") << lockRecord(deadPid(), self);
        QTest::newRow("pid reused by another program") << lockRecord(1, self);
        QTest::newRow("empty file") << QByteArray();
        QTest::newRow("garbage") << QByteArray("\xff\xfe not a lock\n");
    }

    void staleLocks()
    {
        QFETCH(QByteArray, record);
        const QString path = runtime.filePath(QStringLiteral("guard-d.lock"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(record);
        file.close();
        {
            SingleInstance guard(QStringLiteral("guard-d"));
            QVERIFY(!guard.isRunning());
        }
        QFile::remove(path);
    }
};

QTEST_GUILESS_MAIN(SingleInstanceTest)
#include "tst_singleinstance.moc"
