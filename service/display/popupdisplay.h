// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "displaybrightnesslist.h"
#include "idlewarmup.h"

#include <QObject>

#include <functional>
#include <memory>

class KLocalizedString;
class PopupDisplayPrivate;
class PopupWidget;
class QScreen;
class QTimer;
struct PopupContent;

namespace Vesk
{
namespace SystemSoundsQt
{
class Player;
}
}

/**
 * The life of the daemon's one pop-up window: made on the first request that needs it, shown
 * for a display time and then hidden by a timer, hidden at once when the session is locked or,
 * while it shows a caller's custom text, when the screen it is on changes; the system sound
 * each time it appears; the loading, in idle time after the start, of what the first
 * pop-up needs, after which the memory it freed is given back to the system.
 *
 * On every screen at once, when asked to: the window shows on the primary screen, with the
 * sound and for screen readers, and a silent copy of it on each other screen, made as screens
 * come and dropped as they go. Hiding, the lock and the display time act on all of them.
 *
 * The service decides what is shown and hands the display time and the warm-up down; this
 * class never reads the settings. It shows what it is handed on the screen the content asks
 * for, keeps the list of displays whose brightness the pop-up lists for as long as the pop-up
 * shows them, and tells screen readers what the pop-up says.
 */
class PopupDisplay : public QObject
{
    Q_OBJECT
public:
    /// Makes the window of the chosen style; called on the first request and after discardWindow().
    using WindowFactory = std::function<std::unique_ptr<PopupWidget>()>;

    explicit PopupDisplay(WindowFactory makeWindow, QObject *parent = nullptr);
    ~PopupDisplay() override;

    /// The window; null until the first request made it.
    PopupWidget *window() const;
    /// The window and its copies on the other screens, the window first; empty until the first
    /// request made the window.
    QList<PopupWidget *> windows() const;
    /// Makes the window unless it exists; returns it.
    PopupWidget *ensureWindow();
    /// Whether each pop-up shows on every screen; one of a display's brightness shows only on
    /// that display's screen all the same. Off by default.
    bool everyScreen() const;
    void setEveryScreen(bool everyScreen);
    /// Hides and deletes the window and its copies: the next request makes a new one, as the
    /// first did.
    void discardWindow();
    /// Makes the hide timer unless it exists: the pop-up is enabled.
    void prepareHideTimer();

    /// How long a pop-up stays without a time of its own, in milliseconds.
    int displayTime() const;
    void setDisplayTime(int milliseconds);

    /// Shows @p content in the window, made before, and hides it after
    /// effectiveDurationMs(@p durationMs). @p phrase is what a screen reader says; empty: the
    /// text shown. Nothing is shown while the session is locked.
    void show(const PopupContent &content, const KLocalizedString &phrase, int durationMs);
    /// Hides the window and empties its value.
    void hideOsd();
    /// Hides the window before its time: the hide timer stops too.
    void hideNow();

    bool isSessionLocked() const;
    /// A locked session hides the pop-up at once; unlocking shows nothing again.
    void setSessionLocked(bool locked);

    /// The displays whose brightness the pop-up shown now lists; empty unless it shows them.
    DisplayBrightnessList &displayBrightnesses();

    /// Runs @p steps in idle time, starting after @p delayMs.
    void startWarmUp(std::vector<IdleWarmUp::Step> steps, int delayMs);

    /// The timer that hides the pop-up; null until the pop-up was found enabled.
    QTimer *hideTimer() const;
    /// The player of the system sound, which lives in a thread of its own; null until the
    /// first pop-up was shown.
    Vesk::SystemSoundsQt::Player *soundPlayer() const;
    /// The warm-up after the start; null when none was started.
    IdleWarmUp *warmUp() const;

    /// Queues the system sound when the window is shown.
    bool eventFilter(QObject *watched, QEvent *event) override;

Q_SIGNALS:
    /// The heap memory freed by the warm-up was given back to the system (not emitted when a
    /// pop-up showed as the warm-up ended).
    void idleMemoryReleased();

private:
    /// What a pop-up asked to stay @p durationMs (0 or less: the display time) stays, at
    /// least 1 ms and at most 20 s.
    int effectiveDurationMs(int durationMs) const;
    /// Shows the window and hides it after effectiveDurationMs(@p durationMs).
    void showOsd(int durationMs);
    /// Hides a caller's custom text: the screen it was placed for changed.
    void hideCustomTextOsdIfVisible();
    /// Gives each screen but the window's a copy of what the window shows while it shows on
    /// every screen, and hides or drops the copies otherwise. @p removed is a screen going away.
    void updateCopies(QScreen *removed = nullptr);
    /// Gives freed heap memory back to the system unless the window shows.
    void releaseIdleMemory();

    std::unique_ptr<PopupDisplayPrivate> const d;
};
