// SPDX-License-Identifier: GPL-2.0-or-later
// Reading the desktop theme's files and generating the colour theme from them. The input is
// the theme settings file, then after the first 0x01 byte the palette file, then after the
// next 0x01 byte the taskbar picture of the decoration theme "Fuzz".

#include "veskcolortheme.h"
#include "veskutils.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>

static QString home;
static QString dataHome;

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QTemporaryDir root;
    home = root.path() + QStringLiteral("/home");
    dataHome = root.path() + QStringLiteral("/data");
    QDir().mkpath(home + QStringLiteral("/.vesk/theme"));
    QDir().mkpath(dataHome + QStringLiteral("/vesk/themes/Fuzz/taskbar"));
    setenv("HOME", QFile::encodeName(home).constData(), 1);
    setenv("XDG_DATA_HOME", QFile::encodeName(dataHome).constData(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    unsetenv("SUDO_USER");
    unsetenv("VESK_SESSION_CONFIG_SUFFIX");
    // Never destroyed: the process ends while the fuzzer runs, and Qt's teardown at exit only
    // adds noise to the leak check.
    new QApplication(*argc, *argv);
    return 0;
}

static void write(const QString &path, const QByteArray &contents)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(contents) != contents.size()) {
        abort();
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QList<QByteArray> parts = QByteArray(reinterpret_cast<const char *>(data), int(size)).split('\x01');
    write(home + QStringLiteral("/.vesk/theme/current.themerc"), parts.value(0));
    write(home + QStringLiteral("/.vesk/paletterc"), parts.value(1));
    write(dataHome + QStringLiteral("/vesk/themes/Fuzz/taskbar/taskbarbg.xpm"), parts.value(2));

    const VeskColorTheme theme = VeskUtils::genColorTheme();
    // Every colour the widgets take from the theme must be usable.
    if (!QColor(VeskUtils::backgroundColorFromTheme()).isValid()) {
        abort();
    }
    VeskUtils::useComposite();
    Q_UNUSED(theme)
    return 0;
}
