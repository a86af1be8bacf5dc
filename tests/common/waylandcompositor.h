// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QDeadlineTimer>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QVector>

/**
 * A headless Wayland compositor of the test's own, started once and stopped by its pid.
 *
 * Sway has layer-shell and two outputs, outputName(0) (1920x1080, announced first, so the
 * primary screen of a Qt client) and outputName(1) (1280x1024 to its right), each painted in
 * one colour. Weston has no layer-shell. KWin has layer-shell and two 1920x1080 outputs, Virtual-0
 * and Virtual-1, the focused one chosen by focusOutput() alone (not by the pointer); it runs on
 * the test's session bus, where it runs the test's scripts and, when it composites with OpenGL,
 * offers its screenshots. Sway refuses to run as root, so as root it runs as "nobody" with a
 * runtime folder of that user.
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

    /// KWin's outputs have @p kwinScale (set through kscreen-doctor), and 1920x1080 logical
    /// pixels at every scale.
    explicit WaylandCompositor(Kind kind, qreal kwinScale = 1);
    ~WaylandCompositor();

    /// Starts it and waits for its socket and, for sway, its background; the failure otherwise.
    QString start(int timeoutMs);
    /// The socket's full path, for WAYLAND_DISPLAY.
    QString socket() const;
    /// The name of output @p index of sway or KWin; 0 is the primary screen of a Qt client.
    QString outputName(int index) const;
    /// One output as the compositor shows it, the first by default; null when it cannot be taken.
    QImage screenshot(const QString &output = QString()) const;
    /// Gives output @p index of sway or KWin the focus, where a layer surface without an output
    /// goes; false if it did not take it.
    bool focusOutput(int index) const;
    /// Puts output @p index of KWin first in KWin's output order, which makes it the user's
    /// primary display (as the display settings do); false if KWin did not take it.
    bool setPrimaryOutput(int index) const;
    /// A window where KWin has put it: its rectangle in the coordinates of its output.
    struct Placed {
        QString output;
        QSize outputSize;
        QRect rect;
    };
    /// KWin's own account of the windows of process @p pid. KWin takes screenshots only when it
    /// composites with OpenGL; this needs none.
    QVector<Placed> kwinPlaces(qint64 pid) const;
    /// Presses and releases each of @p keys (Linux input key codes, such as KEY_CAPSLOCK) in turn
    /// on KWin's keyboard, through its fake input protocol; false if KWin did not take them.
    bool typeKWinKeys(const QVector<quint32> &keys) const;
    /// swaymsg with @p args; its standard output.
    QByteArray swaymsg(const QStringList &args) const;

private:
    QString runtimeDir() const;
    QImage kwinScreenshot(const QString &output) const;
    QString setUpSwayOutputs(const QDeadlineTimer &deadline);
    QString runKWinScript(const QString &name, const QString &code) const;
    bool scaleKWinOutputs() const;

    Kind kind;
    qreal kwinScale;
    QTemporaryDir dir;
    QProcess process;
    QString socketPath;
    QStringList swayOutputs; ///< in the order clients learn of them
};
