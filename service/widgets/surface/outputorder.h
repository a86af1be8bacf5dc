// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QObject>
#include <QStringList>

#include <memory>

class OutputOrderPrivate;

/**
 * KWin's order of its outputs, by output name (as QScreen::name() gives them): the order in
 * which the desktop's own components are placed on the outputs, chosen by the user, the first
 * being the user's primary display. Only KWin tells it; on another compositor, and on X11, the
 * order is empty.
 *
 * It is asked for on Qt's own Wayland connection, and is known when the object has been made;
 * KWin sends the whole order again whenever it changes.
 */
class OutputOrder : public QObject
{
    Q_OBJECT
public:
    explicit OutputOrder(QObject *parent = nullptr);
    ~OutputOrder() override;

    QStringList names() const;

Q_SIGNALS:
    void namesChanged(const QStringList &names);

private:
    const std::unique_ptr<OutputOrderPrivate> d;
};
