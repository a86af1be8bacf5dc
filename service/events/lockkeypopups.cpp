// SPDX-License-Identifier: GPL-2.0-or-later
#include "lockkeypopups.h"

#include <KLazyLocalizedString>
#include <QIcon>

namespace
{
struct State {
    const char *themeIcon;
    const char *builtInIcon;
    KLazyLocalizedString text;
};

struct KeyPopUps {
    LockKey key;
    State on;
    State off;
};

const KeyPopUps popUps[] = {
    {LockKey::Caps,
     {"input-caps-on", "mono-input-caps-on", kli18nc("Caps Lock was switched on, keep short", "Caps Lock On")},
     {"input-caps-off", "mono-input-caps-off", kli18nc("Caps Lock was switched off, keep short", "Caps Lock Off")}},
    {LockKey::Num,
     {"input-num-on", "mono-input-num-on", kli18nc("Num Lock was switched on, keep short", "Num Lock On")},
     {"input-num-off", "mono-input-num-off", kli18nc("Num Lock was switched off, keep short", "Num Lock Off")}},
    {LockKey::Scroll,
     {"input-scroll-on", "mono-input-scroll-on", kli18nc("Scroll Lock was switched on, keep short", "Scroll Lock On")},
     {"input-scroll-off", "mono-input-scroll-off", kli18nc("Scroll Lock was switched off, keep short", "Scroll Lock Off")}},
};
}

LockKeyPopUps::Content LockKeyPopUps::content(LockKey key, bool on, bool rounded)
{
    for (const KeyPopUps &popUp : popUps) {
        if (popUp.key != key) {
            continue;
        }
        // A theme's icons are taken in pairs: a key whose one state is the theme's drawing and the
        // other the built-in one would look like two different things.
        const bool themed = !rounded && QIcon::hasThemeIcon(QLatin1String(popUp.on.themeIcon)) && QIcon::hasThemeIcon(QLatin1String(popUp.off.themeIcon));
        const State &state = on ? popUp.on : popUp.off;
        return {QLatin1String(themed ? state.themeIcon : state.builtInIcon), state.text.toString()};
    }
    return {};
}
