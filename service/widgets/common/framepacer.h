// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QBasicTimer>
#include <QElapsedTimer>
#include <QObject>

class QWidget;

/**
 * Paints a top-level window at most once per frame of its screen.
 *
 * Qt paints a changed window in the next pass of the event loop. A caller that sends new
 * values as fast as it can gets one full paint per value, although the screen shows only
 * the last one of each frame, and every further call waits behind those paints. The pacer
 * lets a paint through at once when the window has not painted for a frame, so a single
 * change after a pause shows as soon as before; a further one within the same frame is held
 * until the frame is over, and then one paint shows everything changed meanwhile. Only the
 * painting waits: the widgets' content, sizes and position change at once.
 *
 * A window that becomes visible is painted when it is exposed, which does not pass here.
 * The pacer is a child of the window and watches it through an event filter.
 */
class FramePacer : public QObject
{
    Q_OBJECT
public:
    explicit FramePacer(QWidget *window);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void timerEvent(QTimerEvent *event) override;

private:
    qint64 frameNs() const;

    QWidget *window;
    QElapsedTimer sinceLastPaint;
    QBasicTimer heldPaint;
    bool releasing = false;
};
