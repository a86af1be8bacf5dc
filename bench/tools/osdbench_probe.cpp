// SPDX-License-Identifier: GPL-2.0-or-later
// Measuring probe for scripts/bench. Plain libdbus-1 and xcb, no Qt, so that its own start-up
// and event handling stay small next to what is measured. Every wait has a time-out; on any
// failure it prints one line on standard error and exits with status 1.
//
//   osdbench_probe start --name NAME --log FILE [--timeout-ms MS] -- PROGRAM [ARG...]
//       Subscribes to NameOwnerChanged of NAME, then spawns PROGRAM (standard input from
//       /dev/null, output to FILE) and prints "<ms until NAME is owned> <pid> <CPU ms>", the
//       last the run time of all the program's threads when the probe saw the name owned: on
//       a busy machine the wall time grows with the wait for a core, the run time far less.
//       The program is left running; the caller stops it.
//   osdbench_probe map --target osd|notify [--reps N] [--settle-ms MS] [--map-timeout-ms MS]
//                      [--unmap-timeout-ms MS] [--pid PID]
//       Per repetition: sends one call (volumeChanged, or Notifications.Notify) and prints the
//       ms until a top-level window is mapped (MapNotify on the root window); then waits until
//       that window is unmapped again (for notify, after asking CloseNotification) and for
//       --settle-ms before the next repetition. --unmap-timeout-ms 0 (with --reps 1) leaves
//       the pop-up on screen and returns at once, for a caller that stops the daemon next.
//       With --pid (the daemon's), each line also gives the daemon's CPU ms at the map.
//   osdbench_probe call --target osd|notify|ping [--dest NAME] [--count N] [--expire-ms MS]
//       N synchronous calls one after another on one connection; prints "<calls per second>
//       <total ms>". notify replaces the first notification, as a display of a changing
//       value would, and asks for the daemon's default display time unless --expire-ms.
//   osdbench_probe spawn --count N [--stdin FILE] -- PROGRAM [ARG...]
//       Runs PROGRAM N times one after another (output to /dev/null) and prints "<ms per run>".
//       Any run that does not exit with status 0 is an error.

#include <dbus/dbus.h>
#include <xcb/xcb.h>

#include <cerrno>
#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace
{
const char osdName[] = "org.kde.osdService";
const char osdPath[] = "/org/kde/osdService";
const char notifyName[] = "org.freedesktop.Notifications";
const char notifyPath[] = "/org/freedesktop/Notifications";
const int callTimeoutMs = 10000;

[[noreturn]] void fail(const char *format, ...)
{
    std::fputs("osdbench_probe: ", stderr);
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
    std::fputc('\n', stderr);
    std::exit(EXIT_FAILURE);
}

int64_t nowNs()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

double msSince(int64_t startNs)
{
    return double(nowNs() - startNs) / 1e6;
}

struct Options {
    std::string mode;
    std::string name;
    std::string log;
    std::string target;
    std::string dest;
    std::string stdinFile;
    long count = 1;
    long reps = 1;
    long timeoutMs = 10000;
    long settleMs = 300;
    long mapTimeoutMs = 5000;
    long unmapTimeoutMs = 15000;
    long expireMs = -1;
    long pid = 0;
    std::vector<char *> program; // null-terminated for exec
};

long toLong(const char *option, const char *text)
{
    char *end = nullptr;
    errno = 0;
    const long value = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || value < 0) {
        fail("%s needs a non-negative whole number, not \"%s\"", option, text);
    }
    return value;
}

Options parse(int argc, char **argv)
{
    if (argc < 2) {
        fail("usage: osdbench_probe start|map|call|spawn [options] (see the comment at the top of osdbench_probe.cpp)");
    }
    Options o;
    o.mode = argv[1];
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--") {
            for (++i; i < argc; ++i) {
                o.program.push_back(argv[i]);
            }
            break;
        }
        if (i + 1 >= argc) {
            fail("%s needs a value", arg.c_str());
        }
        const char *value = argv[++i];
        if (arg == "--name") {
            o.name = value;
        } else if (arg == "--log") {
            o.log = value;
        } else if (arg == "--target") {
            o.target = value;
        } else if (arg == "--dest") {
            o.dest = value;
        } else if (arg == "--stdin") {
            o.stdinFile = value;
        } else if (arg == "--count") {
            o.count = toLong(arg.c_str(), value);
        } else if (arg == "--reps") {
            o.reps = toLong(arg.c_str(), value);
        } else if (arg == "--timeout-ms") {
            o.timeoutMs = toLong(arg.c_str(), value);
        } else if (arg == "--settle-ms") {
            o.settleMs = toLong(arg.c_str(), value);
        } else if (arg == "--map-timeout-ms") {
            o.mapTimeoutMs = toLong(arg.c_str(), value);
        } else if (arg == "--pid") {
            o.pid = toLong(arg.c_str(), value);
        } else if (arg == "--expire-ms") {
            o.expireMs = toLong(arg.c_str(), value);
        } else if (arg == "--unmap-timeout-ms") {
            o.unmapTimeoutMs = toLong(arg.c_str(), value);
        } else {
            fail("unknown option %s", arg.c_str());
        }
    }
    o.program.push_back(nullptr);
    return o;
}

DBusConnection *connectBus()
{
    DBusError error;
    dbus_error_init(&error);
    DBusConnection *bus = dbus_bus_get_private(DBUS_BUS_SESSION, &error);
    if (!bus) {
        fail("no session bus: %s", error.message);
    }
    dbus_connection_set_exit_on_disconnect(bus, false);
    return bus;
}

// ---- D-Bus calls -------------------------------------------------------------------------

struct Call {
    const char *target;
    uint32_t replacesId = 0;
    int value = 0;
    int expireMs = -1;
};

DBusMessage *buildCall(Call &call, const std::string &pingDest)
{
    DBusMessage *message = nullptr;
    const std::string target = call.target;
    if (target == "osd") {
        message = dbus_message_new_method_call(osdName, osdPath, osdName, "volumeChanged");
        dbus_int32_t value = call.value;
        dbus_message_append_args(message, DBUS_TYPE_INT32, &value, DBUS_TYPE_INVALID);
    } else if (target == "notify") {
        message = dbus_message_new_method_call(notifyName, notifyPath, notifyName, "Notify");
        DBusMessageIter args;
        dbus_message_iter_init_append(message, &args);
        const char *appName = "osdbench";
        const char *icon = "";
        const char *summary = "Volume";
        char bodyText[32];
        std::snprintf(bodyText, sizeof bodyText, "%d %%", call.value);
        const char *body = bodyText;
        dbus_uint32_t replaces = call.replacesId;
        dbus_int32_t expire = call.expireMs;
        dbus_message_iter_append_basic(&args, DBUS_TYPE_STRING, &appName);
        dbus_message_iter_append_basic(&args, DBUS_TYPE_UINT32, &replaces);
        dbus_message_iter_append_basic(&args, DBUS_TYPE_STRING, &icon);
        dbus_message_iter_append_basic(&args, DBUS_TYPE_STRING, &summary);
        dbus_message_iter_append_basic(&args, DBUS_TYPE_STRING, &body);
        DBusMessageIter actions;
        dbus_message_iter_open_container(&args, DBUS_TYPE_ARRAY, "s", &actions);
        dbus_message_iter_close_container(&args, &actions);
        DBusMessageIter hints;
        dbus_message_iter_open_container(&args, DBUS_TYPE_ARRAY, "{sv}", &hints);
        dbus_message_iter_close_container(&args, &hints);
        dbus_message_iter_append_basic(&args, DBUS_TYPE_INT32, &expire);
    } else if (target == "ping") {
        if (pingDest.empty()) {
            fail("--target ping needs --dest NAME");
        }
        message = dbus_message_new_method_call(pingDest.c_str(), "/", "org.freedesktop.DBus.Peer", "Ping");
    } else {
        fail("unknown --target \"%s\" (osd, notify or ping)", call.target);
    }
    if (!message) {
        fail("out of memory");
    }
    return message;
}

// Checks the reply; for Notify, remembers the notification id so that later calls replace it.
void takeReply(DBusMessage *reply, Call &call, const char *what)
{
    if (!reply) {
        fail("%s: no reply", what);
    }
    if (dbus_message_get_type(reply) == DBUS_MESSAGE_TYPE_ERROR) {
        const char *text = "";
        dbus_message_get_args(reply, nullptr, DBUS_TYPE_STRING, &text, DBUS_TYPE_INVALID);
        fail("%s: %s: %s", what, dbus_message_get_error_name(reply), text);
    }
    if (std::string(call.target) == "notify") {
        dbus_uint32_t id = 0;
        if (dbus_message_get_args(reply, nullptr, DBUS_TYPE_UINT32, &id, DBUS_TYPE_INVALID)) {
            call.replacesId = id;
        }
    }
    dbus_message_unref(reply);
}

void closeNotification(DBusConnection *bus, uint32_t id)
{
    DBusMessage *message = dbus_message_new_method_call(notifyName, notifyPath, notifyName, "CloseNotification");
    dbus_uint32_t value = id;
    dbus_message_append_args(message, DBUS_TYPE_UINT32, &value, DBUS_TYPE_INVALID);
    DBusError error;
    dbus_error_init(&error);
    DBusMessage *reply = dbus_connection_send_with_reply_and_block(bus, message, callTimeoutMs, &error);
    dbus_message_unref(message);
    // A daemon that has already closed it answers with an error; the unmap is what counts.
    if (reply) {
        dbus_message_unref(reply);
    }
    dbus_error_free(&error);
}

int runCall(const Options &o)
{
    DBusConnection *bus = connectBus();
    Call call{o.target.c_str()};
    call.expireMs = int(o.expireMs);
    const int64_t start = nowNs();
    for (long i = 0; i < o.count; ++i) {
        call.value = int(i % 101);
        DBusMessage *message = buildCall(call, o.dest);
        DBusError error;
        dbus_error_init(&error);
        DBusMessage *reply = dbus_connection_send_with_reply_and_block(bus, message, callTimeoutMs, &error);
        dbus_message_unref(message);
        if (!reply) {
            fail("call %ld of %ld: %s", i + 1, o.count, error.message);
        }
        takeReply(reply, call, "call");
    }
    const double ms = msSince(start);
    std::printf("%.1f %.3f\n", o.count / (ms / 1000.0), ms);
    return 0;
}

// ---- X11: time from the call to the pop-up's MapNotify ----------------------------------

struct XWatch {
    xcb_connection_t *connection = nullptr;

    XWatch()
    {
        connection = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(connection)) {
            fail("cannot open the X display \"%s\"", std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "");
        }
        xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_void_cookie_t cookie = xcb_change_window_attributes_checked(connection, screen->root, XCB_CW_EVENT_MASK, &mask);
        if (xcb_generic_error_t *error = xcb_request_check(connection, cookie)) {
            fail("cannot watch the root window (X error %d)", error->error_code);
        }
    }
    ~XWatch()
    {
        xcb_disconnect(connection);
    }

    // Waits for the next event of @p type (XCB_MAP_NOTIFY or XCB_UNMAP_NOTIFY) of a top-level
    // window (of @p window when not 0); returns the window, or 0 after @p timeoutMs.
    xcb_window_t waitFor(uint8_t type, xcb_window_t window, long timeoutMs)
    {
        const int64_t deadline = nowNs() + int64_t(timeoutMs) * 1000000;
        for (;;) {
            while (xcb_generic_event_t *event = xcb_poll_for_event(connection)) {
                const uint8_t eventType = event->response_type & 0x7f;
                xcb_window_t found = 0;
                if (eventType == XCB_MAP_NOTIFY && type == XCB_MAP_NOTIFY) {
                    found = reinterpret_cast<xcb_map_notify_event_t *>(event)->window;
                } else if (eventType == XCB_UNMAP_NOTIFY && type == XCB_UNMAP_NOTIFY) {
                    found = reinterpret_cast<xcb_unmap_notify_event_t *>(event)->window;
                }
                std::free(event);
                if (found && (window == 0 || found == window)) {
                    return found;
                }
            }
            if (xcb_connection_has_error(connection)) {
                fail("lost the X connection");
            }
            const int64_t left = deadline - nowNs();
            if (left <= 0) {
                return 0;
            }
            pollfd fd{xcb_get_file_descriptor(connection), POLLIN, 0};
            poll(&fd, 1, int(left / 1000000) + 1);
        }
    }

    // Drops what arrived so far, so that an earlier window's events do not count.
    void drain()
    {
        xcb_aux_sync();
        while (xcb_generic_event_t *event = xcb_poll_for_event(connection)) {
            std::free(event);
        }
    }

    void xcb_aux_sync()
    {
        std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
    }
};

double cpuMs(pid_t pid)
{
    clockid_t cpuClock;
    timespec cpu{};
    if (clock_getcpuclockid(pid, &cpuClock) != 0 || clock_gettime(cpuClock, &cpu) != 0) {
        fail("cannot read the CPU time of process %d", int(pid));
    }
    return double(cpu.tv_sec) * 1e3 + double(cpu.tv_nsec) / 1e6;
}

void sleepMs(long ms)
{
    timespec ts{ms / 1000, (ms % 1000) * 1000000};
    while (nanosleep(&ts, &ts) == -1 && errno == EINTR) { }
}

int runMap(const Options &o)
{
    DBusConnection *bus = connectBus();
    XWatch x;
    Call call{o.target.c_str()};
    if (o.target != "osd" && o.target != "notify") {
        fail("map needs --target osd or notify");
    }
    if (o.unmapTimeoutMs == 0 && o.reps != 1) {
        fail("map --unmap-timeout-ms 0 needs --reps 1: each repetition starts with the pop-up hidden");
    }
    for (long rep = 0; rep < o.reps; ++rep) {
        x.drain();
        call.value = int(10 + (rep * 37) % 90);
        call.replacesId = 0;
        DBusMessage *message = buildCall(call, std::string());
        DBusPendingCall *pending = nullptr;
        const int64_t start = nowNs();
        if (!dbus_connection_send_with_reply(bus, message, &pending, callTimeoutMs) || !pending) {
            fail("cannot send the call");
        }
        dbus_connection_flush(bus);
        dbus_message_unref(message);
        const xcb_window_t window = x.waitFor(XCB_MAP_NOTIFY, 0, o.mapTimeoutMs);
        const double ms = msSince(start);
        const double daemonCpuMs = o.pid ? cpuMs(pid_t(o.pid)) : 0;
        dbus_pending_call_block(pending);
        takeReply(dbus_pending_call_steal_reply(pending), call, "map call");
        dbus_pending_call_unref(pending);
        if (!window) {
            fail("no window was mapped within %ld ms of the call (repetition %ld)", o.mapTimeoutMs, rep + 1);
        }
        if (o.pid) {
            std::printf("%.3f %.3f\n", ms, daemonCpuMs);
        } else {
            std::printf("%.3f\n", ms);
        }
        std::fflush(stdout);
        if (o.unmapTimeoutMs == 0) {
            break;
        }
        if (o.target == "notify") {
            closeNotification(bus, call.replacesId);
        }
        if (!x.waitFor(XCB_UNMAP_NOTIFY, window, o.unmapTimeoutMs)) {
            fail("the pop-up (window 0x%x) was not unmapped within %ld ms", window, o.unmapTimeoutMs);
        }
        sleepMs(o.settleMs);
    }
    return 0;
}

// ---- start: spawn until the bus name is owned --------------------------------------------

int runStart(const Options &o)
{
    if (o.name.empty() || o.log.empty() || o.program.size() < 2) {
        fail("start needs --name NAME --log FILE -- PROGRAM [ARG...]");
    }
    DBusConnection *bus = connectBus();
    DBusError error;
    dbus_error_init(&error);
    const std::string rule = "type='signal',sender='org.freedesktop.DBus',interface='org.freedesktop.DBus',member='NameOwnerChanged',arg0='" + o.name + "'";
    dbus_bus_add_match(bus, rule.c_str(), &error);
    if (dbus_error_is_set(&error)) {
        fail("cannot subscribe to NameOwnerChanged: %s", error.message);
    }
    if (dbus_bus_name_has_owner(bus, o.name.c_str(), nullptr)) {
        fail("%s is already owned before the start", o.name.c_str());
    }

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, o.log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid = 0;
    const int64_t start = nowNs();
    const int spawned = posix_spawnp(&pid, o.program[0], &actions, nullptr, o.program.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        fail("cannot start %s: %s", o.program[0], std::strerror(spawned));
    }

    const int64_t deadline = start + int64_t(o.timeoutMs) * 1000000;
    while (nowNs() < deadline) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            fail("%s ended before owning %s (status %d; see %s)", o.program[0], o.name.c_str(), status, o.log.c_str());
        }
        dbus_connection_read_write(bus, 20);
        while (DBusMessage *message = dbus_connection_pop_message(bus)) {
            const char *name = nullptr;
            const char *oldOwner = nullptr;
            const char *newOwner = nullptr;
            if (dbus_message_is_signal(message, "org.freedesktop.DBus", "NameOwnerChanged")
                && dbus_message_get_args(message, nullptr, DBUS_TYPE_STRING, &name, DBUS_TYPE_STRING, &oldOwner, DBUS_TYPE_STRING, &newOwner, DBUS_TYPE_INVALID)
                && o.name == name && *newOwner != '\0') {
                const double ms = msSince(start);
                std::printf("%.3f %d %.3f\n", ms, int(pid), cpuMs(pid));
                return 0;
            }
            dbus_message_unref(message);
        }
    }
    kill(pid, SIGKILL);
    fail("%s did not own %s within %ld ms (see %s)", o.program[0], o.name.c_str(), o.timeoutMs, o.log.c_str());
}

// ---- spawn: one process per call -----------------------------------------------------------

int runSpawn(const Options &o)
{
    if (o.program.size() < 2) {
        fail("spawn needs -- PROGRAM [ARG...]");
    }
    int64_t total = 0;
    for (long i = 0; i < o.count; ++i) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, o.stdinFile.empty() ? "/dev/null" : o.stdinFile.c_str(), O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        pid_t pid = 0;
        const int64_t start = nowNs();
        const int spawned = posix_spawnp(&pid, o.program[0], &actions, nullptr, o.program.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0) {
            fail("cannot start %s: %s", o.program[0], std::strerror(spawned));
        }
        int status = 0;
        // The programs measured here end within a second or so; the bus and client time-outs
        // bound the rest.
        if (waitpid(pid, &status, 0) != pid) {
            fail("waitpid: %s", std::strerror(errno));
        }
        total += nowNs() - start;
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            fail("%s exited with status %d (run %ld)", o.program[0], WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), i + 1);
        }
    }
    std::printf("%.4f\n", double(total) / 1e6 / double(o.count ? o.count : 1));
    return 0;
}
} // namespace

int main(int argc, char **argv)
{
    const Options o = parse(argc, argv);
    if (o.mode == "start") {
        return runStart(o);
    }
    if (o.mode == "map") {
        return runMap(o);
    }
    if (o.mode == "call") {
        return runCall(o);
    }
    if (o.mode == "spawn") {
        return runSpawn(o);
    }
    fail("unknown mode \"%s\" (start, map, call or spawn)", o.mode.c_str());
}
