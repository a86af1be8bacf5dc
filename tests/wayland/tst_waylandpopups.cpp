// SPDX-License-Identifier: GPL-2.0-or-later
// The built daemon on Wayland compositors. On a headless sway it shows every pop-up through
// layer-shell in the same place and with the same pixels as a second daemon on the X display
// beside it; it keeps out of the keyboard, stays on the primary output unless told to go with
// the focus (and then looks the same on the focused one), hides when the screen locks and loads
// no OpenGL driver. On weston, which has no layer-shell, and without its Wayland module, it says
// so in one line and goes on answering.

#include "daemonprobe.h"
#include "daemonprocess.h"
#include "focusholder.h"
#include "scaledimages.h"
#include "screen.h"
#include "testhome.h"
#include "waylandcompositor.h"

#include <QDBusMessage>
#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QtTest>

#include <algorithm>
#include <csignal>
#include <functional>
#include <memory>

#include <linux/input-event-codes.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace
{
const QByteArray standardStyle("[OSD]\nUseStandartMode=true\n");
const QByteArray translucentTheme("[Variables]\nUseComposite=true\n");
// The end of the line by which the daemon says, once, that the compositor tells no client the
// lock keys.
const char lockKeysNote[] = "no pop-ups for them.";

// One call to both daemons, and whether a pop-up is on screen after it.
struct Step {
    QString method;
    QVariantList args;
    bool shown;
};
using Steps = QVector<Step>;

int timeoutMs()
{
    return 10000 * slowdown();
}

QDBusMessage call(const QDBusConnection &bus, const QString &method, const QVariantList &args)
{
    return bus.call(osdMethodCall(method, args), QDBus::Block, timeoutMs());
}

// Why a daemon did not come up: how it ended, and what it said.
const char *whyNot(DaemonProcess &daemon)
{
    static QByteArray why;
    QProcess &process = daemon.process();
    why = process.state() == QProcess::Running
        ? QByteArray("still starting")
        : (process.exitStatus() == QProcess::CrashExit ? QByteArray("crashed") : "exit " + QByteArray::number(process.exitCode()));
    why += ": " + daemon.readStandardError();
    return why.constData();
}

QString text(const QRect &rect)
{
    return QStringLiteral("%1x%2+%3+%4").arg(rect.width()).arg(rect.height()).arg(rect.x()).arg(rect.y());
}

// Where a pop-up is on a screen: around every pixel that differs from the screen without it.
QRect popUpArea(const QImage &screen, const QImage &empty)
{
    QRect area;
    for (int y = 0; y < screen.height(); ++y) {
        const auto *shown = reinterpret_cast<const QRgb *>(screen.constScanLine(y));
        const auto *bare = reinterpret_cast<const QRgb *>(empty.constScanLine(y));
        int first = -1;
        int last = -1;
        for (int x = 0; x < screen.width(); ++x) {
            if (shown[x] != bare[x]) {
                first = first < 0 ? x : first;
                last = x;
            }
        }
        if (first >= 0) {
            area |= QRect(first, y, last - first + 1, 1);
        }
    }
    return area;
}

// Empty when the two pop-ups sit on the same rectangle and every pixel that is the pop-up's on
// both screens has the same colour (a rounded corner shows each screen's own background).
QString difference(const QImage &x11, const QImage &x11Empty, const QImage &wayland, const QImage &waylandEmpty)
{
    const QRect area = popUpArea(x11, x11Empty);
    const QRect waylandArea = popUpArea(wayland, waylandEmpty);
    if (area != waylandArea) {
        return QStringLiteral("X11 %1, Wayland %2").arg(text(area), text(waylandArea));
    }
    int differing = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb pixel = x11.pixel(x, y);
            differing += pixel != x11Empty.pixel(x, y) && wayland.pixel(x, y) != waylandEmpty.pixel(x, y) && pixel != wayland.pixel(x, y);
        }
    }
    return differing ? QStringLiteral("%1 pixels of %2 differ").arg(differing).arg(text(area)) : QString();
}

// Where @p area is on an output of @p size: on each axis its distance from the nearer edge, or
// that it is centred (give or take the widgets' and the compositor's rounding of halves); and
// its size.
QString placeOn(const QRect &area, const QSize &size)
{
    const auto axis = [](int before, int after, const char *start, const char *end) {
        if (qAbs(before - after) <= 3) {
            return QStringLiteral("centred");
        }
        return before < after ? QStringLiteral("%1 from the %2").arg(before).arg(QLatin1String(start))
                              : QStringLiteral("%1 from the %2").arg(after).arg(QLatin1String(end));
    };
    return QStringLiteral("%1x%2, %3 across, %4 down")
        .arg(area.width())
        .arg(area.height())
        .arg(axis(area.left(), size.width() - 1 - area.right(), "left", "right"), axis(area.top(), size.height() - 1 - area.bottom(), "top", "bottom"));
}

// KWin's account of the windows of @p pid, each as "<where> on <output>": its rectangle, or with
// @p relative where it is on that output as placeOn() says.
QStringList kwinPlaces(const WaylandCompositor &kwin, qint64 pid, bool relative)
{
    QStringList places;
    for (const WaylandCompositor::Placed &placed : kwin.kwinPlaces(pid)) {
        places.append((relative ? placeOn(placed.rect, placed.outputSize) : text(placed.rect)) + QStringLiteral(" on ") + placed.output);
    }
    return places;
}

// Empty when @p scaled, a pop-up on a screen of @p scale, has the logical size that
// @p reference has at scale 1 (give or take the rounding of halves at both scales), and, with
// @p samePlace, the logical place, the screen being as large in logical pixels.
QString sameSize(const QRect &scaled, qreal scale, const QRect &reference, bool samePlace)
{
    const auto near = [](qreal a, qreal b) {
        return qAbs(a - b) <= 2;
    };
    bool same = near(scaled.width() / scale, reference.width()) && near(scaled.height() / scale, reference.height());
    if (samePlace) {
        same = same && near(scaled.left() / scale, reference.left()) && near(scaled.top() / scale, reference.top());
    }
    return same ? QString() : QStringLiteral("%1 at scale %2, %3 at scale 1").arg(text(scaled)).arg(scale).arg(text(reference));
}

// From a daemon's protocol log (WAYLAND_DEBUG=client): why its pop-up was not shown on one
// layer surface with the anchors and margins it was first drawn with; empty if it was.
QString placedOnce(const QByteArray &log)
{
    const QString text = QString::fromLatin1(log);
    const int surfaces = text.count(QLatin1String("get_layer_surface("));
    if (surfaces != 1) {
        return surfaces ? QStringLiteral("%1 layer surfaces, one after the other").arg(surfaces) : QStringLiteral("no layer surface");
    }
    const QRegularExpression made(QStringLiteral(R"(get_layer_surface\(new id (zwlr_layer_surface_v1[@#]\d+), (wl_surface[@#]\d+))"));
    const QRegularExpressionMatch first = made.match(text);
    const int drawn = text.indexOf(first.captured(2) + QLatin1String(".attach("), first.capturedEnd());
    if (drawn < 0) {
        return QStringLiteral("never drawn");
    }
    const QRegularExpression moved(QRegularExpression::escape(first.captured(1)) + QStringLiteral(R"(\.set_(anchor|margin)\([^)]*\))"));
    const QRegularExpressionMatch again = moved.match(text, drawn);
    return again.hasMatch() ? QStringLiteral("placed again after the first frame: ") + again.captured() : QString();
}

// The process of the window that has the keyboard focus in sway's tree, 0 if none.
qint64 focusedPid(const QJsonObject &node)
{
    if (node.value(QLatin1String("focused")).toBool()) {
        return qint64(node.value(QLatin1String("pid")).toDouble());
    }
    for (const char *children : {"nodes", "floating_nodes"}) {
        for (const QJsonValue &child : node.value(QLatin1String(children)).toArray()) {
            if (const qint64 pid = focusedPid(child.toObject())) {
                return pid;
            }
        }
    }
    return 0;
}
}
Q_DECLARE_METATYPE(Step)
Q_DECLARE_METATYPE(Steps)

class WaylandPopUpsTest : public QObject
{
    Q_OBJECT

private:
    WaylandCompositor sway{WaylandCompositor::Sway};
    std::unique_ptr<WaylandCompositor> weston;
    std::unique_ptr<WaylandCompositor> kwin;
    QString kwinFailure;
    qreal kwinScale = 1;
    QHash<QByteArray, QStringList> kwinPlacesAtScale1; ///< of a volume pop-up, by configuration
    QImage kwinEmpty;
    QImage swayEmpty;
    QImage x11Empty;

    static QImage x11Screen()
    {
        return grabScreen().convertToFormat(QImage::Format_RGB32);
    }

    std::unique_ptr<DaemonProcess> onSway(const QByteArray &config = QByteArray(), const QByteArray &theme = QByteArray())
    {
        return onCompositor(sway, config, theme);
    }

    std::unique_ptr<DaemonProcess> onCompositor(const WaylandCompositor &compositor, const QByteArray &config, const QByteArray &theme = QByteArray())
    {
        auto daemon = std::make_unique<DaemonProcess>();
        daemon->writeConfig(lastingPopUps(config));
        if (!theme.isEmpty()) {
            TestHome::write(daemon->themeSettingsFile(), theme);
        }
        daemon->environment().insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
        daemon->environment().insert(QStringLiteral("WAYLAND_DISPLAY"), compositor.socket());
        // The daemon of the test before may still be leaving the bus.
        QDeadlineTimer deadline(timeoutMs());
        while (busNameOwnerPid(QStringLiteral("org.kde.osdService")) && !deadline.hasExpired()) {
            QTest::qWait(10);
        }
        return daemon;
    }

    // Starts KWin the first time, and again for outputs of another @p scale; false, with the
    // failure in kwinFailure, when it does not run.
    bool kwinRuns(qreal scale = 1)
    {
        if (kwin && kwinScale != scale) {
            kwin.reset();
        }
        if (!kwin) {
            kwinScale = scale;
            kwin = std::make_unique<WaylandCompositor>(WaylandCompositor::KWin, scale);
            kwinFailure = kwin->start(timeoutMs());
            kwinEmpty = kwin->screenshot();
        }
        return kwinFailure.isEmpty();
    }

    // The pop-up on sway's first output, against that output without it.
    QRect swayPopUp()
    {
        return popUpArea(sway.screenshot(), swayEmpty);
    }

private Q_SLOTS:
    void initTestCase()
    {
        const QString failure = sway.start(timeoutMs());
        QVERIFY2(failure.isEmpty(), qPrintable(failure + QStringLiteral(" (scripts/install-deps installs sway and grim)")));
        swayEmpty = sway.screenshot();
        x11Empty = x11Screen();
        QCOMPARE(swayEmpty.size(), QSize(1920, 1080));
        QCOMPARE(x11Empty.size(), QSize(1920, 1080));
    }

    void sameAsUnderX11_data()
    {
        QTest::addColumn<QByteArray>("config");
        QTest::addColumn<Steps>("steps");

        const QString volume = QStringLiteral("volumeChanged");
        const Step longerText{QStringLiteral("showText"), {QString(), QStringLiteral("A much longer text than before")}, true};
        QTest::newRow("rounded volume at the top centre") << QByteArray() << Steps{{volume, {40}, true}};
        QTest::newRow("standard volume bar below the centre") << standardStyle << Steps{{volume, {40}, true}};
        QTest::newRow("standard text") << standardStyle << Steps{{QStringLiteral("showText"), {QString(), QStringLiteral("Touchpad off")}, true}};
        for (const char *position : {"north", "center", "northwest", "northeast", "west", "east", "southwest", "south", "southeast"}) {
            const QString word = QLatin1String(position);
            QTest::addRow("custom text %s", position)
                << QByteArray()
                << Steps{{QStringLiteral("showTextWithFont"),
                          {QString(), QString(QStringLiteral("At the ") + word), QString(), 14, 20000, word, QStringLiteral("#3366cc")},
                          true}};
            // Every other pop-up where the settings put it.
            const QByteArray placed = "Position=" + QByteArray(position) + "\nMargin=12\n";
            QTest::addRow("rounded volume, setting %s", position) << "[OSD]\n" + placed << Steps{{volume, {40}, true}};
            QTest::addRow("standard text, setting %s", position)
                << standardStyle + placed << Steps{{QStringLiteral("showText"), {QString(), QStringLiteral("Touchpad off")}, true}};
        }
        QTest::newRow("rounded: bigger while shown") << QByteArray() << Steps{{volume, {40}, true}, longerText};
        QTest::newRow("standard: bigger while shown") << standardStyle << Steps{{volume, {40}, true}, longerText};
        QTest::newRow("custom text moved while shown")
            << QByteArray()
            << Steps{{QStringLiteral("showTextWithFont"), {QString(), QStringLiteral("Here"), QString(), 0, 20000, QStringLiteral("west"), QString()}, true},
                     {QStringLiteral("showTextWithFont"), {QString(), QStringLiteral("Here"), QString(), 0, 20000, QStringLiteral("east"), QString()}, true}};
        // Hidden by its timer: the same call again, to be shown for 1 ms.
        const Step brief{QStringLiteral("showTextWithFont"), {QString(), QStringLiteral("Brief"), QString(), 0, 20000, QString(), QString()}, true};
        Step briefEnds = brief;
        briefEnds.args[4] = 1;
        briefEnds.shown = false;
        QTest::newRow("shown, hidden, shown again") << QByteArray() << Steps{brief, briefEnds, {volume, {40}, true}};
    }

    void sameAsUnderX11()
    {
        QFETCH(QByteArray, config);
        QFETCH(Steps, steps);
        compareWithX11(sway, swayEmpty, config, steps);
    }

    // KWin, the likeliest host, with one pop-up of each style: where KWin says it put the
    // pop-up, and, where it takes screenshots, its pixels.
    void sameAsUnderX11OnKWin_data()
    {
        QTest::addColumn<QByteArray>("config");
        QTest::newRow("rounded volume") << QByteArray();
        QTest::newRow("standard volume") << standardStyle;
    }

    void sameAsUnderX11OnKWin()
    {
        QFETCH(QByteArray, config);
        if (!kwinRuns()) {
            QSKIP(qPrintable(QStringLiteral("KWin does not run here: ") + kwinFailure));
        }
        compareWithX11(*kwin, kwinEmpty, config, {{QStringLiteral("volumeChanged"), {40}, true}});
    }

private:
    // Runs the steps on a daemon on @p compositor and on one on the X display; after each, the
    // pop-ups must agree.
    void compareWithX11(const WaylandCompositor &compositor, const QImage &empty, const QByteArray &config, const Steps &steps)
    {
        PrivateBus x11Bus;
        QVERIFY(!x11Bus.address().isEmpty());
        DaemonProcess x11;
        x11.useBus(x11Bus.address());
        // Xvfb makes 100 dots per inch of its screen size, a Wayland output gives Qt 96: the
        // same text size on both.
        x11.environment().insert(QStringLiteral("QT_FONT_DPI"), QStringLiteral("96"));
        x11.writeConfig(lastingPopUps(config));
        QVERIFY2(x11.start(), whyNot(x11));
        auto wayland = onCompositor(compositor, config);
        QVERIFY2(wayland->start(), whyNot(*wayland));

        for (const Step &step : steps) {
            QCOMPARE(call(x11.bus(), step.method, step.args).type(), QDBusMessage::ReplyMessage);
            QCOMPARE(call(wayland->bus(), step.method, step.args).type(), QDBusMessage::ReplyMessage);
            const auto compare = [&] {
                const QImage onX11 = x11Screen();
                if (&compositor == kwin.get()) {
                    const QStringList expected =
                        step.shown ? QStringList{text(popUpArea(onX11, x11Empty)) + QStringLiteral(" on ") + kwin->outputName(0)} : QStringList();
                    const QStringList places = kwinPlaces(*kwin, wayland->pid(), false);
                    if (places != expected) {
                        return QStringLiteral("KWin has it at %1, X11 at %2").arg(places.join(QLatin1String(", ")), expected.join(QString()));
                    }
                    if (empty.isNull()) {
                        return QString();
                    }
                }
                const QImage onWayland = compositor.screenshot();
                if (popUpArea(onWayland, empty).isEmpty() == step.shown) {
                    return QStringLiteral("the pop-up is %1 on Wayland").arg(QLatin1String(step.shown ? "missing" : "still there"));
                }
                return difference(onX11, x11Empty, onWayland, empty);
            };
            const QString found = waitForNoProblem(compare, timeoutMs());
            QVERIFY2(found.isEmpty(), qPrintable(step.method + QStringLiteral(": ") + found));
        }
        if (qEnvironmentVariableIsSet("OSD_SCREENSHOT_DIR") && !empty.isNull()) {
            const QImage screen = compositor.screenshot();
            saveScreenshot(screen.copy(popUpArea(screen, empty).adjusted(-20, -20, 20, 20)),
                           QString::fromLatin1(QTest::currentTestFunction()) + QLatin1Char('-') + QString::fromLatin1(QTest::currentDataTag()));
        }
    }

private:
    // Gives sway's output @p index @p size pixels and @p scale.
    void setSwayOutput(int index, const QSize &size, qreal scale)
    {
        sway.swaymsg({QStringLiteral("output"),
                      sway.outputName(index),
                      QStringLiteral("mode"),
                      QStringLiteral("%1x%2").arg(size.width()).arg(size.height()),
                      QStringLiteral("scale"),
                      QString::number(scale)});
    }

    // The pop-up on @p screen once two screenshots in a row agree and hold it, against @p empty;
    // @p area receives where it is. Null if none settles.
    QImage settledPopUp(const std::function<QImage()> &screen, const QImage &empty, QRect *area = nullptr)
    {
        QImage last;
        const QString found = waitForNoProblem(
            [&] {
                const QImage shot = screen();
                const bool settled = shot == last && !popUpArea(shot, empty).isEmpty();
                last = shot;
                return settled ? QString() : QStringLiteral("no pop-up");
            },
            timeoutMs());
        const QRect shown = found.isEmpty() ? popUpArea(last, empty) : QRect();
        if (area) {
            *area = shown;
        }
        return shown.isEmpty() ? QImage() : last.copy(shown);
    }

    // The pop-up of @p steps on sway's first output at @p scale, or on the X display with the
    // settings a Plasma session makes at that scale; in @p language when one is given.
    QImage popUpAtScale(bool onX11, const QByteArray &config, const Steps &steps, const QString &language, qreal scale, QRect *area)
    {
        QImage empty = x11Empty;
        PrivateBus x11Bus;
        std::unique_ptr<DaemonProcess> daemon;
        if (onX11) {
            daemon = std::make_unique<DaemonProcess>();
            daemon->useBus(x11Bus.address());
            daemon->writeConfig(lastingPopUps(config));
            // Xft.dpi would be the X display's for every test on it: QT_FONT_DPI stands in.
            daemon->environment().insert(QStringLiteral("QT_FONT_DPI"), QString::number(qRound(96 * scale)));
            daemon->environment().insert(QStringLiteral("QT_SCREEN_SCALE_FACTORS"), QString::number(scale));
        } else {
            // As many logical pixels at every scale, as a screen of more pixels has.
            setSwayOutput(0, QSize(1920, 1080) * scale, scale);
            empty = sway.screenshot();
            daemon = onSway(config);
        }
        if (!language.isEmpty()) {
            // The build's catalogues first, the icon themes still found after them.
            daemon->environment().insert(QStringLiteral("LC_ALL"), QString::fromLatin1(germanLocale));
            daemon->environment().insert(QStringLiteral("LANGUAGE"), language);
            daemon->environment().insert(QStringLiteral("XDG_DATA_DIRS"), QStringLiteral(OSD_BUILD_DATA_DIR ":/usr/local/share:/usr/share"));
        }
        if (!daemon->start()) {
            return QImage();
        }
        const std::function<QImage()> screen = onX11 ? &x11Screen : std::function<QImage()>([this] {
            return sway.screenshot();
        });
        // The calls come back to back, as powerdevil sends one per display: the second often
        // arrives while the compositor is still answering for the first pop-up's surface.
        for (const Step &step : steps) {
            if (call(daemon->bus(), step.method, step.args).type() != QDBusMessage::ReplyMessage) {
                return QImage();
            }
        }
        return settledPopUp(screen, empty, area);
    }

private Q_SLOTS:
    // On a screen of scale s a pop-up is the pop-up of scale 1 drawn s times larger: of the same
    // logical size and place, looking the same when brought down to scale 1, and with its icon
    // drawn at the screen's own pixels, not a picture of scale 1 with each pixel repeated.
    void sameLookAtEveryScale_data()
    {
        QTest::addColumn<bool>("onX11");
        QTest::addColumn<QByteArray>("config");
        QTest::addColumn<Steps>("steps");
        QTest::addColumn<QString>("language");
        QTest::addColumn<qreal>("scale");
        QTest::addColumn<QRect>("icon"); // at scale 1; empty: checked in another row

        const Steps volume{{QStringLiteral("volumeChanged"), {40}, true}};
        const Steps wifi{{QStringLiteral("wifiEnabledChanged"), {true}, true}};
        // Two displays of one key: the list of both, on the primary screen.
        const Steps displays{
            {QStringLiteral("screenBrightnessChanged"), {40, QStringLiteral("ddc-1"), QStringLiteral("Dell"), 1, QVariant::fromValue(QRect())}, true},
            {QStringLiteral("screenBrightnessChanged"), {70, QStringLiteral("ddc-2"), QStringLiteral("Built-in"), 0, QVariant::fromValue(QRect())}, true}};
        const Steps customFont{{QStringLiteral("showTextWithFont"),
                                {QStringLiteral("audio-volume-high"),
                                 QStringLiteral("Serif at 20 points"),
                                 QStringLiteral("DejaVu Serif"),
                                 20,
                                 20000,
                                 QStringLiteral("north"),
                                 QStringLiteral("#3366cc")},
                                true}};
        const Steps noBackground{
            {QStringLiteral("showTextWithFontNoBackground"),
             {QStringLiteral("audio-volume-high"), QStringLiteral("No background"), QString(), 0, 20000, QStringLiteral("north"), QString()},
             true}};
        const QString english;
        const QString hebrew = QStringLiteral("he");
        for (const bool onX11 : {false, true}) {
            const char *platform = onX11 ? "X11" : "sway";
            for (const qreal scale : {1.25, 1.5, 2.0}) {
                QTest::addRow("%s %g: rounded volume", platform, scale) << onX11 << QByteArray() << volume << english << scale << QRect(36, 24, 24, 18);
                QTest::addRow("%s %g: standard volume", platform, scale) << onX11 << standardStyle << volume << english << scale << QRect(8, 8, 30, 30);
            }
            QTest::addRow("%s 2: rounded switch", platform) << onX11 << QByteArray() << wifi << english << 2.0 << QRect(117, 18, 24, 22);
            // Each other kind at 2, and at 1.5 those whose text or shape a fractional scale
            // rounds differently. The rounded list's badge is the switch's, whose icon is
            // checked above; its place follows the list's width.
            for (const qreal scale : {1.5, 2.0}) {
                QTest::addRow("%s %g: rounded display list", platform, scale) << onX11 << QByteArray() << displays << english << scale << QRect();
                QTest::addRow("%s %g: standard display list", platform, scale)
                    << onX11 << standardStyle << displays << english << scale << QRect(10, 16, 26, 24);
                QTest::addRow("%s %g: custom text with its font", platform, scale)
                    << onX11 << QByteArray() << customFont << english << scale << QRect(195, 26, 18, 18);
            }
            QTest::addRow("%s 2: no background", platform) << onX11 << QByteArray() << noBackground << english << 2.0 << QRect(120, 26, 18, 18);
            QTest::addRow("%s 2: rounded switch, right to left", platform) << onX11 << QByteArray() << wifi << hebrew << 2.0 << QRect(119, 28, 20, 15);
            QTest::addRow("%s 2: standard volume, right to left", platform) << onX11 << standardStyle << volume << hebrew << 2.0 << QRect(240, 11, 22, 22);
            QTest::addRow("%s 2: standard volume at the northwest, right to left", platform) << onX11 << standardStyle + "Position=northwest\nMargin=12\n"
                                                                                             << volume << hebrew << 2.0 << QRect();
            QTest::addRow("%s 2: rounded switch at the southeast, margin 0", platform)
                << onX11 << QByteArray("[OSD]\nPosition=southeast\nMargin=0\n") << wifi << english << 2.0 << QRect();
        }
    }

    void sameLookAtEveryScale()
    {
        QFETCH(bool, onX11);
        QFETCH(QByteArray, config);
        QFETCH(Steps, steps);
        QFETCH(QString, language);
        QFETCH(qreal, scale);
        QFETCH(QRect, icon);

        const auto backToScale1 = qScopeGuard([this] {
            setSwayOutput(0, QSize(1920, 1080), 1);
        });
        QRect referenceArea;
        const QImage reference = popUpAtScale(onX11, config, steps, language, 1, &referenceArea);
        QVERIFY(!reference.isNull());
        QRect area;
        const QImage scaled = popUpAtScale(onX11, config, steps, language, scale, &area);
        QVERIFY(!scaled.isNull());
        if (qEnvironmentVariableIsSet("OSD_SCREENSHOT_DIR")) {
            saveScreenshot(scaled, QString::fromLatin1(QTest::currentTestFunction()) + QLatin1Char('-') + QString::fromLatin1(QTest::currentDataTag()));
        }

        // The X display keeps its pixels at every scale, so its logical screen is smaller and a
        // pop-up placed by the screen's proportions moves.
        const QString place = sameSize(area, scale, referenceArea, !onX11);
        QVERIFY2(place.isEmpty(), qPrintable(place));
        // Glyphs and the icon theme's drawings are rasterised anew for the larger size, and
        // their edge pixels differ from those of scale 1: some 1 % of a pop-up. A compositor
        // that brings a buffer of the next integer scale down to a fractional one loses or
        // thickens some one-pixel lines too: up to 3 %. A text, icon or bar out of its place or
        // size differs in far more.
        const QString look = ScaledImages::sameLook(scaled, reference, 64, scale == qFloor(scale) ? 0.02 : 0.04);
        QVERIFY2(look.isEmpty(), qPrintable(look));
        // Only an integer scale keeps the grid of scale 1 aligned in the screenshot. The
        // rounded window's corners are cut by the pop-up itself on Wayland, by an X11 shape
        // at device pixels on X11.
        if (scale == 2) {
            QVERIFY2(icon.isEmpty() || ScaledImages::finerThanGrid(scaled, QRect(icon.topLeft() * 2, icon.size() * 2), 2),
                     "the icon is a picture of scale 1, each pixel repeated");
            if (config.isEmpty() && steps.first().method != QLatin1String("showTextWithFontNoBackground")) {
                QVERIFY2(ScaledImages::finerThanGrid(scaled, QRect(0, 0, 24, 24), 2), "the corner is cut in steps of two pixels");
            }
        }
    }

    // KWin's own account at scales 1.5 and 2: the pop-up has the logical size, place and
    // output it has at scale 1.
    void sameAtEveryScaleOnKWin_data()
    {
        QTest::addColumn<QByteArray>("config");
        QTest::addColumn<qreal>("scale");
        for (const qreal scale : {1.5, 2.0}) {
            QTest::addRow("%g: rounded volume", scale) << QByteArray() << scale;
            QTest::addRow("%g: standard volume", scale) << standardStyle << scale;
        }
    }

    void sameAtEveryScaleOnKWin()
    {
        QFETCH(QByteArray, config);
        QFETCH(qreal, scale);
        if (kwinPlacesAtScale1.isEmpty()) {
            if (!kwinRuns()) {
                QSKIP(qPrintable(QStringLiteral("KWin does not run here: ") + kwinFailure));
            }
            for (const QByteArray &style : {QByteArray(), standardStyle}) {
                const QStringList places = volumeOnKWin(style, {});
                QCOMPARE(places.size(), 1);
                kwinPlacesAtScale1.insert(style, places);
            }
        }
        QVERIFY2(kwinRuns(scale), qPrintable(kwinFailure));
        const QStringList expected = kwinPlacesAtScale1.value(config);
        QCOMPARE(volumeOnKWin(config, expected), expected);
    }

    // The lock keys typed on KWin's keyboard: the daemon hears them from KWin, with no caller, and
    // KWin shows the pop-up; never one for the states at the daemon's start. KWin's keymap, as
    // xkeyboard-config makes it, gives Scroll Lock no modifier, so the key changes no state there.
    void lockKeysOnKWin_data()
    {
        QTest::addColumn<QByteArray>("config");
        QTest::addColumn<QVector<quint32>>("before");
        QTest::addColumn<QVector<quint32>>("typed");
        QTest::addColumn<QString>("first");
        using Keys = QVector<quint32>;
        QTest::newRow("rounded: Caps Lock") << QByteArray() << Keys() << Keys{KEY_CAPSLOCK} << "Caps Lock On";
        QTest::newRow("standard: Num Lock") << standardStyle << Keys() << Keys{KEY_NUMLOCK} << "Num Lock On";
        QTest::newRow("nothing for the start") << QByteArray() << Keys{KEY_CAPSLOCK} << Keys{KEY_NUMLOCK} << "Num Lock On";
        QTest::newRow("toggled fast") << QByteArray() << Keys() << Keys{KEY_CAPSLOCK, KEY_CAPSLOCK, KEY_CAPSLOCK} << "Caps Lock On";
    }

    void lockKeysOnKWin()
    {
        QFETCH(QByteArray, config);
        QFETCH(QVector<quint32>, before);
        QFETCH(QVector<quint32>, typed);
        QFETCH(QString, first);
        if (!kwinRuns()) {
            QSKIP(qPrintable(QStringLiteral("KWin does not run here: ") + kwinFailure));
        }
        QVERIFY(before.isEmpty() || kwin->typeKWinKeys(before));
        // Each key is typed again at the end, back to its state before the row.
        const auto restore = qScopeGuard([&] {
            kwin->typeKWinKeys(before + typed);
        });
        auto daemon = onCompositor(*kwin, config);
        QVERIFY2(daemon->start(), whyNot(*daemon));
        SignalRecorder recorder(daemon->bus());
        QVERIFY(kwin->typeKWinKeys(typed));
        QTRY_VERIFY_WITH_TIMEOUT(!recorder.received.isEmpty(), timeoutMs());
        QCOMPARE(recorder.received.first().member, QStringLiteral("osdText"));
        QCOMPARE(recorder.received.first().arguments.value(1).toString(), first);
        QTRY_COMPARE_WITH_TIMEOUT(kwinPlaces(*kwin, daemon->pid(), false).size(), 1, timeoutMs());
    }

private:
    // KWin's account of a volume pop-up, once it is @p expected or, if none is expected, once
    // there is one.
    QStringList volumeOnKWin(const QByteArray &config, const QStringList &expected)
    {
        auto daemon = onCompositor(*kwin, config);
        if (!daemon->start() || call(daemon->bus(), QStringLiteral("volumeChanged"), {40}).type() != QDBusMessage::ReplyMessage) {
            return {};
        }
        QStringList places;
        waitForNoProblem(
            [&] {
                places = kwinPlaces(*kwin, daemon->pid(), false);
                return (expected.isEmpty() ? places.size() == 1 : places == expected) ? QString() : QStringLiteral("not yet");
            },
            timeoutMs());
        return places;
    }

private Q_SLOTS:

    // Around the round badge of a 96x96 volume pop-up, at the top centre.
    void cornersShowTheDesktop_data()
    {
        QTest::addColumn<QByteArray>("theme");
        QTest::addColumn<QPoint>("point");
        QTest::addColumn<bool>("desktop");

        const QPoint topLeft(911, 40);
        for (const auto &theme : {std::make_pair("translucent", translucentTheme), std::make_pair("opaque, rounded", QByteArray())}) {
            const bool translucent = !theme.second.isEmpty();
            QTest::addRow("%s: top left corner", theme.first) << theme.second << topLeft << true;
            QTest::addRow("%s: bottom right corner", theme.first) << theme.second << topLeft + QPoint(95, 95) << true;
            QTest::addRow("%s: left of the ring", theme.first) << theme.second << topLeft + QPoint(3, 47) << translucent;
            QTest::addRow("%s: the ring's arc", theme.first) << theme.second << topLeft + QPoint(83, 47) << false;
        }
    }

    void cornersShowTheDesktop()
    {
        QFETCH(QByteArray, theme);
        QFETCH(QPoint, point);
        QFETCH(bool, desktop);

        auto daemon = onSway(QByteArray(), theme);
        QVERIFY2(daemon->start(), whyNot(*daemon));
        QCOMPARE(call(daemon->bus(), QStringLiteral("volumeChanged"), {40}).type(), QDBusMessage::ReplyMessage);
        QTRY_COMPARE_WITH_TIMEOUT(swayPopUp().isEmpty(), false, timeoutMs());
        const QImage screen = sway.screenshot();
        QCOMPARE(screen.pixel(point) == WaylandCompositor::firstOutputColor, desktop);
    }

    // The primary output is the one at the origin of the layout, whichever sway announces
    // first (the first, 1.7; the second, 1.10); the test puts the first announced there.
    void onlyOnThePrimaryOutput_data()
    {
        QTest::addColumn<int>("atOrigin");
        QTest::newRow("the first announced at the origin") << 0;
        QTest::newRow("the second announced at the origin") << 1;
    }

    void onlyOnThePrimaryOutput()
    {
        QFETCH(int, atOrigin);
        const QString primary = sway.outputName(atOrigin);
        const QString other = sway.outputName(1 - atOrigin);
        const auto place = [this](const QString &output, int x) {
            sway.swaymsg({QStringLiteral("output"), output, QStringLiteral("position"), QString::number(x), QStringLiteral("0")});
        };
        const auto layoutBack = qScopeGuard([&] {
            place(sway.outputName(0), 0);
            place(sway.outputName(1), 1920);
        });
        place(primary, 0);
        place(other, atOrigin == 0 ? 1920 : 1280);
        const QImage primaryEmpty = sway.screenshot(primary);
        const QImage otherEmpty = sway.screenshot(other);
        auto daemon = onSway();
        QVERIFY2(daemon->start(), whyNot(*daemon));
        QCOMPARE(call(daemon->bus(), QStringLiteral("volumeChanged"), {40}).type(), QDBusMessage::ReplyMessage);
        const QRect expected = atOrigin == 0 ? QRect(911, 40, 96, 96) : QRect(591, 40, 96, 96);
        QTRY_COMPARE_WITH_TIMEOUT(popUpArea(sway.screenshot(primary), primaryEmpty), expected, timeoutMs());
        QCOMPARE(sway.screenshot(other), otherEmpty);
    }

    // Screen=all: the pop-up on both outputs, placed on the smaller second one by the same rules
    // as on the first. An output switched off while it shows takes its copy along, and one
    // switched on again gets one; hiding takes them all.
    void onEveryOutput()
    {
        const QString first = sway.outputName(0);
        const QString second = sway.outputName(1);
        const auto enableBack = qScopeGuard([&] {
            sway.swaymsg({QStringLiteral("output"), second, QStringLiteral("enable")});
        });
        const QImage firstEmpty = sway.screenshot(first);
        const QImage secondEmpty = sway.screenshot(second);
        const auto placed = [this](const QString &output, const QImage &empty) {
            const QImage screen = sway.screenshot(output);
            const QRect area = popUpArea(screen, empty);
            return area.isEmpty() ? QStringLiteral("nothing") : placeOn(area, screen.size());
        };
        const QString expected = placeOn(QRect(911, 40, 96, 96), firstEmpty.size());
        auto daemon = onSway("[OSD]\nScreen=all\nTimeout=20000\n");
        QVERIFY2(daemon->start(), whyNot(*daemon));
        QCOMPARE(call(daemon->bus(), QStringLiteral("volumeChanged"), {40}).type(), QDBusMessage::ReplyMessage);
        QTRY_COMPARE_WITH_TIMEOUT(placed(first, firstEmpty), expected, timeoutMs());
        QTRY_COMPARE_WITH_TIMEOUT(placed(second, secondEmpty), expected, timeoutMs());

        sway.swaymsg({QStringLiteral("output"), second, QStringLiteral("disable")});
        QCOMPARE(call(daemon->bus(), QStringLiteral("volumeChanged"), {50}).type(), QDBusMessage::ReplyMessage);
        QTRY_COMPARE_WITH_TIMEOUT(placed(first, firstEmpty), expected, timeoutMs());
        sway.swaymsg({QStringLiteral("output"), second, QStringLiteral("enable")});
        // Sway 1.10 draws an output switched on again only once something on it changes, and
        // grim waits for a drawing: the output gets its background anew, and each look comes
        // after a new value, which the copy draws whenever it was mapped.
        sway.swaymsg(
            {QStringLiteral("output"), second, QStringLiteral("bg"), QColor(WaylandCompositor::secondOutputColor).name(), QStringLiteral("solid_color")});
        int value = 50;
        const auto placedAfterNewValue = [&] {
            call(daemon->bus(), QStringLiteral("volumeChanged"), {++value});
            return placed(second, secondEmpty);
        };
        QTRY_COMPARE_WITH_TIMEOUT(placedAfterNewValue(), expected, timeoutMs());

        QCOMPARE(call(daemon->bus(), QStringLiteral("hide"), {}).type(), QDBusMessage::ReplyMessage);
        QTRY_COMPARE_WITH_TIMEOUT(placed(first, firstEmpty), QStringLiteral("nothing"), timeoutMs());
        QTRY_COMPARE_WITH_TIMEOUT(placed(second, secondEmpty), QStringLiteral("nothing"), timeoutMs());
    }

    // On KWin the primary output is the first of KWin's output order, which the user chose,
    // whatever the layout; the order changed while the daemon runs takes the next pop-up along.
    void primaryInKWinsOrder_data()
    {
        QTest::addColumn<int>("firstAtStart");
        QTest::addColumn<int>("firstLater");
        QTest::newRow("the second output first, then the first") << 1 << 0;
        QTest::newRow("the first output first, then the second") << 0 << 1;
    }

    void primaryInKWinsOrder()
    {
        QFETCH(int, firstAtStart);
        QFETCH(int, firstLater);
        if (!kwinRuns()) {
            QSKIP(qPrintable(QStringLiteral("KWin does not run here: ") + kwinFailure));
        }
        const auto orderBack = qScopeGuard([this] {
            kwin->setPrimaryOutput(0);
        });
        QVERIFY(kwin->setPrimaryOutput(firstAtStart));
        auto daemon = onCompositor(*kwin, QByteArray());
        QVERIFY2(daemon->start(), whyNot(*daemon));
        const auto outputs = [&] {
            QStringList names;
            for (const WaylandCompositor::Placed &placed : kwin->kwinPlaces(daemon->pid())) {
                names.append(placed.output);
            }
            return names;
        };
        QCOMPARE(call(daemon->bus(), QStringLiteral("volumeChanged"), {40}).type(), QDBusMessage::ReplyMessage);
        QTRY_COMPARE_WITH_TIMEOUT(outputs(), QStringList{kwin->outputName(firstAtStart)}, timeoutMs());
        QCOMPARE(call(daemon->bus(), QStringLiteral("hide"), {}).type(), QDBusMessage::ReplyMessage);
        QTRY_COMPARE_WITH_TIMEOUT(outputs(), QStringList(), timeoutMs());
        QVERIFY(kwin->setPrimaryOutput(firstLater));
        QCOMPARE(call(daemon->bus(), QStringLiteral("volumeChanged"), {50}).type(), QDBusMessage::ReplyMessage);
        QTRY_COMPARE_WITH_TIMEOUT(outputs(), QStringList{kwin->outputName(firstLater)}, timeoutMs());
    }

    // With Screen=active or pointer the compositor chooses the output, and sway and KWin choose
    // the focused one: the pop-up is there, where it is on the first output without the
    // setting. Sway's second output is smaller than its first; KWin's are of one size.
    void chosenScreen_data()
    {
        QTest::addColumn<int>("compositor");
        QTest::addColumn<QByteArray>("config");
        QTest::addColumn<int>("focused");
        QTest::addColumn<Step>("step");
        QTest::addColumn<int>("shownOn");

        const int swayKind = WaylandCompositor::Sway;
        const QByteArray active("[OSD]\nScreen=active\n");
        const Step volume{QStringLiteral("volumeChanged"), {40}, true};
        const Step southeast{QStringLiteral("showTextWithFont"),
                             {QString(), QStringLiteral("In the corner"), QString(), 14, 20000, QStringLiteral("southeast"), QStringLiteral("#3366cc")},
                             true};
        Step centre = southeast;
        centre.args[5] = QStringLiteral("center");
        QTest::newRow("active, focus on the second: volume") << swayKind << active << 1 << volume << 1;
        QTest::newRow("active, focus on the second: text at the southeast") << swayKind << active << 1 << southeast << 1;
        QTest::newRow("pointer, focus on the second: text at the centre") << swayKind << QByteArray("[OSD]\nScreen=pointer\n") << 1 << centre << 1;
        QTest::newRow("active, focus on the first: volume") << swayKind << active << 0 << volume << 0;
        QTest::newRow("no setting, focus on the second: volume on the primary") << swayKind << QByteArray() << 1 << volume << 0;
        QTest::newRow("KWin, active, focus on the second: volume") << int(WaylandCompositor::KWin) << active << 1 << volume << 1;
        // The brightness of one display goes to the output whose name or rectangle the caller
        // sends, wherever the focus is; Sway's second output lies right of its first. "@1" stands
        // for the second output's name, which differs between sway's releases.
        const Step secondBrightness{QStringLiteral("screenBrightnessChanged"),
                                    {60, QStringLiteral("@1"), QStringLiteral("Second"), 1, QVariant::fromValue(QRect(1920, 0, 1280, 1024))},
                                    true};
        QTest::newRow("brightness of the second output, focus on the first") << swayKind << QByteArray() << 0 << secondBrightness << 1;
        QTest::newRow("brightness of the second output, active, focus on the first") << swayKind << active << 0 << secondBrightness << 1;
        // As powerdevil calls: the output's name and an empty rectangle.
        Step secondByName = secondBrightness;
        secondByName.args[4] = QVariant::fromValue(QRect());
        QTest::newRow("powerdevil: brightness of the second output by name") << swayKind << QByteArray() << 0 << secondByName << 1;
    }

    void chosenScreen()
    {
        QFETCH(int, compositor);
        QFETCH(QByteArray, config);
        QFETCH(int, focused);
        QFETCH(Step, step);
        QFETCH(int, shownOn);
        if (compositor == WaylandCompositor::KWin && !kwinRuns()) {
            QSKIP(qPrintable(QStringLiteral("KWin does not run here: ") + kwinFailure));
        }
        WaylandCompositor &host = compositor == WaylandCompositor::KWin ? *kwin : sway;
        // KWin is judged by its own account of where it put the pop-up, which names the output
        // too: it takes screenshots only when it composites with OpenGL.
        const bool byAccount = &host == kwin.get();
        const QString first = host.outputName(0);
        const QString target = host.outputName(shownOn);
        const QString other = host.outputName(1 - shownOn);
        if (step.args.value(1) == QLatin1String("@1")) {
            step.args[1] = host.outputName(1);
        }
        const QImage firstEmpty = host.screenshot(first);
        const QImage targetEmpty = host.screenshot(target);
        const QImage otherEmpty = host.screenshot(other);

        // Where the pop-up is without the setting, on the first output; a brightness of a display
        // that no output's name or rectangle finds.
        QImage reference;
        QStringList referencePlaces;
        {
            auto daemon = onCompositor(host, QByteArray());
            QVERIFY2(daemon->start(), whyNot(*daemon));
            QVariantList referenceArgs = step.args;
            if (step.method == QLatin1String("screenBrightnessChanged")) {
                referenceArgs[1] = QStringLiteral("ddc-1");
                referenceArgs[4] = QVariant::fromValue(QRect());
            }
            QCOMPARE(call(daemon->bus(), step.method, referenceArgs).type(), QDBusMessage::ReplyMessage);
            if (byAccount) {
                QTRY_COMPARE_WITH_TIMEOUT((referencePlaces = kwinPlaces(*kwin, daemon->pid(), true)).size(), 1, timeoutMs());
                QVERIFY2(referencePlaces.first().endsWith(QStringLiteral(" on ") + first), qPrintable(referencePlaces.first()));
            } else {
                QTRY_COMPARE_WITH_TIMEOUT(popUpArea(reference = host.screenshot(first), firstEmpty).isEmpty(), false, timeoutMs());
            }
        }
        const QRect referenceArea = popUpArea(reference, firstEmpty);
        const QString expected = byAccount ? referencePlaces.first().replace(QStringLiteral(" on ") + first, QStringLiteral(" on ") + target)
                                           : placeOn(referenceArea, reference.size());

        const auto focusBack = qScopeGuard([&] {
            host.focusOutput(0);
        });
        QVERIFY(host.focusOutput(focused));
        auto daemon = onCompositor(host, config);
        daemon->environment().insert(QStringLiteral("WAYLAND_DEBUG"), QStringLiteral("client"));
        QVERIFY2(daemon->start(), whyNot(*daemon));
        QCOMPARE(call(daemon->bus(), step.method, step.args).type(), QDBusMessage::ReplyMessage);
        const auto compare = [&] {
            if (byAccount) {
                const QStringList places = kwinPlaces(*kwin, daemon->pid(), true);
                return places == QStringList{expected} ? QString()
                                                       : QStringLiteral("KWin has it at %1, expected %2").arg(places.join(QLatin1String(", ")), expected);
            }
            const QImage screen = host.screenshot(target);
            const QRect area = popUpArea(screen, targetEmpty);
            const QString place = area.isEmpty() ? QStringLiteral("nothing") : placeOn(area, screen.size());
            if (place != expected) {
                return QStringLiteral("%1 on %2, %3 on %4 without the setting").arg(place, target, expected, first);
            }
            return difference(screen.copy(area), targetEmpty.copy(area), reference.copy(referenceArea), firstEmpty.copy(referenceArea));
        };
        const QString found = waitForNoProblem(compare, timeoutMs());
        QVERIFY2(found.isEmpty(), qPrintable(found));
        QCOMPARE(host.screenshot(other), otherEmpty);
        // A frame lasts too briefly to be caught by a screenshot: what the compositor was told,
        // all of it once the daemon has ended, shows whether the first frame was already where
        // the pop-up stays.
        QVERIFY(daemon->stop(SIGTERM));
        // Ended cleanly: here accessibility never starts, and the daemon once crashed at its end.
        QCOMPARE(daemon->process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(daemon->process().exitCode(), 0);
        const QString placed = placedOnce(daemon->readStandardError());
        QVERIFY2(placed.isEmpty(), qPrintable(placed));
    }

    // Outputs of scale 1 and 2: the pop-up that goes with the focus is drawn for each, the
    // second time on the first output again as at scale 1, from no picture made for the other.
    void betweenScreensOfTwoScales()
    {
        const auto back = qScopeGuard([&] {
            setSwayOutput(1, QSize(1280, 1024), 1);
            sway.focusOutput(0);
        });
        setSwayOutput(1, QSize(2560, 2048), 2);
        const QImage secondEmpty = sway.screenshot(sway.outputName(1));
        const auto on = [this](int output) {
            return [this, output] {
                return sway.screenshot(sway.outputName(output));
            };
        };
        const Step volume{QStringLiteral("volumeChanged"), {40}, true};
        QImage reference;
        {
            auto daemon = onSway();
            QVERIFY2(daemon->start(), whyNot(*daemon));
            QCOMPARE(call(daemon->bus(), volume.method, volume.args).type(), QDBusMessage::ReplyMessage);
            reference = settledPopUp(on(0), swayEmpty);
        }
        QVERIFY(!reference.isNull());

        auto daemon = onSway(QByteArray("[OSD]\nScreen=active\n"));
        QVERIFY2(daemon->start(), whyNot(*daemon));
        QVERIFY(sway.focusOutput(1));
        QCOMPARE(call(daemon->bus(), volume.method, volume.args).type(), QDBusMessage::ReplyMessage);
        const QImage scaled = settledPopUp(on(1), secondEmpty);
        QCOMPARE(scaled.size(), reference.size() * 2);
        QVERIFY(ScaledImages::finerThanGrid(scaled, QRect(72, 48, 48, 36), 2));
        QCOMPARE(call(daemon->bus(), QStringLiteral("hide"), {}).type(), QDBusMessage::ReplyMessage);
        QTRY_COMPARE_WITH_TIMEOUT(sway.screenshot(sway.outputName(1)), secondEmpty, timeoutMs());

        QVERIFY(sway.focusOutput(0));
        QCOMPARE(call(daemon->bus(), volume.method, volume.args).type(), QDBusMessage::ReplyMessage);
        QCOMPARE(settledPopUp(on(0), swayEmpty), reference);
    }

    // Started as a compositor starts its helpers: with a connected socket instead of the
    // display's name. The daemon inherits it, since it is not closed on exec.
    void handedOverSocket()
    {
        sockaddr_un address{AF_UNIX, {}};
        qstrncpy(address.sun_path, QFile::encodeName(sway.socket()).constData(), sizeof address.sun_path);
        const int socket = ::socket(AF_UNIX, SOCK_STREAM, 0);
        QCOMPARE(::connect(socket, reinterpret_cast<const sockaddr *>(&address), sizeof address), 0);
        auto daemon = onSway();
        daemon->environment().remove(QStringLiteral("WAYLAND_DISPLAY"));
        daemon->environment().insert(QStringLiteral("WAYLAND_SOCKET"), QString::number(socket));
        const bool started = daemon->start();
        ::close(socket);
        QVERIFY2(started, whyNot(*daemon));
        QCOMPARE(call(daemon->bus(), QStringLiteral("volumeChanged"), {40}).type(), QDBusMessage::ReplyMessage);
        QTRY_COMPARE_WITH_TIMEOUT(swayPopUp(), QRect(911, 40, 96, 96), timeoutMs());
    }

    void lockHidesIt()
    {
        auto daemon = onSway();
        QVERIFY2(daemon->start(), whyNot(*daemon));
        QCOMPARE(call(daemon->bus(), QStringLiteral("showTextWithFont"), {QString(), QStringLiteral("Locked soon"), QString(), 0, 20000, QString(), QString()})
                     .type(),
                 QDBusMessage::ReplyMessage);
        QTRY_COMPARE_WITH_TIMEOUT(swayPopUp().isEmpty(), false, timeoutMs());

        QDBusConnection saver = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("screensaver"));
        QVERIFY(saver.registerService(QStringLiteral("org.freedesktop.ScreenSaver")));
        QDBusMessage locked = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/ScreenSaver"),
                                                         QStringLiteral("org.freedesktop.ScreenSaver"),
                                                         QStringLiteral("ActiveChanged"));
        locked << true;
        QVERIFY(saver.send(locked));
        QTRY_COMPARE_WITH_TIMEOUT(swayPopUp(), QRect(), timeoutMs());
        QDBusConnection::disconnectFromBus(QStringLiteral("screensaver"));
    }

    // Clicks reach the window below: the region the surface takes input in, the last one set
    // before it is seen, is made and set without a rectangle added (the protocol log tells).
    // The second pop-up is larger, so it is shown on a surface made while shown, once.
    void clicksPassThrough()
    {
        auto daemon = onSway();
        daemon->environment().insert(QStringLiteral("WAYLAND_DEBUG"), QStringLiteral("client"));
        QVERIFY2(daemon->start(), whyNot(*daemon));
        QCOMPARE(call(daemon->bus(), QStringLiteral("volumeChanged"), {40}).type(), QDBusMessage::ReplyMessage);
        QTRY_COMPARE_WITH_TIMEOUT(swayPopUp().isEmpty(), false, timeoutMs());
        QCOMPARE(call(daemon->bus(), QStringLiteral("showText"), {QString(), QStringLiteral("A much longer text than before")}).type(),
                 QDBusMessage::ReplyMessage);
        QTRY_VERIFY_WITH_TIMEOUT(swayPopUp().width() > 200, timeoutMs());

        QByteArray log;
        QTRY_COMPARE_WITH_TIMEOUT((log = daemon->readStandardError()).count("get_layer_surface("), 2, timeoutMs());
        const QRegularExpression setRegion(QStringLiteral(R"(wl_surface[@#]\d+\.set_input_region\((\S+)\))"));
        QRegularExpressionMatch last;
        for (auto it = setRegion.globalMatch(QString::fromLatin1(log)); it.hasNext();) {
            last = it.next();
        }
        QVERIFY(last.hasMatch());
        const QString region = last.captured(1);
        QVERIFY2(region != QLatin1String("nil"), "input everywhere");
        const QByteArray made = "create_region(new id " + region.toLatin1() + ')';
        const int from = log.lastIndexOf(made, last.capturedStart());
        QVERIFY2(from >= 0, qPrintable(region));
        QVERIFY2(!log.mid(from, last.capturedStart() - from).contains(QByteArray(region.toLatin1() + ".add(")), "the region has a rectangle");
    }

    // Pop-ups are painted without OpenGL here too; the user may still ask for an integration.
    void openGLOnlyWhenAskedFor_data()
    {
        addOpenGLRows(QStringLiteral("wayland-egl"));
    }

    void openGLOnlyWhenAskedFor()
    {
        QFETCH(QString, integration);
        QFETCH(bool, loaded);
        auto daemon = onSway();
        if (!integration.isEmpty()) {
            daemon->environment().insert(QStringLiteral("QT_WAYLAND_CLIENT_BUFFER_INTEGRATION"), integration);
        }
        QVERIFY2(daemon->start(), whyNot(*daemon));
        QCOMPARE(call(daemon->bus(), QStringLiteral("volumeChanged"), {40}).type(), QDBusMessage::ReplyMessage);
        QTRY_COMPARE_WITH_TIMEOUT(swayPopUp().isEmpty(), false, timeoutMs());
        const QByteArray mapped = daemon->mappedFiles();
        QVERIFY(!mapped.isEmpty());
        QCOMPARE(mapped.contains("libEGL_mesa") || mapped.contains("_dri.so"), loaded);
        if (!loaded) {
            // Only the line that sway tells no client the lock keys.
            const QList<QByteArray> lines = daemon->readStandardError().trimmed().split('\n');
            QCOMPARE(lines.size(), 1);
            QVERIFY2(lines.first().contains(lockKeysNote), lines.first().constData());
        }
    }

    void keyboardFocusStaysWithTheTextField()
    {
        FocusHolder holder;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
        env.insert(QStringLiteral("WAYLAND_DISPLAY"), sway.socket());
        holder.setEnvironment(env);
        QVERIFY(holder.start());
        // The field fills the output; its blinking cursor is far below the pop-up's rows.
        const QRect popUpRows(0, 0, 1920, 300);
        const QImage withField = sway.screenshot().copy(popUpRows);

        auto daemon = onSway();
        QVERIFY2(daemon->start(), whyNot(*daemon));
        for (const QVariantList &args : {QVariantList{QString(), QStringLiteral("Typing goes on")}, QVariantList{QString(), QStringLiteral("And on and on")}}) {
            QCOMPARE(call(daemon->bus(), QStringLiteral("showText"), args).type(), QDBusMessage::ReplyMessage);
            QTRY_COMPARE_WITH_TIMEOUT(popUpArea(sway.screenshot().copy(popUpRows), withField).isEmpty(), false, timeoutMs());
        }
        const QByteArray tree = sway.swaymsg({QStringLiteral("-t"), QStringLiteral("get_tree")});
        QCOMPARE(focusedPid(QJsonDocument::fromJson(tree).object()), holder.pid());
        QVERIFY2(!holder.reports().contains("lost"), holder.reports().constData());
    }

    void withoutLayerShell_data()
    {
        QTest::addColumn<bool>("xDisplay");
        QTest::addColumn<QString>("module");
        QTest::addColumn<QByteArray>("line");
        const QByteArray noModule("Cannot load the Wayland back end (");
        QTest::newRow("X display reachable: through XWayland") << true << QString() << QByteArray("they are shown through XWayland");
        QTest::newRow("no X display: not shown") << false << QString()
                                                 << QByteArray("cannot be placed on it and are not shown. Start osd-service with QT_QPA_PLATFORM=xcb");
        QTest::newRow("no Wayland module, X display reachable: through XWayland") << true << QStringLiteral("/nonexistent/osd_wayland.so") << noModule;
        QTest::newRow("no Wayland module, no X display: not shown") << false << QStringLiteral("/nonexistent/osd_wayland.so") << noModule;
    }

    void withoutLayerShell()
    {
        QFETCH(bool, xDisplay);
        QFETCH(QString, module);
        QFETCH(QByteArray, line);

        if (!weston) {
            weston = std::make_unique<WaylandCompositor>(WaylandCompositor::Weston);
            const QString failure = weston->start(timeoutMs());
            QVERIFY2(failure.isEmpty(), qPrintable(failure));
        }
        QTRY_COMPARE_WITH_TIMEOUT(busNameOwnerPid(QStringLiteral("org.kde.osdService")), 0u, timeoutMs());
        DaemonProcess daemon;
        daemon.writeConfig(lastingPopUps());
        daemon.environment().remove(QStringLiteral("QT_QPA_PLATFORM"));
        daemon.environment().insert(QStringLiteral("XDG_SESSION_TYPE"), QStringLiteral("wayland"));
        daemon.environment().insert(QStringLiteral("WAYLAND_DISPLAY"), weston->socket());
        if (!xDisplay) {
            daemon.environment().remove(QStringLiteral("DISPLAY"));
        }
        if (!module.isEmpty()) {
            daemon.environment().insert(QStringLiteral("OSD_WAYLAND_MODULE"), module);
        }
        QVERIFY2(daemon.start(), whyNot(daemon));
        for (const char *method : {"volumeChanged", "brightnessChanged"}) {
            QCOMPARE(call(daemon.bus(), QLatin1String(method), {40}).type(), QDBusMessage::ReplyMessage);
        }
        QCOMPARE(daemon.process().state(), QProcess::Running);
        if (xDisplay) {
            QTRY_COMPARE_WITH_TIMEOUT(visibleWindows(daemon.pid()).size(), 1, timeoutMs());
        }
        QList<QByteArray> lines = daemon.readStandardError().trimmed().split('\n');
        // Weston tells no client the lock keys, which the daemon says once while it stays on it.
        const auto note = std::find_if(lines.begin(), lines.end(), [](const QByteArray &line) {
            return line.contains(lockKeysNote);
        });
        QCOMPARE(note != lines.end(), !xDisplay);
        if (note != lines.end()) {
            lines.erase(note);
        }
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines.first().contains(line), lines.first().constData());
    }
};

QTEST_MAIN(WaylandPopUpsTest)
#include "tst_waylandpopups.moc"
