// SPDX-License-Identifier: GPL-2.0-or-later
#include "popupcatalogue.h"

#include <QIcon>

using Kind = PopupContent::Kind;
using PopupCatalogue::Event;
using PopupCatalogue::Muted;

const char PopupCatalogue::callersIcon[] = "<the caller's>";

namespace
{
PopupCatalogue::Row textRow(Event event, const char *roundedIcon, const char *themeIcon, const KLazyLocalizedString &text = {})
{
    return {event, Kind::Text, roundedIcon, nullptr, themeIcon, false, false, Muted::Never, text, {}, {}};
}

// The power pop-ups fall back to the built-in drawing: older themes have no power profile icons.
PopupCatalogue::Row powerRow(Event event, const char *roundedIcon, const char *themeIcon, const KLazyLocalizedString &text = {})
{
    PopupCatalogue::Row row = textRow(event, roundedIcon, themeIcon, text);
    row.builtInFallback = true;
    return row;
}

// The lock keys show the built-in padlocks in both styles: a theme's icons would have to come
// in pairs (Breeze draws only the states that are on), or on and off would look like two
// different things.
PopupCatalogue::Row lockKeyRow(Event event, const char *builtInIcon, const KLazyLocalizedString &text)
{
    PopupCatalogue::Row row = textRow(event, builtInIcon, builtInIcon, text);
    row.builtInFallback = true;
    return row;
}

PopupCatalogue::Row progressRow(Event event, const char *roundedIcon, const char *themeIcon, const KLazyLocalizedString &phrase)
{
    return {event, Kind::Progress, roundedIcon, nullptr, themeIcon, false, false, Muted::Never, phrase, {}, {}};
}

// A volume: the theme's icon in the level of the value, and muted at 0.
PopupCatalogue::Row volumeRow(Event event,
                              const char *roundedIcon,
                              const char *roundedMutedIcon,
                              const char *themeIcon,
                              const KLazyLocalizedString &phrase,
                              const KLazyLocalizedString &mutedText)
{
    return {event, Kind::Progress, roundedIcon, roundedMutedIcon, themeIcon, true, false, Muted::AtOrBelowZero, phrase, {}, mutedText};
}

const KLazyLocalizedString volumePhrase = kli18nc("spoken when the volume changes, %1 is the volume in percent", "Volume %1 %");

const std::vector<PopupCatalogue::Row> catalogue = {
    progressRow(Event::Brightness,
                "mono-video-display-brightness",
                "video-display-brightness",
                kli18nc("spoken when the screen brightness changes, %1 is the brightness in percent", "Brightness %1 %")),
    progressRow(Event::KeyboardBrightness,
                "mono-input-keyboard-brightness",
                "input-keyboard-brightness",
                kli18nc("spoken when the keyboard backlight changes, %1 is the brightness in percent", "Keyboard brightness %1 %")),
    volumeRow(Event::Volume,
              "mono-audio-volume",
              "mono-audio-volume-muted",
              "audio-volume",
              volumePhrase,
              kli18nc("OSD informing that the system is muted, keep short", "Audio Muted")),
    volumeRow(Event::Microphone,
              "mono-microphone-sensitivity",
              "mono-microphone-sensitivity-muted",
              "microphone-sensitivity",
              kli18nc("spoken when the microphone volume changes, %1 is the volume in percent", "Microphone %1 %"),
              kli18nc("OSD informing that the microphone is muted, keep short", "Microphone Muted")),
    {Event::MediaPlayerVolume,
     Kind::Progress,
     "mono-play-circle",
     nullptr,
     PopupCatalogue::callersIcon,
     false,
     false,
     Muted::AtZero,
     kli18nc("spoken when a media player's volume changes, %1 is the player's name, %2 the volume in percent", "%1 volume %2 %"),
     volumePhrase,
     kli18nc("OSD informing that some media app is muted, eg. Amarok Muted", "%1 Muted")},
    progressRow(Event::ProgressBar,
                PopupCatalogue::callersIcon,
                PopupCatalogue::callersIcon,
                kli18nc("spoken when another program shows a progress value, %1 is the value in percent", "%1 %")),
    textRow(Event::KeyboardLayout, "", "keyboard-layout"),
    textRow(Event::VirtualDesktop, "mono-virtual-desktops", ""),
    textRow(Event::TouchpadOn, "mono-input-touchpad-on", "input-touchpad-on", kli18nc("touchpad was enabled, keep short", "Touchpad On")),
    textRow(Event::TouchpadOff, "mono-input-touchpad-off", "input-touchpad-off", kli18nc("touchpad was disabled, keep short", "Touchpad Off")),
    textRow(Event::WifiOn, "mono-network-wireless-on", "network-wireless-on", kli18nc("wireless lan was enabled, keep short", "Wifi On")),
    textRow(Event::WifiOff, "mono-network-wireless-off", "network-wireless-off", kli18nc("wireless lan was disabled, keep short", "Wifi Off")),
    textRow(Event::BluetoothOn,
            "mono-preferences-system-bluetooth",
            "preferences-system-bluetooth",
            kli18nc("Bluetooth was enabled, keep short", "Bluetooth On")),
    textRow(Event::BluetoothOff,
            "mono-preferences-system-bluetooth-inactive",
            "preferences-system-bluetooth-inactive",
            kli18nc("Bluetooth was disabled, keep short", "Bluetooth Off")),
    textRow(Event::MobileInternetOn, "mono-network-mobile-on", "network-mobile-on", kli18nc("mobile internet was enabled, keep short", "Mobile Internet On")),
    textRow(Event::MobileInternetOff,
            "mono-network-mobile-off",
            "network-mobile-off",
            kli18nc("mobile internet was disabled, keep short", "Mobile Internet Off")),
    // The rounded style has one icon for both states of the on-screen keyboard.
    textRow(Event::VirtualKeyboardOn,
            "mono-input-keyboard-virtual",
            "input-keyboard-virtual-on",
            kli18nc("on screen keyboard was enabled because physical keyboard got unplugged, keep short", "On-Screen Keyboard Activated")),
    textRow(Event::VirtualKeyboardOff,
            "mono-input-keyboard-virtual",
            "input-keyboard-virtual-off",
            kli18nc("on screen keyboard was disabled because physical keyboard was plugged in, keep short", "On-Screen Keyboard Deactivated")),
    powerRow(Event::PowerSaver,
             "mono-power-profile-power-saver",
             "battery-profile-powersave",
             kli18nc("the power profile was switched to saving energy, keep short", "Power Saving Mode")),
    powerRow(Event::Balanced, "mono-power-profile-balanced", "speedometer", kli18nc("the power profile was switched to balanced, keep short", "Balanced Mode")),
    powerRow(Event::Performance,
             "mono-power-profile-performance",
             "battery-profile-performance",
             kli18nc("the power profile was switched to the highest performance, keep short", "Performance Mode")),
    powerRow(Event::OtherPowerProfile, "mono-power-profile", "preferences-system-power-management"),
    powerRow(Event::SleepBlocked,
             "mono-system-suspend-inhibited",
             "system-suspend-inhibited",
             kli18nc("sleep and screen locking were blocked by an application, keep short", "Automatic Sleep Blocked")),
    powerRow(Event::SleepAllowed,
             "mono-system-suspend",
             "system-suspend-uninhibited",
             kli18nc("sleep and screen locking are no longer blocked, keep short", "Automatic Sleep Allowed")),
    lockKeyRow(Event::CapsLockOn, "mono-input-caps-on", kli18nc("Caps Lock was switched on, keep short", "Caps Lock On")),
    lockKeyRow(Event::CapsLockOff, "mono-input-caps-off", kli18nc("Caps Lock was switched off, keep short", "Caps Lock Off")),
    lockKeyRow(Event::NumLockOn, "mono-input-num-on", kli18nc("Num Lock was switched on, keep short", "Num Lock On")),
    lockKeyRow(Event::NumLockOff, "mono-input-num-off", kli18nc("Num Lock was switched off, keep short", "Num Lock Off")),
    lockKeyRow(Event::ScrollLockOn, "mono-input-scroll-on", kli18nc("Scroll Lock was switched on, keep short", "Scroll Lock On")),
    lockKeyRow(Event::ScrollLockOff, "mono-input-scroll-off", kli18nc("Scroll Lock was switched off, keep short", "Scroll Lock Off")),
};

const char *const profileNames[] = {"power-saver", "balanced", "performance"};
const Event profileEvents[] = {Event::PowerSaver, Event::Balanced, Event::Performance};

bool isCallers(const char *icon)
{
    return icon == PopupCatalogue::callersIcon;
}

// The theme's level icons: muted at 0, low up to 25, medium up to 75, high above.
QString levelIcon(const QString &base, int percent)
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

// The icon theme's icon of @p row; @p percent chooses its level.
QString themeIconOf(const PopupCatalogue::Row &row, const QString &callersIcon, int percent)
{
    if (isCallers(row.themeIcon)) {
        return callersIcon;
    }
    const QString name = QLatin1String(row.themeIcon);
    return row.levels ? levelIcon(name, percent) : name;
}

QString styleIconOf(const PopupCatalogue::Row &row, bool rounded, bool muted, const QString &callersIcon, int percent)
{
    if (rounded) {
        const char *icon = muted && row.roundedMutedIcon ? row.roundedMutedIcon : row.roundedIcon;
        return isCallers(icon) ? callersIcon : QString::fromLatin1(icon);
    }
    const QString themeIcon = themeIconOf(row, callersIcon, percent);
    if (row.builtInFallback && !QIcon::hasThemeIcon(themeIcon)) {
        return QLatin1String(row.roundedIcon);
    }
    return themeIcon;
}

bool isMuted(Muted muted, int percent)
{
    switch (muted) {
    case Muted::Never:
        return false;
    case Muted::AtOrBelowZero:
        return percent <= 0;
    case Muted::AtZero:
        return percent == 0;
    }
    return false;
}
}

const std::vector<PopupCatalogue::Row> &PopupCatalogue::rows()
{
    return catalogue;
}

const PopupCatalogue::Row &PopupCatalogue::row(Event event)
{
    return catalogue[static_cast<std::size_t>(event)];
}

PopupCatalogue::Event PopupCatalogue::powerProfile(const QString &profile)
{
    for (std::size_t i = 0; i < std::size(profileNames); ++i) {
        if (profile == QLatin1String(profileNames[i])) {
            return profileEvents[i];
        }
    }
    return Event::OtherPowerProfile;
}

PopupCatalogue::Event PopupCatalogue::lockKey(LockKey key, bool on)
{
    switch (key) {
    case LockKey::Caps:
        return on ? Event::CapsLockOn : Event::CapsLockOff;
    case LockKey::Num:
        return on ? Event::NumLockOn : Event::NumLockOff;
    case LockKey::Scroll:
        break;
    }
    return on ? Event::ScrollLockOn : Event::ScrollLockOff;
}

PopupCatalogue::Popup PopupCatalogue::popup(Event event, bool rounded, const Request &request)
{
    const Row &shown = row(event);
    const bool muted = isMuted(shown.muted, request.percent);
    const QString icon = styleIconOf(shown, rounded, muted, request.icon, request.percent);
    Popup popup;
    if (shown.kind == Kind::Text) {
        popup.content = PopupContent::textOf(icon, shown.text.isEmpty() ? request.name : shown.text.toString());
        return popup;
    }
    // A row with a phrase for callers without a name takes the caller's name.
    const bool named = !shown.unnamedText.isEmpty();
    const KLocalizedString mutedText = named ? KLocalizedString(shown.mutedText).subs(request.name) : KLocalizedString(shown.mutedText);
    // The standard style tells a muted value in words, not as an empty bar.
    if (muted && !rounded) {
        popup.content = PopupContent::textOf(icon, mutedText.toString());
        return popup;
    }
    popup.content = PopupContent::progress(icon, request.percent, request.maximum);
    popup.announced = Kind::Progress;
    popup.themeIcon = themeIconOf(shown, request.icon, request.percent);
    // The phrase stays unresolved until it is known that someone listens.
    if (muted) {
        popup.phrase = mutedText;
    } else if (named && request.name.isEmpty()) {
        popup.phrase = KLocalizedString(shown.unnamedText).subs(popup.content.value);
    } else if (named) {
        popup.phrase = KLocalizedString(shown.text).subs(request.name).subs(popup.content.value);
    } else {
        popup.phrase = KLocalizedString(shown.text).subs(popup.content.value);
    }
    return popup;
}

QStringList PopupCatalogue::iconNames(const Row &row, bool rounded)
{
    QStringList names;
    if (rounded) {
        for (const char *icon : {row.roundedIcon, row.roundedMutedIcon}) {
            if (icon && !isCallers(icon)) {
                names.append(QLatin1String(icon));
            }
        }
    } else if (row.levels) {
        for (const int percent : {0, 25, 75, 100}) {
            names.append(levelIcon(QLatin1String(row.themeIcon), percent));
        }
    } else if (!isCallers(row.themeIcon)) {
        names.append(styleIconOf(row, false, false, QString(), 100));
    }
    return names;
}

QStringList PopupCatalogue::iconNames(bool rounded)
{
    QStringList names;
    for (const Row &shown : catalogue) {
        names.append(iconNames(shown, rounded));
    }
    names.removeDuplicates();
    return names;
}
