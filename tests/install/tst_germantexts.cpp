// SPDX-License-Identifier: GPL-2.0-or-later
// The daemon's texts in German: with LANGUAGE=de and the catalogue that the build compiles, each
// handler that shows a text shows the German one, in the pop-up and in the "osdText" signal,
// and the percent label uses the German percent format. Then the same daemon switched to other
// languages shows their texts, mirrored for those written from right to left.

#include "daemonprocess.h"
#include "layoutdirection.h"
#include "osdservice.h"
#include "screen.h"
#include "veskcolortheme.h"
#include "veskutils.h"

#include <KLocalizedString>
#include <KSharedConfig>
#include <QApplication>
#include <QIcon>
#include <QLabel>
#include <QProgressBar>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <clocale>
#include <functional>
#include <memory>

using Handler = std::function<void(OsdService &)>;
Q_DECLARE_METATYPE(Handler)

class GermanTextsTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    std::unique_ptr<OsdService> service;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(qstrcmp(setlocale(LC_MESSAGES, nullptr), germanLocale) == 0, "the locale de_DE.UTF-8 is missing (package locales-all)");
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("vesknotifyrc"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        // Shown until the next call: the screenshots below take as long as they take.
        file.write(lastingPopUps("[OSD]\nUseStandartMode=true\n"));
        file.close();
        service = std::make_unique<OsdService>(KSharedConfig::openConfig(path, KConfig::SimpleConfig), nullptr, OsdService::StandardMode);
    }

    void cleanupTestCase()
    {
        service.reset();
    }

    void switchTexts_data()
    {
        QTest::addColumn<Handler>("handler");
        QTest::addColumn<QString>("german");

        QTest::newRow("touchpad on") << Handler([](OsdService &s) {
            s.touchpadEnabledChanged(true);
        }) << QStringLiteral("Touchpad an");
        QTest::newRow("touchpad off") << Handler([](OsdService &s) {
            s.touchpadEnabledChanged(false);
        }) << QStringLiteral("Touchpad aus");
        QTest::newRow("wifi on") << Handler([](OsdService &s) {
            s.wifiEnabledChanged(true);
        }) << QStringLiteral("WLAN an");
        QTest::newRow("wifi off") << Handler([](OsdService &s) {
            s.wifiEnabledChanged(false);
        }) << QStringLiteral("WLAN aus");
        QTest::newRow("bluetooth on") << Handler([](OsdService &s) {
            s.bluetoothEnabledChanged(true);
        }) << QStringLiteral("Bluetooth an");
        QTest::newRow("bluetooth off") << Handler([](OsdService &s) {
            s.bluetoothEnabledChanged(false);
        }) << QStringLiteral("Bluetooth aus");
        QTest::newRow("mobile internet on") << Handler([](OsdService &s) {
            s.wwanEnabledChanged(true);
        }) << QStringLiteral("Mobiles Internet an");
        QTest::newRow("mobile internet off") << Handler([](OsdService &s) {
            s.wwanEnabledChanged(false);
        }) << QStringLiteral("Mobiles Internet aus");
        QTest::newRow("on-screen keyboard on") << Handler([](OsdService &s) {
            s.virtualKeyboardEnabledChanged(true);
        }) << QStringLiteral("Bildschirmtastatur aktiviert");
        QTest::newRow("on-screen keyboard off") << Handler([](OsdService &s) {
            s.virtualKeyboardEnabledChanged(false);
        }) << QStringLiteral("Bildschirmtastatur deaktiviert");
        QTest::newRow("volume 0") << Handler([](OsdService &s) {
            s.volumeChanged(0);
        }) << QStringLiteral("Ton stumm");
        QTest::newRow("microphone 0") << Handler([](OsdService &s) {
            s.microphoneVolumeChanged(0);
        }) << QStringLiteral("Mikrofon stumm");
        QTest::newRow("media player 0: the name goes into the German text") << Handler([](OsdService &s) {
            s.mediaPlayerVolumeChanged(0, QStringLiteral("Amarok"), QStringLiteral("amarok"));
        }) << QStringLiteral("Amarok stumm");
        QTest::newRow("caps lock on, from the session itself") << Handler([](OsdService &s) {
            QVERIFY(QMetaObject::invokeMethod(&s, "lockKeyChanged", Q_ARG(LockKey, LockKey::Caps), Q_ARG(bool, true)));
        }) << QStringLiteral("Feststelltaste an");
    }

    void switchTexts()
    {
        QFETCH(Handler, handler);
        QFETCH(QString, german);

        QSignalSpy texts(service.get(), &OsdService::osdText);
        handler(*service);
        QCOMPARE(texts.count(), 1);
        QCOMPARE(texts.at(0).at(1).toString(), german);
        QVERIFY(service->osdRootObject());
        QCOMPARE(service->osdRootObject()->property("osdValue").toString(), german);
    }

    // The percent label of the standard pop-up: German puts a blank before the percent sign.
    void percentLabel()
    {
        service->volumeChanged(40);
        QObject *window = service->osdRootObject();
        QVERIFY(window);
        QStringList labels;
        for (const QLabel *label : window->findChildren<QLabel *>()) {
            labels << label->text();
        }
        QVERIFY2(labels.contains(QStringLiteral("40 %")), qPrintable(labels.join(QLatin1Char('|'))));
    }

    // A language with a different script, one with a different percent sign and two written from
    // right to left, which mirror the standard pop-up: its icon and the filled part of its bar on
    // the right, as seen on the screen.
    void otherLanguages_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("muted");
        QTest::addColumn<QString>("percent");
        QTest::addColumn<Qt::LayoutDirection>("direction");
        QTest::newRow("French") << QStringLiteral("fr") << QStringLiteral("VLC coupé") << QString::fromUtf8("40\u00a0%") << Qt::LeftToRight;
        QTest::newRow("Japanese") << QStringLiteral("ja") << QString::fromUtf8("VLC ミュート") << QStringLiteral("40%") << Qt::LeftToRight;
        QTest::newRow("Hebrew") << QStringLiteral("he") << QString::fromUtf8("השמע של VLC מושתק") << QStringLiteral("40%") << Qt::RightToLeft;
        QTest::newRow("Arabic") << QStringLiteral("ar") << QString::fromUtf8("تم كتم صوت VLC") << QString::fromUtf8("\u061c40\u066a\u061c") << Qt::RightToLeft;
        QTest::newRow("a language without a catalogue, then Hebrew")
            << QStringLiteral("tlh:he") << QString::fromUtf8("השמע של VLC מושתק") << QStringLiteral("40%") << Qt::RightToLeft;
    }

    void otherLanguages()
    {
        QFETCH(QString, language);
        QFETCH(QString, muted);
        QFETCH(QString, percent);
        QFETCH(Qt::LayoutDirection, direction);
        KLocalizedString::setLanguages(language.split(QLatin1Char(':')));
        QCOMPARE(translationsLayoutDirection(TRANSLATION_DOMAIN), direction);
        qApp->setLayoutDirection(direction);
        const auto restore = qScopeGuard([] {
            KLocalizedString::setLanguages({QStringLiteral("de")});
            qApp->setLayoutDirection(Qt::LeftToRight);
        });

        QSignalSpy texts(service.get(), &OsdService::osdText);
        service->mediaPlayerVolumeChanged(0, QStringLiteral("VLC"), QStringLiteral("vlc"));
        QCOMPARE(texts.count(), 1);
        QCOMPARE(texts.at(0).at(1).toString(), muted);
        service->volumeChanged(40);
        auto *window = qobject_cast<QWidget *>(service->osdRootObject());
        QStringList labels;
        for (const QLabel *label : window->findChildren<QLabel *>()) {
            labels << label->text();
        }
        QVERIFY2(labels.contains(percent), qPrintable(labels.join(QLatin1Char('|'))));

        QVERIFY(QTest::qWaitForWindowExposed(window));
        const VeskColorTheme theme = VeskUtils::genColorTheme();
        const QWidget *icon = window->findChildren<QLabel *>(QString(), Qt::FindDirectChildrenOnly).value(0);
        const QWidget *bar = window->findChild<QProgressBar *>();
        QTRY_COMPARE(icon->geometry().center().x() > window->width() / 2, direction == Qt::RightToLeft);
        QTRY_VERIFY(inkContrast(grabScreen(QRect(icon->mapToGlobal(QPoint(0, 0)), icon->size())), QColor(theme.backgroundColor())) >= 3);
        // Inside the bar's frame, a tenth of its width from either end: filled on one, empty on
        // the other.
        const QRect inside(bar->mapToGlobal(QPoint(0, 0)), bar->size());
        const QPoint nearLeft(inside.left() + inside.width() / 10, inside.center().y());
        const QPoint nearRight(inside.right() - inside.width() / 10, inside.center().y());
        const QPoint filled = direction == Qt::RightToLeft ? nearRight : nearLeft;
        const QPoint empty = direction == Qt::RightToLeft ? nearLeft : nearRight;
        QTRY_VERIFY2(nearColor(screenPixel(filled), QColor(theme.textColor())) && nearColor(screenPixel(empty), QColor(theme.backgroundColor())),
                     qPrintable(screenPixel(filled).name() + QLatin1Char(' ') + screenPixel(empty).name()));
    }
};

int main(int argc, char **argv)
{
    // Set before anything is translated: the language list and the catalogue are looked up once.
    // Only the build tree's data folder is searched, so an installed catalogue cannot stand in.
    qputenv("LC_ALL", germanLocale);
    qputenv("LANGUAGE", "de");
    qputenv("XDG_DATA_DIRS", OSD_BUILD_DATA_DIR);
    QTemporaryDir dataHome;
    qputenv("XDG_DATA_HOME", dataHome.path().toLocal8Bit());
    QApplication app(argc, argv);
    // The icons, whose place the mirroring checks, from the desktop's own theme.
    QIcon::setThemeSearchPaths({QStringLiteral("/usr/share/icons")});
    QIcon::setThemeName(QStringLiteral("breeze"));
    GermanTextsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_germantexts.moc"
