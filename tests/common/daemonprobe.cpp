// SPDX-License-Identifier: GPL-2.0-or-later
#include "daemonprobe.h"

#include <QDBusConnection>
#include <QDeadlineTimer>
#include <QTest>

#include <utility>
#include <vector>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

QDBusMessage osdMethodCall(const QString &method, const QVariantList &args)
{
    QDBusMessage message = QDBusMessage::createMethodCall(QStringLiteral("org.kde.osdService"),
                                                          QStringLiteral("/org/kde/osdService"),
                                                          QStringLiteral("org.kde.osdService"),
                                                          method);
    message.setArguments(args);
    return message;
}

QDBusMessage osdCall(const QString &method, const QVariantList &args, int timeoutMs)
{
    return QDBusConnection::sessionBus().call(osdMethodCall(method, args), QDBus::Block, timeoutMs);
}

// The mapped top-level windows of process @p pid. Asked of the X server directly: a helper
// program per check would cost more than the calls under test. Without a window manager the
// pop-ups are children of the root window.
static QVector<QPair<Window, QRect>> mappedWindows(qint64 pid, const QByteArray &displayName)
{
    QVector<QPair<Window, QRect>> found;
    Display *display = XOpenDisplay(displayName.isEmpty() ? nullptr : displayName.constData());
    if (!display) {
        return found;
    }
    const Atom pidAtom = XInternAtom(display, "_NET_WM_PID", True);
    Window root = 0;
    Window parent = 0;
    Window *children = nullptr;
    unsigned int count = 0;
    if (pidAtom != None && XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count)) {
        for (unsigned int i = 0; i < count; ++i) {
            XWindowAttributes attributes;
            if (!XGetWindowAttributes(display, children[i], &attributes) || attributes.map_state != IsViewable) {
                continue;
            }
            Atom type = None;
            int format = 0;
            unsigned long items = 0;
            unsigned long after = 0;
            unsigned char *data = nullptr;
            if (XGetWindowProperty(display, children[i], pidAtom, 0, 1, False, XA_CARDINAL, &type, &format, &items, &after, &data) == Success && data) {
                if (format == 32 && items == 1 && qint64(*reinterpret_cast<unsigned long *>(data)) == pid) {
                    found.append({children[i], QRect(attributes.x, attributes.y, attributes.width, attributes.height)});
                }
                XFree(data);
            }
        }
        XFree(children);
    }
    XCloseDisplay(display);
    return found;
}

QStringList visibleWindows(qint64 pid, const QByteArray &display)
{
    QStringList ids;
    for (const auto &window : mappedWindows(pid, display)) {
        ids << QString::number(window.first);
    }
    return ids;
}

QVector<QRect> visibleWindowGeometries(qint64 pid, const QByteArray &display)
{
    QVector<QRect> geometries;
    for (const auto &window : mappedWindows(pid, display)) {
        geometries << window.second;
    }
    return geometries;
}

QSize screenSize(const QByteArray &displayName)
{
    Display *display = XOpenDisplay(displayName.isEmpty() ? nullptr : displayName.constData());
    if (!display) {
        return QSize();
    }
    const QSize size(DisplayWidth(display, 0), DisplayHeight(display, 0));
    XCloseDisplay(display);
    return size;
}

NestedXServer::NestedXServer(const QSize &size)
    : size(size)
{
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
}

NestedXServer::~NestedXServer()
{
    if (process.state() == QProcess::NotRunning) {
        return;
    }
    process.terminate();
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished(10000);
    }
}

bool NestedXServer::start()
{
    process.start(QStringLiteral("Xephyr"),
                  {QStringLiteral("-displayfd"),
                   QStringLiteral("1"),
                   QStringLiteral("-screen"),
                   QStringLiteral("%1x%2").arg(size.width()).arg(size.height()),
                   QStringLiteral("-resizeable"),
                   // A daemon started after the last one left must not meet the server's reset.
                   QStringLiteral("-noreset"),
                   QStringLiteral("-nolisten"),
                   QStringLiteral("tcp")});
    if (!process.waitForStarted(10000 * slowdown())) {
        problem = QStringLiteral("Xephyr did not start: ") + process.errorString();
        return false;
    }
    const QDeadlineTimer deadline(60000 * slowdown());
    while (!process.canReadLine()) {
        if (process.state() == QProcess::NotRunning || deadline.hasExpired()) {
            problem = process.state() == QProcess::NotRunning ? QStringLiteral("Xephyr exited before it reported its display")
                                                              : QStringLiteral("Xephyr reported no display in time");
            return false;
        }
        process.waitForReadyRead(100);
    }
    name = ':' + process.readLine().trimmed();
    // The number is written once the server listens; the first connection proves it.
    while (!screenSize(name).isValid()) {
        if (process.state() == QProcess::NotRunning || deadline.hasExpired()) {
            problem = QStringLiteral("Xephyr on %1 accepts no connection").arg(QString::fromLatin1(name));
            return false;
        }
        QTest::qWait(50);
    }
    return true;
}

QByteArray NestedXServer::display() const
{
    return name;
}

QString NestedXServer::error() const
{
    return problem;
}

// A connection of its own: Qt holds back what reaches a process's default session connection
// until its event loop first runs, then hands it over in two queued steps, between which a
// signal that arrives later can be delivered before one held back.
SignalRecorder::SignalRecorder()
    : SignalRecorder(QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("osd-test-signal-recorder")))
{
}

SignalRecorder::SignalRecorder(QDBusConnection bus, bool plasma6Form)
{
    std::vector<std::pair<const char *, const char *>> forms{{"osdProgress", "sis"}, {"osdText", "ss"}};
    if (plasma6Form) {
        forms.emplace_back("osdProgress", "siis");
    }
    for (const auto &form : forms) {
        bus.connect(QString(),
                    QStringLiteral("/org/kde/osdService"),
                    QStringLiteral("org.kde.osdService"),
                    QLatin1String(form.first),
                    QLatin1String(form.second),
                    this,
                    SLOT(record(QDBusMessage)));
    }
}

bool SignalRecorder::waitFor(int count, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (received.size() < count && !deadline.hasExpired()) {
        QTest::qWait(5);
    }
    return received.size() >= count;
}

void SignalRecorder::record(const QDBusMessage &message)
{
    received.append({message.member(), message.arguments()});
}

QDBusPendingCall osdCallAsync(const QString &method, const QVariantList &args, int timeoutMs)
{
    return QDBusConnection::sessionBus().asyncCall(osdMethodCall(method, args), timeoutMs);
}

bool waitForAll(const QVector<QDBusPendingCall> &calls)
{
    bool allAnswered = true;
    for (QDBusPendingCall call : calls) {
        call.waitForFinished();
        if (call.isError()) {
            qWarning("%s: %s", qPrintable(call.error().name()), qPrintable(call.error().message()));
            allAnswered = false;
        }
    }
    return allAnswered;
}
