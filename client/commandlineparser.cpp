// SPDX-License-Identifier: GPL-2.0-or-later
#include "commandlineparser.h"
#include "linereader.h"
#include "osdmessages.h"
#include "osdserviceinterface.h"

#include <QDBusConnection>

#include <algorithm>
#include <array>
#include <memory>
#include <unistd.h>

namespace
{
// Checks and converts @p values against @p types and calls @p method through @p interface, or
// through a proxy of its own, made once the values are found good, when @p interface is null.
// True when the service answered without error.
bool callMethod(OrgKdeOsdServiceInterface *interface, MethodType method, const QStringList &values, const QList<int> &types)
{
    if (!checkValues(values, types)) {
        printMethodArgumentsError(method, values, types);
        return false;
    }

    std::unique_ptr<OrgKdeOsdServiceInterface> ownInterface;
    if (!interface) {
        ownInterface.reset(makeDBusInterface().data());
        interface = ownInterface.get();
    }
    QDBusPendingReply<> reply;
    const QString name = getMethodName(method);
    if (!invokeMethod(interface, name.toLatin1().constData(), Qt::DirectConnection, reply, values, types)) {
        printError(QStringLiteral("Internal error: cannot call method \"%1\"!").arg(name));
        return false;
    }

    reply.waitForFinished();
    if (reply.isError()) {
        printError(reply.error().message());
        return false;
    }
    return true;
}

// The font methods' optional values, when omitted, reach the service as empty strings.
QStringList completedValues(MethodType method, const QStringList &values)
{
    QStringList completed = values;
    if (method == ShowTextWithFont || method == ShowTextWithFontNoBackground) {
        while (completed.size() < 7) {
            completed.append(QString());
        }
    }
    return completed;
}
}

bool CommandLineParser::processArguments(const QStringList &arguments)
{
    if (arguments.size() < 2) {
        printError(QStringLiteral("No method name! Use '-h' or '--help' for get available method names."));
        return false;
    }

    // The options win wherever they stand, so a half-typed call followed by --help shows help.
    if (arguments.contains(QLatin1String("-h")) || arguments.contains(QLatin1String("--help"))) {
        printHelp();
        return false;
    }
    if (arguments.contains(QLatin1String("--methods"))) {
        printMethodsDescription();
        return false;
    }
    if (arguments.contains(QLatin1String("--method_names"))) {
        printMethodNames();
        return false;
    }

    const QString first = arguments.at(1);
    if (!first.startsWith(QLatin1String("--"))) {
        printError(
            QStringLiteral("First argument must be osd method name, used prefix on \"--\". "
                           "Use '--methods' or '--method_names' for get available method names."));
        return false;
    }

    const QString name = first.mid(2);
    const QList<MethodType> &methods = allMethods();
    const auto found = std::find_if(methods.cbegin(), methods.cend(), [&name](MethodType method) {
        return getMethodName(method) == name;
    });
    if (found == methods.cend()) {
        printError(QStringLiteral("Unknown method name: \"%1\". Use '--methods' or '--method_names' for get available method names.").arg(name));
        return false;
    }
    const MethodType method = *found;

    const int count = osdMethodArgumentCount(method);
    const int max = (method == ShowTextWithFont || method == ShowTextWithFontNoBackground) ? 7 : count;
    const QStringList values = arguments.mid(2, max);

    if (values.size() >= count) {
        return osdCallMethod(method, values);
    }
    if (values.size() == count - 1) {
        return osdCallMethodWaitMode(method, values);
    }
    printError(QStringLiteral("Unknown arguments for method: \"%1\". Use '--methods' for get arguments on this method.").arg(name));
    return false;
}

QPointer<OrgKdeOsdServiceInterface> makeDBusInterface()
{
    return new OrgKdeOsdServiceInterface(QStringLiteral("org.kde.osdService"), QStringLiteral("/org/kde/osdService"), QDBusConnection::sessionBus(), nullptr);
}

bool osdCallMethod(MethodType method, const QStringList &values)
{
    return osdCallMethod(method, completedValues(method, values), osdMethodArgumentTypes(method));
}

bool osdCallMethod(MethodType method, const QStringList &values, const QList<int> &types)
{
    return callMethod(nullptr, method, values, types);
}

bool osdCallMethodWaitMode(MethodType method, const QStringList &values)
{
    // A quarter of the largest D-Bus message (128 MiB): even when every byte of the line is
    // invalid and becomes a three-byte replacement character, the line and the values from the
    // command line (which the kernel keeps to a few MiB) fit into one call.
    const int maxLineBytes = 32 * 1024 * 1024;
    LineReader input(STDIN_FILENO, maxLineBytes);
    const int index = osdMethodWaitArgumentIndex(method);
    const QList<int> types = osdMethodArgumentTypes(method);
    // One proxy for the whole input. A new proxy asks the bus for the service's owner, and
    // waits for the answer, before its first call: a round trip per line that the calls do
    // not need, since they are addressed to the service's name, which the bus hands to
    // whoever owns it when the call arrives.
    const std::unique_ptr<OrgKdeOsdServiceInterface> interface(makeDBusInterface().data());
    QString line;
    for (;;) {
        const LineReader::Result result = input.readLine(&line);
        if (result == LineReader::End) {
            return true;
        }
        // A line that fails prints its error; the next line is a request of its own.
        if (result == LineReader::TooLong) {
            printError(QStringLiteral("Error: input line longer than %1 bytes skipped!").arg(maxLineBytes));
            continue;
        }
        QStringList lineValues = values;
        lineValues.insert(index, line);
        callMethod(interface.get(), method, completedValues(method, lineValues), types);
    }
}

bool invokeMethod(QObject *object, const char *member, Qt::ConnectionType type, QDBusPendingReply<> &reply, const QStringList &values, const QList<int> &types)
{
    Q_UNUSED(type)

    QList<QVariant> converted;
    for (int i = 0; i < types.size(); ++i) {
        converted.append(getValueFromString(values.value(i), types.at(i)));
    }
    if (types.size() > 10) {
        printError(QStringLiteral("Unsupported number of values! More than 10 arguments are not supported."));
        return false;
    }

    // The arguments point into the variants of 'converted', which is not touched again until
    // the call has returned.
    std::array<QGenericArgument, 10> arguments;
    for (int i = 0; i < converted.size(); ++i) {
        arguments[i] = toGenericArgument(converted.at(i));
    }
    return QMetaObject::invokeMethod(object,
                                     member,
                                     Qt::DirectConnection,
                                     QGenericReturnArgument("QDBusPendingReply<>", &reply),
                                     arguments[0],
                                     arguments[1],
                                     arguments[2],
                                     arguments[3],
                                     arguments[4],
                                     arguments[5],
                                     arguments[6],
                                     arguments[7],
                                     arguments[8],
                                     arguments[9]);
}
