// SPDX-License-Identifier: GPL-2.0-or-later
// The daemon's texts in German: with LANGUAGE=de and the catalogue that the build compiles, each
// handler that shows a text shows the German one, in the pop-up and in the "osdText" signal,
// and the percent label uses the German percent format. Then the same daemon switched to other
// languages shows their texts.

#include "osdservice.h"

#include <KLocalizedString>
#include <KSharedConfig>
#include <QApplication>
#include <QLabel>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

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
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("vesknotifyrc"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[OSD]\nUseStandartMode=true\n");
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

    // A language with a different script, one with a different percent sign and one written from
    // right to left.
    void otherLanguages_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("muted");
        QTest::addColumn<QString>("percent");
        QTest::newRow("French") << QStringLiteral("fr") << QStringLiteral("VLC coupé") << QString::fromUtf8("40\u00a0%");
        QTest::newRow("Japanese") << QStringLiteral("ja") << QString::fromUtf8("VLC ミュート") << QStringLiteral("40%");
        QTest::newRow("Hebrew") << QStringLiteral("he") << QString::fromUtf8("השמע של VLC מושתק") << QStringLiteral("40%");
    }

    void otherLanguages()
    {
        QFETCH(QString, language);
        QFETCH(QString, muted);
        QFETCH(QString, percent);
        KLocalizedString::setLanguages({language});

        QSignalSpy texts(service.get(), &OsdService::osdText);
        service->mediaPlayerVolumeChanged(0, QStringLiteral("VLC"), QStringLiteral("vlc"));
        QCOMPARE(texts.count(), 1);
        QCOMPARE(texts.at(0).at(1).toString(), muted);
        service->volumeChanged(40);
        QStringList labels;
        for (const QLabel *label : service->osdRootObject()->findChildren<QLabel *>()) {
            labels << label->text();
        }
        KLocalizedString::setLanguages({QStringLiteral("de")});
        QVERIFY2(labels.contains(percent), qPrintable(labels.join(QLatin1Char('|'))));
    }
};

int main(int argc, char **argv)
{
    // Set before anything is translated: the language list and the catalogue are looked up once.
    // Only the build tree's data folder is searched, so an installed catalogue cannot stand in.
    qputenv("LANGUAGE", "de");
    qputenv("XDG_DATA_DIRS", OSD_BUILD_DATA_DIR);
    QTemporaryDir dataHome;
    qputenv("XDG_DATA_HOME", dataHome.path().toLocal8Bit());
    QApplication app(argc, argv);
    GermanTextsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_germantexts.moc"
