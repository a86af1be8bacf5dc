// SPDX-License-Identifier: GPL-2.0-or-later
// The lock keys' changes as the watcher announces them, whatever the back end reported.

#include "lockkeywatcher_p.h"

#include <QSignalSpy>
#include <QTest>

using KeyStates = QVector<LockKeys>;
using Announcements = QVector<QPair<LockKey, bool>>;

class LockKeyWatcherTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Each row's states come at once, faster than the keys settle: only the state each key ends
    // in counts, against the one announced last.
    void announcesSettledChanges_data()
    {
        QTest::addColumn<LockKeys>("start");
        QTest::addColumn<KeyStates>("reported");
        QTest::addColumn<Announcements>("announced");
        const LockKeys none;
        QTest::newRow("switched on") << none << KeyStates{LockKey::Caps} << Announcements{{LockKey::Caps, true}};
        QTest::newRow("switched off") << LockKeys(LockKey::Num) << KeyStates{none} << Announcements{{LockKey::Num, false}};
        QTest::newRow("toggled three times") << none << KeyStates{LockKey::Caps, none, LockKey::Caps} << Announcements{{LockKey::Caps, true}};
        QTest::newRow("toggled back") << none << KeyStates{LockKey::Scroll, none} << Announcements{};
        QTest::newRow("the start again") << LockKeys(LockKey::Caps) << KeyStates{LockKey::Caps} << Announcements{};
        QTest::newRow("two keys, one back") << LockKeys(LockKey::Num) << KeyStates{LockKey::Num | LockKey::Caps, LockKey::Caps, LockKey::Caps | LockKey::Num}
                                            << Announcements{{LockKey::Caps, true}};
        QTest::newRow("all three") << none << KeyStates{LockKey::Caps | LockKey::Num | LockKey::Scroll}
                                   << Announcements{{LockKey::Caps, true}, {LockKey::Num, true}, {LockKey::Scroll, true}};
    }

    void announcesSettledChanges()
    {
        QFETCH(LockKeys, start);
        QFETCH(KeyStates, reported);
        QFETCH(Announcements, announced);
        LockKeyWatcher watcher;
        watcher.d->announced = start;
        watcher.d->latest = start;
        QSignalSpy spy(&watcher, &LockKeyWatcher::lockKeyChanged);
        for (const LockKeys states : reported) {
            watcher.d->report(states);
        }
        // Settled when the timer ran out; a change that ended as it began leaves it stopped.
        QTRY_VERIFY_WITH_TIMEOUT(!watcher.d->settleTimer.isActive(), 10000);
        Announcements got;
        for (const QList<QVariant> &signal : spy) {
            got.append({signal.at(0).value<LockKey>(), signal.at(1).toBool()});
        }
        QCOMPARE(got, announced);
    }
};

QTEST_MAIN(LockKeyWatcherTest)
#include "tst_lockkeywatcher.moc"
