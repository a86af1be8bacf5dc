// SPDX-License-Identifier: GPL-2.0-or-later
#include "osdmessages.h"

#include <QCoreApplication>
#include <QMetaType>

#include <cstdio>

static void writeLine(const QString &text, FILE *stream)
{
    // Written with its length: a value read from standard input may hold a NUL character.
    const QByteArray bytes = text.toLocal8Bit() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

void printMessage(const QString &text)
{
    writeLine(text, stdout);
}

void printError(const QString &text)
{
    writeLine(text, stderr);
}

// The two optional values of the font methods, described on lines of their own.
static void printFontMethodOptions(const QString &string)
{
    printMessage(QStringLiteral("Optional #6: [<%1>] position: North, Center, NorthWest, NorthEast, West, East, SouthWest, South, SouthEast.").arg(string));
    printMessage(QStringLiteral("Optional #7: [<%1>] custom background color (#RRGGBB, #AARRGGBB, rgb(...), rgba(...)).").arg(string));
}

void printMethodDescription(MethodType method)
{
    const QString string = QStringLiteral("string");
    const QString integer = QStringLiteral("integer");
    const QString boolean = QStringLiteral("boolean");
    const QString name = getMethodName(method);

    switch (method) {
    case BrightnessChanged:
        printMessage(QStringLiteral("--%1 <%2>\nShow change in brightness as a percentage.").arg(name, integer));
        return;
    case KeyboardBrightnessChanged:
        printMessage(QStringLiteral("--%1 <%2>\nShow change in keyboard brightness as a percentage.").arg(name, integer));
        return;
    case VolumeChanged:
        printMessage(QStringLiteral("--%1 <%2>\nShow change in volume as a percent.").arg(name, integer));
        return;
    case MicrophoneVolumeChanged:
        printMessage(QStringLiteral("--%1 <%2>\nShow change in microphone volume as a percentage.").arg(name, integer));
        return;
    case MediaPlayerVolumeChanged:
        printMessage(QStringLiteral("--%1 <%2> <%3> <%3>\nShow change in volume on media player as a percentage.").arg(name, integer, string));
        return;
    case KbdLayoutChanged:
        printMessage(QStringLiteral("--%1 <%2>\nShow keyboard layout change.").arg(name, string));
        return;
    case VirtualDesktopChanged:
        printMessage(QStringLiteral("--%1 <%2>\nShow change current virtual desktop.").arg(name, string));
        return;
    case TouchpadEnabledChanged:
        printMessage(QStringLiteral("--%1 <%2>\nShow change touchpad enabled.").arg(name, boolean));
        return;
    case WifiEnabledChanged:
        printMessage(QStringLiteral("--%1 <%2>\nShow change Wi-Fi enabled.").arg(name, boolean));
        return;
    case BluetoothEnabledChanged:
        printMessage(QStringLiteral("--%1 <%2>\nShow change bluetooth enabled.").arg(name, boolean));
        return;
    case WwanEnabledChanged:
        printMessage(QStringLiteral("--%1 <%2>\nShow change wwan (mobile internet) enabled.").arg(name, boolean));
        return;
    case VirtualKeyboardEnabledChanged:
        printMessage(QStringLiteral("--%1 <%2>\nShow change virtual keyboard enabled.").arg(name, boolean));
        return;
    case ShowText:
        printMessage(QStringLiteral("--%1 <%2> <%2>\nShow a text message with icon to the user.").arg(name, string));
        return;
    case ShowTextWithFont:
        printMessage(QStringLiteral("--%1 <%2> <%2> <%2> <%3> <%3> [<%2>] [<%2>]\nShow a text message with icon, font family, font size and duration in ms.")
                         .arg(name, string, integer));
        printFontMethodOptions(string);
        return;
    case ShowTextWithFontNoBackground:
        printMessage(QStringLiteral("--%1 <%2> <%2> <%2> <%3> <%3> [<%2>] [<%2>]\nShow a text message without background with icon, font family, font size and "
                                    "duration in ms.")
                         .arg(name, string, integer));
        printFontMethodOptions(string);
        return;
    case ShowProgressBar:
        printMessage(QStringLiteral("--%1 <%2> <%3>\nShow a progress bar with icon to the user.").arg(name, string, integer));
        return;
    case ScreenBrightnessChanged:
        printMessage(QStringLiteral("--%1 <%2> <%3> <%3> <%2> <rectangle>\nShow change in one display's brightness as a percentage, with the "
                                    "display's id, its label, its priority and the rectangle of its screen as x,y,width,height.")
                         .arg(name, integer, string));
        return;
    case PowerProfileChanged:
        printMessage(QStringLiteral("--%1 <%2>\nShow change of power profile (power-saver, balanced, performance).").arg(name, string));
        return;
    case PowerManagementInhibitedChanged:
        printMessage(QStringLiteral("--%1 <%2>\nShow change of sleep and screen locking blocked.").arg(name, boolean));
        return;
    case Hide:
        printMessage(QStringLiteral("--%1\nHide the pop-up now.").arg(name));
        return;
    }
    printMessage(QStringLiteral("None method description!"));
}

void printMethodsDescription()
{
    printMessage(QStringLiteral("Methods and arguments:"));
    for (const MethodType method : allMethods()) {
        printMethodDescription(method);
        printMessage(QString());
    }
}

void printHelp()
{
    printMessage(QStringLiteral("Usage:\n%1 [options]\n%1 method [arguments]\n\n%2\n\nOptions:\n"
                                "-h, --help         Displays help on commandline options.\n"
                                "--methods          Displays methods description.\n"
                                "--method_names     Displays list available method names.\n")
                     .arg(QCoreApplication::applicationName(), QStringLiteral("Utility for displaying OSD notifications for confirmation type.")));
}

void printMethodNames()
{
    for (const MethodType method : allMethods()) {
        printMessage(getMethodName(method));
    }
}

bool printMethodArgumentsCountError(MethodType method, int count, const QStringList &values)
{
    if (values.size() == count) {
        return false;
    }
    printError(QStringLiteral("Error: current method need %1 arguments count, not %2!").arg(count).arg(values.size()));
    printMessage(QStringLiteral("Method description:"));
    printMethodDescription(method);
    return true;
}

bool printMethodArgumentError(MethodType method, int index, const QString &value, int type)
{
    if (getValueFromString(value, type).isValid()) {
        return false;
    }
    // One pass over the template: a value such as "%3" must appear as typed, not be filled in.
    printError(QStringLiteral("Error: cannot convert %1 argument, from value \"%2\", to type \"%3\"!")
                   .arg(QString::number(index + 1), value, QString::fromLatin1(QMetaType(type).name())));
    printMessage(QStringLiteral("Method description:"));
    printMethodDescription(method);
    return true;
}

void printMethodArgumentsError(MethodType method, const QStringList &values, const QList<int> &types)
{
    if (printMethodArgumentsCountError(method, types.size(), values)) {
        return;
    }
    for (int i = 0; i < values.size(); ++i) {
        if (printMethodArgumentError(method, i, values.at(i), types.at(i))) {
            return;
        }
    }
    printError(QStringLiteral("Unknown argument(s) error!"));
}
