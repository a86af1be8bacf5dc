// SPDX-License-Identifier: GPL-2.0-or-later
#include "popupsurface.h"

#include "popupsurface_debug.h"
#include "x11screens.h"

#include <KX11Extras>
#include <LayerShellQt/Shell>
#include <LayerShellQt/Window>

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <qpa/qplatformnativeinterface.h>
#include <qpa/qplatformwindow.h>

#include <wayland-client.h>

#include <cstring>

namespace
{
// What the Wayland compositor offers, found out once before the application object exists, or
// with the first window on a connection handed over by the compositor.
enum class WaylandShell {
    Unknown,
    LayerShell,
    // Chosen for Qt's connection, which is still to ask whether the compositor offers it.
    LayerShellUnconfirmed,
    None,
};
WaylandShell waylandShell = WaylandShell::Unknown;

// The rule Qt 5.15 applies when it chooses its platform: QT_QPA_PLATFORM if set, else Wayland
// in a Wayland session except under GNOME.
bool qtChoosesWayland()
{
    const QByteArray requested = qgetenv("QT_QPA_PLATFORM");
    if (!requested.isEmpty()) {
        return requested.startsWith("wayland");
    }
    const QByteArray desktops = qgetenv("XDG_CURRENT_DESKTOP").toLower() + ' ' + qgetenv("XDG_SESSION_DESKTOP").toLower();
    return qgetenv("XDG_SESSION_TYPE") == "wayland" && !desktops.contains("gnome");
}

enum class Probe {
    NoCompositor,
    LayerShell,
    NoLayerShell,
};

// Asks the compositor on @p display for its globals. The registry and the roundtrip use a queue
// of their own, so that none of the events of the connection's owner is dispatched here.
Probe askForGlobals(wl_display *display)
{
    bool found = false;
    static const wl_registry_listener listener = {
        [](void *data, wl_registry *, uint32_t, const char *interface, uint32_t) {
            if (std::strcmp(interface, "zwlr_layer_shell_v1") == 0) {
                *static_cast<bool *>(data) = true;
            }
        },
        [](void *, wl_registry *, uint32_t) {},
    };
    wl_event_queue *queue = wl_display_create_queue(display);
    auto *onQueue = static_cast<wl_display *>(wl_proxy_create_wrapper(display));
    wl_proxy_set_queue(reinterpret_cast<wl_proxy *>(onQueue), queue);
    wl_registry *registry = wl_display_get_registry(onQueue);
    wl_proxy_wrapper_destroy(onQueue);
    wl_registry_add_listener(registry, &listener, &found);
    const bool answered = wl_display_roundtrip_queue(display, queue) >= 0;
    wl_registry_destroy(registry);
    wl_event_queue_destroy(queue);
    if (!answered) {
        return Probe::NoCompositor;
    }
    return found ? Probe::LayerShell : Probe::NoLayerShell;
}

// Asks on a short connection of its own: Qt's connection does not exist yet, and its shell
// integration must be chosen before it does.
Probe probeCompositor()
{
    wl_display *display = wl_display_connect(nullptr);
    if (!display) {
        return Probe::NoCompositor;
    }
    const Probe probe = askForGlobals(display);
    wl_display_disconnect(display);
    return probe;
}

void reportNoLayerShell()
{
    qCWarning(OSD_SURFACE,
              "This Wayland compositor has no layer-shell, so pop-ups cannot be placed on it and are not shown. Start osd-service with "
              "QT_QPA_PLATFORM=xcb to show them through XWayland.");
}

// On a connection handed over by the compositor, asked once Qt has made it.
void confirmLayerShell()
{
    auto *display = static_cast<wl_display *>(QGuiApplication::platformNativeInterface()->nativeResourceForIntegration("wl_display"));
    waylandShell = display && askForGlobals(display) == Probe::LayerShell ? WaylandShell::LayerShell : WaylandShell::None;
    if (waylandShell == WaylandShell::None) {
        reportNoLayerShell();
    }
}

class X11PopupSurface : public PopupSurface
{
public:
    explicit X11PopupSurface(QWidget *window)
        : PopupSurface(window)
        , raiseTimer(new QTimer(this))
    {
        raiseTimer->setInterval(100);
        connect(raiseTimer, &QTimer::timeout, this, &X11PopupSurface::raise);
        connect(KX11Extras::self(), &KX11Extras::compositingChanged, this, &PopupSurface::compositingChanged);
    }

    void moveTo(const QPoint &position) override
    {
        window->move(position);
    }
    bool isCompositing() const override
    {
        return KX11Extras::compositingActive();
    }
    bool masksShape() const override
    {
        return true;
    }
    void shown() override
    {
        raiseTimer->start();
        raise();
    }
    void hidden() override
    {
        raiseTimer->stop();
    }

protected:
    QScreen *chosenScreen(OsdConfig::ScreenChoice choice) const override
    {
        QScreen *screen = choice == OsdConfig::ScreenChoice::Active ? X11Screens::activeWindowScreen() : nullptr;
        if (!screen) {
            screen = X11Screens::pointerScreen();
        }
        return screen ? screen : QGuiApplication::primaryScreen();
    }

    // A screen of another X screen of the display (another root window) is reached only by
    // making the window there; a window about to be shown is moved before it maps. A shown
    // window stays on its X screen: making it anew would show it a second time.
    void followedScreenChanged() override
    {
        QScreen *target = screen();
        if (!target || window->isVisible() || window->screen() == target || window->screen()->virtualSiblings().contains(target)) {
            return;
        }
        window->winId();
        window->windowHandle()->setScreen(target);
    }

private:
    // Raising only: activating the window would take the keyboard focus from the user's
    // application on a desktop without a window manager that honours the focus hints.
    void raise()
    {
        window->raise();
    }

    QTimer *const raiseTimer;
};

class LayerShellPopupSurface : public PopupSurface
{
public:
    explicit LayerShellPopupSurface(QWidget *window)
        : PopupSurface(window)
    {
        window->installEventFilter(this);
    }

    void moveTo(const QPoint &position) override;
    bool isCompositing() const override
    {
        return true;
    }
    bool masksShape() const override
    {
        return false;
    }
    void shown() override;
    void hidden() override;

protected:
    QScreen *chosenScreen(OsdConfig::ScreenChoice choice) const override;
    void followedScreenChanged() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    LayerShellQt::Window *layerWindow();
    bool applyPlacement();
    void surfaceMade();
    void renewWhenIdle();
    void renew();
    void passInputThrough();

    QPointer<LayerShellQt::Window> layer;
    LayerShellQt::Window::Anchors anchors;
    QMargins margins;
    // What the surface shown now was made with, invalid while there is none: layer-shell-qt
    // sends the size and the output to the compositor only when it makes a surface.
    QSize surfaceSize;
    QPointer<QScreen> surfaceOutput;
    bool renewalPending = false;
};

LayerShellQt::Window *LayerShellPopupSurface::layerWindow()
{
    if (layer && layer->parent() == window->windowHandle()) {
        return layer;
    }
    // The settings belong to the native window, which must exist before they can be made, and
    // they must be made before the window is first shown.
    window->winId();
    layer = LayerShellQt::Window::get(window->windowHandle());
    // Above everything, panels and full-screen windows included; nothing is pushed aside (a
    // zone of 0 still keeps out of the room panels reserve), and the keyboard stays where it is.
    layer->setLayer(LayerShellQt::Window::LayerOverlay);
    layer->setKeyboardInteractivity(LayerShellQt::Window::KeyboardInteractivityNone);
    layer->setExclusiveZone(0);
    layer->setScope(QStringLiteral("vesk-notify-osd"));
    return layer;
}

void LayerShellPopupSurface::moveTo(const QPoint &position)
{
    // The widget keeps the position as well, so that it reads where the pop-up is.
    window->move(position);

    // Margins from the nearer edge on each axis: the same pixel as under X11 on an output
    // without panels, and a panel on that edge moves the pop-up out of its way.
    QScreen *output = screen() ? screen() : window->screen();
    const QRect area = output->geometry();
    const QRect popup(position, window->size());
    anchors = {};
    margins = QMargins();
    // Where the compositor chooses the output, it shows the first frame with these anchors and
    // margins and only then tells which output it chose: the window is placed against the one
    // it was on before. A margin from an edge means the same on any output, but centring by
    // margins does not: on an output of another size the first frame would show off centre and
    // the pop-up would then jump. An axis the pop-up is centred on (to the widgets' rounding of
    // halves, at most three pixels) is left without an anchor there, which layer-shell centres
    // on whatever output the surface is on; the compositor's own rounding may put it a pixel
    // beside the widget's centre.
    const auto centredBySystem = [this](int before, int after) {
        return isPlacedBySystem() && qAbs(before - after) <= 3;
    };
    const int left = popup.left() - area.left();
    const int right = area.right() - popup.right();
    if (centredBySystem(left, right)) {
        // No anchor across.
    } else if (left <= right) {
        anchors |= LayerShellQt::Window::AnchorLeft;
        margins.setLeft(left);
    } else {
        anchors |= LayerShellQt::Window::AnchorRight;
        margins.setRight(right);
    }
    const int top = popup.top() - area.top();
    const int bottom = area.bottom() - popup.bottom();
    if (centredBySystem(top, bottom)) {
        // No anchor down.
    } else if (top <= bottom) {
        anchors |= LayerShellQt::Window::AnchorTop;
        margins.setTop(top);
    } else {
        anchors |= LayerShellQt::Window::AnchorBottom;
        margins.setBottom(bottom);
    }

    if (!window->isVisible()) {
        applyPlacement();
    } else if (window->size() != surfaceSize) {
        // Not told to the surface shown now: the compositor would answer with the old size,
        // and Qt would give it back to the widget.
        renewWhenIdle();
    } else if (applyPlacement()) {
        // Anchors and margins take effect with the surface's next commit.
        window->update();
    }
}

// Hands anchors and margins to layer-shell-qt, which passes them on to a surface at once;
// false if they were already there.
bool LayerShellPopupSurface::applyPlacement()
{
    LayerShellQt::Window *settings = layerWindow();
    const bool moved = settings->anchors() != anchors || settings->margins() != margins;
    if (settings->anchors() != anchors) {
        settings->setAnchors(anchors);
    }
    if (settings->margins() != margins) {
        settings->setMargins(margins);
    }
    return moved;
}

QScreen *LayerShellPopupSurface::chosenScreen(OsdConfig::ScreenChoice) const
{
    // No client can ask which output has the focus or the pointer: a layer surface without an
    // output goes where the compositor finds best, which KWin and wlroots compositors take to
    // be the focused output.
    return nullptr;
}

void LayerShellPopupSurface::followedScreenChanged()
{
    // An output the compositor chose stays its choice: the window is only placed anew on it.
    if (isPlacedBySystem()) {
        layerWindow()->setDesiredOutput(nullptr);
        return;
    }
    layerWindow()->setDesiredOutput(screen());
    if (window->isVisible()) {
        renewWhenIdle();
    }
}

// Qt makes the surface when the window is shown, and destroys it when the window is hidden.
// Showing a shown window again makes none.
// The compositor closes a layer surface whose output goes away, and layer-shell-qt closes the
// window with it. The pop-up's showing and hiding belong to the service alone: the window stays
// shown and moves to the primary output that follows.
bool LayerShellPopupSurface::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == window && event->type() == QEvent::Close) {
        event->ignore();
        return true;
    }
    return PopupSurface::eventFilter(watched, event);
}

void LayerShellPopupSurface::shown()
{
    if (!surfaceSize.isValid()) {
        surfaceMade();
    }
}

void LayerShellPopupSurface::hidden()
{
    surfaceSize = QSize();
    surfaceOutput = nullptr;
}

void LayerShellPopupSurface::surfaceMade()
{
    surfaceSize = window->size();
    surfaceOutput = screen();
    passInputThrough();
}

// A content change sets the size several times in a row; the surface is made once, for the
// size it ends with, before the window paints again (painting is posted at a lower priority).
void LayerShellPopupSurface::renewWhenIdle()
{
    if (renewalPending) {
        return;
    }
    renewalPending = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            renewalPending = false;
            renew();
        },
        Qt::QueuedConnection);
}

// A new surface with the size and output the window has now, made under the shown widget: the
// platform window alone is hidden and shown again, so that the widget sees no hide and show.
void LayerShellPopupSurface::renew()
{
    QWindow *handle = window->windowHandle();
    if (!window->isVisible() || !handle || !handle->handle()) {
        return;
    }
    if (window->size() == surfaceSize && screen() == surfaceOutput) {
        if (applyPlacement()) {
            window->update();
        }
        return;
    }
    handle->handle()->setVisible(false);
    applyPlacement();
    handle->handle()->setVisible(true);
    surfaceMade();
}

// An empty input region: clicks reach whatever is below the pop-up. Qt offers only a mask,
// which also becomes the input region but cannot be empty.
void LayerShellPopupSurface::passInputThrough()
{
    QPlatformNativeInterface *native = QGuiApplication::platformNativeInterface();
    auto *surface = static_cast<wl_surface *>(native->nativeResourceForWindow("surface", window->windowHandle()));
    auto *compositor = static_cast<wl_compositor *>(native->nativeResourceForIntegration("compositor"));
    if (!surface || !compositor) {
        return;
    }
    wl_region *nothing = wl_compositor_create_region(compositor);
    wl_surface_set_input_region(surface, nothing);
    wl_region_destroy(nothing);
}

// On a compositor where no pop-up can be placed the window is never mapped: a toplevel window
// would land wherever the compositor puts windows and could take the keyboard focus.
class UnmappedPopupSurface : public PopupSurface
{
public:
    explicit UnmappedPopupSurface(QWidget *window)
        : PopupSurface(window)
    {
        window->setAttribute(Qt::WA_DontShowOnScreen);
    }

    void moveTo(const QPoint &position) override
    {
        window->move(position);
    }
    bool isCompositing() const override
    {
        return true;
    }
    bool masksShape() const override
    {
        return false;
    }
    void shown() override
    {
    }
    void hidden() override
    {
    }
};
}

void PopupSurface::prepareApplication()
{
    // The pop-ups are painted by the raster engine only. Left to itself, Qt loads an OpenGL
    // integration with the first window, and with it Mesa and LLVM: well over 100 ms on the
    // first pop-up and tens of megabytes of memory that nothing uses. A choice made by the user
    // still wins.
    if (!qEnvironmentVariableIsSet("QT_XCB_GL_INTEGRATION")) {
        qputenv("QT_XCB_GL_INTEGRATION", "none");
    }
    if (!qtChoosesWayland()) {
        return;
    }

    // A compositor that starts the daemon as its helper may hand it a connected socket instead
    // of a display name. The socket makes one connection only, which must be Qt's: the
    // compositor is asked on it when the first pop-up is made. Layer-shell is chosen now all the
    // same, while the environment may still change.
    const bool handedOver = qEnvironmentVariableIsSet("WAYLAND_SOCKET");
    switch (handedOver ? Probe::LayerShell : probeCompositor()) {
    case Probe::NoCompositor:
        // Qt reports that itself.
        return;
    case Probe::LayerShell:
        waylandShell = handedOver ? WaylandShell::LayerShellUnconfirmed : WaylandShell::LayerShell;
        LayerShellQt::Shell::useLayerShell();
        break;
    case Probe::NoLayerShell:
        if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("DISPLAY")) {
            qCWarning(OSD_SURFACE,
                      "This Wayland compositor has no layer-shell to place pop-ups with; they are shown through XWayland on display %s instead.",
                      qgetenv("DISPLAY").constData());
            qputenv("QT_QPA_PLATFORM", "xcb");
            return;
        }
        waylandShell = WaylandShell::None;
        reportNoLayerShell();
        break;
    }

    // On Wayland Qt loads its OpenGL buffer integration, and with it Mesa, for every widget
    // window that might hold OpenGL children and to ask whether the integration draws window
    // decorations; a pop-up needs neither. The user's choice of an integration still wins.
    if (!qEnvironmentVariableIsSet("QT_WAYLAND_CLIENT_BUFFER_INTEGRATION")) {
        QCoreApplication::setAttribute(Qt::AA_ForceRasterWidgets);
        if (!qEnvironmentVariableIsSet("QT_WAYLAND_DISABLE_WINDOWDECORATION")) {
            qputenv("QT_WAYLAND_DISABLE_WINDOWDECORATION", "1");
        }
    }
}

PopupSurface *PopupSurface::create(QWidget *window)
{
    if (!QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
        return new X11PopupSurface(window);
    }
    if (waylandShell == WaylandShell::LayerShellUnconfirmed) {
        confirmLayerShell();
    }
    // Layer-shell was never chosen (no compositor answered before Qt connected, or the
    // application was not prepared): Qt's own shell makes the window, as on other platforms.
    if (waylandShell == WaylandShell::Unknown) {
        return new X11PopupSurface(window);
    }
    if (waylandShell == WaylandShell::None) {
        return new UnmappedPopupSurface(window);
    }
    return new LayerShellPopupSurface(window);
}

PopupSurface::PopupSurface(QWidget *window)
    : QObject(window)
    , window(window)
{
}

PopupSurface::~PopupSurface() = default;

QScreen *PopupSurface::screen() const
{
    return followed;
}

void PopupSurface::setScreen(QScreen *screen)
{
    follow(screen, true);
}

void PopupSurface::followChosenScreen(OsdConfig::ScreenChoice choice)
{
    if (choice == OsdConfig::ScreenChoice::Primary) {
        setScreen(QGuiApplication::primaryScreen());
        return;
    }
    if (followed) {
        return;
    }
    if (QScreen *chosen = chosenScreen(choice)) {
        follow(chosen, false);
        return;
    }
    placedBySystem = true;
    follow(window->screen(), false);
}

void PopupSurface::followScreen(QScreen *screen)
{
    placedBySystem = false;
    follow(screen, false);
}

void PopupSurface::follow(QScreen *screen, bool primary)
{
    if (followed == screen && followsPrimary == primary) {
        return;
    }
    if (followed) {
        disconnect(followed, nullptr, this, nullptr);
    }
    followed = screen;
    followsPrimary = primary;
    if (!screen) {
        placedBySystem = false;
        disconnect(qGuiApp, nullptr, this, nullptr);
        if (window->windowHandle()) {
            disconnect(window->windowHandle(), &QWindow::screenChanged, this, &PopupSurface::onWindowScreenChanged);
        }
        return;
    }
    if (primary) {
        // One connection is enough however often the primary screen changes.
        connect(qGuiApp, &QGuiApplication::primaryScreenChanged, this, &PopupSurface::setScreen, Qt::UniqueConnection);
    } else {
        disconnect(qGuiApp, &QGuiApplication::primaryScreenChanged, this, &PopupSurface::setScreen);
        // A chosen screen that goes away while the window is shown leaves it to the primary one.
        connect(
            qGuiApp,
            &QGuiApplication::screenRemoved,
            this,
            [this](QScreen *removed) {
                if (removed == followed) {
                    QScreen *primaryScreen = QGuiApplication::primaryScreen();
                    follow(primaryScreen == removed ? nullptr : primaryScreen, false);
                }
            },
            Qt::UniqueConnection);
    }
    connect(screen, &QScreen::geometryChanged, this, &PopupSurface::screenMetricsChanged);
    connect(screen, &QScreen::availableGeometryChanged, this, &PopupSurface::screenMetricsChanged);
    connect(screen, &QScreen::logicalDotsPerInchChanged, this, &PopupSurface::screenMetricsChanged);
    followedScreenChanged();
    if (placedBySystem && window->windowHandle()) {
        connect(window->windowHandle(), &QWindow::screenChanged, this, &PopupSurface::onWindowScreenChanged, Qt::UniqueConnection);
    }
    Q_EMIT screenChanged();
}

// The window system put the window on an output of its choice: the window is placed on that one.
void PopupSurface::onWindowScreenChanged(QScreen *screen)
{
    if (placedBySystem && followed && screen) {
        follow(screen, false);
    }
}

QScreen *PopupSurface::chosenScreen(OsdConfig::ScreenChoice) const
{
    return QGuiApplication::primaryScreen();
}

bool PopupSurface::isPlacedBySystem() const
{
    return placedBySystem;
}

void PopupSurface::followedScreenChanged()
{
}
