// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "displaybrightnesslist.h"
#include "lockkey.h"
#include "popupwidget.h"

#include <KSharedConfig>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include <memory>

class KLocalizedString;
class OsdConfig;
class PopupDisplay;
class QRect;
class QScreen;
struct SwitchPopUp;

/**
 * The daemon's central object, exported on the session bus as "/org/kde/osdService".
 *
 * It serves the D-Bus interface: each request becomes an icon, a value or a text and a look,
 * put into the pop-up window of the chosen style through the window's typed calls, and is
 * announced by a signal. The pop-up's life (made on demand, shown, hidden, the sound, the
 * warm-up) belongs to its PopupDisplay, which it hands the display time and the icons to warm
 * up from the settings it owns.
 */
class OsdService : public QObject
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
    int timeout() const;
    void setTimeout(int timeout);

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
    friend class OsdServiceTest;

    void initDBus(OsdService::Mode mode);
    bool checkOsdEnabled();
    bool init();
    void updateTimeout();
    /// Takes up the settings read anew: the next pop-up shows them.
    void applySettings();
    /// @p maximum is what the ring or bar is drawn against; @p percent is kept to 0..maximum.
    /// @p phrase is what a screen reader says of it. @p themeIcon is the name Plasma 6's
    /// listeners get for @p icon.
    void
    showProgress(const QString &icon, const QString &themeIcon, int percent, const QString &additionalText, const KLocalizedString &phrase, int maximum = 100);
    void showTextInternal(const QString &icon, const QString &text, int durationMs);
    void showCustomText(const QString &icon,
                        const QString &text,
                        const QString &fontFamily,
                        int fontPointSize,
                        int durationMs,
                        const QString &position,
                        const QString &backgroundColor,
                        bool noBackground);
    void showVolume(int percent, int maximum);
    /// Sends the one announcement that a locked session still gets; true when locked.
    bool announceWhileLocked(const QString &icon, int value, int maximum, const QString &additionalText);
    /// The pop-up that lists several displays' brightness; the display that changed last
    /// (@p percent, @p label) is what the call announces.
    void showDisplayBrightnesses(const QString &icon, const QString &themeIcon, int percent, const QString &label);
    void showSwitch(bool on, const SwitchPopUp &popUp);
    void showOsd(int durationMs);
    void refreshContentOnRoot();
    /// The window shows @p text with @p icon, as a text rather than a value; drawn as @p rows
    /// where the text lists names and their values.
    void setTextOnRoot(const QString &icon, const QString &text, const QList<PopupListRow> &rows = {});
    void setLookOnRoot(const PopupWidget::TextLook &look);
    /// Every icon name that the handlers show in @p mode.
    static QStringList handlerIconNames(Mode mode);
    void startWarmUp();

    // The settings outlive the display, whose window reads them.
    std::unique_ptr<OsdConfig> config;
    std::unique_ptr<PopupDisplay> display;
    Mode modeValue;
    // The style the window was made in.
    Mode windowMode;
    // The displays that the brightness pop-up shown now lists: emptied when the pop-up hides
    // or shows anything else.
    DisplayBrightnessList displayBrightnesses;
    // True while a display's brightness is being shown.
    bool showingDisplayBrightness = false;
    // The screen the pop-up about to be shown belongs on; null: where the settings say.
    QPointer<QScreen> targetScreen;
};
