// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QObject>
#include <QStringList>

/**
 * The compositor's order of its outputs, by output name (as QScreen::name() gives them): the
 * order in which the desktop's own components are placed on the outputs, chosen by the user,
 * the first being the user's primary display. Only KWin tells it, to the Wayland back end's
 * subclass; on another compositor, and on X11, the order is empty.
 */
class Q_DECL_EXPORT OutputOrder : public QObject
{
    Q_OBJECT
public:
    explicit OutputOrder(QObject *parent = nullptr);

    QStringList names() const;

Q_SIGNALS:
    void namesChanged(const QStringList &names);

protected:
    void setNames(const QStringList &names);

private:
    QStringList current;
};
