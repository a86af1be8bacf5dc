// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>

/**
 * Tells when another window may have come over a top-level window on X11: a sibling mapped,
 * restacked, moved, circulated to the top or reparented into the root window.
 *
 * While watching, this client's event mask on the root window adds the substructure events to
 * what Qt selected there itself, and stopping gives Qt's mask back: an idle daemon is not woken
 * by every window the user drags.
 */
class X11StackWatcher : public QObject, public QAbstractNativeEventFilter
{
    Q_OBJECT
public:
    explicit X11StackWatcher(QObject *parent = nullptr);
    ~X11StackWatcher() override;

    /// Watches the siblings of @p window, a child of root window @p root; off X11, nothing.
    void watch(quint32 root, quint32 window);
    void stop();

#if QT_VERSION_MAJOR >= 6
    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;
#else
    bool nativeEventFilter(const QByteArray &eventType, void *message, long *result) override;
#endif

Q_SIGNALS:
    void siblingChanged();

private:
    void selectOnRoot(quint32 mask);

    quint32 watchedRoot = 0;
    quint32 watchedWindow = 0;
    /// The root window whose mask was read, and Qt's mask on it.
    quint32 maskedRoot = 0;
    quint32 qtMask = 0;
};
