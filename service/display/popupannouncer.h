// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

class QObject;
class QString;
struct QMetaObject;

/**
 * What assistive technology learns of the pop-up.
 *
 * A screen reader speaks a window that has no focus only when a notification becomes showing.
 * So the pop-up is exposed with the role Notification, its name is the whole phrase a listener
 * should hear, its description stays empty and its children are hidden (the value and text
 * labels would be read after the phrase otherwise). Qt sends no showing event for tool-tip
 * windows by itself: the service announces each show and each change of content itself.
 *
 * Nothing here does any work while no assistive technology listens.
 */
class PopupAnnouncer
{
public:
    /// Starts Qt's accessibility bridge so that it also registers with a session whose
    /// accessibility is already on. Call once, after the application object is made and before
    /// its event loop runs. Waits for nothing: the bridge is made once the accessibility bus
    /// launcher has answered a question, however late.
    static void startBridge();

    /// Exposes every window of @p popupClass as a notification. Qt keeps the first answer it
    /// gets about an object, so this must come before the first such window is created.
    static void exposeAsNotification(const QMetaObject &popupClass);

    /// True while assistive technology listens; phrases need not be made otherwise.
    static bool isListening();

    /// Makes @p phrase what a listener hears for @p popup; set it before showing the pop-up.
    static void setPhrase(QObject *popup, const QString &phrase);

    /// Tells listeners that @p popup is showing, with its current phrase. Called after every
    /// show and every change of content while shown.
    static void announce(QObject *popup);
};
