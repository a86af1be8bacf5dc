// SPDX-License-Identifier: GPL-2.0-or-later
#include "layershellpopupsurface.h"

#include "popupsurface_debug.h"

#include <LayerShellQt/Shell>

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
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
}

void LayerShellPopupSurface::prepareApplication()
{
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
}

WaylandBackEnd::Shell LayerShellPopupSurface::shell()
{
    if (waylandShell == WaylandShell::LayerShellUnconfirmed) {
        confirmLayerShell();
    }
    switch (waylandShell) {
    case WaylandShell::Unknown:
        return WaylandBackEnd::Shell::QtShell;
    case WaylandShell::None:
        return WaylandBackEnd::Shell::None;
    case WaylandShell::LayerShell:
    case WaylandShell::LayerShellUnconfirmed:
        break;
    }
    return WaylandBackEnd::Shell::LayerShell;
}

LayerShellPopupSurface::LayerShellPopupSurface(QWidget *window)
    : PopupSurface(window)
{
    window->installEventFilter(this);
}

bool LayerShellPopupSurface::isCompositing() const
{
    return true;
}

bool LayerShellPopupSurface::masksShape() const
{
    return false;
}

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
    placedSize = window->size();

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

// Where layer-shell-qt makes the next surface: on @p output, or where the compositor finds best
// when it is null. Each major version names this differently: 5.27 sends the output it is
// given and none when there is none; 6.0 sends the window's screen unless told to send none;
// 6.6 names an output of its own.
static void setSurfaceOutput(LayerShellQt::Window *layer, QWindow *window, QScreen *output)
{
#if OSD_LAYER_SHELL_QT_VERSION >= 606
    Q_UNUSED(window)
    if (output) {
        layer->setScreen(output);
    } else {
        layer->setWantsToBeOnActiveScreen(true);
    }
#elif OSD_LAYER_SHELL_QT_VERSION >= 600
    layer->setScreenConfiguration(output ? LayerShellQt::Window::ScreenFromQWindow : LayerShellQt::Window::ScreenFromCompositor);
    if (output) {
        window->setScreen(output);
    }
#else
    Q_UNUSED(window)
    layer->setDesiredOutput(output);
#endif
}

void LayerShellPopupSurface::followedScreenChanged()
{
    // An output the compositor chose stays its choice: the window is only placed anew on it.
    // The settings make the native window first.
    LayerShellQt::Window *settings = layerWindow();
    if (isPlacedBySystem()) {
        setSurfaceOutput(settings, window->windowHandle(), nullptr);
        return;
    }
    setSurfaceOutput(settings, window->windowHandle(), screen());
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
    // The compositor's answers to the surface shown until now, and Qt's own resizes of the
    // native window in between, may have come in after the pop-up was placed and have given
    // the widget or the native window a size of the past: the placed size holds, and the new
    // surface is made for it.
    if (placedSize.isValid() && window->size() != placedSize) {
        window->resize(placedSize);
    }
    if (window->size() == surfaceSize && handle->size() == surfaceSize && screen() == surfaceOutput) {
        if (applyPlacement()) {
            window->update();
        }
        return;
    }
    handle->handle()->setVisible(false);
    if (handle->size() != window->size()) {
        handle->resize(window->size());
    }
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
