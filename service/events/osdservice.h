// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "lockkey.h"
#include "popupcatalogue.h"

#include <KSharedConfig>
#include <QDBusContext>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include <memory>

class BusMessageQueue;
class OsdConfig;
class PopupDisplay;
class QRect;

/**
 * The daemon's central object, exported on the session bus as "/org/kde/osdService".
 *
 * It serves the D-Bus interface: each request becomes one PopupContent, from the row of its
 * event in the PopupCatalogue or from what the caller sends, handed to the PopupDisplay, and is
 * announced by a signal. The pop-up's life (made on demand, shown, hidden, the sound, the
 * warm-up) belongs to its PopupDisplay, which it hands the display time and the icons to warm
 * up from the settings it owns.
 */
class OsdService : public QObject, protected QDBusContext
{
    Q_OBJECT
public:
    enum Mode {
        StandardMode = 0,
        RoundedMode = 1,
    };
    Q_ENUM(Mode)

    /// @p mode is the style at start; later the settings' own is followed. @p plasmaConfig is
    /// the desktop's plasmarc, whose switches for its pop-ups hold for these too.
    OsdService(const KSharedConfig::Ptr &config, QObject *parent, OsdService::Mode mode, const KSharedConfig::Ptr &plasmaConfig = KSharedConfig::Ptr());
    ~OsdService() override;

    /// Claims "org.kde.plasmashell", or confirms that this very process already owns it.
    static bool registerOSDService();

    /// The display style that the configuration asks for: StandardMode when group "OSD" has
    /// "UseStandartMode" true, RoundedMode otherwise (also without a configuration).
    static Mode modeFromConfig(const KSharedConfig::Ptr &config);

    Mode mode() const;
    QObject *osdRootObject() const;
    /// How long a pop-up stays without a time of its own, in milliseconds.
    int timeout() const;
    /// True when the pop-up is enabled; the hide timer is made then.
    bool checkOsdEnabled();
    OsdConfig *config() const;
    PopupDisplay *display() const;

Q_SIGNALS:
    void osdProgress(const QString &icon, int percent, const QString &additionalText);
    void osdText(const QString &icon, const QString &text);
    /// The progress announcement as Plasma 6's listeners take it, with the maximum the value was
    /// drawn against. Sent also while the session is locked: the lock screen draws its own
    /// pop-up from it.
    void osdProgressWithMaximum(const QString &icon, int percent, int maximumPercent, const QString &additionalText);

public Q_SLOTS:
    void brightnessChanged(int percent);
    void keyboardBrightnessChanged(int percent);
    void volumeChanged(int percent);
    void microphoneVolumeChanged(int percent);
    void mediaPlayerVolumeChanged(int percent, const QString &playerName, const QString &playerIconName);
    void kbdLayoutChanged(const QString &layoutName);
    void virtualDesktopChanged(const QString &currentVirtualDesktopName);
    void touchpadEnabledChanged(bool touchpadEnabled);
    void wifiEnabledChanged(bool wifiEnabled);
    void bluetoothEnabledChanged(bool bluetoothEnabled);
    void wwanEnabledChanged(bool wwanEnabled);
    void virtualKeyboardEnabledChanged(bool virtualKeyboardEnabled);
    void showText(const QString &icon, const QString &text);
    void showTextWithFont(const QString &icon,
                          const QString &text,
                          const QString &fontFamily,
                          int fontPointSize,
                          int durationMs,
                          const QString &position,
                          const QString &backgroundColor);
    void showTextWithFontNoBackground(const QString &icon,
                                      const QString &text,
                                      const QString &fontFamily,
                                      int fontPointSize,
                                      int durationMs,
                                      const QString &position,
                                      const QString &backgroundColor);
    void showProgressBar(const QString &icon, int percent);
    /// The volume drawn against @p maximumPercent, for mixers that allow raising it above 100 %.
    void volumeChanged(int percent, int maximumPercent);
    /// One display's brightness. @p screenRect is the geometry of the screen it belongs to,
    /// where the pop-up appears; @p priority orders several displays changed at once.
    void screenBrightnessChanged(int percent, const QString &displayId, const QString &displayLabel, int priority, const QRect &screenRect);
    /// @p profile: "power-saver", "balanced", "performance", or a name of the caller's own.
    void powerProfileChanged(const QString &profile);
    void powerManagementInhibitedChanged(bool inhibited);
    /// Hides the pop-up at once, whatever it shows.
    void hide();

private Q_SLOTS:
    void hideOsd();
    void onSessionLocked(bool locked);
    /// A screen locker that leaves the bus, or gives its name to another, no longer holds the
    /// session locked.
    void onScreenSaverOwnerChanged(const QString &name, const QString &oldOwner, const QString &newOwner);
    /// Caps Lock, Num Lock or Scroll Lock was switched, where the settings ask for its pop-up.
    void lockKeyChanged(LockKey key, bool on);

private:
    void initDBus(OsdService::Mode mode);
    bool init();
    bool rounded() const;
    void updateTimeout();
    /// Takes up the settings read anew: the next pop-up shows them.
    void applySettings();
    /// Shows what @p event shows for @p request, as the settings' style draws it.
    void showEventPopup(PopupCatalogue::Event event, const PopupCatalogue::Request &request = {});
    /// Shows @p popup, unless the session is locked or the pop-up is switched off, and announces
    /// it; @p additionalText goes with a progress value's announcement.
    void show(const PopupCatalogue::Popup &popup, const QString &additionalText = QString(), int durationMs = -1);
    void showCustomText(const QString &icon,
                        const QString &text,
                        const QString &fontFamily,
                        int fontPointSize,
                        int durationMs,
                        const QString &position,
                        const QString &backgroundColor,
                        bool noBackground);
    /// Answers the D-Bus call being served, if any, after the announcement just made.
    void replyAfterAnnouncement();
    void startWarmUp();

    // The settings outlive the display, whose window reads them.
    std::unique_ptr<OsdConfig> const settings;
    std::unique_ptr<PopupDisplay> popupDisplay;
    std::unique_ptr<BusMessageQueue> busMessages;
    Mode modeValue;
    // The style the window was made in.
    Mode windowMode;
};
