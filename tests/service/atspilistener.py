# SPDX-License-Identifier: GPL-2.0-or-later
"""A private accessibility stack with a screen reader's ear.

Starts an X display, the accessibility bus and its registry on the inherited session bus,
switches accessibility on and listens through libatspi as a screen reader does. Prints
"ready DISPLAY" once up, "registered" when osd-service registers with the registry, and for each
window of osd-service that becomes showing: its role, its name and whatever else a screen reader
would read (description, children's names), separated by tabs. Stops everything it started
when its standard input closes.

Arguments BUS DELAY ...: on each of these session buses a stand-in bus launcher says that
accessibility is on and answers GetAddress with the stack's bus DELAY seconds after each question.
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Gio, GLib  # noqa: E402

started = []
runtime = tempfile.mkdtemp(prefix="atspi-")
LAUNCHER = """<node><interface name="org.a11y.Bus"><method name="GetAddress"><arg type="s" direction="out"/></method></interface>
<interface name="org.a11y.Status"><property name="IsEnabled" type="b" access="read"/></interface></node>"""


def start(args, **kwargs):
    # Standard output belongs to the listener: the registry's greeting must not reach it.
    started.append(subprocess.Popen(args, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, **kwargs))


def call(bus, name, path, interface, method, args=None):
    return bus.call_sync(name, path, interface, method, args, None, Gio.DBusCallFlags.NONE, -1, None).unpack()


def wait_for_name(bus, name):
    deadline = time.monotonic() + 10 * max(1, int(os.environ.get("OSD_TEST_SLOWDOWN") or 1))
    while not call(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "NameHasOwner",
                   GLib.Variant("(s)", (name,)))[0]:
        if time.monotonic() > deadline:
            sys.exit("atspilistener: %s did not appear" % name)
        time.sleep(0.01)


def main():
    read_end, write_end = os.pipe()
    start(["Xvfb", "-displayfd", str(write_end), "-noreset", "-nolisten", "tcp", "-screen", "0", "1280x800x24"],
          pass_fds=(write_end,), stderr=subprocess.DEVNULL)
    os.close(write_end)
    display = ":" + os.fdopen(read_end).readline().strip()
    os.environ.update(XDG_RUNTIME_DIR=runtime, GSETTINGS_BACKEND="memory", DISPLAY=display)

    session = Gio.bus_get_sync(Gio.BusType.SESSION, None)
    # Without a display the launcher leaves the bus address off the root window, as on Wayland
    # or on a display that lost it: applications must find the bus through the session bus.
    start(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"], env={k: v for k, v in os.environ.items() if k != "DISPLAY"})
    wait_for_name(session, "org.a11y.Bus")
    address = call(session, "org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress")[0]
    os.environ["AT_SPI_BUS_ADDRESS"] = address
    start(["/usr/libexec/at-spi2-registryd"])
    wait_for_name(Gio.DBusConnection.new_for_address_sync(
        address, Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT | Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION, None, None),
        "org.a11y.atspi.Registry")
    call(session, "org.a11y.Bus", "/org/a11y/bus", "org.freedesktop.DBus.Properties", "Set",
         GLib.Variant("(ssv)", ("org.a11y.Status", "IsEnabled", GLib.Variant("b", True))))
    launchers = []
    for bus_address, delay in zip(sys.argv[1::2], sys.argv[2::2]):
        bus = Gio.DBusConnection.new_for_address_sync(
            bus_address, Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT | Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION, None, None)
        for info in Gio.DBusNodeInfo.new_for_xml(LAUNCHER).interfaces:
            bus.register_object("/org/a11y/bus", info, lambda *args, ms=int(float(delay) * 1000): GLib.timeout_add(
                ms, args[-1].return_value, GLib.Variant("(s)", (address,))), lambda *_: GLib.Variant("b", True), None)
        call(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "RequestName",
             GLib.Variant("(su)", ("org.a11y.Bus", 4)))
        launchers.append(bus)

    from gi.repository import Atspi  # once the bus address is known

    def on_event(event):
        source = event.source
        try:
            if event.type.startswith("object:children-changed"):
                if source.get_role() == Atspi.Role.DESKTOP_FRAME and event.any_data and event.any_data.get_name() == "osd-service":
                    print("registered", flush=True)
            # Windows only: Qt also reports the children of a window that is shown.
            elif event.detail1 == 1 and source.get_application().get_name() == "osd-service" \
                    and source.get_parent().get_role() == Atspi.Role.APPLICATION:
                source.clear_cache()  # the name now, not the one of an earlier showing
                children = [source.get_child_at_index(i) for i in range(source.get_child_count())]
                extra = [source.get_description()] + [child.get_name() for child in children if child]
                print("%s\t%s\t%s" % (source.get_role_name(), source.get_name(), "|".join(filter(None, extra))), flush=True)
        except GLib.Error:
            pass  # gone before it could be asked

    listener = Atspi.EventListener.new(on_event)
    listener.register("object:state-changed:showing")
    listener.register("object:children-changed:add")
    # Answered by the registry after the registrations: applications started from now on learn
    # of the listener when they register.
    Atspi.get_desktop(0).get_child_count()
    GLib.io_add_watch(GLib.IOChannel.unix_new(0), GLib.IO_IN | GLib.IO_HUP,
                      lambda channel, condition: os.read(0, 4096) != b"" or Atspi.event_quit())
    print("ready " + display, flush=True)
    Atspi.event_main()


if __name__ == "__main__":
    try:
        main()
    finally:
        for process in reversed(started):
            process.terminate()
            process.wait()
        shutil.rmtree(runtime, ignore_errors=True)
