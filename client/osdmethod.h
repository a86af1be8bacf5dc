// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QGenericArgument>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

/**
 * What the client knows about the daemon's methods without talking to the bus: their names,
 * how many values each takes and of which type, where a value read from standard input goes,
 * and how a command-line word becomes a typed value.
 */

/// One value per method of "org.kde.osdService"; the order is that of listings and lookups.
enum MethodType : int {
    BrightnessChanged = 0,
    KeyboardBrightnessChanged = 1,
    VolumeChanged = 2,
    MicrophoneVolumeChanged = 3,
    MediaPlayerVolumeChanged = 4,
    KbdLayoutChanged = 5,
    VirtualDesktopChanged = 6,
    TouchpadEnabledChanged = 7,
    WifiEnabledChanged = 8,
    BluetoothEnabledChanged = 9,
    WwanEnabledChanged = 10,
    VirtualKeyboardEnabledChanged = 11,
    ShowText = 12,
    ShowTextWithFont = 13,
    ShowTextWithFontNoBackground = 14,
    ShowProgressBar = 15,
    ScreenBrightnessChanged = 16,
    PowerProfileChanged = 17,
    PowerManagementInhibitedChanged = 18,
    Hide = 19,
};

/// All methods in ascending order.
const QList<MethodType> &allMethods();

/// The D-Bus method name; empty for a value outside the table.
QString getMethodName(MethodType method);

/// How many values the method needs; the two font methods take two optional values more.
int osdMethodArgumentCount(MethodType method);

/// Where a value read from standard input is inserted into the value list in wait mode.
int osdMethodWaitArgumentIndex(MethodType method);

/// The meta-type identifiers (QMetaType::Bool, Int, QString or QRect) of the method's
/// parameters, in call order; seven entries for the font methods.
QList<int> osdMethodArgumentTypes(MethodType method);

/// Converts one command-line word to a value of @p type; an invalid variant if it does not
/// convert. A rectangle is written as four integers x,y,width,height.
QVariant getValueFromString(const QString &value, int type);

/// True when both lists have the same length and every value converts to its type.
bool checkValues(const QStringList &values, const QList<int> &types);

/// Wraps a converted value for QMetaObject::invokeMethod. It points into @p value, which must
/// outlive the call that uses the result.
QGenericArgument toGenericArgument(const QVariant &value);
