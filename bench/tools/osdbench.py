#!/usr/bin/python3
# SPDX-License-Identifier: GPL-2.0-or-later
"""Benchmark driver behind scripts/bench.

Measures osd-service (rounded and standard style) and, as peers, the notification daemons dunst
and notify-osd, one daemon at a time, each on a fresh Xvfb and a fresh private session bus with
a fresh HOME and XDG_RUNTIME_DIR, for several sessions. Ours is measured on a fresh headless
sway as well (the Wayland columns), as far as its figures do not need X11. Prints the summary and writes
bench/RESULTS.md and the Performance section of README.md.

Only the Python standard library is used; the timing itself is done by osdbench_probe (C++).
"""

import argparse
import ctypes
import datetime
import glob
import json
import os
import platform
import re
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
# scripts/bench --qt6 measures the Qt 6 build, built in a folder of its own.
BUILD = os.environ.get("OSD_BENCH_BUILD", "build-bench")
# The screen scale of every session (--scale): the X settings of a Plasma session at that
# scale, or a sway output of that scale and as many logical pixels.
SCALE = 1.0
BIN = os.path.join(ROOT, BUILD, "bin")
PROBE = os.path.join(BIN, "osdbench_probe")
EMPTY_APP = os.path.join(BIN, "osdbench_emptyapp")
EMPTY_SERVICE = os.path.join(BIN, "osdbench_emptyservice")
EMPTY_CLIENT = os.path.join(BIN, "osdbench_emptyclient")
OSD_SERVICE = os.path.join(BIN, "osd-service")
OSD_NOTIFY = os.path.join(BIN, "osd-notify")
DUNST = "/usr/bin/dunst"
NOTIFY_OSD = "/usr/lib/x86_64-linux-gnu/notify-osd"
OSD_NAME = "org.kde.osdService"
NOTIFY_NAME = "org.freedesktop.Notifications"
EMPTY_NAME = "org.kde.osdBenchEmpty"
# The subjects of the Qt 6 build's run (scripts/bench --qt6) carry this after their key.
QT6 = "@qt6"


def qt_major():
    """The Qt major version that the measured build was configured with: BUILD_WITH_QT6 in its
    CMake cache (the Debian 13 root's build is Qt 6 without naming it on the command line)."""
    try:
        with open(os.path.join(ROOT, BUILD, "CMakeCache.txt")) as f:
            for line in f:
                if line.startswith("BUILD_WITH_QT6:"):
                    return 6 if line.split("=", 1)[1].strip().upper() in ("ON", "TRUE", "YES", "Y", "1") else 5
    except OSError:
        pass
    return 5


def saved_run_path(major):
    """Each build's run keeps its figures here, so that either run writes the one table of both."""
    return os.path.join(ROOT, "bench", "results-qt%d.json" % major)

SUBJECTS = [
    # key, column title, kind
    ("rounded", "ours rounded", "osd"),
    ("standard", "ours standard", "osd"),
    ("rounded-wayland", "ours rounded, Wayland", "osd"),
    ("standard-wayland", "ours standard, Wayland", "osd"),
    ("dunst", "dunst", "notify"),
    ("notifyosd", "notify-osd", "notify"),
]

# The bus of one session: no service directories, so nothing is started by activation (the
# peers ship activation files; an installed copy of ours might too), except in the session that
# measures activation, whose one directory names only the daemon measured.
BUS_CONFIG = """<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir={dir}</listen>
  {servicedir}
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
"""

DUNSTRC = """[global]
    font = DejaVu Sans 10
    geometry = "300x5-30+20"
    show_indicators = no
[urgency_low]
    timeout = 2
[urgency_normal]
    timeout = 2
[urgency_critical]
    timeout = 2
"""


def log(text):
    print(text, flush=True)


class StepFailed(Exception):
    pass


def become_subreaper():
    # Daemons started by the probe, and dbus-daemon after --fork, are re-parented to this
    # process, so that they can be waited for and none is left behind as a zombie.
    try:
        libc = ctypes.CDLL(None, use_errno=True)
        libc.prctl(36, 1, 0, 0, 0)  # PR_SET_CHILD_SUBREAPER
    except OSError:
        pass


def pid_alive(pid):
    try:
        with open("/proc/%d/stat" % pid) as f:
            state = f.read().rsplit(")", 1)[1].split()[0]
        return state not in ("Z", "X")
    except OSError:
        return False


def reap(pid):
    try:
        os.waitpid(pid, os.WNOHANG)
    except ChildProcessError:
        pass


def stop_pid(pid, grace=3.0):
    """SIGTERM, then SIGKILL after @p grace seconds; waits until the process is gone."""
    if not pid:
        return
    try:
        os.kill(pid, signal.SIGTERM)
    except ProcessLookupError:
        reap(pid)
        return
    deadline = time.monotonic() + grace
    while time.monotonic() < deadline:
        reap(pid)
        if not pid_alive(pid):
            return
        time.sleep(0.02)
    try:
        os.kill(pid, signal.SIGKILL)
    except ProcessLookupError:
        pass
    deadline = time.monotonic() + 2.0
    while time.monotonic() < deadline and pid_alive(pid):
        reap(pid)
        time.sleep(0.02)
    reap(pid)


def reap_all():
    while True:
        try:
            pid, _ = os.waitpid(-1, os.WNOHANG)
        except ChildProcessError:
            return
        if pid == 0:
            return


# ---- one isolated environment: temporary HOME, Xvfb, private bus ----------------------------

class Environment:
    def __init__(self, style=None, wayland=False, activates=None):
        self.tmp = tempfile.mkdtemp(prefix="osdbench-")
        self.home = os.path.join(self.tmp, "home")
        # A session's runtime folder is a tmpfs of its own (/run/user/UID): files made there, such
        # as the daemon's lock file, never wait for a disk. /dev/shm is the tmpfs at hand.
        shm = "/dev/shm"
        if os.path.isdir(shm) and os.access(shm, os.W_OK | os.X_OK):
            self.runtime = tempfile.mkdtemp(prefix="osdbench-runtime-", dir=shm)
        else:
            self.runtime = os.path.join(self.tmp, "runtime")
        self.config = os.path.join(self.home, ".config")
        self.bus_dir = os.path.join(self.tmp, "bus")
        self.empty_dirs = os.path.join(self.tmp, "none")
        for d in (self.home, self.runtime, self.config, self.bus_dir, self.empty_dirs):
            os.makedirs(d, mode=0o700, exist_ok=True)
        os.chmod(self.runtime, 0o700)
        self.set_style(style)
        os.makedirs(os.path.join(self.config, "dunst"), exist_ok=True)
        with open(os.path.join(self.config, "dunst", "dunstrc"), "w") as f:
            f.write(DUNSTRC)
        self.wayland = wayland
        # (bus name, program) that the bus starts on the first call to that name.
        self.activates = activates
        self.sway = None
        self.xvfb = None
        self.bus_pids = []
        self.pids = []
        self.env = None

    def set_style(self, style):
        """Our daemon's style at its next start: "standard", or the rounded default."""
        path = os.path.join(self.config, "vesknotifyrc")
        if style == "standard":
            with open(path, "w") as f:
                f.write("[OSD]\nUseStandartMode=true\n")
        elif os.path.exists(path):
            os.remove(path)

    def __enter__(self):
        try:
            self._start()
        except BaseException:
            self.close()
            raise
        return self

    def __exit__(self, *exc):
        self.close()

    def _start(self):
        read_fd, write_fd = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", "1920x1080x24", "-nolisten", "tcp", "-noreset"],
            pass_fds=(write_fd,), stdout=subprocess.DEVNULL, stderr=open(os.path.join(self.tmp, "xvfb.log"), "w"),
            start_new_session=True)
        os.close(write_fd)
        display = b""
        deadline = time.monotonic() + 10
        os.set_blocking(read_fd, False)
        while time.monotonic() < deadline and not display.endswith(b"\n"):
            try:
                chunk = os.read(read_fd, 64)
            except BlockingIOError:
                chunk = None
            if chunk == b"":
                break
            if chunk:
                display += chunk
            elif self.xvfb.poll() is not None:
                break
            else:
                time.sleep(0.01)
        os.close(read_fd)
        if not display.strip():
            raise StepFailed("Xvfb did not start (see %s/xvfb.log)" % self.tmp)
        display = ":" + display.decode().strip()

        env = {
            "PATH": "/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin",
            "LANG": "C.UTF-8",
            "HOME": self.home,
            "USER": os.environ.get("USER", "root"),
            "DISPLAY": display,
            "XDG_RUNTIME_DIR": self.runtime,
            "XDG_CONFIG_HOME": self.config,
            "XDG_CACHE_HOME": os.path.join(self.home, ".cache"),
            "XDG_DATA_HOME": os.path.join(self.home, ".local", "share"),
            # /usr/share only (icons, sounds, GSettings schemas of the peers): nothing under
            # /usr/local, and no system-wide configuration, of an installed copy of ours.
            "XDG_DATA_DIRS": "/usr/share",
            "XDG_CONFIG_DIRS": self.empty_dirs,
            "QT_QPA_PLATFORM": "xcb",
            "GSETTINGS_BACKEND": "memory",
            "NO_AT_BRIDGE": "1",
        }
        if SCALE != 1:
            env["QT_SCREEN_SCALE_FACTORS"] = "%g" % SCALE
            env["QT_FONT_DPI"] = "%d" % round(96 * SCALE)
        if self.wayland:
            env.pop("QT_SCREEN_SCALE_FACTORS", None)
            env.pop("QT_FONT_DPI", None)
            env["WAYLAND_DISPLAY"] = self._start_sway()
            env["QT_QPA_PLATFORM"] = "wayland"

        servicedir = ""
        if self.activates:
            services = os.path.join(self.tmp, "services")
            os.makedirs(services)
            name, program = self.activates
            with open(os.path.join(services, name + ".service"), "w") as f:
                f.write("[D-BUS Service]\nName=%s\nExec=%s\n" % (name, program))
            servicedir = "<servicedir>%s</servicedir>" % services
        env["DBUS_SESSION_BUS_ADDRESS"] = self._start_bus(env, self.bus_dir, servicedir)
        self.env = env

    def _start_bus(self, env, folder, servicedir=""):
        """Starts a private bus listening in @p folder; returns its address."""
        conf = folder + ".conf"
        with open(conf, "w") as f:
            f.write(BUS_CONFIG.format(dir=folder, servicedir=servicedir))
        # The bus hands its own environment to what it activates, as a session's bus has the
        # session's display and folders.
        out = subprocess.run(["dbus-daemon", "--config-file=" + conf, "--fork", "--print-address=1", "--print-pid=1"],
                             env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, timeout=10)
        lines = out.stdout.split()
        if out.returncode != 0 or len(lines) < 2:
            raise StepFailed("dbus-daemon did not start: " + out.stderr.strip())
        self.bus_pids.append(int(lines[1]))
        return lines[0]

    def second_bus(self):
        """The environment of a second private bus on the same display, for a floor that owns the
        same name as the daemon measured and runs beside it."""
        folder = os.path.join(self.tmp, "bus2")
        os.makedirs(folder, mode=0o700)
        env = dict(self.env)
        env["DBUS_SESSION_BUS_ADDRESS"] = self._start_bus(env, folder)
        return env

    def _start_sway(self):
        """A headless sway of one 1920x1080 output; returns the full path of its socket. Sway
        refuses to run as root, so as root it runs as "nobody" in a runtime folder of that user."""
        runtime = os.path.join(self.tmp, "sway")
        os.makedirs(runtime, mode=0o700)
        config = os.path.join(self.tmp, "sway.config")
        with open(config, "w") as f:
            f.write("xwayland disable\noutput HEADLESS-1 mode %dx%d scale %g position 0 0 bg #3060a0 solid_color\n"
                    % (round(1920 * SCALE), round(1080 * SCALE), SCALE))
        command = ["sway", "--config", config]
        if os.geteuid() == 0:
            os.chmod(self.tmp, 0o711)
            os.chmod(config, 0o644)
            os.chown(runtime, 65534, 65534)
            command = ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"] + command
        env = {"PATH": "/usr/sbin:/usr/bin:/sbin:/bin", "XDG_RUNTIME_DIR": runtime, "WLR_BACKENDS": "headless",
               "WLR_RENDERER": "pixman", "WLR_LIBINPUT_NO_DEVICES": "1", "WLR_HEADLESS_OUTPUTS": "1"}
        self.sway = subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL, stderr=open(os.path.join(self.tmp, "sway.log"), "w"),
                                     start_new_session=True)
        deadline = time.monotonic() + 10
        while time.monotonic() < deadline and self.sway.poll() is None:
            sockets = [n for n in os.listdir(runtime) if n.startswith("wayland-") and not n.endswith(".lock")]
            if sockets:
                return os.path.join(runtime, sockets[0])
            time.sleep(0.01)
        raise StepFailed("sway did not start (see %s/sway.log)" % self.tmp)

    def run(self, args, timeout=120, stdin=None, env=None):
        """Runs a probe (or other short program), on the session's bus or as @p env says; returns
        its standard output."""
        try:
            out = subprocess.run(args, env=env or self.env, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                 stdin=stdin if stdin is not None else subprocess.DEVNULL, text=True, timeout=timeout)
        except subprocess.TimeoutExpired:
            raise StepFailed("%s timed out after %d s" % (os.path.basename(args[0]) + " " + " ".join(args[1:2]), timeout))
        if out.returncode != 0:
            raise StepFailed((out.stderr.strip() or "exit status %d" % out.returncode).splitlines()[-1])
        return out.stdout

    def start_daemon(self, name, program, logname, timeout_ms=15000, env=None):
        """Spawns @p program, returns (ms until @p name is owned, pid, its CPU ms by then)."""
        logfile = os.path.join(self.tmp, logname)
        out = self.run([PROBE, "start", "--name", name, "--log", logfile, "--timeout-ms", str(timeout_ms), "--"] + program,
                       timeout=timeout_ms / 1000 + 10, env=env)
        ms, pid, cpu_ms = out.split()
        pid = int(pid)
        self.pids.append(pid)
        return float(ms), pid, float(cpu_ms)

    def owner_pid(self, name):
        """The pid of the process that owns @p name, as the bus knows it."""
        out = self.run(["dbus-send", "--session", "--print-reply", "--dest=org.freedesktop.DBus", "/org/freedesktop/DBus",
                        "org.freedesktop.DBus.GetConnectionUnixProcessID", "string:" + name], timeout=10)
        pid = int(out.split()[-1])
        self.pids.append(pid)
        return pid

    def wait_name_gone(self, name, timeout=5.0):
        """Waits until the bus has released @p name, so that the next call activates anew."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            out = self.run(["dbus-send", "--session", "--print-reply", "--dest=org.freedesktop.DBus", "/org/freedesktop/DBus",
                            "org.freedesktop.DBus.NameHasOwner", "string:" + name], timeout=10)
            if out.split()[-1] == "false":
                return
            time.sleep(0.01)
        raise StepFailed("%s was still owned %g s after its owner ended" % (name, timeout))

    def stop(self, pid):
        stop_pid(pid)
        if pid in self.pids:
            self.pids.remove(pid)

    def close(self):
        for pid in list(self.pids):
            stop_pid(pid)
        self.pids = []
        for pid in self.bus_pids:
            stop_pid(pid)
        self.bus_pids = []
        for server in ("sway", "xvfb"):
            process = getattr(self, server)
            if process is None:
                continue
            if process.poll() is None:
                process.terminate()
                try:
                    process.wait(5)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait(5)
            setattr(self, server, None)
        reap_all()
        shutil.rmtree(self.runtime, ignore_errors=True)
        shutil.rmtree(self.tmp, ignore_errors=True)


# ---- /proc readings ------------------------------------------------------------------------

def cpu_ns(pid):
    """CPU time of @p pid in ns: its process-wide CPU-time clock (clock_getcpuclockid()).

    This is the kernel's sum of the scheduler run time of all threads, the same nanosecond
    figure as the first field of /proc/PID/task/*/schedstat, except that it also keeps the
    time of threads that ended: a sum over the task directory loses them and can even go
    backwards over a window in which a thread ends.
    """
    clock = ((~pid) << 3) | 2  # CPUCLOCK_SCHED of the whole process, as in clock_getcpuclockid()
    try:
        return time.clock_gettime_ns(clock)
    except OSError:
        pass
    total = schedstat_ns(pid)
    if total == 0 and not pid_alive(pid):
        raise StepFailed("the daemon is gone")
    return total


def schedstat_ns(pid):
    """Sum of the first field of /proc/PID/task/*/schedstat (living threads only)."""
    total = 0
    for path in glob.glob("/proc/%d/task/*/schedstat" % pid):
        try:
            with open(path) as f:
                total += int(f.read().split()[0])
        except (OSError, ValueError, IndexError):
            pass  # a thread that ended in between
    return total


def memory_kb(pid):
    """(VmRSS, Anonymous of smaps_rollup) in kB."""
    rss, anon, _ = memory_figures_kb(pid)
    return rss, anon


def memory_figures_kb(pid):
    """(VmRSS, Anonymous, Pss of smaps_rollup) in kB. PSS shares each mapped page among the
    processes that map it: what a daemon adds to a session whose desktop maps the same Qt and
    KDE libraries."""
    rss = anon = pss = None
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("VmRSS:"):
                rss = int(line.split()[1])
    with open("/proc/%d/smaps_rollup" % pid) as f:
        for line in f:
            if line.startswith("Anonymous:"):
                anon = int(line.split()[1])
            elif line.startswith("Pss:"):
                pss = int(line.split()[1])
    if rss is None or anon is None or pss is None:
        raise StepFailed("no memory figures for pid %d" % pid)
    return rss, anon, pss


# ---- one subject in one session -------------------------------------------------------------

class Results:
    def __init__(self):
        self.values = {}  # (subject, metric) -> [(session, value)]
        self.notes = []
        self.session = 0  # the session that add() files its figures under

    def add(self, subject, metric, value):
        self.values.setdefault((subject, metric), []).append((self.session, value))

    def get(self, subject, metric):
        return [value for _, value in self.values.get((subject, metric), [])]

    def by_session(self, subject, metric):
        sessions = {}
        for session, value in self.values.get((subject, metric), []):
            sessions.setdefault(session, []).append(value)
        return sessions

    def session_ratios(self, numerator, denominator):
        """One ratio per session that has both figures, each (subject, metric): the median of the
        numerator's values of that session over the median of the denominator's. Both are
        measured under the same load of the machine, which a ratio across sessions is not.

        A session without the other figure gives no ratio, and no session is paired with another:

        >>> r = Results()
        >>> for r.session, ours, floor in ((1, [30, 50, 40], [20, 20]), (2, [90], []), (3, [60], [20, 40, 30])):
        ...     for v in ours: r.add("rounded", "start_ms", v)
        ...     for v in floor: r.add("floor", "start_ms", v)
        >>> r.session_ratios(("rounded", "start_ms"), ("floor", "start_ms"))
        [2.0, 2.0]
        """
        upper, lower = self.by_session(*numerator), self.by_session(*denominator)
        ratios = []
        for session in sorted(upper):
            if session in lower and statistics.median(lower[session]):
                ratios.append(statistics.median(upper[session]) / statistics.median(lower[session]))
        return ratios

    def has(self, subject):
        return any(key[0] == subject for key in self.values)

    def to_json(self):
        return {"values": [[subject, metric, values] for (subject, metric), values in self.values.items()],
                "notes": self.notes}

    def take(self, data, suffix=""):
        """Adds the figures of a saved run, their subjects' keys ending in @p suffix."""
        for subject, metric, values in data["values"]:
            self.values.setdefault((subject + suffix, metric), []).extend((session, value) for session, value in values)
        self.notes += [n for n in data["notes"] if n not in self.notes]

    def note(self, text):
        if text not in self.notes:
            self.notes.append(text)


def daemon_of(key, kind):
    """(bus name, command, our style or None, probe target) of a subject."""
    if kind == "osd":
        return OSD_NAME, [OSD_SERVICE], key.split("-")[0], "osd"
    return NOTIFY_NAME, {"dunst": [DUNST], "notifyosd": [NOTIFY_OSD]}[key], None, "notify"


def turn_order(programs, round_):
    """The order of the programs' starts in one round: rotated by one each round and reversed
    every other pass, so that over twice as many rounds as programs each takes every place
    equally often, and runs as often just before as just after each neighbour.

    >>> [''.join(turn_order("abc", n)) for n in range(6)]
    ['abc', 'bca', 'cab', 'cba', 'acb', 'bac']
    """
    shift = round_ % len(programs)
    order = list(programs[shift:]) + list(programs[:shift])
    return order[::-1] if (round_ // len(programs)) % 2 else order


def measure_starts(subjects, params, results, session, wayland):
    """4 and 2: start -> name owned and the first call -> mapped, of every subject of one kind of
    session (X11 or Wayland) and of the floor, the empty Qt widgets application, on one display
    and bus. They take turns, one start each per round, each round in another order (rotated, and
    reversed every other pass), so that whatever slows the machine for a while weighs on all of
    them alike; the ratios are then taken per session from the medians. A first round that is not
    counted warms the page cache and the font and icon caches for all of them."""
    floor = "floor-wayland" if wayland else "floor"
    programs = [(floor, EMPTY_NAME, [EMPTY_APP, EMPTY_NAME], None, None)]
    for key, _, kind in subjects:
        if key.endswith("-wayland") == wayland:
            programs.append((key,) + daemon_of(key, kind))
    if len(programs) == 1:
        return
    with Environment(wayland=wayland) as env:
        def start_once(key, name, program, style, target, counted):
            env.set_style(style)
            ms, pid, cpu_ms = env.start_daemon(name, program, key + ".log")
            try:
                if counted:
                    results.add(key, "start_ms", ms)
                    results.add(key, "start_cpu_ms", cpu_ms)
                if key == floor and not counted:
                    time.sleep(0.3)
                    rss, anon, pss = memory_figures_kb(pid)
                    results.add(key, "rss_idle_mb", rss / 1024)
                    results.add(key, "anon_idle_mb", anon / 1024)
                    results.add(key, "pss_idle_mb", pss / 1024)
                # On Wayland no other client sees when a window maps.
                if target and not wayland:
                    out = env.run([PROBE, "map", "--target", target, "--reps", "1", "--unmap-timeout-ms", "0", "--pid", str(pid)],
                                  timeout=40)
                    if counted:
                        map_ms, map_cpu_ms = out.split()
                        results.add(key, "map_first_ms", float(map_ms))
                        results.add(key, "first_cpu_ms", float(map_cpu_ms))
            finally:
                env.stop(pid)
                env.wait_name_gone(name)

        # The floor's memory once it has drawn a line of text, as every pop-up does; on X11,
        # where the pop-ups' memory goals are read.
        if not wayland:
            try:
                _, pid, _ = env.start_daemon(EMPTY_NAME, [EMPTY_APP, EMPTY_NAME, "--label"], "floor-label.log")
                time.sleep(1.5)
                rss, _ = memory_kb(pid)
                results.add(floor, "rss_text_mb", rss / 1024)
                env.stop(pid)
                env.wait_name_gone(EMPTY_NAME)
            except StepFailed as error:
                results.note("starts, session %d, floor with a label: %s" % (session, error))

        for round_ in range(params.start_reps + 1):
            for program in turn_order(programs, round_):
                try:
                    start_once(*program, counted=round_ > 0)
                except StepFailed as error:
                    results.note("starts, session %d, %s: %s" % (session, program[0], error))
                    log("    %s: FAILED: %s" % (program[0], error))


def measure_subject(key, title, kind, params, results, session):
    wayland = key.endswith("-wayland")
    name, program, style, target = daemon_of(key, kind)

    def step(label, function):
        try:
            function()
            return True
        except StepFailed as error:
            results.note("%s, session %d, %s: %s" % (title, session, label, error))
            log("    %s: FAILED: %s" % (label, error))
            return False

    with Environment(style, wayland) as env:
        daemon = {}

        def start():
            _, daemon["pid"], _ = env.start_daemon(name, program, "daemon.log")
        if not step("start", start):
            return
        pid = daemon["pid"]

        # The first pop-up is shown and left to hide, so that the idle figures below are taken
        # after one.
        def first_popup():
            env.run([PROBE, "call", "--target", target, "--count", "1"], timeout=20)
            time.sleep(2.2)
        step("first pop-up", first_popup)

        # 6. Memory idle: started, the first pop-up shown and hidden again.
        def memory_idle():
            rss, anon, pss = memory_figures_kb(pid)
            results.add(key, "rss_idle_mb", rss / 1024)
            results.add(key, "anon_idle_mb", anon / 1024)
            results.add(key, "pss_idle_mb", pss / 1024)
        step("memory idle", memory_idle)

        # 5. CPU idle.
        def cpu_idle():
            before, before_tasks = cpu_ns(pid), schedstat_ns(pid)
            time.sleep(params.cpu_seconds)
            results.add(key, "cpu_idle_ms", (cpu_ns(pid) - before) / 1e6)
            results.add(key, "cpu_idle_tasks_ms", (schedstat_ns(pid) - before_tasks) / 1e6)
        step("CPU idle", cpu_idle)

        # 2. Call -> mapped with the pop-up hidden before.
        def maps():
            # notify-osd keeps a bubble on screen for several seconds after CloseNotification,
            # so it gets fewer repetitions to keep the run short.
            reps = min(params.map_reps, 3) if key == "notifyosd" else params.map_reps
            out = env.run([PROBE, "map", "--target", target, "--reps", str(reps), "--settle-ms", "150"],
                          timeout=30 + reps * 20)
            for line in out.split():
                results.add(key, "map_ms", float(line))
        if not wayland:
            step("call -> mapped", maps)

        # 5. CPU for one pop-up: the window starts with the call.
        def cpu_popup():
            before, before_tasks = cpu_ns(pid), schedstat_ns(pid)
            start = time.monotonic()
            env.run([PROBE, "call", "--target", target, "--count", "1", "--expire-ms", "1800"], timeout=20)
            time.sleep(max(0.0, params.cpu_seconds - (time.monotonic() - start)))
            results.add(key, "cpu_popup_ms", (cpu_ns(pid) - before) / 1e6)
            results.add(key, "cpu_popup_tasks_ms", (schedstat_ns(pid) - before_tasks) / 1e6)
        step("CPU one pop-up", cpu_popup)

        # 1. One client process per call against dbus-send's Peer.Ping, in alternating batches.
        def round_trip():
            if kind == "osd":
                client = [OSD_NOTIFY, "--volumeChanged", "50"]
            else:
                # The hint makes notify-osd replace its pop-up instead of queueing a new one,
                # as it does for volume changes (it refuses more than 50 queued); dunst takes
                # it as a stack tag with the same effect.
                client = ["/usr/bin/notify-send", "-t", "500", "-h", "string:x-canonical-private-synchronous:osdbench",
                          "summary", "body"]
            floor = ["/usr/bin/dbus-send", "--print-reply", "--dest=" + name,
                     "/org/kde/osdService" if kind == "osd" else "/org/freedesktop/Notifications",
                     "org.freedesktop.DBus.Peer.Ping"]
            clients, floors, qt_floors = [], [], []
            for batch in range(params.rtt_batches):
                order = [(client, clients), (floor, floors)]
                if kind == "osd":
                    # osd-notify's own floor: loading and linking its Qt libraries, no call.
                    order.append(([EMPTY_CLIENT], qt_floors))
                if batch % 2:
                    order.reverse()
                for command, sink in order:
                    out = env.run([PROBE, "spawn", "--count", str(params.rtt_calls), "--"] + command, timeout=120)
                    sink.append(float(out.split()[0]))
            for value in clients:
                results.add(key, "rtt_client_ms", value)
            for value in floors:
                results.add(key, "rtt_floor_ms", value)
            for value in qt_floors:
                results.add(key, "rtt_qt_floor_ms", value)
            results.add(key, "rtt_ratio", statistics.median(clients) / statistics.median(floors))
        step("one process per call", round_trip)

        # 3. The floor of the throughput, the empty Qt D-Bus service, runs beside ours on a second
        # bus, and short batches of both take turns (floor first, then ours first), so that both
        # share the machine's moments alike; the ratios are taken per session of the medians.
        floor = {}

        def start_floor():
            floor["env"] = env.second_bus()
            _, floor["pid"], _ = env.start_daemon(OSD_NAME, [EMPTY_SERVICE], "emptyservice.log", env=floor["env"])
        if kind == "osd":
            step("empty Qt D-Bus service on a second bus", start_floor)

        def in_turn(measure, metric, calls, turns, after_ours=lambda number: None):
            """Runs @p measure (bus environment -> figure) of @p calls calls @p turns times for
            ours and as often for the floor, if there is one, in alternating order. Records the
            figure and the serving process's CPU time per call (which a wait for a core on a busy
            machine does not lengthen), and per session the ratios of the medians to the floor's."""
            figures = {True: [], False: []}
            cpu = {True: [], False: []}
            for turn in range(turns):
                order = [True, False] if turn % 2 else [False, True]
                for is_ours in order:
                    if not is_ours and "pid" not in floor:
                        continue
                    server = pid if is_ours else floor["pid"]
                    before = cpu_ns(server)
                    figures[is_ours].append(measure(None if is_ours else floor["env"]))
                    cpu[is_ours].append((cpu_ns(server) - before) / 1000 / calls)
                    results.add(key if is_ours else "floor", metric, figures[is_ours][-1])
                    results.add(key if is_ours else "floor", metric + "_cpu_us", cpu[is_ours][-1])
                    if is_ours:
                        after_ours(len(figures[True]))
            if figures[False]:
                results.add(key, metric + "_ratio", statistics.median(figures[True]) / statistics.median(figures[False]))
                results.add(key, metric + "_cpu_ratio", statistics.median(cpu[True]) / statistics.median(cpu[False]))

        # 3a. Wait mode: one osd-notify reading lines from a file.
        if kind == "osd":
            step("wait mode", lambda: in_turn(lambda bus: wait_mode(env, params, bus), "wait_lps", params.wait_lines, params.wait_turns))

        # 3b and 6: the long-lived client, in batches; memory after the first and the second half.
        def calls():
            count = params.mem_calls if kind == "osd" else params.peer_calls
            turns = params.call_turns if kind == "osd" else 2

            def batch(bus):
                out = env.run([PROBE, "call", "--target", target, "--count", str(2 * count // turns)], timeout=600, env=bus)
                return float(out.split()[0])

            def memory(number):
                if number in (turns // 2, turns):
                    rss, anon = memory_kb(pid)
                    results.add(key, "rss_%d_mb" % (number * 2 // turns), rss / 1024)
                    results.add(key, "anon_%d_mb" % (number * 2 // turns), anon / 1024)
            in_turn(batch, "calls_ps", 2 * count // turns, turns, memory)
            results.add(key, "anon_growth_mb", results.get(key, "anon_2_mb")[-1] - results.get(key, "anon_1_mb")[-1])
        step("long-lived client and memory", calls)
        if "pid" in floor:
            env.stop(floor["pid"])

        def pings():
            out = env.run([PROBE, "call", "--target", "ping", "--dest", name, "--count", str(params.ping_calls)], timeout=120)
            results.add(key, "ping_ps", float(out.split()[0]))
        step("Peer.Ping floor", pings)

        if not pid_alive(pid):
            results.note("%s, session %d: the daemon ended during the session" % (title, session))
        env.stop(pid)

        # 2. The first call 1 s after the start, once the daemon has had idle time: a second
        # start on the same display and bus. A map is seen only on X11.
        if wayland:
            return

        def idle_first_map():
            _, idle_pid, _ = env.start_daemon(name, program, "daemon-idle.log")
            time.sleep(params.idle_first_seconds)
            out = env.run([PROBE, "map", "--target", target, "--reps", "1", "--unmap-timeout-ms", "0"], timeout=40)
            results.add(key, "map_idle_first_ms", float(out.split()[0]))
            env.stop(idle_pid)
        step("first call 1 s after start -> mapped", idle_first_map)

    # 2. D-Bus activation: the first call starts the daemon through the bus's service file, as
    # the first key press after login does; the time until its pop-up is mapped. On a bus of its
    # own, whose only service file is the daemon's.
    def activation():
        with Environment(style, activates=(name, " ".join(program))) as activating:
            for _ in range(params.activation_reps):
                out = activating.run([PROBE, "map", "--target", target, "--reps", "1", "--unmap-timeout-ms", "0"], timeout=40)
                results.add(key, "activation_ms", float(out.split()[0]))
                activating.stop(activating.owner_pid(name))
                activating.wait_name_gone(name)
    step("D-Bus activation -> mapped", activation)


def wait_mode(env, params, bus_env=None):
    """3a: one osd-notify reading lines from a file, against whatever owns the name on the
    session's bus (or that of @p bus_env); returns lines per second."""
    path = os.path.join(env.tmp, "lines")
    with open(path, "w") as f:
        f.write("".join("%d\n" % (i % 101) for i in range(params.wait_lines)))
    out = env.run([PROBE, "spawn", "--count", "1", "--stdin", path, "--", OSD_NOTIFY, "--volumeChanged"], timeout=300, env=bus_env)
    return params.wait_lines / (float(out.split()[0]) / 1000)


# ---- QtTest micro-benchmarks ------------------------------------------------------------------

def run_micro(results):
    rows = []
    executables = sorted(p for p in glob.glob(os.path.join(BIN, "bench_micro_*")) if os.access(p, os.X_OK))
    for exe in executables:
        name = os.path.basename(exe)
        log("micro-benchmark %s" % name)
        try:
            with Environment() as env:
                out = subprocess.run([exe, "-csv"], env=env.env, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                     stdin=subprocess.DEVNULL, text=True, timeout=600)
        except subprocess.TimeoutExpired:
            results.note("%s: timed out after 600 s" % name)
            continue
        except StepFailed as error:
            results.note("%s: %s" % (name, error))
            continue
        found = 0
        for line in out.stdout.splitlines():
            m = re.match(r'^"(.*)","(.*)","(.*)",([-0-9.eE+]+),([-0-9.eE+]+),([0-9]+)\s*$', line)
            if m:
                rows.append((name,) + m.groups())
                found += 1
        if out.returncode != 0 or not found:
            results.note("%s: exit status %d, %d results%s" % (name, out.returncode, found,
                         ("; " + out.stderr.strip().splitlines()[-1]) if out.stderr.strip() else ""))
    return rows


# ---- report -------------------------------------------------------------------------------------

def fmt(value, digits):
    if abs(value) >= 1000:
        return "{:,.0f}".format(value)
    return "%.*f" % (digits, value)


def cell(values, digits=1, suffix="", html=True):
    if not values:
        return "-"
    med = statistics.median(values)
    text = fmt(med, digits) + suffix
    if len(values) > 1:
        spread = "%s-%s" % (fmt(min(values), digits), fmt(max(values), digits))
        text += ("<br><sub>%s</sub>" % spread) if html else " (%s)" % spread
    return text


def build_of(key):
    """QT6 for a subject of the Qt 6 build's run, else the empty string. A subject's floor and
    its Wayland twin belong to the same build:

    >>> [floor_of(k) for k in ("rounded", "standard-wayland", "rounded@qt6", "rounded-wayland@qt6")]
    ['floor', 'floor-wayland', 'floor@qt6', 'floor-wayland@qt6']
    >>> [wayland_of(k) for k in ("standard", "rounded@qt6")]
    ['standard-wayland', 'rounded-wayland@qt6']
    """
    return QT6 if key.endswith(QT6) else ""


def wayland_of(key):
    """The Wayland subject of the same style and build as @p key."""
    build = build_of(key)
    return key[:len(key) - len(build)] + "-wayland" + build


def floor_of(key):
    """The floor subject that a subject's starts took turns with."""
    return ("floor-wayland" if "-wayland" in key else "floor") + build_of(key)


def start_ratios(results, key):
    if key.startswith("floor"):
        return []
    return results.session_ratios((key, "start_ms"), (floor_of(key), "start_ms"))


def start_cpu_ratios(results, key):
    if key.startswith("floor"):
        return []
    return results.session_ratios((key, "start_cpu_ms"), (floor_of(key), "start_cpu_ms"))


def rss_to_text_floor(results, key):
    if key.startswith("floor") or "-wayland" in key:
        return []
    return results.session_ratios((key, "rss_idle_mb"), (floor_of(key), "rss_text_mb"))


def first_call_to_dunst(results, key, metric="map_first_ms"):
    if key.startswith("dunst"):
        return []
    return results.session_ratios((key, metric), ("dunst" + build_of(key), metric))


def first_call_rounded_to_standard(results, key, metric="map_first_ms"):
    if not key.startswith("rounded"):
        return []
    return results.session_ratios((key, metric), ("standard" + key[len("rounded"):], metric))


ROWS = [
    # label, metric (or function(results, key) giving the values), digits, suffix, floor metric
    ("1 client process per call, ms (osd-notify / notify-send)", "rtt_client_ms", 2, "", None),
    ("1 floor: dbus-send Peer.Ping to the same daemon, ms", "rtt_floor_ms", 2, "", None),
    ("1 ratio client / floor (per session)", "rtt_ratio", 2, "x", None),
    ("1 client floor: empty program linked to QtCore and QtDBus, ms", "rtt_qt_floor_ms", 2, "", None),
    ("2 call -> mapped, pop-up hidden before, ms", "map_ms", 2, "", None),
    ("2 call -> mapped, first call after start, ms", "map_first_ms", 1, "", None),
    ("2 first call after start: ratio to dunst's (per session, of the medians)", first_call_to_dunst, 2, "x", None),
    ("2 first call after start: rounded / standard (per session, of the medians)", first_call_rounded_to_standard, 2, "x", None),
    ("2 CPU time from the start until the first call's pop-up is mapped, ms", "first_cpu_ms", 1, "", None),
    ("2 same CPU time: ratio to dunst's (per session, of the medians)",
     lambda results, key: first_call_to_dunst(results, key, "first_cpu_ms"), 2, "x", None),
    ("2 same CPU time: rounded / standard (per session, of the medians)",
     lambda results, key: first_call_rounded_to_standard(results, key, "first_cpu_ms"), 2, "x", None),
    ("2 call -> mapped, first call 1 s after start, ms", "map_idle_first_ms", 1, "", None),
    ("2 D-Bus activation: the first call starts the daemon -> mapped, ms", "activation_ms", 1, "", None),
    ("3a wait mode, lines/s (osd-notify reading a pipe; floor: empty Qt D-Bus service)", "wait_lps", 0, "", "wait_lps"),
    ("3a ratio to the empty Qt D-Bus service (per session, runs in turn)", "wait_lps_ratio", 2, "x", None),
    ("3a daemon's CPU per line, us", "wait_lps_cpu_us", 0, "", "wait_lps_cpu_us"),
    ("3a same CPU: ratio to the empty Qt D-Bus service (per session)", "wait_lps_cpu_ratio", 2, "x", None),
    ("3b long-lived client, calls/s (floor: empty Qt D-Bus service)", "calls_ps", 0, "", "calls_ps"),
    ("3b ratio to the empty Qt D-Bus service (per session, batches in turn)", "calls_ps_ratio", 2, "x", None),
    ("3b daemon's CPU per call, us", "calls_ps_cpu_us", 0, "", "calls_ps_cpu_us"),
    ("3b same CPU: ratio to the empty Qt D-Bus service (per session)", "calls_ps_cpu_ratio", 2, "x", None),
    ("3b floor: long-lived Peer.Ping, calls/s", "ping_ps", 0, "", None),
    ("4 start -> name owned, ms (floor: empty Qt widgets app, started in turn with ours)", "start_ms", 1, "", "start_ms"),
    ("4 ratio to the empty Qt app (per session, of the medians)", start_ratios, 2, "x", None),
    ("4 CPU time by then (run time of all threads when the name is owned), ms", "start_cpu_ms", 1, "", "start_cpu_ms"),
    ("4 CPU time by then: ratio to the empty Qt app (per session, of the medians)", start_cpu_ratios, 2, "x", None),
    ("5 CPU over 5 s idle, ms", "cpu_idle_ms", 1, "", None),
    ("5 same, sum over living threads' schedstat, ms", "cpu_idle_tasks_ms", 1, "", None),
    ("5 CPU over 5 s with one pop-up, ms", "cpu_popup_ms", 1, "", None),
    ("5 same, sum over living threads' schedstat, ms", "cpu_popup_tasks_ms", 1, "", None),
    ("6 VmRSS idle, MB", "rss_idle_mb", 1, "", "rss_idle_mb"),
    ("6 PSS idle, MB (shared pages divided among the processes that map them)", "pss_idle_mb", 1, "", "pss_idle_mb"),
    ("6 floor that drew text (X11): VmRSS idle of the empty Qt app after one label shown and hidden, MB", "rss_text_mb", 1, "", "rss_text_mb"),
    ("6 VmRSS idle: ratio to the floor that drew text (per session)", rss_to_text_floor, 2, "x", None),
    ("6 private anonymous idle, MB", "anon_idle_mb", 1, "", "anon_idle_mb"),
    ("6 private anonymous after 10k calls, MB", "anon_1_mb", 1, "", None),
    ("6 private anonymous after 20k calls, MB", "anon_2_mb", 1, "", None),
    ("6 growth 10k -> 20k calls, MB", "anon_growth_mb", 2, "", None),
    ("6 VmRSS after 20k calls, MB", "rss_2_mb", 1, "", None),
]


def columns(results):
    """(key, title) of every column that has figures: the Qt 5 build's subjects, then those of
    the Qt 6 build, whose keys carry QT6."""
    cols = [(key, title) for key, title, _ in SUBJECTS]
    cols += [(key + QT6, title + ", Qt 6") for key, title, _ in SUBJECTS if results.has(key + QT6)]
    return cols


def floor_columns(results):
    cols = [("floor", "floor"), ("floor-wayland", "floor, Wayland"), ("floor" + QT6, "floor, Qt 6"),
            ("floor-wayland" + QT6, "floor, Wayland, Qt 6")]
    return [col for col in cols if col[0] == "floor" or results.has(col[0])]


def row_values(results, key, metric):
    return metric(results, key) if callable(metric) else results.get(key, metric)


def summary_table(results, params, html=True):
    cols = columns(results)
    floors = floor_columns(results)
    head = "| Figure | " + " | ".join(t for _, t in floors) + " | " + " | ".join(t for _, t in cols) + " |"
    lines = [head, "|---|" + "---:|" * (len(floors) + len(cols))]
    for label, metric, digits, suffix, floor_metric in ROWS:
        label = label.replace("10k", "%dk" % (params.mem_calls // 1000)).replace("20k", "%dk" % (2 * params.mem_calls // 1000))
        label = label.replace("calls, MB", "calls (peers: %gk, %gk), MB" % (params.peer_calls / 1000, 2 * params.peer_calls / 1000))
        floor_cells = [cell(results.get(key, floor_metric), digits, suffix, html) if floor_metric else "" for key, _ in floors]
        cells = [cell(row_values(results, key, metric), digits, suffix, html) for key, _ in cols]
        lines.append("| %s | %s | %s |" % (label, " | ".join(floor_cells), " | ".join(cells)))
    return "\n".join(lines)


def goals_table(results, params):
    get, ratios = results.get, results.session_ratios

    # Each goal: text, values(key, build suffix), check of their median, digits, unit. A goal
    # against a floor or a peer takes the ratio per session, to the floor or peer of the same
    # session of the same build's run; the cell gives the median and the sessions' min-max.
    goals = [
        ("osd-notify one process per call: at most 2.5x the dbus-send floor",
         lambda k, b: get(k, "rtt_ratio"), lambda v: v <= 2.5, 2, "x"),
        ("call -> mapped, pop-up hidden before: at most 8 ms median",
         lambda k, b: get(k, "map_ms"), lambda v: v <= 8, 2, " ms"),
        ("call -> mapped, first call after start: at most dunst's first call",
         lambda k, b: first_call_to_dunst(results, k), lambda v: v <= 1, 2, "x"),
        ("call -> mapped, first call after start: rounded no slower than standard",
         lambda k, b: first_call_rounded_to_standard(results, k), lambda v: v <= 1, 2, "x"),
        ("call -> mapped, first call 1 s after start: at most 8 ms",
         lambda k, b: get(k, "map_idle_first_ms"), lambda v: v <= 8, 1, " ms"),
        ("wait mode: at least 0.9x the empty Qt D-Bus service",
         lambda k, b: get(k, "wait_lps_ratio"), lambda v: v >= 0.9, 2, "x"),
        ("wait mode on Wayland: at least 0.9x the empty Qt D-Bus service",
         lambda k, b: get(wayland_of(k), "wait_lps_ratio"), lambda v: v >= 0.9, 2, "x"),
        ("long-lived client: at least 0.9x the empty Qt D-Bus service",
         lambda k, b: get(k, "calls_ps_ratio"), lambda v: v >= 0.9, 2, "x"),
        ("long-lived client on Wayland: at least 0.9x the empty Qt D-Bus service",
         lambda k, b: get(wayland_of(k), "calls_ps_ratio"), lambda v: v >= 0.9, 2, "x"),
        ("start -> name owned: at most 1.1x the empty Qt widgets app",
         lambda k, b: start_ratios(results, k), lambda v: v <= 1.1, 2, "x"),
        ("start -> name owned on Wayland: at most 1.1x the empty Qt widgets app",
         lambda k, b: start_ratios(results, wayland_of(k)), lambda v: v <= 1.1, 2, "x"),
        ("CPU for one pop-up over 5 s: at most dunst's",
         lambda k, b: ratios((k, "cpu_popup_ms"), ("dunst" + b, "cpu_popup_ms")), lambda v: v <= 1, 2, "x"),
        ("CPU idle over 5 s: 0 ms (below 0.05 ms, the one-decimal rounding)",
         lambda k, b: get(k, "cpu_idle_ms"), lambda v: v < 0.05, 2, " ms"),
        ("VmRSS idle: at most 1.25x the empty Qt widgets app",
         lambda k, b: ratios((k, "rss_idle_mb"), ("floor" + b, "rss_idle_mb")), lambda v: v <= 1.25, 2, "x"),
        ("private anonymous idle: at most 20 MB",
         lambda k, b: get(k, "anon_idle_mb"), lambda v: v <= 20, 1, " MB"),
        ("no growth between %dk and %dk calls (tolerance: below 1 MB)" % (params.mem_calls // 1000, 2 * params.mem_calls // 1000),
         lambda k, b: get(k, "anon_growth_mb"), lambda v: v < 1.0, 2, " MB"),
        # Wayland against X11, style by style.
        ("Wayland: CPU for one pop-up over 5 s below the X11 figure",
         lambda k, b: ratios((wayland_of(k), "cpu_popup_ms"), (k, "cpu_popup_ms")), lambda v: v < 1, 2, "x of X11"),
        ("Wayland: private anonymous idle at most 1.5x the X11 figure",
         lambda k, b: ratios((wayland_of(k), "anon_idle_mb"), (k, "anon_idle_mb")), lambda v: v <= 1.5, 2, "x"),
        ("Wayland: private anonymous after %dk calls at most 1.5x the X11 figure" % (params.mem_calls // 1000),
         lambda k, b: ratios((wayland_of(k), "anon_1_mb"), (k, "anon_1_mb")), lambda v: v <= 1.5, 2, "x"),
    ]
    builds = [("", "")] + ([(QT6, ", Qt 6")] if results.has("rounded" + QT6) or results.has("standard" + QT6) else [])
    keys = [(style + b, "ours %s%s" % (style, title), b) for b, title in builds for style in ("rounded", "standard")]
    lines = ["| Goal | " + " | ".join(title for _, title, _ in keys) + " |", "|---|" + "---|" * len(keys)]
    for text, values_of, check, digits, unit in goals:
        cells = []
        for key, _, build in keys:
            values = values_of(key, build)
            if not values:
                cells.append("-")
                continue
            median = statistics.median(values)
            text_of = "%.*f%s" % (digits, median, unit)
            if len(values) > 1:
                text_of += " (%.*f-%.*f)" % (digits, min(values), digits, max(values))
            cells.append("%s **%s**" % (text_of, "pass" if check(median) else "fail"))
        lines.append("| %s | %s |" % (text, " | ".join(cells)))
    return "\n".join(lines)


def command_output(args):
    try:
        return subprocess.run(args, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True, timeout=10).stdout.strip()
    except (OSError, subprocess.TimeoutExpired):
        return ""


def machine():
    cpu = "unknown CPU"
    try:
        with open("/proc/cpuinfo") as f:
            for line in f:
                if line.startswith("model name"):
                    cpu = line.split(":", 1)[1].strip()
                    break
    except OSError:
        pass
    try:
        with open("/etc/debian_version") as f:
            debian = f.read().strip()
    except OSError:
        debian = "?"
    return "%s, %d cores, Linux %s, Debian %s" % (cpu, os.cpu_count() or 0, platform.release(), debian)


def versions():
    parts = []
    for package in ("dunst", "notify-osd", "libnotify-bin", "xvfb", "sway", "dbus", "libqt5core5a", "libqt6core6t64",
                    "libkf5windowsystem5", "libkf6windowsystem6", "layer-shell-qt"):
        version = command_output(["dpkg-query", "-W", "-f=${db:Status-Status} ${Version}", package])
        if version.startswith("installed "):
            parts.append("%s %s" % (package, version.split(" ", 1)[1]))
    return ", ".join(parts)


def our_version():
    commit = command_output(["git", "-C", ROOT, "rev-parse", "--short", "HEAD"])
    dirty = command_output(["git", "-C", ROOT, "status", "--porcelain", "--untracked-files=no", "--", "service", "client", "platform", "theme"])
    return "%s%s" % (commit or "?", " with local changes" if dirty else "")


def write_results(own, params, micro, started, elapsed):
    """Saves this run's figures and writes the report of both builds' latest runs."""
    major = qt_major()
    run = {"results": own.to_json(),
           "about": ["Qt %d: `scripts/bench%s%s` on %s (took %.1f min), %s, Debian %s" % (
                         major, " --qt6" if major == 6 else "",
                         " --quick" if params.quick else (" --sessions %d" % params.sessions if params.sessions != 5 else ""),
                         started.strftime("%Y-%m-%d %H:%M %Z").strip(), elapsed / 60,
                         "commit " + our_version(), machine().rsplit("Debian ", 1)[1]),
                     "Qt %d peers and tools (Debian packages): %s" % (major, versions())],
           "date": started.strftime("%Y-%m-%d"), "machine": machine().rsplit(", Debian", 1)[0]}
    with open(saved_run_path(major), "w") as f:
        json.dump(run, f)
    runs = {}
    for each in (5, 6):
        try:
            with open(saved_run_path(each)) as f:
                runs[each] = json.load(f)
        except (OSError, ValueError):
            pass
    results = Results()
    for each, data in sorted(runs.items()):
        results.take(data["results"], QT6 if each == 6 else "")
    about = [line for _, data in sorted(runs.items()) for line in data["about"]]

    text = ["# Benchmark results", "",
            "Written by `scripts/bench` from the latest run of each build (`bench/results-qt5.json`, "
            "`bench/results-qt6.json`; the Qt 6 build runs in the Debian 13 root of `scripts/test --qt6`). "
            "Do not edit by hand.", ""] + ["- " + line for line in about] + [
            "- Machine: %s" % run["machine"],
            "- Ours: osd-service and osd-notify, Release builds in build-bench/ and build-bench-qt6/",
            "- Sessions: %d. A session begins with the starts of 4 (all daemons and the floor in turn on one display "
            "and bus, then on sway), then measures each daemon in turn (ours rounded, ours standard, dunst, "
            "notify-osd), each on a fresh Xvfb (1920x1080x24, no window manager, `QT_QPA_PLATFORM=xcb`), a fresh "
            "private dbus-daemon without service directories (nothing is started by activation, but for the activation "
            "figure of 2), a fresh "
            "temporary HOME, a temporary XDG_RUNTIME_DIR (0700) on a tmpfs (/dev/shm) as a session's own is, "
            "`XDG_DATA_DIRS=/usr/share` and an empty XDG_CONFIG_DIRS." % params.sessions,
            "- Cells: median, below it min-max over all sessions (and repetitions); a ratio \"per session\" is one "
            "figure per session, taken from that session's medians. `-`: not measured or not applicable. "
            "Columns marked Qt 6 are the Qt 6 build's run, with its own floors and peers (Debian 13's).",
            "",
            "How each figure is measured (timing with CLOCK_MONOTONIC in `bench/tools/osdbench_probe`, no shell in between):",
            "",
            "1. One client process per call: `osd-notify --volumeChanged 50` (ours) or `notify-send -t 500 -h string:x-canonical-private-synchronous:osdbench summary body` "
            "(peers; the hint makes both replace the pop-up rather than queue another), spawned one after another, against the floor `dbus-send --print-reply --dest=<name> <path> "
            "org.freedesktop.DBus.Peer.Ping` to the same daemon; %d alternating batches of %d calls each, ms per call "
            "from spawn to exit. The ratio is taken per session from the medians of the batches. The client floor "
            "(ours only) is `bench/tools/osdbench_emptyclient`, a program linked to QtCore and QtDBus that does "
            "nothing, spawned in batches of its own between the others: what loading Qt costs osd-notify before it "
            "does anything." % (params.rtt_batches, params.rtt_calls),
            "2. Call -> mapped: the probe selects SubstructureNotify on the root window, sends the call itself "
            "(volumeChanged, or Notifications.Notify for the peers) and takes the time until the MapNotify of a "
            "top-level window. It then waits for its UnmapNotify (ours: its own time-out; peers: after "
            "CloseNotification) and 150 ms more before the next of %d repetitions per session (notify-osd: 3, as it keeps a bubble for seconds after CloseNotification). \"First call\" is the "
            "first call right after the bus name was owned, to each of the %d starts per session of 4, in which ours of both "
            "styles and the peers take turns: its ratios to dunst's first call, and rounded to standard, are taken "
            "per session from the medians, so that a change of a tenth shows beside the spread of the sessions. "
            "There the probe does not wait for the unmap: the daemon is stopped next. With the map it reads the daemon's "
            "CPU time (the run time of all its threads since it was spawned): on a machine busy with other work the "
            "wall time grows with the wait for a core, the run time much less, so its ratios show a change of ours "
            "where the wall time's spread hides it. \"First call 1 s after start\" is the "
            "first call to a second start of the daemon at the end of the session, made %g s after its name was owned. "
            "D-Bus activation: on a bus of its own whose one service directory holds only the daemon's service file, "
            "the first call starts the daemon through the bus and the time runs until its pop-up is mapped (what the "
            "first key press after login costs); %d times per session, the daemon stopped between." % (
                params.map_reps, params.start_reps, params.idle_first_seconds, params.activation_reps),
            "3. Throughput: (a) one `osd-notify --volumeChanged` reading %d lines from a file, lines per second from "
            "spawn to exit, %d times; (b) one long-lived libdbus-1 client doing synchronous calls one after another (%d "
            "batches of %d: volumeChanged, or Notify replacing its first notification; the peers 2 of %d), and Peer.Ping "
            "as the floor (%d calls), "
            "which libdbus answers without Qt. The floor of both for ours is "
            "`bench/tools/osdbench_emptyservice`: a Qt application that owns `org.kde.osdService` and answers "
            "volumeChanged only by emitting osdProgress in the two forms the daemon sends per call (Plasma 5's and Plasma 6's). "
            "What a call costs there is what Qt D-Bus costs before the daemon does any work of its own. It runs "
            "beside ours on a second private bus of the same display, and as many batches of the same size take "
            "turns with ours (floor first, then ours first); the ratio is per session, of the medians. Around each "
            "batch the serving process's CPU time is read: its CPU per call, which waiting for a core does not "
            "lengthen, is the figure that stays steady on a busy machine (a ratio above 1 is slower)."
            % (params.wait_lines, params.wait_turns, params.call_turns, 2 * params.mem_calls // params.call_turns,
               params.peer_calls, params.ping_calls),
            "4. Start -> name owned: the probe subscribes to NameOwnerChanged, then spawns the daemon and takes the "
            "time until `org.kde.osdService` (peers: `org.freedesktop.Notifications`) is owned. Floor: "
            "`bench/tools/osdbench_emptyapp` (QApplication, registerService, exec) measured the same way. At the start "
            "of each session the floor, both styles of ours and the peers take turns on one Xvfb and bus, one start "
            "each per round, %d rounds in an order rotated each round and reversed every other pass, after one round "
            "that is not counted (it warms the caches); the same on a headless sway for the floor and ours on Wayland "
            "(start only). So a moment of a busy machine weighs on all alike; the ratio is per session, of the "
            "medians, and the cell gives the median of the sessions' ratios and their min-max. The probe also reads "
            "the started program's CPU time when it sees the name owned (as in 2)." % params.start_reps,
            "5. CPU: the run time of all threads of the daemon in ns, read before and after a %d s window: the "
            "process's CPU-time clock (`clock_getcpuclockid`, the kernel's sum of the threads' run time, the "
            "nanosecond figure of the first field of /proc/PID/task/*/schedstat, including threads that ended "
            "within the window); the row below it is the plain sum of /proc/PID/task/*/schedstat over the threads "
            "living at each reading, which misses ended threads. Windows: idle (after the first pop-up was "
            "hidden again), and starting with one call (volumeChanged; peers: Notify with a 1800 ms time-out, which "
            "notify-osd ignores)." % params.cpu_seconds,
            "6. Memory: VmRSS of /proc/PID/status, and private anonymous memory as the `Anonymous:` line of "
            "/proc/PID/smaps_rollup (for a daemon that does not fork, all of it is private); PSS as the `Pss:` line of the "
            "same file, where each shared page counts divided by the number of processes that map it (so it falls when other "
            "programs of the machine map the same Qt libraries at that moment: compare it with the floor's of the same run). "
            "Idle = after the start "
            "and the first pop-up, hidden again; then after the first and the second %d long-lived-client "
            "calls (peers: %d, Notify replacing one notification). Growth tolerance: below 1 MB. The empty Qt widgets app "
            "never draws text; \"the floor that drew text\" is the same program after it showed one line of text in a "
            "frameless window (raster painting, as ours) for 0.5 s and hid it again, read 1.5 s after its start on X11: what "
            "fonts, text shaping and a first window keep in any Qt program that shows a pop-up." % (params.mem_calls, params.peer_calls),
            "",
            "## Summary",
            "",
            summary_table(results, params),
            "",
            "## Goals (ours, medians)",
            "",
            goals_table(results, params),
            ""]
    if micro:
        text += ["## Micro-benchmarks (QtTest, `bench_micro_*`, `-csv`)", "",
                 "| Executable | Function | Tag | Metric | Per iteration | Total | Iterations |",
                 "|---|---|---|---|---:|---:|---:|"]
        for exe, function, tag, metric, value, total, iterations in micro:
            text.append("| %s | %s | %s | %s | %.4g | %s | %s |" % (exe, function, tag or "", metric, float(value), total, iterations))
        text.append("")
    if results.notes:
        text += ["## Notes", ""] + ["- " + n for n in results.notes] + [""]
    with open(os.path.join(ROOT, "bench", "RESULTS.md"), "w") as f:
        f.write("\n".join(text))

    readme_path = os.path.join(ROOT, "README.md")
    with open(readme_path) as f:
        readme = f.read()
    compact = summary_table(results, params, html=False)
    block = ("<!-- bench:begin -->\nMedians (min-max) of `scripts/bench` (Qt 5) and `scripts/bench --qt6` of %s, "
             "%s; details and goals in [bench/RESULTS.md](bench/RESULTS.md).\n\n%s\n<!-- bench:end -->" % (
                 " and ".join(sorted({data["date"] for data in runs.values()})), run["machine"], compact))
    if "<!-- bench:begin -->" in readme and "<!-- bench:end -->" in readme:
        readme = re.sub(r"<!-- bench:begin -->.*?<!-- bench:end -->", lambda _: block, readme, flags=re.S)
    else:
        readme = readme.rstrip("\n") + "\n\n## Performance\n\n" + block + "\n"
    with open(readme_path, "w") as f:
        f.write(readme)


def main():
    parser = argparse.ArgumentParser(description="Measure osd-service against dunst and notify-osd.")
    parser.add_argument("--sessions", type=int, default=5, help="number of sessions (default 5)")
    parser.add_argument("--quick", action="store_true", help="1 session with fewer repetitions")
    parser.add_argument("--only", action="append", choices=[k for k, _, _ in SUBJECTS],
                        help="measure only this daemon (repeatable; for trying changes out)")
    parser.add_argument("--scale", type=float, default=1.0,
                        help="screen scale of the sessions (with --only; default 1)")
    params = parser.parse_args()
    global SCALE
    SCALE = params.scale
    if SCALE != 1 and not params.only:
        parser.error("--scale is for trying out, with --only")
    if params.sessions < 1:
        parser.error("--sessions needs at least 1")
    if params.quick:
        params.sessions = 1
        params.map_reps, params.rtt_batches, params.rtt_calls = 4, 4, 10
        params.start_reps, params.activation_reps = 8, 2
        params.wait_lines, params.mem_calls, params.peer_calls, params.ping_calls = 1000, 3000, 1000, 2000
        params.wait_turns, params.call_turns = 4, 6
    else:
        params.map_reps, params.rtt_batches, params.rtt_calls = 10, 10, 20
        params.start_reps, params.activation_reps = 16, 3
        # The peers get fewer calls of the long-lived client: they are no subject of the
        # memory goals, and 2 x 10,000 Notify calls would take dunst most of a minute.
        params.wait_lines, params.mem_calls, params.peer_calls, params.ping_calls = 2000, 10000, 3000, 5000
        params.wait_turns, params.call_turns = 6, 10
    params.cpu_seconds = 5
    params.idle_first_seconds = 1.0

    for path in (PROBE, EMPTY_APP, EMPTY_SERVICE, EMPTY_CLIENT, OSD_SERVICE, OSD_NOTIFY):
        if not os.access(path, os.X_OK):
            sys.exit("osdbench: %s is missing; run scripts/bench, which builds it" % path)

    become_subreaper()
    signal.signal(signal.SIGTERM, lambda *_: (_ for _ in ()).throw(KeyboardInterrupt()))
    results = Results()
    started = datetime.datetime.now().astimezone()
    t0 = time.monotonic()
    subjects = []
    for key, title, kind in SUBJECTS:
        if params.only and key not in params.only:
            continue
        # notify-osd is no party to a goal and the slowest to measure: --quick keeps to 2 minutes.
        if params.quick and not params.only and key == "notifyosd":
            results.note("%s: left out by --quick" % title)
            continue
        binary = {"dunst": DUNST, "notifyosd": NOTIFY_OSD}.get(key)
        if binary and not os.access(binary, os.X_OK):
            results.note("%s: %s is not installed; not measured" % (title, binary))
            continue
        subjects.append((key, title, kind))
    try:
        for session in range(1, params.sessions + 1):
            results.session = session
            for wayland in (False, True):
                if not any(key.endswith("-wayland") == wayland for key, _, _ in subjects):
                    continue
                log("session %d/%d: starts%s, interleaved with the floor" % (session, params.sessions, " on Wayland" if wayland else ""))
                begin = time.monotonic()
                try:
                    measure_starts(subjects, params, results, session, wayland)
                except StepFailed as error:
                    results.note("starts, session %d: %s" % (session, error))
                    log("    FAILED: %s" % error)
                log("    %.0f s" % (time.monotonic() - begin))
            for key, title, kind in subjects:
                log("session %d/%d: %s" % (session, params.sessions, title))
                begin = time.monotonic()
                try:
                    measure_subject(key, title, kind, params, results, session)
                except StepFailed as error:
                    results.note("%s, session %d: %s" % (title, session, error))
                    log("    FAILED: %s" % error)
                log("    %.0f s" % (time.monotonic() - begin))
        micro = [] if params.only else run_micro(results)
    except KeyboardInterrupt:
        reap_all()
        sys.exit("osdbench: interrupted; nothing written")
    if not params.only:
        write_results(results, params, micro, started, time.monotonic() - t0)
    log("")
    log(summary_table(results, params, html=False))
    log("")
    log(goals_table(results, params))
    for n in results.notes:
        log("note: " + n)
    if params.only:
        log("\n--only: nothing written (%.1f min)" % ((time.monotonic() - t0) / 60))
    else:
        log("\nWritten: bench/RESULTS.md and the Performance section of README.md (%.1f min)" % ((time.monotonic() - t0) / 60))


if __name__ == "__main__":
    main()
