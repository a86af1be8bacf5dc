// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <KSharedConfig>
#include <QObject>

/**
 * The pop-up's user settings, group "OSD" of vesknotifyrc.
 *
 * Every key is read once, at construction, from the configuration object opened at start-up,
 * which is never re-read: edits to the file take effect at the next start of the daemon.
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
    };
    Q_ENUM(ScreenChoice)

    /// The display time of a pop-up that brings none of its own, and its bounds.
    static constexpr int defaultTimeoutMs = 1800;
    static constexpr int shortestTimeoutMs = 1;
    static constexpr int longestTimeoutMs = 20000;

    OsdConfig(const KSharedConfig::Ptr &config, QObject *parent);
    ~OsdConfig() override;

    void loadSettings();
    double opacity() const;
    ScreenChoice screenChoice() const;
    int timeout() const;

    /// True when the pop-up is switched OFF ("Enabled" is false). The inverted sense is kept
    /// because OsdService::checkOsdEnabled() relies on it.
    bool checkOsdEnabled() const;

private:
    KSharedConfig::Ptr config;
    double opacityValue;
    bool switchedOff = false;
    ScreenChoice screenChoiceValue = ScreenChoice::Primary;
    int timeoutValue = defaultTimeoutMs;
};
