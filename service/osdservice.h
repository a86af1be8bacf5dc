// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "displaybrightnesslist.h"

#include <KSharedConfig>
#include <QObject>
#include <QPointer>
#include <QStringList>

class IdleWarmUp;
class KLocalizedString;
class OsdConfig;
class QScreen;
class QRect;
class QThread;
class QTimer;
struct SwitchPopUp;

namespace Vesk
{
namespace SystemSoundsQt
{
class Player;
}
}

/**
 * The daemon's central object, exported on the session bus as "/org/kde/osdService".
 *
 * It owns the settings, the display widget of the chosen style (created on the first request
 * that finds the pop-up enabled), the hide timer and the system sound player, which lives in
 * a thread of its own so that playing a sound never stalls the pop-up. When the pop-up is
 * enabled, it loads what the first pop-up needs in idle time after the start.
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

    OsdService(const KSharedConfig::Ptr &config, QObject *parent, OsdService::Mode mode);
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

    bool eventFilter(QObject *watched, QEvent *event) override;

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
    void onPrimaryScreenChanged(QScreen *screen);
    void onTrackedScreenMetricsChanged();

private:
    friend class OsdServiceTest;

    void initDBus(OsdService::Mode mode);
    bool checkOsdEnabled();
    bool init();
    void updateTimeout();
    /// @p maximum is what the ring or bar is drawn against; @p percent is kept to 0..maximum.
    /// @p phrase is what a screen reader says of it.
    void showProgress(const QString &icon, int percent, const QString &additionalText, const KLocalizedString &phrase, int maximum = 100);
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
    void showDisplayBrightnesses(const QString &icon, int percent, const QString &label);
    void showSwitch(bool on, const SwitchPopUp &popUp);
    void showOsd(int durationMs);
    int effectiveDurationMs(int durationMs) const;
    void refreshContentOnRoot();
    // How the pop-up shows a text: the ordinary look, or the custom one of showTextWithFont.
    struct TextLook {
        bool custom = false;
        bool noBackground = false;
        QString backgroundColor;
        QString position;
    };
    void setLookOnRoot(const TextLook &look);
    void setTextFontOnRoot(const QString &family, int pointSize);
    void hideCustomTextOsdIfVisible();
    void trackScreen(QScreen *screen);
    /// Every icon name that the handlers show in @p mode.
    static QStringList handlerIconNames(Mode mode);
    void startWarmUp();

    QObject *rootObject;
    OsdConfig *config;
    QThread *soundThread;
    Vesk::SystemSoundsQt::Player *soundPlayer;
    QTimer *hideTimer;
    int timeoutMs;
    bool sessionLocked;
    bool customTextVisible;
    Mode modeValue;
    // Cleared when the screen goes away, so that a later change of screen never reaches it.
    QPointer<QScreen> trackedScreen;
    IdleWarmUp *warmUp;
    // The displays that the brightness pop-up shown now lists.
    DisplayBrightnessList displayBrightnesses;
    // The screen the pop-up about to be shown belongs on; null: where the settings say.
    QPointer<QScreen> targetScreen;
};
