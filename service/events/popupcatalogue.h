// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "lockkey.h"
#include "popupcontent.h"

#include <KLazyLocalizedString>
#include <KLocalizedString>
#include <QStringList>

/**
 * The pop-ups of the daemon's events, one row each: what the event shows in each style, the
 * icon Plasma 6's listeners are sent, and what a screen reader says. Adding an event is adding
 * a row.
 *
 * The rounded style shows its built-in icons. The standard style shows the icon theme's, in
 * the level of the value where the row has levels (muted at 0, low up to 25, medium up to 75,
 * high above); a row that falls back shows the built-in drawing where the theme has no such
 * icon (older themes have no power profile icons), which the pop-up draws like a theme icon.
 */
namespace PopupCatalogue
{
enum class Event {
    Brightness,
    KeyboardBrightness,
    Volume,
    Microphone,
    MediaPlayerVolume,
    ProgressBar,
    KeyboardLayout,
    VirtualDesktop,
    TouchpadOn,
    TouchpadOff,
    WifiOn,
    WifiOff,
    BluetoothOn,
    BluetoothOff,
    MobileInternetOn,
    MobileInternetOff,
    VirtualKeyboardOn,
    VirtualKeyboardOff,
    PowerSaver,
    Balanced,
    Performance,
    OtherPowerProfile,
    SleepBlocked,
    SleepAllowed,
    CapsLockOn,
    CapsLockOff,
    NumLockOn,
    NumLockOff,
    ScrollLockOn,
    ScrollLockOff,
};

/// When a progress event counts as muted: it then shows its muted text in the standard style,
/// its muted icon in the rounded one, and says the muted text in both.
enum class Muted {
    Never,
    AtOrBelowZero,
    /// A media player's volume: a negative value is drawn as an empty bar, not as muted.
    AtZero,
};

struct Row {
    Event event;
    PopupContent::Kind kind;
    /// The rounded style's built-in icon; empty: none; callersIcon: the one the caller names.
    const char *roundedIcon;
    /// The rounded style's icon when muted.
    const char *roundedMutedIcon;
    /// The icon theme's name: the standard style's icon and what Plasma 6's listeners are sent;
    /// empty: none; callersIcon: the one the caller names. With levels, the base of the names.
    const char *themeIcon;
    bool levels;
    /// The standard style shows the rounded one's built-in icon where the theme has none.
    bool builtInFallback;
    Muted muted;
    /// A text event's text; empty: the caller's. A progress event's spoken phrase: %1 is the
    /// value, or the caller's name and %2 the value.
    KLazyLocalizedString text;
    /// A progress event's phrase without the caller's name.
    KLazyLocalizedString unnamedText;
    /// The muted text: %1 is the caller's name.
    KLazyLocalizedString mutedText;
};

/// Marks an icon column: the icon that the caller names.
extern const char callersIcon[];

/// Every row, in the order of Event.
const std::vector<Row> &rows();
const Row &row(Event event);

/// The power profile event of @p profile ("power-saver", "balanced", "performance", or a name
/// of the caller's own).
Event powerProfile(const QString &profile);

/// The event of @p key switched @p on or off.
Event lockKey(LockKey key, bool on);

/// What the caller of an event sends along.
struct Request {
    int percent = 0;
    int maximum = 100;
    /// The name shown or spoken: a player's, a layout's, a virtual desktop's, a power profile's.
    QString name;
    QString icon;

    static Request value(int percent, int maximum = 100, const QString &name = QString(), const QString &icon = QString())
    {
        Request request;
        request.percent = percent;
        request.maximum = maximum;
        request.name = name;
        request.icon = icon;
        return request;
    }
    static Request named(const QString &name)
    {
        return value(0, 100, name);
    }
};

/// What one event shows.
struct Popup {
    PopupContent content;
    /// What a screen reader says; empty: the text shown.
    KLocalizedString phrase;
    /// The icon Plasma 6's listeners are sent with a progress value.
    QString themeIcon;
    /// How listeners are told of it: as a progress value or as a text.
    PopupContent::Kind announced = PopupContent::Kind::Text;

    /// A text that the caller chose, told as what it says.
    static Popup ofText(const PopupContent &content)
    {
        Popup popup;
        popup.content = content;
        return popup;
    }
};

Popup popup(Event event, bool rounded, const Request &request = {});

/// The icons that @p row shows in one style, each level included. Where the row falls back on a
/// built-in icon, this asks the icon theme whether it has its own.
QStringList iconNames(const Row &row, bool rounded);
/// Every icon that the rows show in one style, each level included; the empty name stands for
/// a pop-up without an icon.
QStringList iconNames(bool rounded);
}
