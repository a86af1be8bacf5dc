// SPDX-License-Identifier: GPL-2.0-or-later
#include "osdservice.h"

#include "osdconfig.h"
#include "osdserviceadaptor.h"
#include "systemsoundsplayer.h"

#include <KConfigGroup>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QEvent>
#include <QGuiApplication>
#include <QMetaClassInfo>
#include <QScreen>
#include <QThread>
#include <QTimer>

static const char servicePath[] = "/org/kde/osdService";
static const char shellServiceName[] = "org.kde.plasmashell";
static const int longestDurationMs = 20000;

OsdService::OsdService(const KSharedConfig::Ptr &config, QObject *parent, OsdService::Mode mode)
    : QObject(parent)
    , rootObject(nullptr)
    , config(new OsdConfig(config, this))
    , soundThread(nullptr)
    , soundPlayer(nullptr)
    , hideTimer(nullptr)
    , timeoutMs(1800)
    , sessionLocked(false)
    , customTextVisible(false)
    , modeValue(mode)
    , trackedScreen(nullptr)
{
    initDBus(mode);

    connect(qGuiApp, &QGuiApplication::primaryScreenChanged, this, &OsdService::onPrimaryScreenChanged);
    trackScreen(QGuiApplication::primaryScreen());

    soundThread = new QThread(this);
    soundThread->start(QThread::InheritPriority);
    soundPlayer = new Vesk::SystemSoundsQt::Player(Vesk::SystemSoundsQt::Player::Mode(0), Vesk::SystemSoundsQt::Player::Source(4), nullptr);
    soundPlayer->setVeskSystemSoundPathCacheEnabled(true);
    soundPlayer->moveToThread(soundThread);

    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.objectRegisteredAt(QLatin1String(servicePath)) != this) {
        // The mismatched quotes are part of the message as log readers know it.
        qCritical("Failed to register DBus object '%s\"!", QString::fromLatin1(servicePath).toLocal8Bit().constData());
    }

    bus.connect(QStringLiteral("org.freedesktop.ScreenSaver"),
                QStringLiteral("/org/freedesktop/ScreenSaver"),
                QStringLiteral("org.freedesktop.ScreenSaver"),
                QStringLiteral("ActiveChanged"),
                this,
                SLOT(onSessionLocked(bool)));
}

OsdService::~OsdService()
{
    // The player must not be deleted while its thread may still run one of its calls.
    soundThread->quit();
    soundThread->wait();
    delete soundPlayer;
    delete soundThread;
    delete rootObject;
    delete config;
    delete hideTimer;
}

bool OsdService::registerOSDService()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    QDBusConnectionInterface *busInterface = bus.interface();
    if (!busInterface) {
        return false;
    }
    const QString name = QLatin1String(shellServiceName);
    const QDBusReply<bool> registered = busInterface->isServiceRegistered(name);
    if (!registered.isValid() || !registered.value()) {
        const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply = busInterface->registerService(name);
        return reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered;
    }
    const QDBusReply<uint> ownerPid = busInterface->servicePid(name);
    const uint pid = ownerPid.isValid() ? ownerPid.value() : 0;
    return pid == uint(QCoreApplication::applicationPid());
}

OsdService::Mode OsdService::modeFromConfig(const KSharedConfig::Ptr &config)
{
    if (config && config->group("OSD").readEntry("UseStandartMode", false)) {
        return StandardMode;
    }
    return RoundedMode;
}

void OsdService::initDBus(OsdService::Mode mode)
{
    modeValue = mode;
    const QMetaObject &adaptorMeta = OsdServiceAdaptor::staticMetaObject;
    const QString interfaceName = QLatin1String(adaptorMeta.classInfo(adaptorMeta.indexOfClassInfo("D-Bus Interface")).value());

    new OsdServiceAdaptor(this);

    QDBusConnection bus = QDBusConnection::sessionBus();
    const QString path = QLatin1String(servicePath);
    const char *qtName = QObject::staticQtMetaObject.className();
    if (!bus.registerObject(path, interfaceName, this, QDBusConnection::ExportAdaptors)) {
        qCritical("%s:Failed to register DBus object: path=\"%s\", interface=\"%s\"!",
                  qtName,
                  path.toLatin1().constData(),
                  interfaceName.toLatin1().constData());
    }
    if (!bus.registerService(interfaceName)) {
        qCritical("%s:Failed to register service \"%s\"!", qtName, interfaceName.toLatin1().constData());
    }
}

OsdService::Mode OsdService::mode() const
{
    return modeValue;
}

QObject *OsdService::osdRootObject() const
{
    return rootObject;
}

int OsdService::timeout() const
{
    return timeoutMs;
}

void OsdService::setTimeout(int timeout)
{
    timeoutMs = timeout;
}

bool OsdService::checkOsdEnabled()
{
    // OsdConfig answers true when the pop-up is switched off.
    if (config->checkOsdEnabled()) {
        return false;
    }
    if (hideTimer) {
        return true;
    }
    hideTimer = new QTimer(this);
    hideTimer->setSingleShot(true);
    connect(hideTimer, &QTimer::timeout, this, &OsdService::hideOsd);
    return true;
}

int OsdService::effectiveDurationMs(int durationMs) const
{
    if (durationMs > 0) {
        return qMin(durationMs, longestDurationMs);
    }
    return qMin(qMax(timeoutMs, 1), longestDurationMs);
}

void OsdService::showOsd(int durationMs)
{
    if (hideTimer) {
        hideTimer->stop();
    }
    if (!rootObject) {
        return;
    }
    rootObject->setProperty("visible", true);
    if (hideTimer) {
        hideTimer->start(effectiveDurationMs(durationMs));
    }
}

void OsdService::hideOsd()
{
    if (!rootObject) {
        return;
    }
    rootObject->setProperty("visible", false);
    rootObject->setProperty("osdValue", 0);
    customTextVisible = false;
}

bool OsdService::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == rootObject && rootObject && event->type() == QEvent::Show) {
        Vesk::SystemSoundsQt::Player *player = soundPlayer;
        QMetaObject::invokeMethod(
            player,
            [player] {
                player->playByType(Vesk::VeskSoundType(14), Vesk::ServerSoundCachePolicy(1));
            },
            Qt::QueuedConnection);
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void OsdService::trackScreen(QScreen *screen)
{
    if (screen == trackedScreen) {
        return;
    }
    if (trackedScreen) {
        disconnect(trackedScreen, &QScreen::geometryChanged, this, &OsdService::onTrackedScreenMetricsChanged);
        disconnect(trackedScreen, &QScreen::availableGeometryChanged, this, &OsdService::onTrackedScreenMetricsChanged);
        disconnect(trackedScreen, &QScreen::logicalDotsPerInchChanged, this, &OsdService::onTrackedScreenMetricsChanged);
    }
    trackedScreen = screen;
    if (trackedScreen) {
        connect(trackedScreen, &QScreen::geometryChanged, this, &OsdService::onTrackedScreenMetricsChanged);
        connect(trackedScreen, &QScreen::availableGeometryChanged, this, &OsdService::onTrackedScreenMetricsChanged);
        connect(trackedScreen, &QScreen::logicalDotsPerInchChanged, this, &OsdService::onTrackedScreenMetricsChanged);
    }
}

void OsdService::onPrimaryScreenChanged(QScreen *screen)
{
    trackScreen(screen);
    onTrackedScreenMetricsChanged();
}

void OsdService::onTrackedScreenMetricsChanged()
{
    hideCustomTextOsdIfVisible();
}

void OsdService::hideCustomTextOsdIfVisible()
{
    if (!customTextVisible) {
        return;
    }
    hideOsd();
    if (hideTimer) {
        hideTimer->stop();
    }
    customTextVisible = false;
}

void OsdService::onSessionLocked(bool locked)
{
    sessionLocked = locked;
    if (locked) {
        hideOsd();
        if (hideTimer) {
            hideTimer->stop();
        }
    }
}

// The display requests are answered but show nothing yet: the pop-up widgets arrive later.
void OsdService::brightnessChanged(int)
{
}

void OsdService::keyboardBrightnessChanged(int)
{
}

void OsdService::volumeChanged(int)
{
}

void OsdService::microphoneVolumeChanged(int)
{
}

void OsdService::mediaPlayerVolumeChanged(int, const QString &, const QString &)
{
}

void OsdService::kbdLayoutChanged(const QString &)
{
}

void OsdService::virtualDesktopChanged(const QString &)
{
}

void OsdService::touchpadEnabledChanged(bool)
{
}

void OsdService::wifiEnabledChanged(bool)
{
}

void OsdService::bluetoothEnabledChanged(bool)
{
}

void OsdService::wwanEnabledChanged(bool)
{
}

void OsdService::virtualKeyboardEnabledChanged(bool)
{
}

void OsdService::showText(const QString &, const QString &)
{
}

void OsdService::showTextWithFont(const QString &, const QString &, const QString &, int, int, const QString &, const QString &)
{
}

void OsdService::showTextWithFontNoBackground(const QString &, const QString &, const QString &, int, int, const QString &, const QString &)
{
}

void OsdService::showProgressBar(const QString &, int)
{
}
