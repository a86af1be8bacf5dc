// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <cstdint>
#include <functional>

struct wl_interface;
struct wl_proxy;

/// The compositor's globals of protocols that Qt does not speak, bound on Qt's own Wayland
/// connection.
namespace WaylandGlobal
{
/**
 * Binds the compositor's global of @p interface, at @p version or the compositor's own if that
 * is lower, and returns it; null off Wayland and where the compositor offers no such global.
 *
 * @p start gets the new proxy at once, to add its listener and send the requests whose answers
 * are wanted now. Everything the compositor sends up to its answer to them is dispatched before
 * this returns, on a queue of its own, so that this waits for none of the events of Qt's
 * connection; later events come on Qt's queue and are dispatched with Qt's own.
 */
wl_proxy *bind(const wl_interface &interface, uint32_t version, const std::function<void(wl_proxy *)> &start);
}
