// SPDX-License-Identifier: GPL-2.0-or-later
#include "osdservice.h"

#include "busmessagequeue.h"
#include "displaybrightnesslist.h"
#include "fontconfigpreload.h"
#include "intakebounds.h"
#include "lockkeywatcher.h"
#include "osdconfig.h"
#include "osdservice_debug.h"
#include "osdserviceadaptor.h"
#include "popupdisplay.h"
#include "popupstyle.h"
#include "popupwidget.h"
#include "screenmatch.h"

#include <KConfigGroup>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QMetaClassInfo>
#include <QSet>

using PopupCatalogue::Event;

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
    , settings(std::make_unique<OsdConfig>(config, nullptr, plasmaConfig))
    , modeValue(mode)
    , windowMode(mode)
{
    // The keys' states at start are taken before the bus name: a key switched once the daemon
    // can be seen on the bus is a change.
    connect(new LockKeyWatcher(this), &LockKeyWatcher::lockKeyChanged, this, &OsdService::lockKeyChanged);
    initDBus(mode);

    popupDisplay = std::make_unique<PopupDisplay>([this] {
        windowMode = modeValue;
        // A window measures its text as it is built.
        FontConfigPreload::await();
        return PopupStyle::of(rounded()).makeWindow(settings.get());
    });

    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.objectRegisteredAt(QLatin1String(servicePath)) != this) {
        // The mismatched quotes are part of the message as log readers know it.
        qCritical("Failed to register DBus object '%s\"!", QString::fromLatin1(servicePath).toLocal8Bit().constData());
    }

    const QString screenSaver = QStringLiteral("org.freedesktop.ScreenSaver");
    auto *screenSaverWatcher = new QDBusServiceWatcher(screenSaver, bus, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(screenSaverWatcher, &QDBusServiceWatcher::serviceOwnerChanged, this, &OsdService::onScreenSaverOwnerChanged);
    bus.connect(screenSaver,
                QStringLiteral("/org/freedesktop/ScreenSaver"),
                QStringLiteral("org.freedesktop.ScreenSaver"),
                QStringLiteral("ActiveChanged"),
                this,
                SLOT(onSessionLocked(bool)));

    connect(settings.get(), &OsdConfig::changed, this, &OsdService::applySettings);
    connect(settings.get(), &OsdConfig::standardStyleChanged, this, [this](bool standardStyle) {
        modeValue = standardStyle ? StandardMode : RoundedMode;
    });

    // OsdConfig answers true when the pop-up is switched off.
    if (!settings->checkOsdEnabled()) {
        startWarmUp();
    }
}

OsdService::~OsdService() = default;

bool OsdService::registerOSDService()
{
    QDBusConnectionInterface *busInterface = QDBusConnection::sessionBus().interface();
    if (!busInterface) {
        return false;
    }
    // One request, never queued, answers in one round trip what asking for the owner first
    // would, and leaves no gap for another program to take the name in between: the bus
    // grants the name, or confirms that this connection holds it already (both count as
    // registered), or refuses it because another connection owns it.
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply =
        busInterface->registerService(QLatin1String(shellServiceName), QDBusConnectionInterface::DontQueueService);
    return reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered;
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
    // The signals are sent as messages of their own rather than through the adaptor's relay,
    // which hands every message to the bus thread on its own: both forms of a progress
    // announcement go in one hand-over.
    disconnect(this, nullptr, adaptor, nullptr);

    QDBusConnection bus = QDBusConnection::sessionBus();
    const QString path = QLatin1String(servicePath);
    busMessages = std::make_unique<BusMessageQueue>(bus);
    const auto sendSignal = [this, path, interfaceName](const QString &name, const QVariantList &arguments) {
        QDBusMessage message = QDBusMessage::createSignal(path, interfaceName, name);
        message.setArguments(arguments);
        busMessages->send(message);
    };
    const QString progress = QStringLiteral("osdProgress");
    connect(this, &OsdService::osdProgress, this, [sendSignal, progress](const QString &icon, int percent, const QString &additionalText) {
        sendSignal(progress, {icon, percent, additionalText});
    });
    connect(this,
            &OsdService::osdProgressWithMaximum,
            this,
            [sendSignal, progress](const QString &icon, int percent, int maximumPercent, const QString &additionalText) {
                sendSignal(progress, {icon, percent, maximumPercent, additionalText});
            });
    connect(this, &OsdService::osdText, this, [sendSignal](const QString &icon, const QString &text) {
        sendSignal(QStringLiteral("osdText"), {icon, text});
    });
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

bool OsdService::rounded() const
{
    return modeValue == RoundedMode;
}

QObject *OsdService::osdRootObject() const
{
    return popupDisplay->window();
}

int OsdService::timeout() const
{
    return popupDisplay->displayTime();
}

OsdConfig *OsdService::config() const
{
    return settings.get();
}

PopupDisplay *OsdService::display() const
{
    return popupDisplay.get();
}

bool OsdService::checkOsdEnabled()
{
    // OsdConfig answers true when the pop-up is switched off.
    if (settings->checkOsdEnabled()) {
        return false;
    }
    popupDisplay->prepareHideTimer();
    return true;
}

void OsdService::hideOsd()
{
    popupDisplay->hideOsd();
}

void OsdService::onSessionLocked(bool locked)
{
    qCDebug(OSD_SERVICE) << "session locked:" << locked;
    popupDisplay->setSessionLocked(locked);
}

void OsdService::onScreenSaverOwnerChanged(const QString &, const QString &oldOwner, const QString &)
{
    if (!oldOwner.isEmpty() && popupDisplay->isSessionLocked()) {
        qCDebug(OSD_SERVICE) << "the screen locker left the bus: the session counts as unlocked";
        popupDisplay->setSessionLocked(false);
    }
}

// What the events show, looked up and built in idle time after the start.
void OsdService::startWarmUp()
{
    const bool isRounded = rounded();
    const PopupStyle &style = PopupStyle::of(isRounded);
    std::vector<IdleWarmUp::Step> steps;
    // Which icon a row shows may depend on the icon theme, whose first lookups take some
    // milliseconds: each row's icons are named in a step of their own, as they are loaded, and
    // not before the first call is served.
    const auto loaded = std::make_shared<QSet<QString>>();
    for (const PopupCatalogue::Row &row : PopupCatalogue::rows()) {
        steps.emplace_back([&style, &row, isRounded, loaded] {
            for (const QString &name : PopupCatalogue::iconNames(row, isRounded)) {
                if (!loaded->contains(name)) {
                    loaded->insert(name);
                    style.preloadIcon(name);
                }
            }
        });
    }
    steps.emplace_back([&style] {
        FontConfigPreload::await();
        style.preloadFonts();
    });
    // The window itself, hidden: building its widgets and fitting their text is most of what
    // the first pop-up costs after the caches are warm. It is kept as the first pop-up keeps it.
    steps.emplace_back([this] {
        init();
    });
    popupDisplay->startWarmUp(std::move(steps), warmUpDelayMs);
}

bool OsdService::init()
{
    if (!checkOsdEnabled()) {
        return false;
    }
    // A window of the style given up is made anew in the style chosen since.
    if (popupDisplay->window() && windowMode != modeValue) {
        popupDisplay->discardWindow();
    }
    if (!popupDisplay->window()) {
        popupDisplay->ensureWindow();
        updateTimeout();
    }
    return true;
}

// The display time is the settings' own, handed down when the window is made.
void OsdService::updateTimeout()
{
    popupDisplay->setDisplayTime(settings->timeout());
}

void OsdService::applySettings()
{
    if (popupDisplay->window()) {
        updateTimeout();
    }
    for (PopupWidget *window : popupDisplay->windows()) {
        window->setTimeout(settings->timeout());
        window->setWindowOpacity(settings->opacity());
    }
}

void OsdService::showEventPopup(Event event, const PopupCatalogue::Request &request)
{
    show(PopupCatalogue::popup(event, rounded(), request), request.name);
}

void OsdService::show(const PopupCatalogue::Popup &popup, const QString &additionalText, int durationMs)
{
    const PopupContent &content = popup.content;
    const bool progress = popup.announced == PopupContent::Kind::Progress;
    if (popupDisplay->isSessionLocked()) {
        // The lock screen draws its own pop-up from this one announcement.
        if (progress && checkOsdEnabled()) {
            Q_EMIT osdProgressWithMaximum(popup.themeIcon, content.value, content.maximum, additionalText);
            replyAfterAnnouncement();
        }
        return;
    }
    if (!init()) {
        return;
    }
    popupDisplay->setEveryScreen(settings->screenChoice() == OsdConfig::ScreenChoice::All);
    popupDisplay->show(content, popup.phrase, durationMs);
    if (progress) {
        Q_EMIT osdProgress(content.icon, content.value, additionalText);
        Q_EMIT osdProgressWithMaximum(popup.themeIcon, content.value, content.maximum, additionalText);
    } else {
        Q_EMIT osdText(content.icon, content.text);
    }
    replyAfterAnnouncement();
}

// The reply follows the announcement in its hand-over to the bus thread rather than in one of
// its own, as QtDBus would send it once the call returns. A call made within this process
// (from its own connection's name) is answered by QtDBus itself, which hands such a reply over
// without the bus.
void OsdService::replyAfterAnnouncement()
{
    if (!calledFromDBus()) {
        return;
    }
    const QDBusMessage &call = message();
    const QString caller = call.service();
    if (!call.isReplyRequired() || !caller.startsWith(QLatin1Char(':')) || caller == connection().baseService()) {
        return;
    }
    setDelayedReply(true);
    busMessages->send(call.createReply());
}

void OsdService::showText(const QString &icon, const QString &text)
{
    show(PopupCatalogue::Popup::ofText(PopupContent::textOf(IntakeBounds::name(icon), IntakeBounds::text(text))));
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
    const PopupTextLook look{true,
                             noBackground,
                             IntakeBounds::word(backgroundColor),
                             IntakeBounds::word(position),
                             IntakeBounds::word(fontFamily),
                             qBound(0, fontPointSize, 100)};
    PopupContent content = PopupContent::textOf(IntakeBounds::name(icon), IntakeBounds::text(text), look);
    content.customText = true;
    show(PopupCatalogue::Popup::ofText(content), QString(), durationMs);
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
    showEventPopup(Event::ProgressBar, PopupCatalogue::Request::value(percent, defaultMaximumPercent, QString(), IntakeBounds::name(icon)));
}

void OsdService::brightnessChanged(int percent)
{
    showEventPopup(Event::Brightness, PopupCatalogue::Request::value(percent));
}

void OsdService::keyboardBrightnessChanged(int percent)
{
    showEventPopup(Event::KeyboardBrightness, PopupCatalogue::Request::value(percent));
}

void OsdService::volumeChanged(int percent)
{
    showEventPopup(Event::Volume, PopupCatalogue::Request::value(percent));
}

void OsdService::volumeChanged(int percent, int maximumPercent)
{
    showEventPopup(Event::Volume, PopupCatalogue::Request::value(percent, qBound(defaultMaximumPercent, maximumPercent, largestMaximumPercent)));
}

void OsdService::microphoneVolumeChanged(int percent)
{
    showEventPopup(Event::Microphone, PopupCatalogue::Request::value(percent));
}

void OsdService::mediaPlayerVolumeChanged(int percent, const QString &playerName, const QString &playerIconName)
{
    showEventPopup(Event::MediaPlayerVolume,
                   PopupCatalogue::Request::value(percent, defaultMaximumPercent, IntakeBounds::text(playerName), IntakeBounds::name(playerIconName)));
}

void OsdService::kbdLayoutChanged(const QString &layoutName)
{
    if (settings->layoutPopUpEnabled()) {
        showEventPopup(Event::KeyboardLayout, PopupCatalogue::Request::named(IntakeBounds::text(layoutName)));
    }
}

void OsdService::virtualDesktopChanged(const QString &currentVirtualDesktopName)
{
    showEventPopup(Event::VirtualDesktop, PopupCatalogue::Request::named(IntakeBounds::text(currentVirtualDesktopName)));
}

void OsdService::touchpadEnabledChanged(bool touchpadEnabled)
{
    showEventPopup(touchpadEnabled ? Event::TouchpadOn : Event::TouchpadOff);
}

void OsdService::wifiEnabledChanged(bool wifiEnabled)
{
    showEventPopup(wifiEnabled ? Event::WifiOn : Event::WifiOff);
}

void OsdService::bluetoothEnabledChanged(bool bluetoothEnabled)
{
    showEventPopup(bluetoothEnabled ? Event::BluetoothOn : Event::BluetoothOff);
}

void OsdService::wwanEnabledChanged(bool wwanEnabled)
{
    showEventPopup(wwanEnabled ? Event::MobileInternetOn : Event::MobileInternetOff);
}

void OsdService::virtualKeyboardEnabledChanged(bool virtualKeyboardEnabled)
{
    showEventPopup(virtualKeyboardEnabled ? Event::VirtualKeyboardOn : Event::VirtualKeyboardOff);
}

void OsdService::screenBrightnessChanged(int percent, const QString &displayId, const QString &displayLabel, int priority, const QRect &screenRect)
{
    const QString id = IntakeBounds::name(displayId);
    const QString label = DisplayBrightnessList::listedLabel(IntakeBounds::name(displayLabel));
    QScreen *screen = screenOfDisplay(id, screenRect);
    DisplayBrightnessList &listed = popupDisplay->displayBrightnesses();
    listed.update(id, label, percent, priority, screen);

    PopupCatalogue::Popup popup = PopupCatalogue::popup(Event::Brightness, rounded(), PopupCatalogue::Request::value(percent));
    PopupContent &content = popup.content;
    content.displayBrightness = true;
    content.screen = screen;
    if (listed.count() > 1) {
        // Several displays are listed as names and values, where the settings say unless all
        // are on one screen. Listeners still hear of the display that changed.
        content.kind = PopupContent::Kind::Text;
        content.maximum = defaultMaximumPercent;
        content.text = listed.text();
        content.rows = listed.rows();
        content.screen = listed.commonScreen();
        popup.phrase = KLocalizedString();
    }
    show(popup, label);
}

void OsdService::powerProfileChanged(const QString &unboundedProfile)
{
    const QString profile = IntakeBounds::text(unboundedProfile);
    if (profile.trimmed().isEmpty()) {
        static bool logged = false;
        if (!logged) {
            logged = true;
            qCWarning(OSD_SERVICE) << "a power profile without a name was announced; nothing is shown for it";
        }
        return;
    }
    showEventPopup(PopupCatalogue::powerProfile(profile), PopupCatalogue::Request::named(profile));
}

void OsdService::powerManagementInhibitedChanged(bool inhibited)
{
    showEventPopup(inhibited ? Event::SleepBlocked : Event::SleepAllowed);
}

void OsdService::lockKeyChanged(LockKey key, bool on)
{
    if (settings->lockKeys().testFlag(key)) {
        showEventPopup(PopupCatalogue::lockKey(key, on));
    }
}

void OsdService::hide()
{
    const PopupWidget *window = popupDisplay->window();
    if (!window || !window->isVisible()) {
        return;
    }
    popupDisplay->hideNow();
}
