// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>

/**
 * Whether a compositing manager runs on the application's X screen: a running one owns the
 * selection _NET_WM_CM_S<screen>. The X server's fixes extension (XFixes) tells each change of
 * the selection's owner as an event that the application's event loop hands to this filter,
 * so nothing is asked while it does not change.
 */
class X11Compositing : public QObject, public QAbstractNativeEventFilter
{
    Q_OBJECT
    Q_PROPERTY(bool active READ isActive NOTIFY activeChanged)

public:
    explicit X11Compositing(QObject *parent = nullptr);
    ~X11Compositing() override;

    /// False off X11. Without XFixes, the state found at construction.
    bool isActive() const;

#if QT_VERSION_MAJOR >= 6
    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;
#else
    bool nativeEventFilter(const QByteArray &eventType, void *message, long *result) override;
#endif

Q_SIGNALS:
    void activeChanged(bool active);

private:
    void setActive(bool active);

    unsigned int selection = 0;
    // The first event number of XFixes on this connection; 0 when changes are not followed.
    quint8 fixesEvent = 0;
    bool active = false;
};
