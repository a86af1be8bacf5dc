// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

/**
 * A headless Wayland compositor of the test's own, started once and stopped by its pid.
 *
 * Sway has layer-shell and two outputs, HEADLESS-1 (1920x1080, announced first, so the
 * primary screen of a Qt client) and HEADLESS-2 (1280x1024 to its right), each painted in one
 * colour. Weston has no layer-shell. KWin has layer-shell and one 1920x1080 output; it runs on
 * the test's session bus, where it offers its screenshots. Sway refuses to run as root, so as
 * root it runs as "nobody" with a runtime folder of that user.
 */
class WaylandCompositor
{
public:
    enum Kind {
        Sway,
        Weston,
        KWin,
    };
    static const QRgb firstOutputColor = 0xff3060a0;
    static const QRgb secondOutputColor = 0xffa06030;

    explicit WaylandCompositor(Kind kind);
    ~WaylandCompositor();

    /// Starts it and waits for its socket and, for sway, its background; the failure otherwise.
    QString start(int timeoutMs);
    /// The socket's full path, for WAYLAND_DISPLAY.
    QString socket() const;
    /// One output as the compositor shows it (KWin: its only one); null when it cannot be taken.
    QImage screenshot(const QString &output = QStringLiteral("HEADLESS-1")) const;
    /// swaymsg with @p args; its standard output.
    QByteArray swaymsg(const QStringList &args) const;

private:
    QString runtimeDir() const;
    QImage kwinScreenshot() const;

    Kind kind;
    QTemporaryDir dir;
    QProcess process;
    QString socketPath;
};
