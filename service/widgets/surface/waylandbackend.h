// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "lockkey.h"

#include <functional>
#include <memory>

class OutputOrder;
class PopupSurface;
class QObject;
class QWidget;

/// The lock keys' states as a Wayland compositor tells them.
class WaylandLockKeys
{
public:
    virtual ~WaylandLockKeys() = default;
    /// False on a compositor that does not tell them: then nothing is reported.
    virtual bool isWatching() const = 0;
    /// The keys that are on now, as the compositor last said.
    virtual LockKeys states() const = 0;
};

/**
 * Everything that needs the Wayland libraries: layer-shell surfaces, KWin's output order and
 * its lock keys. It lives in a module of its own, loaded only by a process that runs on
 * Wayland, so that a daemon on X11 neither maps nor binds those libraries at start.
 *
 * The module exports one function, osd_wayland_back_end(), that returns the back end.
 */
class WaylandBackEnd
{
public:
    /// What pop-ups are made with on Qt's Wayland connection.
    enum class Shell {
        /// Layer-shell was never chosen: Qt's own shell, as on other platforms.
        QtShell,
        LayerShell,
        /// The compositor has no layer-shell: no pop-up can be placed.
        None,
    };

    /// Whether Qt will choose a Wayland platform, by the environment as it is now.
    static bool qtChoosesWayland();
    /// The back end of the module, loaded on the first call if the process runs on Wayland;
    /// null off Wayland and where the module cannot be loaded, which is said once.
    static WaylandBackEnd *instance();

    virtual ~WaylandBackEnd() = default;

    /// Asks the compositor for layer-shell and chooses it for Qt's connection, or chooses
    /// XWayland where layer-shell is missing and an X display is there. Called before the
    /// application object exists.
    virtual void prepareApplication() = 0;
    /// The shell on Qt's connection; on a connection the compositor handed over, asked on it
    /// the first time.
    virtual Shell shell() = 0;
    /// A layer-shell surface for @p window, owned by the window.
    virtual PopupSurface *createSurface(QWidget *window) = 0;
    /// KWin's output order, owned by @p parent.
    virtual OutputOrder *createOutputOrder(QObject *parent) = 0;
    /// @p changed gets the states of all three keys after each change the compositor sends.
    virtual std::unique_ptr<WaylandLockKeys> createLockKeys(std::function<void(LockKeys)> changed) = 0;
};

/// The type of the module's osd_wayland_back_end().
using OsdWaylandBackEndFactory = WaylandBackEnd *(*)();
