// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "osdmethod.h"

#include <QDBusPendingReply>
#include <QPointer>

class OrgKdeOsdServiceInterface;

/**
 * The whole run of osd-notify: answers the help options, finds the method named by the first
 * argument, and calls it on the session bus once, or once per line of standard input when
 * exactly one required value is missing (wait mode).
 */
class CommandLineParser
{
public:
    /// @p arguments starts with the program name. True when the call was answered without
    /// error, or when wait mode reached the end of its input.
    static bool processArguments(const QStringList &arguments);
};

/// A new proxy for "org.kde.osdService" at "/org/kde/osdService" on the session bus, without
/// a parent: a direct call gets one of its own, wait mode one for its whole input.
QPointer<OrgKdeOsdServiceInterface> makeDBusInterface();

/// Pads the optional values of the font methods with empty strings and makes the call.
bool osdCallMethod(MethodType method, const QStringList &values);
/// Checks and converts @p values against @p types and makes the call; true when the service
/// answered without error.
bool osdCallMethod(MethodType method, const QStringList &values, const QList<int> &types);
/// Calls @p method once per line of standard input, the line inserted among @p values at the
/// method's wait index. True at the end of input, whatever the single calls gave.
bool osdCallMethodWaitMode(MethodType method, const QStringList &values);

/// Calls the slot @p member of @p object with @p values converted to @p types; the slot's
/// return value goes into @p reply. The call is always direct, whatever @p type says.
bool invokeMethod(QObject *object, const char *member, Qt::ConnectionType type, QDBusPendingReply<> &reply, const QStringList &values, const QList<int> &types);
