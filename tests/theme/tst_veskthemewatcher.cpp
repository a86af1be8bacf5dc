// SPDX-License-Identifier: GPL-2.0-or-later
// The theme watcher against real theme files in a temporary home.

#include "testhome.h"
#include "veskthemewatcher.h"

#include <QFileSystemWatcher>
#include <QSignalSpy>
#include <QTest>

#include <cstdio>
#include <memory>
#include <utility>

class VeskThemeWatcherTest : public QObject
{
    Q_OBJECT

private:
    TestHome fixture;
    std::unique_ptr<VeskThemeWatcher> watcher;
    std::unique_ptr<QSignalSpy> changes;
    // Every notification the file-system watcher delivered, with its path.
    std::unique_ptr<QSignalSpy> notifications;

    void startWatching()
    {
        watcher = std::make_unique<VeskThemeWatcher>();
        changes = std::make_unique<QSignalSpy>(watcher.get(), &VeskThemeWatcher::currentThemeChanged);
        notifications = std::make_unique<QSignalSpy>(fileWatcher(), &QFileSystemWatcher::fileChanged);
    }

    QFileSystemWatcher *fileWatcher() const
    {
        return watcher->findChild<QFileSystemWatcher *>();
    }

    bool notified(const QString &path) const
    {
        for (const QList<QVariant> &arguments : std::as_const(*notifications)) {
            if (arguments.value(0).toString() == path) {
                return true;
            }
        }
        return false;
    }

    static bool append(const QString &path, const QByteArray &content)
    {
        QFile file(path);
        return file.open(QIODevice::Append) && file.write(content) == content.size();
    }

    // Touches the palette file and waits for its notification: every earlier event of the
    // same watcher has been delivered by then.
    void drainThroughPalette()
    {
        notifications->clear();
        changes->clear();
        QVERIFY(append(fixture.palettePath(), "#\n"));
        QTRY_VERIFY(notified(fixture.palettePath()));
    }

private Q_SLOTS:
    void init()
    {
        fixture.reset();
        QVERIFY(fixture.writePalette("[Variables]\nPrimaryColor=#3daee9\n"));
    }

    void cleanup()
    {
        notifications.reset();
        changes.reset();
        watcher.reset();
    }

    void watchesTheExistingThemeFiles()
    {
        QVERIFY(fixture.writeSettings("[Variables]\nDecorTheme=Orvel\n"));
        QVERIFY(fixture.writeImage(QStringLiteral("Orvel"), Qt::red));
        startWatching();
        QCOMPARE(fileWatcher()->files(), QStringList({fixture.palettePath(), fixture.settingsPath(), fixture.imagePath(QStringLiteral("Orvel"))}));

        QVERIFY(fixture.writeImage(QStringLiteral("Orvel"), Qt::blue));
        QTRY_VERIFY(notified(fixture.imagePath(QStringLiteral("Orvel"))));
        QCOMPARE(changes->count(), notifications->count());
    }

    void oneSignalPerNotification()
    {
        startWatching();
        for (int i = 0; i < 3; ++i) {
            QMetaObject::invokeMethod(watcher.get(), "onFileChanged", Q_ARG(QString, fixture.palettePath()));
        }
        QCOMPARE(changes->count(), 3);
    }

    void modifiedInPlace()
    {
        QVERIFY(fixture.writeSettings("[Variables]\nTaskbarColor=#123456\n"));
        startWatching();

        QVERIFY(append(fixture.settingsPath(), "UseComposite=on\n"));
        QTRY_VERIFY(notified(fixture.settingsPath()));
        QVERIFY(fileWatcher()->files().contains(fixture.settingsPath()));

        notifications->clear();
        changes->clear();
        QVERIFY(append(fixture.settingsPath(), "UseComposite=off\n"));
        QTRY_VERIFY(notified(fixture.settingsPath()));
        QCOMPARE(changes->count(), notifications->count());
    }

    void replacedByRename()
    {
        startWatching();
        const QString replacement = fixture.palettePath() + QStringLiteral(".new");
        QVERIFY(TestHome::write(replacement, "[Variables]\nPrimaryColor=#2d2d2d\n"));
        QCOMPARE(std::rename(QFile::encodeName(replacement).constData(), QFile::encodeName(fixture.palettePath()).constData()), 0);
        QTRY_VERIFY(notified(fixture.palettePath()));
        QTRY_VERIFY(fileWatcher()->files().contains(fixture.palettePath()));

        // The watch now follows the new file.
        drainThroughPalette();
        QCOMPARE(changes->count(), notifications->count());
    }

    void deletedThenCreatedAgain()
    {
        QVERIFY(fixture.writeSettings("[Variables]\n"));
        startWatching();
        QVERIFY(QFile::remove(fixture.settingsPath()));
        QTRY_VERIFY(notified(fixture.settingsPath()));
        QCOMPARE(changes->count(), notifications->count());
        QVERIFY(!fileWatcher()->files().contains(fixture.settingsPath()));

        QVERIFY(fixture.writeSettings("[Variables]\nTaskbarColor=#2d2d2d\n"));
        drainThroughPalette();
        QVERIFY(!notified(fixture.settingsPath()));
        QCOMPARE(changes->count(), notifications->count());
    }

    void settingsCreatedLater()
    {
        startWatching();
        QCOMPARE(fileWatcher()->files(), QStringList({fixture.palettePath()}));

        QVERIFY(fixture.writeSettings("[Variables]\nTaskbarColor=#2d2d2d\n"));
        drainThroughPalette();
        QVERIFY(!notified(fixture.settingsPath()));
        QCOMPARE(changes->count(), notifications->count());
    }
};

QTEST_GUILESS_MAIN(VeskThemeWatcherTest)
#include "tst_veskthemewatcher.moc"
