// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "lockkey.h"
#include "popupposition.h"

#include <KSharedConfig>
#include <QObject>
#include <QStringList>

#include <optional>

class KConfigGroup;
class SettingsFileWatcher;

/**
 * The pop-up's user settings: group "OSD" of vesknotifyrc, and the switches that System
 * Settings writes for the desktop's pop-ups in group "OSD" of plasmarc.
 *
 * Both files are read at construction and again whenever one of them changes on disk, however
 * it was saved; a value that cannot be used is reported when it is first read, not again while
 * it stays. Each change is announced once the new values are in place.
 */
class OsdConfig : public QObject
{
    Q_OBJECT
public:
    /// Which screen a pop-up appears on.
    enum class ScreenChoice {
        Primary, ///< the primary screen
        Active, ///< the screen of the active window, else the pointer's
        Pointer, ///< the screen under the mouse pointer
        All, ///< every screen at once, the primary one first
    };
    Q_ENUM(ScreenChoice)

    /// The display time of a pop-up that brings none of its own, and its bounds.
    static constexpr int defaultTimeoutMs = 1800;
    static constexpr int shortestTimeoutMs = 1;
    static constexpr int longestTimeoutMs = 20000;
    /// The lock keys whose changes pop up when the settings name none: the two that change what
    /// typing gives.
    static constexpr LockKeys defaultLockKeys = LockKey::Caps | LockKey::Num;

    /// @p plasmaConfig is the desktop's plasmarc; either may be null.
    OsdConfig(const KSharedConfig::Ptr &config, QObject *parent, const KSharedConfig::Ptr &plasmaConfig = KSharedConfig::Ptr());
    ~OsdConfig() override;

    void loadSettings();
    /// Re-reads both files from disk.
    void reload();
    double opacity() const;
    ScreenChoice screenChoice() const;
    int timeout() const;
    /// "Position": where every pop-up is placed but a custom text with a position of its own;
    /// none: each style's own place.
    std::optional<PopupPosition::Position> position() const;
    /// "Margin": logical pixels between a pop-up and the nearer edges of its screen's available
    /// area; none: the style's own.
    std::optional<int> margin() const;
    /// "UseStandartMode": the standard style rather than the rounded one.
    bool standardStyle() const;
    /// False when the desktop's switch for the keyboard layout pop-up is off.
    bool layoutPopUpEnabled() const;
    /// "LockKeys": the lock keys whose changes pop up.
    LockKeys lockKeys() const;

    /// True when the pop-up is switched OFF ("Enabled" is false here or in plasmarc). The
    /// inverted sense is kept because OsdService::checkOsdEnabled() relies on it.
    bool checkOsdEnabled() const;

Q_SIGNALS:
    /// Any setting changed on disk; the new values are in place.
    void changed();
    void standardStyleChanged(bool standardStyle);

private:
    void report(const QString &problem);
    void readLockKeys(const QString &value);
    void readTimeout(const KConfigGroup &group);
    void readPlacement(const KConfigGroup &group);

    KSharedConfig::Ptr config;
    KSharedConfig::Ptr plasmaConfig;
    SettingsFileWatcher *watcher = nullptr;
    double opacityValue;
    bool switchedOff = false;
    bool standardStyleValue = false;
    bool layoutPopUpEnabledValue = true;
    ScreenChoice screenChoiceValue = ScreenChoice::Primary;
    int timeoutValue = defaultTimeoutMs;
    LockKeys lockKeysValue = defaultLockKeys;
    std::optional<PopupPosition::Position> positionValue;
    std::optional<int> marginValue;
    // The problems found by the last reading, and by the one before.
    QStringList problems;
    QStringList reportedProblems;
};
