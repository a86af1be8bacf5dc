// SPDX-License-Identifier: GPL-2.0-or-later
#include "osdmethod.h"

#include <QMetaType>
#include <QRect>

#include <climits>

const QList<MethodType> &allMethods()
{
    static const QList<MethodType> methods = [] {
        QList<MethodType> list;
        for (int i = BrightnessChanged; i <= Hide; ++i) {
            list.append(MethodType(i));
        }
        return list;
    }();
    return methods;
}

QString getMethodName(MethodType method)
{
    switch (method) {
    case BrightnessChanged:
        return QStringLiteral("brightnessChanged");
    case KeyboardBrightnessChanged:
        return QStringLiteral("keyboardBrightnessChanged");
    case VolumeChanged:
        return QStringLiteral("volumeChanged");
    case MicrophoneVolumeChanged:
        return QStringLiteral("microphoneVolumeChanged");
    case MediaPlayerVolumeChanged:
        return QStringLiteral("mediaPlayerVolumeChanged");
    case KbdLayoutChanged:
        return QStringLiteral("kbdLayoutChanged");
    case VirtualDesktopChanged:
        return QStringLiteral("virtualDesktopChanged");
    case TouchpadEnabledChanged:
        return QStringLiteral("touchpadEnabledChanged");
    case WifiEnabledChanged:
        return QStringLiteral("wifiEnabledChanged");
    case BluetoothEnabledChanged:
        return QStringLiteral("bluetoothEnabledChanged");
    case WwanEnabledChanged:
        return QStringLiteral("wwanEnabledChanged");
    case VirtualKeyboardEnabledChanged:
        return QStringLiteral("virtualKeyboardEnabledChanged");
    case ShowText:
        return QStringLiteral("showText");
    case ShowTextWithFont:
        return QStringLiteral("showTextWithFont");
    case ShowTextWithFontNoBackground:
        return QStringLiteral("showTextWithFontNoBackground");
    case ShowProgressBar:
        return QStringLiteral("showProgressBar");
    case ScreenBrightnessChanged:
        return QStringLiteral("screenBrightnessChanged");
    case PowerProfileChanged:
        return QStringLiteral("powerProfileChanged");
    case PowerManagementInhibitedChanged:
        return QStringLiteral("powerManagementInhibitedChanged");
    case Hide:
        return QStringLiteral("hide");
    }
    return QString();
}

int osdMethodArgumentCount(MethodType method)
{
    // Indexed from MediaPlayerVolumeChanged on; the four methods before it take one value.
    static const int counts[] = {3, 1, 1, 1, 1, 1, 1, 1, 2, 5, 5, 2, 5, 1, 1, 0};
    if (method >= MediaPlayerVolumeChanged && method <= Hide) {
        return counts[method - MediaPlayerVolumeChanged];
    }
    return 1;
}

int osdMethodWaitArgumentIndex(MethodType method)
{
    // The text methods and showProgressBar take the icon first; the value that changes from
    // call to call comes second.
    return method >= ShowText && method <= ShowProgressBar ? 1 : 0;
}

QList<int> osdMethodArgumentTypes(MethodType method)
{
    switch (method) {
    case BrightnessChanged:
    case KeyboardBrightnessChanged:
    case VolumeChanged:
    case MicrophoneVolumeChanged:
        return {QMetaType::Int};
    case MediaPlayerVolumeChanged:
        return {QMetaType::Int, QMetaType::QString, QMetaType::QString};
    case KbdLayoutChanged:
    case VirtualDesktopChanged:
        return {QMetaType::QString};
    case TouchpadEnabledChanged:
    case WifiEnabledChanged:
    case BluetoothEnabledChanged:
    case WwanEnabledChanged:
    case VirtualKeyboardEnabledChanged:
        return {QMetaType::Bool};
    case ShowText:
        return {QMetaType::QString, QMetaType::QString};
    case ShowTextWithFont:
    case ShowTextWithFontNoBackground:
        return {QMetaType::QString, QMetaType::QString, QMetaType::QString, QMetaType::Int, QMetaType::Int, QMetaType::QString, QMetaType::QString};
    case ShowProgressBar:
        return {QMetaType::QString, QMetaType::Int};
    case ScreenBrightnessChanged:
        return {QMetaType::Int, QMetaType::QString, QMetaType::QString, QMetaType::Int, QMetaType::QRect};
    case PowerProfileChanged:
        return {QMetaType::QString};
    case PowerManagementInhibitedChanged:
        return {QMetaType::Bool};
    case Hide:
        return {};
    }
    return {};
}

QVariant getValueFromString(const QString &value, int type)
{
    switch (type) {
    case QMetaType::Int: {
        bool ok = false;
        const int number = value.toInt(&ok, 10);
        return ok ? QVariant(number) : QVariant();
    }
    case QMetaType::QString:
        return QVariant(value);
    case QMetaType::Bool:
        if (value.isEmpty()) {
            return QVariant();
        }
        if (value.toLower() == QLatin1String("true") || value == QLatin1String("1")) {
            return QVariant(true);
        }
        if (value.toLower() == QLatin1String("false") || value == QLatin1String("0")) {
            return QVariant(false);
        }
        return QVariant();
    case QMetaType::QRect: {
        const QStringList parts = value.split(QLatin1Char(','));
        if (parts.size() != 4) {
            return QVariant();
        }
        int numbers[4];
        for (int i = 0; i < 4; ++i) {
            bool ok = false;
            numbers[i] = parts.at(i).trimmed().toInt(&ok, 10);
            if (!ok) {
                return QVariant();
            }
        }
        // A rectangle whose far edge lies beyond the integers is no rectangle.
        if (qint64(numbers[0]) + numbers[2] - 1 > INT_MAX || qint64(numbers[1]) + numbers[3] - 1 > INT_MAX || qint64(numbers[0]) + numbers[2] - 1 < INT_MIN
            || qint64(numbers[1]) + numbers[3] - 1 < INT_MIN) {
            return QVariant();
        }
        // Made from its corners: QRect's own constructor adds the width to the left edge first,
        // which overflows for a far edge of the largest integer.
        return QVariant(QRect(QPoint(numbers[0], numbers[1]), QPoint(int(qint64(numbers[0]) + numbers[2] - 1), int(qint64(numbers[1]) + numbers[3] - 1))));
    }
    default:
        return QVariant();
    }
}

bool checkValues(const QStringList &values, const QList<int> &types)
{
    if (values.size() != types.size()) {
        return false;
    }
    for (int i = 0; i < values.size(); ++i) {
        if (!getValueFromString(values.at(i), types.at(i)).isValid()) {
            return false;
        }
    }
    return true;
}

QGenericArgument toGenericArgument(const QVariant &value)
{
    return QGenericArgument(value.typeName(), value.constData());
}
