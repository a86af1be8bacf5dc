# SPDX-License-Identifier: GPL-2.0-or-later
"""A private accessibility stack with a screen reader's ear.

Starts an X display of its own, the accessibility bus and its registry on the session bus it
inherits, switches accessibility on, and listens through libatspi as a screen reader does.
Prints "ready DISPLAY" once everything is up, "registered" each time osd-service registers
with the registry, and one line per window of osd-service that becomes showing: its role name,
its name, and whatever else a screen reader would read (description and children's names),
separated by tabs. Stops everything it started, by pid, when its standard input closes.
"""
import os
import signal
import subprocess
import sys
import tempfile
import time

import gi

gi.require_version("Atspi", "2.0")
gi.require_version("Gio", "2.0")
from gi.repository import Gio, GLib  # noqa: E402

DEADLINE_S = 10 * max(1, int(os.environ.get("OSD_TEST_SLOWDOWN", "1") or 1))
started = []


def fail(message):
    print("atspilistener: " + message, file=sys.stderr, flush=True)
    stop()
    sys.exit(1)


def stop():
    for process in reversed(started):
        if process.poll() is None:
            process.terminate()
            try:
                process.wait(5)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()


def start(args, **kwargs):
    # Standard output is the listener's own: the registry's greeting must not reach it.
    process = subprocess.Popen(args, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, **kwargs)
    started.append(process)
    return process


def wait_for_name(bus, name):
    deadline = time.monotonic() + DEADLINE_S
    while time.monotonic() < deadline:
        reply = bus.call_sync("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "NameHasOwner",
                              GLib.Variant("(s)", (name,)), None, Gio.DBusCallFlags.NONE, -1, None)
        if reply.unpack()[0]:
            return
        time.sleep(0.01)
    fail("%s did not appear" % name)


def start_display():
    read_end, write_end = os.pipe()
    start(["Xvfb", "-displayfd", str(write_end), "-noreset", "-nolisten", "tcp", "-screen", "0", "1280x800x24"],
          pass_fds=(write_end,), stderr=subprocess.DEVNULL)
    os.close(write_end)
    with os.fdopen(read_end) as pipe:
        number = pipe.readline().strip()
    if not number:
        fail("Xvfb did not start")
    return ":" + number


def main():
    runtime = tempfile.TemporaryDirectory(prefix="atspi-")
    os.chmod(runtime.name, 0o700)
    os.environ.update(XDG_RUNTIME_DIR=runtime.name, GSETTINGS_BACKEND="memory", DISPLAY=start_display())
    os.environ.pop("AT_SPI_BUS_ADDRESS", None)

    session = Gio.bus_get_sync(Gio.BusType.SESSION, None)
    # Without a display the launcher leaves the bus address off the root window, as on Wayland
    # or on a display that lost it: applications must find the bus through the session bus.
    start(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"], env={k: v for k, v in os.environ.items() if k != "DISPLAY"})
    wait_for_name(session, "org.a11y.Bus")
    address = session.call_sync("org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress", None, None,
                                Gio.DBusCallFlags.NONE, -1, None).unpack()[0]
    os.environ["AT_SPI_BUS_ADDRESS"] = address
    a11y = Gio.DBusConnection.new_for_address_sync(
        address, Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT | Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION, None, None)
    start(["/usr/libexec/at-spi2-registryd"])
    wait_for_name(a11y, "org.a11y.atspi.Registry")
    session.call_sync("org.a11y.Bus", "/org/a11y/bus", "org.freedesktop.DBus.Properties", "Set",
                      GLib.Variant("(ssv)", ("org.a11y.Status", "IsEnabled", GLib.Variant("b", True))), None,
                      Gio.DBusCallFlags.NONE, -1, None)

    from gi.repository import Atspi  # after the bus address is known

    def on_event(event):
        try:
            if event.type.startswith("object:children-changed:add"):
                child = event.any_data
                if event.source.get_role() == Atspi.Role.DESKTOP_FRAME and child and child.get_name() == "osd-service":
                    print("registered", flush=True)
                return
            source = event.source
            # Windows only: Qt also reports the children of a window that is shown.
            if event.detail1 != 1 or source.get_application().get_name() != "osd-service" \
                    or source.get_parent().get_role() != Atspi.Role.APPLICATION:
                return
            # The name is read now, not from libatspi's cache of an earlier showing.
            source.clear_cache()
            # A screen reader reads the description and the children's names after the name.
            children = [source.get_child_at_index(i) for i in range(source.get_child_count())]
            extra = [source.get_description()] + [child.get_name() for child in children if child]
            print("%s\t%s\t%s" % (source.get_role_name(), source.get_name(), "|".join(filter(None, extra))), flush=True)
        except GLib.Error:
            pass  # the object went away before it could be asked

    listener = Atspi.EventListener.new(on_event)
    listener.register("object:state-changed:showing")
    listener.register("object:children-changed:add")
    # A call answered by the registry after the registration: applications started from now on
    # learn of the listener when they register.
    Atspi.get_desktop(0).get_child_count()

    def on_input(channel, condition):
        if condition & (GLib.IO_HUP | GLib.IO_ERR) or not os.read(channel.unix_get_fd(), 4096):
            Atspi.event_quit()
            return False
        return True

    GLib.io_add_watch(GLib.IOChannel.unix_new(sys.stdin.fileno()), GLib.IO_IN | GLib.IO_HUP | GLib.IO_ERR, on_input)
    GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, signal.SIGTERM, lambda: Atspi.event_quit() or False)
    print("ready " + os.environ["DISPLAY"], flush=True)
    Atspi.event_main()
    stop()
    runtime.cleanup()


if __name__ == "__main__":
    try:
        main()
    finally:
        stop()
