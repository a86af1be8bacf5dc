// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "lockkey.h"

#include <QAbstractNativeEventFilter>

#include <functional>

/**
 * The lock keys as the X server's keyboard extension (XKB) has them: the indicators named
 * "Caps Lock", "Num Lock" and "Scroll Lock" of the core keyboard, on Qt's own connection.
 *
 * The indicators' changes come as events that the application's event loop hands to this
 * filter; nothing is asked while no indicator changes. Each change asks the three indicators
 * by name, as a new keymap may number them otherwise.
 */
class X11LockKeys : public QAbstractNativeEventFilter
{
public:
    /// @p changed gets the states of all three keys after each change of an indicator.
    explicit X11LockKeys(std::function<void(LockKeys)> changed);
    ~X11LockKeys() override;

    /// False off X11 and on an X server without XKB: then nothing is reported.
    bool isWatching() const;
    /// The keys that are on now.
    LockKeys states() const;

#if QT_VERSION_MAJOR >= 6
    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;
#else
    bool nativeEventFilter(const QByteArray &eventType, void *message, long *result) override;
#endif

private:
    std::function<void(LockKeys)> changed;
    // The first event number of XKB on this connection; 0 when it is not watched.
    quint8 xkbEvent = 0;
    // The atoms of the three indicators' names, in the order of the keys.
    unsigned int names[3] = {};
};
