// SPDX-License-Identifier: GPL-2.0-or-later
#include "waylandcompositor.h"

#include "wayland-fake-input-client-protocol.h"

#include <QColor>
#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingReply>
#include <QDBusUnixFileDescriptor>
#include <QDBusVariant>
#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>

#include <wayland-client.h>

#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
const uid_t nobody = 65534;

// The outputs are set up once sway runs, when their order is known (see setUpSwayOutputs).
const char swayConfig[] = "xwayland disable\n";

QDBusMessage kwinCall(const QString &path, const QString &interface, const QString &method, const QVariantList &args = {})
{
    QDBusMessage message = QDBusMessage::createMethodCall(QStringLiteral("org.kde.KWin"), path, interface, method);
    message.setArguments(args);
    return QDBusConnection::sessionBus().call(message, QDBus::Block, 30000);
}

// What a KWin script sends back with callDBus: one text, kept until taken.
class KWinScriptAnswer : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.osdTest.KWinScriptAnswer")

public:
    QString text;
    bool answered = false;

public Q_SLOTS:
    void answer(const QString &value)
    {
        text = value;
        answered = true;
    }
};
}

WaylandCompositor::WaylandCompositor(Kind kind, qreal kwinScale)
    : kind(kind)
    , kwinScale(kwinScale)
{
}

WaylandCompositor::~WaylandCompositor()
{
    if (process.state() != QProcess::NotRunning) {
        process.terminate();
        if (!process.waitForFinished(5000)) {
            process.kill();
            process.waitForFinished(5000);
        }
    }
}

QString WaylandCompositor::runtimeDir() const
{
    return dir.filePath(QStringLiteral("runtime"));
}

QString WaylandCompositor::start(int timeoutMs)
{
    const bool asNobody = kind == Sway && geteuid() == 0;
    QDir().mkpath(runtimeDir());
    ::chmod(QFile::encodeName(runtimeDir()).constData(), 0700);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"WAYLAND_DISPLAY", "DISPLAY", "WAYLAND_SOCKET"}) {
        env.remove(QLatin1String(name));
    }
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir());
    if (kind == Sway) {
        const QString config = dir.filePath(QStringLiteral("config"));
        QFile file(config);
        if (!file.open(QIODevice::WriteOnly) || file.write(swayConfig) < 0) {
            return QStringLiteral("cannot write %1").arg(config);
        }
        file.close();
        if (asNobody) {
            // The test's folder is only passed through; the runtime folder is sway's own.
            ::chmod(QFile::encodeName(dir.path()).constData(), 0711);
            ::chmod(QFile::encodeName(config).constData(), 0644);
            if (::chown(QFile::encodeName(runtimeDir()).constData(), nobody, nobody) != 0) {
                return QStringLiteral("cannot hand %1 to nobody").arg(runtimeDir());
            }
        }
        env.insert(QStringLiteral("WLR_BACKENDS"), QStringLiteral("headless"));
        env.insert(QStringLiteral("WLR_RENDERER"), QStringLiteral("pixman"));
        env.insert(QStringLiteral("WLR_LIBINPUT_NO_DEVICES"), QStringLiteral("1"));
        env.insert(QStringLiteral("WLR_HEADLESS_OUTPUTS"), QStringLiteral("2"));
        QStringList args{QStringLiteral("sway"), QStringLiteral("--config"), config};
        if (asNobody) {
            args = QStringList{QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"), QStringLiteral("--clear-groups")} + args;
        }
        process.setProgram(asNobody ? QStringLiteral("setpriv") : args.takeFirst());
        process.setArguments(args);
    } else if (kind == KWin) {
        // The installed binary carries a file capability that a container refuses to grant; a
        // copy without it runs, as long as its name ends as KWin expects.
        const QString copy = dir.filePath(QStringLiteral("kwin_wayland"));
        if (!QFile::copy(QStringLiteral("/usr/bin/kwin_wayland"), copy)) {
            return QStringLiteral("no /usr/bin/kwin_wayland to copy");
        }
        // A settings folder of its own, where the focused output is not the pointer's.
        const QString config = dir.filePath(QStringLiteral("config"));
        QDir().mkpath(config);
        QFile settings(config + QStringLiteral("/kwinrc"));
        if (!settings.open(QIODevice::WriteOnly) || settings.write("[Windows]\nActiveMouseScreen=false\n") < 0) {
            return QStringLiteral("cannot write %1").arg(settings.fileName());
        }
        settings.close();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland-org.kde.kwin.qpa"));
        env.insert(QStringLiteral("LIBGL_ALWAYS_SOFTWARE"), QStringLiteral("1"));
        env.insert(QStringLiteral("KWIN_SCREENSHOT_NO_PERMISSION_CHECKS"), QStringLiteral("1"));
        // KWin 6 grants its fake input only to the programs it knows, unless told otherwise.
        env.insert(QStringLiteral("KWIN_WAYLAND_NO_PERMISSION_CHECKS"), QStringLiteral("1"));
        process.setProgram(copy);
        // Its virtual outputs have one mode each, and only the windowed backends take a scale
        // from the command line: the scale is set once KWin runs.
        process.setArguments({QStringLiteral("--virtual"),
                              QStringLiteral("--width"),
                              QString::number(qRound(1920 * kwinScale)),
                              QStringLiteral("--height"),
                              QString::number(qRound(1080 * kwinScale)),
                              QStringLiteral("--output-count"),
                              QStringLiteral("2"),
                              QStringLiteral("--socket"),
                              QStringLiteral("wayland-test"),
                              QStringLiteral("--no-lockscreen"),
                              QStringLiteral("--no-global-shortcuts"),
                              QStringLiteral("--no-kactivities")});
    } else {
        process.setProgram(QStringLiteral("weston"));
        process.setArguments({QStringLiteral("--backend=headless-backend.so"),
                              QStringLiteral("--socket=wayland-test"),
                              QStringLiteral("--no-config"),
                              QStringLiteral("--idle-time=0")});
    }
    process.setProcessEnvironment(env);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start();
    if (!process.waitForStarted(timeoutMs)) {
        return QStringLiteral("%1 does not start: %2").arg(process.program(), process.errorString());
    }

    // The socket is the sign that clients may connect; sway names it itself.
    QDeadlineTimer deadline(timeoutMs);
    while (socketPath.isEmpty()) {
        for (const QString &name : QDir(runtimeDir()).entryList({QStringLiteral("wayland-*")}, QDir::System)) {
            if (!name.endsWith(QLatin1String(".lock"))) {
                socketPath = QDir(runtimeDir()).filePath(name);
            }
        }
        if (!socketPath.isEmpty()) {
            break;
        } else if (process.state() == QProcess::NotRunning) {
            return QStringLiteral("%1 ended at start").arg(process.program());
        } else if (deadline.hasExpired()) {
            return QStringLiteral("no socket from %1").arg(process.program());
        } else {
            QThread::msleep(10);
        }
    }
    if (kind == Sway) {
        const QString failure = setUpSwayOutputs(deadline);
        if (!failure.isEmpty()) {
            return failure;
        }
    }
    // swaybg paints the background a moment after the socket exists. KWin answers scripts a
    // moment after it, and offers screenshots a moment later only when it composites with
    // OpenGL, which its virtual outputs do only with a GPU's render node.
    const auto kwinReady = [this] {
        if (kwinCall(QStringLiteral("/Scripting"), QStringLiteral("org.kde.kwin.Scripting"), QStringLiteral("isScriptLoaded"), {QString()}).type()
            != QDBusMessage::ReplyMessage) {
            return false;
        }
        const QDBusMessage type = kwinCall(QStringLiteral("/Compositor"),
                                           QStringLiteral("org.freedesktop.DBus.Properties"),
                                           QStringLiteral("Get"),
                                           {QStringLiteral("org.kde.kwin.Compositing"), QStringLiteral("compositingType")});
        const QString compositing = qdbus_cast<QDBusVariant>(type.arguments().value(0)).variant().toString();
        return !compositing.startsWith(QLatin1String("gl")) || !screenshot().isNull();
    };
    while ((kind == Sway && screenshot().pixel(0, 0) != firstOutputColor) || (kind == KWin && !kwinReady())) {
        if (deadline.hasExpired()) {
            return QStringLiteral("%1 is not ready").arg(process.program());
        }
        QThread::msleep(10);
    }
    if (kind == KWin && kwinScale != 1 && !scaleKWinOutputs()) {
        return QStringLiteral("kscreen-doctor does not set KWin's scale");
    }
    return QString();
}

// A Wayland client takes the first output the compositor announces for its primary screen, and
// sway's order differs between releases (1.10 announces the second headless output first, 1.7
// the first). sway lists its outputs in that order: the first gets the primary's size, place
// and colour, whatever its name.
QString WaylandCompositor::setUpSwayOutputs(const QDeadlineTimer &deadline)
{
    while (swayOutputs.size() < 2) {
        if (deadline.hasExpired()) {
            return QStringLiteral("sway does not list its two outputs");
        }
        swayOutputs.clear();
        const QJsonArray outputs = QJsonDocument::fromJson(swaymsg({QStringLiteral("-t"), QStringLiteral("get_outputs"), QStringLiteral("-r")})).array();
        for (const QJsonValue &output : outputs) {
            swayOutputs.append(output.toObject().value(QStringLiteral("name")).toString());
        }
        if (swayOutputs.size() < 2) {
            QThread::msleep(10);
        }
    }
    const QString sizes[] = {QStringLiteral("1920x1080"), QStringLiteral("1280x1024")};
    const QString left[] = {QStringLiteral("0"), QStringLiteral("1920")};
    const QRgb colors[] = {firstOutputColor, secondOutputColor};
    for (int i = 0; i < 2; ++i) {
        swaymsg({QStringLiteral("output"),
                 swayOutputs.at(i),
                 QStringLiteral("mode"),
                 sizes[i],
                 QStringLiteral("position"),
                 left[i],
                 QStringLiteral("0"),
                 QStringLiteral("bg"),
                 QColor(colors[i]).name(),
                 QStringLiteral("solid_color")});
    }
    return QString();
}

QString WaylandCompositor::socket() const
{
    return socketPath;
}

QString WaylandCompositor::outputName(int index) const
{
    return kind == KWin ? QStringLiteral("Virtual-%1").arg(index) : swayOutputs.value(index);
}

QImage WaylandCompositor::screenshot(const QString &name) const
{
    const QString output = name.isEmpty() ? outputName(0) : name;
    if (kind == KWin) {
        return kwinScreenshot(output);
    }
    QProcess grim;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("WAYLAND_DISPLAY"), socketPath);
    grim.setProcessEnvironment(env);
    grim.start(QStringLiteral("grim"), {QStringLiteral("-t"), QStringLiteral("ppm"), QStringLiteral("-o"), output, QStringLiteral("-")});
    if (!grim.waitForFinished(30000) || grim.exitCode() != 0) {
        return QImage();
    }
    return QImage::fromData(grim.readAllStandardOutput(), "PPM").convertToFormat(QImage::Format_RGB32);
}

// A connection of its own, which ends when the keys are sent: KWin's fake keyboard stays, and with
// it the keys' states.
bool WaylandCompositor::typeKWinKeys(const QVector<quint32> &keys) const
{
    if (kind != KWin) {
        return false;
    }
    wl_display *display = wl_display_connect(socketPath.toLocal8Bit().constData());
    if (!display) {
        return false;
    }
    static const wl_registry_listener registryListener = {
        [](void *data, wl_registry *, uint32_t name, const char *interface, uint32_t version) {
            // Keys came with version 4.
            if (std::strcmp(interface, org_kde_kwin_fake_input_interface.name) == 0 && version >= 4) {
                *static_cast<uint32_t *>(data) = name;
            }
        },
        [](void *, wl_registry *, uint32_t) {},
    };
    uint32_t global = 0;
    wl_registry *registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registryListener, &global);
    bool typed = false;
    if (wl_display_roundtrip(display) >= 0 && global) {
        auto *input = static_cast<org_kde_kwin_fake_input *>(wl_registry_bind(registry, global, &org_kde_kwin_fake_input_interface, 4));
        org_kde_kwin_fake_input_authenticate(input, "osd tests", "types the lock keys");
        for (const quint32 key : keys) {
            org_kde_kwin_fake_input_keyboard_key(input, key, WL_KEYBOARD_KEY_STATE_PRESSED);
            org_kde_kwin_fake_input_keyboard_key(input, key, WL_KEYBOARD_KEY_STATE_RELEASED);
        }
        typed = wl_display_roundtrip(display) >= 0;
        wl_proxy_destroy(reinterpret_cast<wl_proxy *>(input));
    }
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    return typed;
}

// KWin writes the picture into a pipe, while the call waits, and answers with its layout.
QImage WaylandCompositor::kwinScreenshot(const QString &output) const
{
    int pipe[2];
    if (::pipe2(pipe, O_CLOEXEC) != 0) {
        return QImage();
    }
    QDBusPendingCall pending = [&] {
        QDBusMessage message = QDBusMessage::createMethodCall(QStringLiteral("org.kde.KWin"),
                                                              QStringLiteral("/org/kde/KWin/ScreenShot2"),
                                                              QStringLiteral("org.kde.KWin.ScreenShot2"),
                                                              QStringLiteral("CaptureScreen"));
        message << output << QVariantMap() << QVariant::fromValue(QDBusUnixFileDescriptor(pipe[1]));
        return QDBusConnection::sessionBus().asyncCall(message, 30000);
    }();
    ::close(pipe[1]);
    // The call keeps a copy of the pipe's end: the picture is complete when the answer says
    // how large it is and that much has come.
    QByteArray data;
    qint64 size = -1;
    QVariantMap layout;
    char buffer[65536];
    pollfd readable{pipe[0], POLLIN, 0};
    QDeadlineTimer deadline(30000);
    while ((size < 0 || data.size() < size) && !deadline.hasExpired()) {
        if (::poll(&readable, 1, 10) > 0) {
            const ssize_t got = ::read(pipe[0], buffer, sizeof buffer);
            if (got <= 0) {
                break;
            }
            data.append(buffer, int(got));
        } else if (size < 0 && pending.isFinished()) {
            if (pending.isError()) {
                break;
            }
            layout = qdbus_cast<QVariantMap>(pending.reply().arguments().value(0));
            size = qint64(layout.value(QStringLiteral("stride")).toInt()) * layout.value(QStringLiteral("height")).toInt();
        }
    }
    ::close(pipe[0]);
    const int width = layout.value(QStringLiteral("width")).toInt();
    const int height = layout.value(QStringLiteral("height")).toInt();
    const int stride = layout.value(QStringLiteral("stride")).toInt();
    if (width <= 0 || height <= 0 || size <= 0 || data.size() < size) {
        return QImage();
    }
    const QImage image(reinterpret_cast<const uchar *>(data.constData()),
                       width,
                       height,
                       stride,
                       QImage::Format(layout.value(QStringLiteral("format")).toInt()));
    return image.convertToFormat(QImage::Format_RGB32);
}

QByteArray WaylandCompositor::swaymsg(const QStringList &args) const
{
    const QStringList ipc = QDir(runtimeDir()).entryList({QStringLiteral("sway-ipc.*.sock")}, QDir::System);
    QProcess msg;
    msg.start(QStringLiteral("swaymsg"), QStringList{QStringLiteral("-s"), QDir(runtimeDir()).filePath(ipc.value(0))} + args);
    msg.waitForFinished(30000);
    return msg.readAllStandardOutput();
}

// KWin is told through its output management protocol, as the display settings tell it.
// kscreen-doctor may end before KWin has taken the scale (seen on KWin 6 at 1.5, where the
// outputs kept scale 1 throughout): the scale holds once KWin gives both outputs the logical size
// they have at scale 1, and is asked for again if they do not have it within a few seconds.
bool WaylandCompositor::scaleKWinOutputs() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("WAYLAND_DISPLAY"), socketPath);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
    env.insert(QStringLiteral("KSCREEN_BACKEND_INPROCESS"), QStringLiteral("1"));
    const auto logicalSizes = [this] {
        return runKWinScript(QStringLiteral("output-sizes"),
                             QStringLiteral("const sizes = workspace.screens\n"
                                            "    ? workspace.screens.map(s => s.geometry)\n"
                                            "    : Array.from({length: workspace.numScreens}, (_, i) => workspace.clientArea(KWin.ScreenArea, i, 1));\n"
                                            "answer(sizes.map(g => g.width + \"x\" + g.height).join(\" \"));\n"));
    };
    for (int attempt = 0; attempt < 3; ++attempt) {
        QProcess doctor;
        doctor.setProcessEnvironment(env);
        doctor.start(
            QStringLiteral("kscreen-doctor"),
            {QStringLiteral("output.%1.scale.%2").arg(outputName(0)).arg(kwinScale), QStringLiteral("output.%1.scale.%2").arg(outputName(1)).arg(kwinScale)});
        if (!doctor.waitForFinished(30000) || doctor.exitStatus() != QProcess::NormalExit || doctor.exitCode() != 0) {
            return false;
        }
        const QDeadlineTimer deadline(5000);
        do {
            if (logicalSizes() == QLatin1String("1920x1080 1920x1080")) {
                return true;
            }
            QThread::msleep(50);
        } while (!deadline.hasExpired());
    }
    return false;
}

// KWin's scripts can only step the focus to the next output; KWin tells when the output has it.
// KWin 5 numbers its screens, KWin 6 gives them as objects.
bool WaylandCompositor::focusOutput(int index) const
{
    if (kind == Sway) {
        swaymsg({QStringLiteral("focus"), QStringLiteral("output"), outputName(index)});
        return true;
    }
    if (kind != KWin) {
        return false;
    }
    const auto focused = [&] {
        return kwinCall(QStringLiteral("/KWin"), QStringLiteral("org.kde.KWin"), QStringLiteral("activeOutputName")).arguments().value(0).toString();
    };
    runKWinScript(QStringLiteral("focus-output"),
                  QStringLiteral("const active = () => workspace.screens ? workspace.screens.indexOf(workspace.activeScreen) : workspace.activeScreen;\n"
                                 "const count = workspace.screens ? workspace.screens.length : workspace.numScreens;\n"
                                 "for (let i = 0; i < count && active() != %1; ++i) {\n"
                                 "    workspace.slotSwitchToNextScreen();\n"
                                 "}\n"
                                 "answer(\"\");\n")
                      .arg(index));
    QDeadlineTimer deadline(30000);
    while (focused() != outputName(index) && !deadline.hasExpired()) {
        QThread::msleep(10);
    }
    return focused() == outputName(index);
}

// As the display settings do, through KWin's output management: kscreen-doctor starts its back end
// as a process of its own with this environment (loaded into kscreen-doctor, the back end
// crashes as kscreen-doctor ends).
bool WaylandCompositor::setPrimaryOutput(int index) const
{
    if (kind != KWin) {
        return false;
    }
    QProcess doctor;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("WAYLAND_DISPLAY"), socketPath);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
    env.insert(QStringLiteral("KSCREEN_LOGGING"), QStringLiteral("false"));
    doctor.setProcessEnvironment(env);
    doctor.start(QStringLiteral("kscreen-doctor"), {QStringLiteral("output.%1.priority.1").arg(outputName(index))});
    return doctor.waitForFinished(30000) && doctor.exitStatus() == QProcess::NormalExit && doctor.exitCode() == 0;
}

QVector<WaylandCompositor::Placed> WaylandCompositor::kwinPlaces(qint64 pid) const
{
    if (kind != KWin) {
        return {};
    }
    // KWin 5 lists its windows as clients and has no output on them, only the screen's number.
    const QString answer = runKWinScript(QStringLiteral("places"),
                                         QStringLiteral("const windows = workspace.windowList ? workspace.windowList() : workspace.clientList();\n"
                                                        "answer(JSON.stringify(windows.filter(w => w.pid == %1).map(w => {\n"
                                                        "    const area = workspace.clientArea(KWin.ScreenArea, w);\n"
                                                        "    const g = w.frameGeometry;\n"
                                                        "    return [w.output ? w.output.name : w.screen, area.width, area.height,\n"
                                                        "            g.x - area.x, g.y - area.y, g.width, g.height];\n"
                                                        "})));\n")
                                             .arg(pid));
    QVector<Placed> places;
    for (const QJsonValue &value : QJsonDocument::fromJson(answer.toUtf8()).array()) {
        const QJsonArray window = value.toArray();
        const auto number = [&](int index) {
            return qRound(window.at(index).toDouble());
        };
        const QJsonValue output = window.at(0);
        places.append({output.isString() ? output.toString() : outputName(output.toInt()),
                       QSize(number(1), number(2)),
                       QRect(number(3), number(4), number(5), number(6))});
    }
    return places;
}

// Loads @p code as KWin script @p name, runs it and unloads it once it has run. KWin runs a
// script after the call that starts it has returned: the script ends by calling answer() once,
// which reaches this process over the bus; its text is returned, or an empty one when it does
// not answer within 30 s.
QString WaylandCompositor::runKWinScript(const QString &name, const QString &code) const
{
    QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("kwin-script-answers"));
    KWinScriptAnswer answer;
    bus.registerObject(QStringLiteral("/Answer"), &answer, QDBusConnection::ExportAllSlots);
    const QString script = dir.filePath(name + QStringLiteral(".js"));
    QFile file(script);
    if (!file.open(QIODevice::WriteOnly)
        || file.write(QStringLiteral("function answer(text) {\n"
                                     "    callDBus(\"%1\", \"/Answer\", \"org.kde.osdTest.KWinScriptAnswer\", \"answer\", text);\n"
                                     "}\n")
                          .arg(bus.baseService())
                          .toUtf8()
                      + code.toUtf8())
            < 0) {
        return QString();
    }
    file.close();
    const QString scripting = QStringLiteral("org.kde.kwin.Scripting");
    kwinCall(QStringLiteral("/Scripting"), scripting, QStringLiteral("loadScript"), {script, name});
    kwinCall(QStringLiteral("/Scripting"), scripting, QStringLiteral("start"));
    QDeadlineTimer deadline(30000);
    while (!answer.answered && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    }
    kwinCall(QStringLiteral("/Scripting"), scripting, QStringLiteral("unloadScript"), {name});
    bus.unregisterObject(QStringLiteral("/Answer"));
    return answer.text;
}

#include "waylandcompositor.moc"
