// SPDX-License-Identifier: GPL-2.0-or-later
#include "osdservice.h"

#include "intakebounds.h"
#include "lockkeypopups.h"
#include "lockkeywatcher.h"
#include "osdconfig.h"
#include "osdservice_debug.h"
#include "osdserviceadaptor.h"
#include "osdwidget.h"
#include "popupannouncer.h"
#include "popupdisplay.h"
#include "powerpopups.h"
#include "roundedosdwidget.h"
#include "screenmatch.h"

#include <KConfigGroup>
#include <KLazyLocalizedString>
#include <KLocalizedString>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusServiceWatcher>
#include <QMetaClassInfo>
#include <QScopeGuard>
#include <QScreen>

static const char servicePath[] = "/org/kde/osdService";
static const char shellServiceName[] = "org.kde.plasmashell";
// Long enough for a request that starts the daemon to be served before the warm-up begins.
static const int warmUpDelayMs = 200;
// The range a caller's volume maximum is kept to: below 100 a full volume would overfill the
// ring, and past 1000 % any real volume would be too small a sliver of it to see.
static const int defaultMaximumPercent = 100;
static const int largestMaximumPercent = 1000;

OsdService::OsdService(const KSharedConfig::Ptr &config, QObject *parent, OsdService::Mode mode, const KSharedConfig::Ptr &plasmaConfig)
    : QObject(parent)
    , config(std::make_unique<OsdConfig>(config, nullptr, plasmaConfig))
    , modeValue(mode)
    , windowMode(mode)
{
    // The keys' states at start are taken before the bus name: a key switched once the daemon
    // can be seen on the bus is a change.
    connect(new LockKeyWatcher(this), &LockKeyWatcher::lockKeyChanged, this, &OsdService::lockKeyChanged);
    initDBus(mode);

    display = std::make_unique<PopupDisplay>([this]() -> PopupWidget * {
        windowMode = modeValue;
        if (modeValue == RoundedMode) {
            PopupAnnouncer::exposeAsNotification(RoundedOsdWidget::staticMetaObject);
            return new RoundedOsdWidget(this->config.get(), nullptr);
        }
        PopupAnnouncer::exposeAsNotification(OsdWidget::staticMetaObject);
        return new OsdWidget(this->config.get());
    });

    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.objectRegisteredAt(QLatin1String(servicePath)) != this) {
        // The mismatched quotes are part of the message as log readers know it.
        qCritical("Failed to register DBus object '%s\"!", QString::fromLatin1(servicePath).toLocal8Bit().constData());
    }

    connect(display.get(), &PopupDisplay::hidden, this, [this] {
        displayBrightnesses.clear();
    });

    const QString screenSaver = QStringLiteral("org.freedesktop.ScreenSaver");
    auto *screenSaverWatcher = new QDBusServiceWatcher(screenSaver, bus, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(screenSaverWatcher, &QDBusServiceWatcher::serviceOwnerChanged, this, &OsdService::onScreenSaverOwnerChanged);
    bus.connect(screenSaver,
                QStringLiteral("/org/freedesktop/ScreenSaver"),
                QStringLiteral("org.freedesktop.ScreenSaver"),
                QStringLiteral("ActiveChanged"),
                this,
                SLOT(onSessionLocked(bool)));

    connect(this->config.get(), &OsdConfig::changed, this, &OsdService::applySettings);
    connect(this->config.get(), &OsdConfig::standardStyleChanged, this, [this](bool standardStyle) {
        modeValue = standardStyle ? StandardMode : RoundedMode;
    });

    // OsdConfig answers true when the pop-up is switched off.
    if (!this->config->checkOsdEnabled()) {
        startWarmUp();
    }
}

OsdService::~OsdService() = default;

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
    if (config && config->group(QStringLiteral("OSD")).readEntry("UseStandartMode", false)) {
        return StandardMode;
    }
    return RoundedMode;
}

void OsdService::initDBus(OsdService::Mode mode)
{
    modeValue = mode;
    const QMetaObject &adaptorMeta = OsdServiceAdaptor::staticMetaObject;
    const QString interfaceName = QLatin1String(adaptorMeta.classInfo(adaptorMeta.indexOfClassInfo("D-Bus Interface")).value());

    auto *adaptor = new OsdServiceAdaptor(this);
    // The relay pairs signals by name: the Plasma 6 form has a name of its own here.
    connect(this, &OsdService::osdProgressWithMaximum, adaptor, qOverload<const QString &, int, int, const QString &>(&OsdServiceAdaptor::osdProgress));

    QDBusConnection bus = QDBusConnection::sessionBus();
    const QString path = QLatin1String(servicePath);
    if (!bus.registerObject(path, interfaceName, this, QDBusConnection::ExportAdaptors)) {
        qCritical("Qt:Failed to register DBus object: path=\"%s\", interface=\"%s\"!", path.toLatin1().constData(), interfaceName.toLatin1().constData());
    }
    if (!bus.registerService(interfaceName)) {
        qCritical("Qt:Failed to register service \"%s\"!", interfaceName.toLatin1().constData());
    } else {
        qCDebug(OSD_SERVICE) << "owns the bus name" << interfaceName;
    }
}

OsdService::Mode OsdService::mode() const
{
    return modeValue;
}

QObject *OsdService::osdRootObject() const
{
    return display->window();
}

int OsdService::timeout() const
{
    return display->displayTime();
}

void OsdService::setTimeout(int timeout)
{
    display->setDisplayTime(timeout);
}

bool OsdService::checkOsdEnabled()
{
    // OsdConfig answers true when the pop-up is switched off.
    if (config->checkOsdEnabled()) {
        return false;
    }
    display->prepareHideTimer();
    return true;
}

void OsdService::showOsd(int durationMs)
{
    if (!showingDisplayBrightness) {
        displayBrightnesses.clear();
    }
    if (PopupWidget *window = display->window()) {
        window->setRequestedScreen(targetScreen);
    }
    display->showOsd(durationMs);
}

void OsdService::hideOsd()
{
    display->hideOsd();
}

void OsdService::onSessionLocked(bool locked)
{
    qCDebug(OSD_SERVICE) << "session locked:" << locked;
    display->setSessionLocked(locked);
}

void OsdService::onScreenSaverOwnerChanged(const QString &, const QString &oldOwner, const QString &)
{
    if (!oldOwner.isEmpty() && display->isSessionLocked()) {
        qCDebug(OSD_SERVICE) << "the screen locker left the bus: the session counts as unlocked";
        display->setSessionLocked(false);
    }
}

// The names of the event handlers below. The empty name is the standard style's icon of a text
// without one.
static QStringList eventIconNames(OsdService::Mode mode)
{
    if (mode == OsdService::RoundedMode) {
        return {
            QStringLiteral("mono-audio-volume"),
            QStringLiteral("mono-audio-volume-muted"),
            QStringLiteral("mono-microphone-sensitivity"),
            QStringLiteral("mono-microphone-sensitivity-muted"),
            QStringLiteral("mono-video-display-brightness"),
            QStringLiteral("mono-input-keyboard-brightness"),
            QStringLiteral("mono-play-circle"),
            QStringLiteral("mono-virtual-desktops"),
            QStringLiteral("mono-input-touchpad-on"),
            QStringLiteral("mono-input-touchpad-off"),
            QStringLiteral("mono-network-wireless-on"),
            QStringLiteral("mono-network-wireless-off"),
            QStringLiteral("mono-preferences-system-bluetooth"),
            QStringLiteral("mono-preferences-system-bluetooth-inactive"),
            QStringLiteral("mono-network-mobile-on"),
            QStringLiteral("mono-network-mobile-off"),
            QStringLiteral("mono-input-keyboard-virtual"),
        };
    }
    return {
        QString(),
        QStringLiteral("video-display-brightness"),
        QStringLiteral("input-keyboard-brightness"),
        QStringLiteral("audio-volume-muted"),
        QStringLiteral("microphone-sensitivity-muted"),
        QStringLiteral("keyboard-layout"),
        QStringLiteral("input-touchpad-on"),
        QStringLiteral("input-touchpad-off"),
        QStringLiteral("network-wireless-on"),
        QStringLiteral("network-wireless-off"),
        QStringLiteral("preferences-system-bluetooth"),
        QStringLiteral("preferences-system-bluetooth-inactive"),
        QStringLiteral("network-mobile-on"),
        QStringLiteral("network-mobile-off"),
        QStringLiteral("input-keyboard-virtual-on"),
        QStringLiteral("input-keyboard-virtual-off"),
        QStringLiteral("audio-volume-low"),
        QStringLiteral("audio-volume-medium"),
        QStringLiteral("audio-volume-high"),
        QStringLiteral("microphone-sensitivity-low"),
        QStringLiteral("microphone-sensitivity-medium"),
        QStringLiteral("microphone-sensitivity-high"),
    };
}

// The names of the handlers below, looked up in idle time after the start.
QStringList OsdService::handlerIconNames(Mode mode)
{
    return eventIconNames(mode) + PowerPopUps::iconNames(mode == RoundedMode);
}

void OsdService::startWarmUp()
{
    const bool rounded = modeValue == RoundedMode;
    std::vector<IdleWarmUp::Step> steps;
    for (const QString &name : handlerIconNames(modeValue)) {
        steps.emplace_back([rounded, name] {
            rounded ? RoundedOsdWidget::preloadIcon(name) : OsdWidget::preloadIcon(name);
        });
    }
    steps.emplace_back(rounded ? &RoundedOsdWidget::preloadFonts : &OsdWidget::preloadFonts);
    display->startWarmUp(std::move(steps), warmUpDelayMs);
}

// What a screen reader says for a progress pop-up: @p text with the value shown. It stays
// unresolved until it is known that someone listens.
static KLocalizedString withPercent(const KLocalizedString &text, int percent, int maximum = 100)
{
    return text.subs(qBound(0, percent, maximum));
}

bool OsdService::init()
{
    const bool enabled = checkOsdEnabled();
    // A window of the style given up is made anew in the style chosen since.
    if (enabled && display->window() && windowMode != modeValue) {
        display->discardWindow();
    }
    if (!enabled || display->window()) {
        return enabled;
    }
    display->ensureWindow();
    updateTimeout();
    return true;
}

// The display time is the settings' own, handed down when the window is made.
void OsdService::updateTimeout()
{
    display->setDisplayTime(config->timeout());
}

void OsdService::applySettings()
{
    if (PopupWidget *window = display->window()) {
        updateTimeout();
        window->setTimeout(config->timeout());
        window->setWindowOpacity(config->opacity());
    }
}

void OsdService::showProgress(const QString &icon,
                              const QString &themeIcon,
                              int percent,
                              const QString &additionalText,
                              const KLocalizedString &phrase,
                              int maximum)
{
    if (announceWhileLocked(themeIcon, qBound(0, percent, maximum), maximum, additionalText) || !init()) {
        return;
    }
    display->setCustomTextVisible(false);
    PopupWidget *window = display->window();
    // The ordinary look, with the font a text was last shown in.
    PopupWidget::TextLook look;
    look.fontFamily = window->textFontFamily();
    look.fontPointSize = window->textFontPointSize();
    setLookOnRoot(look);
    const int value = qBound(0, percent, maximum);
    window->setListRows({});
    window->setOsdMaxValue(maximum);
    window->setOsdValue(value);
    window->setShowingProgress(true);
    window->setIcon(icon);
    if (PopupAnnouncer::isListening()) {
        PopupAnnouncer::setPhrase(window, phrase.toString());
    }
    Q_EMIT osdProgress(icon, value, additionalText);
    Q_EMIT osdProgressWithMaximum(themeIcon, value, maximum, additionalText);
    showOsd(-1);
}

bool OsdService::announceWhileLocked(const QString &icon, int value, int maximum, const QString &additionalText)
{
    if (!display->isSessionLocked()) {
        return false;
    }
    if (checkOsdEnabled()) {
        Q_EMIT osdProgressWithMaximum(icon, value, maximum, additionalText);
    }
    return true;
}

void OsdService::showTextInternal(const QString &icon, const QString &text, int durationMs)
{
    if (display->isSessionLocked() || !init()) {
        return;
    }
    setTextOnRoot(icon, text);
    Q_EMIT osdText(icon, text);
    showOsd(durationMs);
}

void OsdService::setTextOnRoot(const QString &icon, const QString &text, const QList<PopupListRow> &rows)
{
    PopupWidget *window = display->window();
    window->setListRows(rows);
    window->setShowingProgress(false);
    window->setOsdMaxValue(defaultMaximumPercent);
    window->setOsdValue(text);
    window->setIcon(icon);
    PopupAnnouncer::setPhrase(window, text);
    refreshContentOnRoot();
}

void OsdService::refreshContentOnRoot()
{
    if (display->isSessionLocked() || !init()) {
        return;
    }
    display->window()->refreshContent();
}

void OsdService::setLookOnRoot(const PopupWidget::TextLook &look)
{
    if (display->isSessionLocked() || !init()) {
        return;
    }
    display->window()->setTextLook(look);
}

void OsdService::showText(const QString &icon, const QString &text)
{
    const QString boundedIcon = IntakeBounds::name(icon);
    const QString boundedText = IntakeBounds::text(text);
    display->setCustomTextVisible(false);
    setLookOnRoot(PopupWidget::TextLook());
    showTextInternal(boundedIcon, boundedText, -1);
}

void OsdService::showCustomText(const QString &icon,
                                const QString &text,
                                const QString &fontFamily,
                                int fontPointSize,
                                int durationMs,
                                const QString &position,
                                const QString &backgroundColor,
                                bool noBackground)
{
    // Set before any check: a custom text counts as shown even when nothing could be shown.
    display->setCustomTextVisible(true);
    setLookOnRoot(
        {true, noBackground, IntakeBounds::word(backgroundColor), IntakeBounds::word(position), IntakeBounds::word(fontFamily), qBound(0, fontPointSize, 100)});
    showTextInternal(IntakeBounds::name(icon), IntakeBounds::text(text), durationMs);
}

void OsdService::showTextWithFont(const QString &icon,
                                  const QString &text,
                                  const QString &fontFamily,
                                  int fontPointSize,
                                  int durationMs,
                                  const QString &position,
                                  const QString &backgroundColor)
{
    showCustomText(icon, text, fontFamily, fontPointSize, durationMs, position, backgroundColor, false);
}

void OsdService::showTextWithFontNoBackground(const QString &icon,
                                              const QString &text,
                                              const QString &fontFamily,
                                              int fontPointSize,
                                              int durationMs,
                                              const QString &position,
                                              const QString &backgroundColor)
{
    showCustomText(icon, text, fontFamily, fontPointSize, durationMs, position, backgroundColor, true);
}

void OsdService::showProgressBar(const QString &icon, int percent)
{
    const QString boundedIcon = IntakeBounds::name(icon);
    showProgress(
        boundedIcon,
        boundedIcon,
        percent,
        QString(),
        withPercent(ki18ndc("vesk_notify_osd_service", "spoken when another program shows a progress value, %1 is the value in percent", "%1 %"), percent));
}

// Plasma 6's listeners take the icon from the icon theme: the lock screen draws its own pop-up
// with it and the mobile shell tells the volume's levels by name. The rounded style's own icons
// exist in no theme, so those listeners get the theme's icon of the same meaning.
static const QLatin1String displayBrightnessIcon("video-display-brightness");
static const QLatin1String keyboardBrightnessIcon("input-keyboard-brightness");

void OsdService::brightnessChanged(int percent)
{
    showProgress(
        modeValue == RoundedMode ? QStringLiteral("mono-video-display-brightness") : displayBrightnessIcon,
        displayBrightnessIcon,
        percent,
        QString(),
        withPercent(ki18ndc("vesk_notify_osd_service", "spoken when the screen brightness changes, %1 is the brightness in percent", "Brightness %1 %"),
                    percent));
}

void OsdService::keyboardBrightnessChanged(int percent)
{
    showProgress(
        modeValue == RoundedMode ? QStringLiteral("mono-input-keyboard-brightness") : keyboardBrightnessIcon,
        keyboardBrightnessIcon,
        percent,
        QString(),
        withPercent(
            ki18ndc("vesk_notify_osd_service", "spoken when the keyboard backlight changes, %1 is the brightness in percent", "Keyboard brightness %1 %"),
            percent));
}

// The theme's level icons: muted at 0, low up to 25, medium up to 75, high above.
static QString levelIcon(const QString &base, int percent)
{
    if (percent <= 0) {
        return base + QLatin1String("-muted");
    }
    if (percent <= 25) {
        return base + QLatin1String("-low");
    }
    if (percent <= 75) {
        return base + QLatin1String("-medium");
    }
    return base + QLatin1String("-high");
}

static KLocalizedString volumePhrase(int percent, int maximum = 100)
{
    return withPercent(ki18ndc("vesk_notify_osd_service", "spoken when the volume changes, %1 is the volume in percent", "Volume %1 %"), percent, maximum);
}

// The muted texts are shown in the standard style and spoken in both.
static KLocalizedString audioMuted()
{
    return ki18ndc("vesk_notify_osd_service", "OSD informing that the system is muted, keep short", "Audio Muted");
}

static KLocalizedString microphoneMuted()
{
    return ki18ndc("vesk_notify_osd_service", "OSD informing that the microphone is muted, keep short", "Microphone Muted");
}

static KLocalizedString playerMuted(const QString &playerName)
{
    return ki18ndc("vesk_notify_osd_service", "OSD informing that some media app is muted, eg. Amarok Muted", "%1 Muted").subs(playerName);
}

void OsdService::volumeChanged(int percent)
{
    showVolume(percent, defaultMaximumPercent);
}

void OsdService::volumeChanged(int percent, int maximumPercent)
{
    showVolume(percent, qBound(defaultMaximumPercent, maximumPercent, largestMaximumPercent));
}

// The icon follows the volume itself, whatever the maximum: above 100 % is loud, not medium.
void OsdService::showVolume(int percent, int maximum)
{
    const QString themeIcon = levelIcon(QStringLiteral("audio-volume"), percent);
    if (modeValue == RoundedMode) {
        showProgress(percent <= 0 ? QStringLiteral("mono-audio-volume-muted") : QStringLiteral("mono-audio-volume"),
                     themeIcon,
                     percent,
                     QString(),
                     percent <= 0 ? audioMuted() : volumePhrase(percent, maximum),
                     maximum);
        return;
    }
    if (percent <= 0) {
        showText(QStringLiteral("audio-volume-muted"), audioMuted().toString());
        return;
    }
    showProgress(themeIcon, themeIcon, percent, QString(), volumePhrase(percent, maximum), maximum);
}

void OsdService::microphoneVolumeChanged(int percent)
{
    const KLocalizedString phrase =
        withPercent(ki18ndc("vesk_notify_osd_service", "spoken when the microphone volume changes, %1 is the volume in percent", "Microphone %1 %"), percent);
    const QString themeIcon = levelIcon(QStringLiteral("microphone-sensitivity"), percent);
    if (modeValue == RoundedMode) {
        showProgress(percent <= 0 ? QStringLiteral("mono-microphone-sensitivity-muted") : QStringLiteral("mono-microphone-sensitivity"),
                     themeIcon,
                     percent,
                     QString(),
                     percent <= 0 ? microphoneMuted() : phrase);
        return;
    }
    if (percent <= 0) {
        showText(QStringLiteral("microphone-sensitivity-muted"), microphoneMuted().toString());
        return;
    }
    showProgress(themeIcon, themeIcon, percent, QString(), phrase);
}

void OsdService::mediaPlayerVolumeChanged(int percent, const QString &unboundedPlayerName, const QString &unboundedPlayerIconName)
{
    const QString playerName = IntakeBounds::text(unboundedPlayerName);
    const QString playerIconName = IntakeBounds::name(unboundedPlayerIconName);
    // Without a name the player's volume is spoken as the volume.
    const KLocalizedString phrase = playerName.isEmpty()
        ? volumePhrase(percent)
        : withPercent(ki18ndc("vesk_notify_osd_service",
                              "spoken when a media player's volume changes, %1 is the player's name, %2 the volume in percent",
                              "%1 volume %2 %")
                          .subs(playerName),
                      percent);
    if (modeValue == RoundedMode) {
        showProgress(QStringLiteral("mono-play-circle"), playerIconName, percent, playerName, percent == 0 ? playerMuted(playerName) : phrase);
        return;
    }
    if (percent == 0) {
        showText(playerIconName, playerMuted(playerName).toString());
        return;
    }
    showProgress(playerIconName, playerIconName, percent, playerName, phrase);
}

void OsdService::kbdLayoutChanged(const QString &layoutName)
{
    if (!config->layoutPopUpEnabled()) {
        return;
    }
    showText(modeValue == RoundedMode ? QString() : QStringLiteral("keyboard-layout"), IntakeBounds::text(layoutName));
}

void OsdService::virtualDesktopChanged(const QString &currentVirtualDesktopName)
{
    showText(modeValue == RoundedMode ? QStringLiteral("mono-virtual-desktops") : QString(), IntakeBounds::text(currentVirtualDesktopName));
}

// What the pop-up of an on/off switch shows for each state. The rounded style takes the
// "mono-" form of the state's icon, or its one icon for both states where it has one.
struct SwitchPopUp {
    const char *onIcon;
    const char *offIcon;
    KLazyLocalizedString onText;
    KLazyLocalizedString offText;
    const char *roundedIcon = nullptr;
};

static const SwitchPopUp touchpadPopUp{"input-touchpad-on",
                                       "input-touchpad-off",
                                       kli18nc("touchpad was enabled, keep short", "Touchpad On"),
                                       kli18nc("touchpad was disabled, keep short", "Touchpad Off")};
static const SwitchPopUp wifiPopUp{"network-wireless-on",
                                   "network-wireless-off",
                                   kli18nc("wireless lan was enabled, keep short", "Wifi On"),
                                   kli18nc("wireless lan was disabled, keep short", "Wifi Off")};
static const SwitchPopUp bluetoothPopUp{"preferences-system-bluetooth",
                                        "preferences-system-bluetooth-inactive",
                                        kli18nc("Bluetooth was enabled, keep short", "Bluetooth On"),
                                        kli18nc("Bluetooth was disabled, keep short", "Bluetooth Off")};
static const SwitchPopUp wwanPopUp{"network-mobile-on",
                                   "network-mobile-off",
                                   kli18nc("mobile internet was enabled, keep short", "Mobile Internet On"),
                                   kli18nc("mobile internet was disabled, keep short", "Mobile Internet Off")};
static const SwitchPopUp virtualKeyboardPopUp{
    "input-keyboard-virtual-on",
    "input-keyboard-virtual-off",
    kli18nc("on screen keyboard was enabled because physical keyboard got unplugged, keep short", "On-Screen Keyboard Activated"),
    kli18nc("on screen keyboard was disabled because physical keyboard was plugged in, keep short", "On-Screen Keyboard Deactivated"),
    "mono-input-keyboard-virtual"};

void OsdService::showSwitch(bool on, const SwitchPopUp &popUp)
{
    const QString text = (on ? popUp.onText : popUp.offText).toString();
    const QLatin1String icon(on ? popUp.onIcon : popUp.offIcon);
    if (modeValue != RoundedMode) {
        showText(icon, text);
    } else if (popUp.roundedIcon) {
        showText(QLatin1String(popUp.roundedIcon), text);
    } else {
        showText(QLatin1String("mono-") + icon, text);
    }
}

void OsdService::touchpadEnabledChanged(bool touchpadEnabled)
{
    showSwitch(touchpadEnabled, touchpadPopUp);
}

void OsdService::wifiEnabledChanged(bool wifiEnabled)
{
    showSwitch(wifiEnabled, wifiPopUp);
}

void OsdService::bluetoothEnabledChanged(bool bluetoothEnabled)
{
    showSwitch(bluetoothEnabled, bluetoothPopUp);
}

void OsdService::wwanEnabledChanged(bool wwanEnabled)
{
    showSwitch(wwanEnabled, wwanPopUp);
}

void OsdService::virtualKeyboardEnabledChanged(bool virtualKeyboardEnabled)
{
    showSwitch(virtualKeyboardEnabled, virtualKeyboardPopUp);
}

void OsdService::screenBrightnessChanged(int percent, const QString &displayId, const QString &displayLabel, int priority, const QRect &screenRect)
{
    const QString icon = modeValue == RoundedMode ? QStringLiteral("mono-video-display-brightness") : displayBrightnessIcon;
    const QString id = IntakeBounds::name(displayId);
    const QString label = DisplayBrightnessList::listedLabel(IntakeBounds::name(displayLabel));
    QScreen *screen = screenOfDisplay(id, screenRect);
    const PopupWidget *window = display->window();
    if (!window || !window->isVisible()) {
        displayBrightnesses.clear();
    }
    displayBrightnesses.update(id, label, percent, priority, screen);
    showingDisplayBrightness = true;
    const auto shown = qScopeGuard([this] {
        showingDisplayBrightness = false;
        targetScreen = nullptr;
    });
    if (displayBrightnesses.count() > 1) {
        // Displays on several screens are listed where the settings say.
        targetScreen = displayBrightnesses.commonScreen();
        showDisplayBrightnesses(icon, displayBrightnessIcon, percent, label);
        return;
    }
    targetScreen = screen;
    showProgress(
        icon,
        displayBrightnessIcon,
        percent,
        label,
        withPercent(ki18ndc("vesk_notify_osd_service", "spoken when the screen brightness changes, %1 is the brightness in percent", "Brightness %1 %"),
                    percent));
}

void OsdService::showDisplayBrightnesses(const QString &icon, const QString &themeIcon, int percent, const QString &label)
{
    const int value = qBound(0, percent, defaultMaximumPercent);
    if (announceWhileLocked(themeIcon, value, defaultMaximumPercent, label) || !init()) {
        return;
    }
    display->setCustomTextVisible(false);
    setLookOnRoot(PopupWidget::TextLook());
    setTextOnRoot(icon, displayBrightnesses.text(), displayBrightnesses.rows());
    // A brightness change, however it is drawn: listeners get the display that changed.
    Q_EMIT osdProgress(icon, value, label);
    Q_EMIT osdProgressWithMaximum(themeIcon, value, defaultMaximumPercent, label);
    showOsd(-1);
}

void OsdService::powerProfileChanged(const QString &profile)
{
    const PowerPopUps::Content content = PowerPopUps::profile(IntakeBounds::text(profile), modeValue == RoundedMode);
    if (content.text.isEmpty()) {
        static bool logged = false;
        if (!logged) {
            logged = true;
            qCWarning(OSD_SERVICE) << "a power profile without a name was announced; nothing is shown for it";
        }
        return;
    }
    showText(content.icon, content.text);
}

void OsdService::powerManagementInhibitedChanged(bool inhibited)
{
    const PowerPopUps::Content content = PowerPopUps::inhibition(inhibited, modeValue == RoundedMode);
    showText(content.icon, content.text);
}

void OsdService::lockKeyChanged(LockKey key, bool on)
{
    if (config->lockKeys().testFlag(key)) {
        const LockKeyPopUps::Content content = LockKeyPopUps::content(key, on, modeValue == RoundedMode);
        showText(content.icon, content.text);
    }
}

void OsdService::hide()
{
    const PopupWidget *window = display->window();
    if (!window || !window->isVisible()) {
        return;
    }
    display->hideNow();
}
