// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QObject>
#include <QPointer>

class OutputOrder;
class QScreen;

/**
 * The screen that "primary" means, and its changes.
 *
 * On X11 it is the RandR primary output that the user chose. Wayland has no such notion for
 * clients, and Qt takes the first output the compositor announced, an order that no user
 * chose and that differs between compositor versions. On KWin it is the first output of KWin's
 * output order, the user's primary display, which the desktop's own components follow too.
 * Elsewhere it is the output at the origin of the layout, or failing that the top-most, then
 * left-most one, so that it stays the same whatever the order of announcement.
 */
class PrimaryScreen : public QObject
{
    Q_OBJECT
public:
    /// The one instance of the process, made on the first call.
    static PrimaryScreen *instance();

    QScreen *screen() const;

    /// The primary screen among @p screens by their geometry: the one whose top-left corner is
    /// the origin, else the top-most, of those the left-most; null for none.
    static QScreen *byLayout(const QList<QScreen *> &screens);
    /// The first of @p screens in the order of output names @p order; null for none.
    static QScreen *byOrder(const QStringList &order, const QList<QScreen *> &screens);

Q_SIGNALS:
    void screenChanged(QScreen *screen);

private:
    PrimaryScreen();
    /// Chooses again; @p leaving is a screen about to go.
    void update(QScreen *leaving = nullptr);
    void watch(QScreen *screen);
    void setCurrent(QScreen *screen);

    const bool byPlatform;
    OutputOrder *const order;
    QPointer<QScreen> current;
};
