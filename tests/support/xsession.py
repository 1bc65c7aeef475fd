# SPDX-License-Identifier: MIT
"""A private X server and the program on it, driven from outside: what the
end-to-end tests (tests/e2e), the desktop tests (tests/desktop) and the
sanitizer run (tests/exit_without_leaks.py) share.

Everything talks to the X server the way other desktop programs do: xdotool
presses keys and moves the mouse, xclip reads and owns the clipboard,
xwininfo and xprop read what a window manager would see, ImageMagick's
import takes pictures. What none of those tools can do is done with
python3-xlib: watching every window that gets mapped, sending
WM_DELETE_WINDOW as a window manager does when its close box is clicked,
and reading a window's icon.

Every process started here runs in a process group of its own and is told
to die with the test (setpriv --pdeathsig); clean_up() ends the groups and
removes the scratch folders, however the test ends, and fails the test when
any process that was given one of those folders is still running then. Each
X server comes with a session bus of its own, started and ended with it, so
that no program on it starts one of its own (libdbus's X11 autolaunch does
so where dbus-x11 is installed, and that bus outlives the test).
"""

import contextlib
import fcntl
import os
import re
import select
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time
import traceback

from Xlib import XK, X, Xatom, display, error, protocol
from Xlib.ext import xtest

MAIN_TITLE = "Fibwright 1.0 By Mogrith"
MESSAGE_BOX_TITLE = "Fibwright"
ABOUT_TITLE = "Fibwright by Mogrith"
PHRASE_LISTS = ("list1.dat", "list2.dat", "list3.dat", "list4.dat")
TOOLS = ("setpriv", "Xvfb", "dbus-daemon", "xdotool", "xclip", "xwininfo", "xprop", "import",
         "convert")


def check(condition, message):
    if not condition:
        raise AssertionError(message)


def wait_for(what, condition, timeout=10.0, interval=0.02):
    """Polls condition() until it returns something true, and returns that;
    fails with `what` in the message once the time is up."""
    deadline = time.monotonic() + timeout
    while True:
        result = condition()
        if result:
            return result
        if time.monotonic() > deadline:
            raise AssertionError(f"timed out after {timeout:g} s waiting for {what}")
        time.sleep(interval)


# --- processes and scratch folders -------------------------------------------

_children = []
_scratch = []


def spawn(argv, env=None, **kwargs):
    """Starts a process in a group of its own that gets SIGTERM when the test
    ends, even when the test is killed (setpriv execs the command in place,
    so the process is the one the test waits for). argv[0] is looked up on
    the PATH the process gets, as the shell would."""
    env = os.environ if env is None else env
    found = shutil.which(argv[0], path=env.get("PATH"))
    check(found, f"{argv[0]} is not on the PATH")
    kwargs.setdefault("stdin", subprocess.DEVNULL)
    argv = ["setpriv", "--pdeathsig", "TERM", "--", os.path.abspath(found), *argv[1:]]
    process = subprocess.Popen(argv, env=env, start_new_session=True, **kwargs)
    _children.append(process)
    return process


def stop(process, grace=5.0):
    """Ends a process started by spawn() with all it started: its group
    gets SIGTERM, then SIGKILL for whatever is left (the leader may be gone
    while its children are not)."""
    for sig in (signal.SIGTERM, signal.SIGKILL):
        try:
            os.killpg(process.pid, sig)
        except ProcessLookupError:
            break
        with contextlib.suppress(subprocess.TimeoutExpired):
            process.wait(grace)


def scratch_dir(name):
    path = tempfile.mkdtemp(prefix=f"fibwright-{name}-")
    _scratch.append(path)
    return path


def _given_scratch_folders():
    """[(pid, command line)] of the other processes whose environment names
    one of the scratch folders (as their home, runtime folder, ...)."""
    found = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open(f"/proc/{pid}/environ", "rb") as file:
                environ = file.read().split(b"\0")
            with open(f"/proc/{pid}/cmdline", "rb") as file:
                command = file.read().replace(b"\0", b" ").decode(errors="replace").strip()
        except OSError:  # gone, or someone else's
            continue
        if int(pid) != os.getpid() and any(
                value.partition(b"=")[2].startswith(folder.encode())
                for value in environ for folder in _scratch):
            found.append((int(pid), command))
    return found


def clean_up():
    """Ends every process started so far, the last started first, and
    removes the scratch folders. Fails when a process that escaped its
    group (a daemon that forked away, say) still runs with one of the
    folders; it is killed first."""
    while _children:
        stop(_children.pop())
    left = []
    try:
        # What was just killed may take a moment to go.
        with contextlib.suppress(AssertionError):
            wait_for("the processes to end", lambda: not _given_scratch_folders(), 5.0)
        left = _given_scratch_folders()
        for pid, _ in left:
            with contextlib.suppress(ProcessLookupError):
                os.kill(pid, signal.SIGKILL)
    finally:
        while _scratch:
            shutil.rmtree(_scratch.pop(), ignore_errors=True)
    check(not left, "processes outlived the test: "
          + "; ".join(f"{pid} ({command})" for pid, command in left))


def listening(path):
    """Whether a server accepts connections on the Unix socket at path."""
    with socket.socket(socket.AF_UNIX, socket.SOCK_STREAM) as client:
        return client.connect_ex(path) == 0


def run(argv, timeout=120.0, check=True, binary=False, **kwargs):
    """Runs a command to its end; unless check is false, a failure shows its
    output."""
    result = subprocess.run(argv, capture_output=True, text=not binary, timeout=timeout, **kwargs)
    if check and result.returncode != 0:
        raise AssertionError(f"{' '.join(map(str, argv))} exited with {result.returncode}:\n"
                             f"{result.stdout!s}{result.stderr!s}")
    return result


def main(test):
    """Runs test() and reports; ends every process it started in any case."""

    def interrupted(signum, _frame):
        raise SystemExit(128 + signum)

    for sig in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
        signal.signal(sig, interrupted)
    failures = []
    try:
        test()
    except AssertionError as failure:
        failures.append(failure)
    except Exception:  # noqa: BLE001 - any error fails the test with its trace
        traceback.print_exc()
        failures.append("the test itself broke")
    finally:
        try:
            clean_up()
        except AssertionError as failure:
            failures.append(failure)
    for failure in failures:
        print(f"FAIL: {failure}")
    if not failures:
        print("PASS")
    sys.exit(1 if failures else 0)


# --- the X server ------------------------------------------------------------

class XServer:
    """An Xvfb of its own on a display number that it picks itself, so that
    suites running side by side never share one, and the tools that read and
    drive it."""

    def __init__(self, width=1024, height=768, depth=24):
        missing = [tool for tool in TOOLS if shutil.which(tool) is None]
        check(not missing, f"missing tools: {', '.join(missing)} (scripts/deps test installs them)")
        self.home = scratch_dir("x")
        log_path = os.path.join(self.home, "xvfb.log")
        read_end, write_end = os.pipe()
        with open(log_path, "w") as log:
            spawn(["Xvfb", "-displayfd", str(write_end), "-nolisten", "tcp", "-noreset",
                   "-screen", "0", f"{width}x{height}x{depth}"],
                  pass_fds=(write_end,), stdout=log, stderr=log)
        os.close(write_end)
        number, deadline = b"", time.monotonic() + 20
        try:
            while not number.endswith(b"\n"):
                ready, _, _ = select.select([read_end], [], [], max(deadline - time.monotonic(), 0))
                chunk = os.read(read_end, 16) if ready else b""
                if not chunk:
                    with open(log_path) as log:
                        raise AssertionError(f"Xvfb gave no display number:\n{log.read()}")
                number += chunk
        finally:
            os.close(read_end)
        self.display = f":{int(number)}"
        runtime_dir = os.path.join(self.home, "runtime")
        os.mkdir(runtime_dir, 0o700)
        # A clean environment: no desktop session, settings or style of the
        # person running the tests reaches the program or the tools; only the
        # sanitizer options of a sanitizer build's tests come along.
        self.env = {name: value for name, value in os.environ.items()
                    if name.endswith("SAN_OPTIONS")}
        self.env.update(
            PATH=os.environ.get("PATH", "/usr/bin:/bin"), HOME=self.home, LANG="C.UTF-8",
            LC_ALL="C.UTF-8", DISPLAY=self.display, XDG_RUNTIME_DIR=runtime_dir,
            XDG_CONFIG_HOME=os.path.join(self.home, "config"),
            XDG_CACHE_HOME=os.path.join(self.home, "cache"), XDG_SESSION_TYPE="x11",
            QT_QPA_PLATFORM="xcb")
        # The session's bus, as a desktop session has one: the programs on
        # this server use it rather than start a bus of their own, and the
        # services it starts on demand get the server's environment. It
        # ends before the server does (clean_up ends the last started first).
        bus = os.path.join(runtime_dir, "bus")
        with open(os.path.join(self.home, "dbus.log"), "w") as log:
            spawn(["dbus-daemon", "--session", "--nofork", "--nopidfile",
                   f"--address=unix:path={bus}"], env=self.env, stdout=log, stderr=log)
        wait_for("the session bus to listen", lambda: listening(bus), 20)
        self.env["DBUS_SESSION_BUS_ADDRESS"] = f"unix:path={bus}"

    def run(self, *argv, timeout=10.0, **kwargs):
        return run(argv, timeout=timeout, env=self.env, **kwargs)

    def windows(self, title):
        """Ids of the mapped windows whose title is exactly `title`."""
        found = self.run("xdotool", "search", "--onlyvisible", "--name",
                         "^" + re.escape(title) + "$", check=False)
        return [int(line) for line in found.stdout.split()]

    def wait_window(self, title, timeout=10.0, program=None):
        """The one mapped window titled `title`, once there is one. Given the
        program, fails at once when it ends first, or when it shows its
        message box while its main window is awaited."""

        def found():
            if program is not None and not program.running():
                raise AssertionError(f"the program ended with status {program.process.returncode}"
                                     f" before a window titled {title!r} appeared:\n"
                                     f"{program.output()}")
            if program is not None and title == MAIN_TITLE and self.windows(MESSAGE_BOX_TITLE):
                raise AssertionError("the program showed a message box instead of its window "
                                     "(it did not find its phrase lists)")
            return self.windows(title)

        windows = wait_for(f"a window titled {title!r}", found, timeout)
        check(len(windows) == 1, f"{len(windows)} windows titled {title!r}")
        return windows[0]

    def popups(self):
        """Ids of the program's mapped pop-up windows (menus): those that
        bypass the window manager."""
        found = self.run("xdotool", "search", "--onlyvisible", "--class", "^fibwright$",
                         check=False)
        return [window for window in map(int, found.stdout.split())
                if "Override Redirect State: yes"
                in self.run("xwininfo", "-id", str(window), check=False).stdout]

    def geometry(self, window):
        """(x, y, width, height) of a window (None: the screen), from xwininfo."""
        which = ["-root"] if window is None else ["-id", str(window)]
        fields = {}
        for line in self.run("xwininfo", *which).stdout.splitlines():
            key, sep, value = line.strip().partition(":")
            if sep:
                fields[key] = value.strip()
        return (int(fields["Absolute upper-left X"]), int(fields["Absolute upper-left Y"]),
                int(fields["Width"]), int(fields["Height"]))

    def screen_size(self):
        _, _, width, height = self.geometry(None)
        return width, height

    def title(self, window):
        return self.run("xdotool", "getwindowname", str(window)).stdout.rstrip("\n")

    def prop(self, window, name):
        return self.run("xprop", "-id", str(window), name).stdout

    def focus(self, window):
        # There is no window manager to give the focus on a click.
        self.run("xdotool", "windowfocus", "--sync", str(window))

    def key(self, window, *keys):
        """Presses keys in the window (None: wherever the focus is now)."""
        if window is not None:
            self.focus(window)
        for key in keys:
            if not self._press_plain_key(key):
                self.run("xdotool", "key", "--clearmodifiers", key)

    def _press_plain_key(self, name):
        """Presses a key whose keysym the keymap lists at its first level and
        at others too by the key's code alone: xdotool would hold a modifier
        with it (Debian unstable's xkb-data lists F10 at four levels, and
        xdotool sent Alt+F10). False for any other key, left to xdotool."""
        keysym = XK.string_to_keysym(name)
        if keysym == X.NoSymbol:
            return False
        with self._xlib_window(None) as (conn, _):
            code = conn.keysym_to_keycode(keysym)
            levels = [conn.keycode_to_keysym(code, level) for level in range(4)] if code else []
            if not levels or levels[0] != keysym or levels.count(keysym) == 1:
                return False
            xtest.fake_input(conn, X.KeyPress, code)
            conn.sync()
            time.sleep(0.01)
            xtest.fake_input(conn, X.KeyRelease, code)
            conn.sync()
        return True

    def type(self, window, text):
        self.focus(window)
        self.run("xdotool", "type", "--clearmodifiers", "--delay", "5", "--", text)

    def move(self, window, x, y, *then):
        """Moves the mouse to (x, y) inside the window, then runs the xdotool
        commands that follow, if any. (--sync waits for the pointer to move:
        it is first put a pixel aside, so that it moves even when it is at
        (x, y) already.)"""
        self.run("xdotool", "mousemove", "--window", str(window), str(x + 1), str(y),
                 "mousemove", "--sync", "--window", str(window), str(x), str(y), *then)

    def click(self, window, x, y):
        """A left click at (x, y) inside the window."""
        self.move(window, x, y, "click", "1")

    def grab(self, window, area=None):
        """The window's picture now; area=(x, y, width, height) takes only
        that part of it."""
        crop = [] if area is None else ["-crop", "{2}x{3}+{0}+{1}".format(*area), "+repage"]
        return Picture(self.run("import", "-window", str(window), *crop, "-depth", "8", "ppm:-",
                                binary=True).stdout)

    def still_picture(self, window, timeout=20.0, interval=0.05):
        """The window's picture once it has stopped changing: two grabs in a
        row alike, so that no repaint is still under way."""
        last = self.grab(window)

        def still():
            nonlocal last
            picture, last = last, self.grab(window)
            return picture if picture == last else None
        return wait_for("a still picture of the window", still, timeout, interval)

    @contextlib.contextmanager
    def _xlib_window(self, window):
        conn = display.Display(self.display)
        try:
            yield conn, (conn.screen().root if window is None
                         else conn.create_resource_object("window", window))
        finally:
            conn.close()

    def send_close(self, window):
        """What a window manager sends when the window's close box is
        clicked: a WM_DELETE_WINDOW client message."""
        with self._xlib_window(window) as (conn, target):
            protocols = conn.intern_atom("WM_PROTOCOLS")
            delete = conn.intern_atom("WM_DELETE_WINDOW")
            check(delete in (target.get_wm_protocols() or []),
                  "the window does not take WM_DELETE_WINDOW")
            target.send_event(protocol.event.ClientMessage(
                window=target, client_type=protocols, data=(32, [delete, X.CurrentTime, 0, 0, 0])),
                event_mask=X.NoEventMask)
            conn.sync()

    def icons(self, window):
        """The window's _NET_WM_ICON images: {(width, height): [ARGB, ...]}."""
        with self._xlib_window(window) as (conn, target):
            prop = target.get_full_property(conn.intern_atom("_NET_WM_ICON"), X.AnyPropertyType)
        values = list(prop.value) if prop is not None and prop.format == 32 else []
        images, at = {}, 0
        while at + 2 <= len(values):
            width, height = values[at], values[at + 1]
            pixels = values[at + 2:at + 2 + width * height]
            if width == 0 or height == 0 or len(pixels) < width * height:
                break
            images[(width, height)] = pixels
            at += 2 + width * height
        return images


    def start_window_manager(self):
        """Starts openbox on this server, as a desktop session has it, and
        returns once it manages windows (it has set
        _NET_SUPPORTING_WM_CHECK on the root window)."""
        log = open(os.path.join(self.home, "openbox.log"), "w")
        spawn(["openbox", "--sm-disable"], env=self.env, stdout=log, stderr=log)
        log.close()

        def managing():
            with self._xlib_window(None) as (conn, root):
                prop = root.get_full_property(conn.intern_atom("_NET_SUPPORTING_WM_CHECK"),
                                              X.AnyPropertyType)
                return prop is not None and len(prop.value) > 0
        wait_for("openbox to manage the screen", managing, 20)

    def start_clipboard_manager(self):
        """Starts xfsettingsd, Xfce's settings daemon, which keeps what was
        copied once the program that copied it has ended, and returns once
        it owns the CLIPBOARD_MANAGER selection."""
        log = open(os.path.join(self.home, "xfsettingsd.log"), "w")
        spawn(["xfsettingsd", "--disable-wm-check"], env=self.env, stdout=log, stderr=log)
        log.close()

        def owned():
            with self._xlib_window(None) as (conn, _):
                owner = conn.get_selection_owner(conn.intern_atom("CLIPBOARD_MANAGER"))
                return owner not in (None, X.NONE) and getattr(owner, "id", owner) != 0
        wait_for("xfsettingsd to own CLIPBOARD_MANAGER", owned, 20)


class Weston:
    """A headless Weston, a Wayland compositor with no screen, on a socket
    in a runtime folder of its own."""

    def __init__(self):
        self.runtime_dir = scratch_dir("wayland")
        os.chmod(self.runtime_dir, 0o700)
        self.socket = "wayland-fibwright"
        env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "HOME": self.runtime_dir,
               "XDG_RUNTIME_DIR": self.runtime_dir}
        log = open(os.path.join(self.runtime_dir, "weston.log"), "w")
        spawn(["weston", "--backend=headless-backend.so", f"--socket={self.socket}",
               "--idle-time=0"], env=env, stdout=log, stderr=log)
        log.close()
        path = os.path.join(self.runtime_dir, self.socket)
        wait_for("weston to listen", lambda: listening(path), 20, 0.1)

    def env(self):
        """What a program needs to find this compositor."""
        return {"WAYLAND_DISPLAY": self.socket, "XDG_RUNTIME_DIR": self.runtime_dir}


def wayland_request(interface, request):
    """A request or event as WAYLAND_DEBUG logs it: libwayland writes an
    object as interface@id up to 1.22, as interface#id from 1.23 on."""
    return re.compile(rf"{interface}[@#]\d+\.{request}\(")


def packages_of_libraries(executable, sonames):
    """The Debian packages that hold the libraries an executable is linked
    with, by soname: a release's own names (libqt6core6 on Debian 12,
    libqt6core6t64 from 13 on)."""
    linked = dict(re.findall(r"^\s*(\S+) => (/\S+)", run(["ldd", executable]).stdout, re.M))
    found = {}
    for soname in sonames:
        check(soname in linked, f"{executable} is not linked with {soname}")
        # The package names the file by its path below /usr on a merged /usr.
        for path in dict.fromkeys((linked[soname], os.path.realpath(linked[soname]))):
            owner = run(["dpkg-query", "-S", path], check=False).stdout
            if owner:
                found[soname] = owner.split(":")[0]
                break
        check(soname in found, f"no installed package holds {linked[soname]}")
    return found


class Picture:
    """A picture as import takes it, an 8-bit PPM: width, height and RGB
    bytes, row by row."""

    def __init__(self, ppm):
        # "P6", width, height and maximum, each followed by one blank.
        header = re.match(rb"P6\s(\d+)\s(\d+)\s255\s", ppm)
        check(header, "import gave no 8-bit PPM picture")
        self.ppm, self.width, self.height = ppm, int(header[1]), int(header[2])
        self.rgb = ppm[header.end():]
        check(len(self.rgb) == self.width * self.height * 3, "import gave a truncated picture")

    def __eq__(self, other):
        return self.ppm == other.ppm

    def save_png(self, path):
        part = path + ".part"
        run(["convert", "ppm:-", "-strip", "png:" + part], input=self.ppm, binary=True,
            timeout=30.0)
        os.replace(part, path)


def png_size(path):
    """(width, height) of a PNG file."""
    with open(path, "rb") as png:
        head = png.read(24)
    check(head[:8] == b"\x89PNG\r\n\x1a\n" and head[12:16] == b"IHDR", f"{path} is not a PNG file")
    return int.from_bytes(head[16:20], "big"), int.from_bytes(head[20:24], "big")


# --- the program -------------------------------------------------------------

def bundled_lists(executable):
    """{name: bytes} of the phrase lists that lie beside the executable."""
    lists = {}
    for name in PHRASE_LISTS:
        with open(os.path.join(os.path.dirname(os.path.abspath(executable)), name), "rb") as file:
            lists[name] = file.read()
    return lists


def copy_program(executable, folder, lists):
    """A copy of the executable in a folder of its own, beside the phrase
    lists given as {name: text or bytes}; returns the copy's path."""
    os.makedirs(folder, exist_ok=True)
    path = os.path.join(folder, "fibwright")
    shutil.copy2(executable, path)
    for name, content in lists.items():
        with open(os.path.join(folder, name), "wb") as file:
            file.write(content if isinstance(content, bytes) else content.encode())
    return path


class Program:
    """The program started on an X server from the server's home folder,
    with extra environment variables (None removes one); what it writes goes
    to a log."""

    def __init__(self, x, executable, env=None):
        self.x = x
        fd, self._log_path = tempfile.mkstemp(prefix="program-", suffix=".log", dir=x.home)
        env = {name: value for name, value in dict(x.env, **(env or {})).items()
               if value is not None}
        if "ASAN_OPTIONS" in env and "WAYLAND_DISPLAY" in env:
            # Qt sets up EGL for Wayland, through Mesa, whose libraries have
            # no frame pointers: only a full unwinding of every allocation's
            # stack gives tests/lsan.supp a library to match (slow, so only
            # here).
            env["ASAN_OPTIONS"] += ":fast_unwind_on_malloc=0"
        with os.fdopen(fd, "w") as log:
            self.process = spawn([executable], env=env, cwd=x.home,
                                 stdout=log, stderr=subprocess.STDOUT)

    def running(self):
        return self.process.poll() is None

    def output(self):
        """What the program wrote to its standard output and error."""
        with open(self._log_path, errors="replace") as file:
            return file.read()

    def main_window(self, timeout=10.0):
        """The main window once it is mapped; fails at once when the program
        ends or shows its message box instead."""
        return self.x.wait_window(MAIN_TITLE, timeout, self)

    def exit_status(self, timeout=10.0):
        """The program's exit status once it has ended by itself."""
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            raise AssertionError(f"the program was still running after {timeout:g} s") from None

    def close(self, window, timeout=10.0):
        """Closes the window as its close box does and expects the program
        to end with status 0."""
        self.x.send_close(window)
        status = self.exit_status(timeout)
        check(status == 0, f"the program ended with status {status}:\n{self.output()}")


# --- the clipboard and what gets mapped --------------------------------------

class Clipboard:
    """The CLIPBOARD selection, read and owned by xclip."""

    def __init__(self, x):
        self._x = x
        self._count = 0

    def read(self):
        """The clipboard's text, or None while nobody offers one."""
        result = self._x.run("xclip", "-o", "-selection", "clipboard", check=False)
        return result.stdout if result.returncode == 0 else None

    def hold(self, text):
        """Puts text on the clipboard; an xclip of ours owns it until
        another program takes the clipboard over."""
        owner = spawn(["xclip", "-quiet", "-i", "-selection", "clipboard"], env=self._x.env,
                      stdin=subprocess.PIPE, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        owner.stdin.write(text.encode())
        owner.stdin.close()
        wait_for("xclip to own the clipboard", lambda: self.read() == text)

    def capture(self, action, timeout=10.0):
        """Runs action() and returns what it put on the clipboard. A marker
        put there first tells a new copy from an old one with the same text."""
        self._count += 1
        marker = f"(clipboard marker {self._count} of the desktop-level tests)"
        self.hold(marker)
        action()

        def copied():
            text = self.read()
            # Wrapped, so that an empty copy counts as one.
            return None if text is None or text == marker else (text,)
        return wait_for("a copy to the clipboard", copied, timeout)[0]


class MapWatcher:
    """Records every top-level window that gets mapped, with its title,
    from before the program starts until stop(). Pop-ups that bypass the
    window manager (menus, tooltips) are left out."""

    def __init__(self, x):
        self._conn = display.Display(x.display)
        self._conn.screen().root.change_attributes(event_mask=X.SubstructureNotifyMask)
        self._conn.sync()
        self._net_wm_name = self._conn.intern_atom("_NET_WM_NAME")
        self._utf8 = self._conn.intern_atom("UTF8_STRING")
        self._lock = threading.Lock()
        self._mapped = []
        self._stopping = threading.Event()
        self._thread = threading.Thread(target=self._watch, daemon=True)
        self._thread.start()

    def _title(self, window):
        try:
            prop = window.get_full_property(self._net_wm_name, self._utf8)
            if prop is not None:
                return prop.value.decode("utf-8", "replace")
            prop = window.get_full_property(Xatom.WM_NAME, X.AnyPropertyType)
            if prop is not None:
                value = prop.value
                return value.decode("latin-1") if isinstance(value, bytes) else str(value)
        except error.XError:
            pass
        return None

    def _watch(self):
        fd = self._conn.fileno()
        while not self._stopping.is_set():
            if not self._conn.pending_events():
                select.select([fd], [], [], 0.05)
                if not self._conn.pending_events():
                    continue
            event = self._conn.next_event()
            if event.type == X.MapNotify and not event.override:
                title = self._title(event.window)
                with self._lock:
                    self._mapped.append((event.window.id, title))

    def mapped(self):
        """[(window id, title)] of the windows mapped so far, in order."""
        with self._lock:
            return list(self._mapped)

    def stop(self):
        self._stopping.set()
        self._thread.join(5)
        self._conn.close()


# --- the accessibility tree --------------------------------------------------

def start_accessibility_bus(x):
    """Starts AT-SPI's bus on x's session bus, turns accessibility on for
    the programs started on x from now on, and returns pyatspi, ready to
    read the tree; the test itself joins x's session (once per process:
    the session bus, once connected, stays the process's)."""
    x.env.update(QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1")
    os.environ.update({name: x.env[name] for name in
                       ("DISPLAY", "XDG_RUNTIME_DIR", "DBUS_SESSION_BUS_ADDRESS")})
    # Accessibility is turned on over the bus once it is up: at-spi2-core
    # 2.62 refuses the launcher's own --a11y=1 that older ones take.
    spawn(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"],
          env=x.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    from gi.repository import Gio, GLib  # pylint: disable=import-outside-toplevel

    session = Gio.bus_get_sync(Gio.BusType.SESSION, None)

    def bus_is_up():
        reply = session.call_sync("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                  "org.freedesktop.DBus", "NameHasOwner",
                                  GLib.Variant("(s)", ("org.a11y.Bus",)), None,
                                  Gio.DBusCallFlags.NONE, 5000, None)
        return reply.unpack()[0]

    wait_for("the AT-SPI bus to come up", bus_is_up, 20)
    session.call_sync("org.a11y.Bus", "/org/a11y/bus", "org.freedesktop.DBus.Properties", "Set",
                      GLib.Variant("(ssv)", ("org.a11y.Status", "IsEnabled", GLib.Variant("b", True))),
                      None, Gio.DBusCallFlags.NONE, 5000, None)
    import pyatspi  # pylint: disable=import-outside-toplevel
    return pyatspi


def accessible_window(pyatspi, timeout=20):
    """The program's window as AT-SPI sees it."""

    def find():
        for app in pyatspi.Registry.getDesktop(0):
            if app is None:
                continue
            for frame in app:
                if frame is not None and frame.name == MAIN_TITLE:
                    return frame
        return None

    return wait_for("the program's window in the accessibility tree", find, timeout, interval=0.2)


def accessible_nodes(pyatspi, root):
    """Every node below root, each with the list of its ancestors; the
    drop-down lists' items are left out."""
    found = []

    def walk(node, ancestors):
        found.append((node, ancestors))
        if node.getRole() == pyatspi.ROLE_LIST:
            return
        for child in node:
            if child is not None:
                walk(child, ancestors + [node])

    walk(root, [])
    return found


def extents(pyatspi, node):
    box = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return box.x, box.y, box.width, box.height


# --- a screen reader ---------------------------------------------------------

class ScreenReader:
    """Orca on x, speaking into a file instead of a sound card: a
    speech-dispatcher of its own runs every utterance through its generic
    module, whose command appends the text to the file as one line. Both
    keep their settings in x's private configuration folders. Needs the
    AT-SPI bus (start_accessibility_bus) and a window manager, without which
    the program's window never gets the keyboard focus."""

    def __init__(self, x, timeout=30.0):
        self._x = x
        home = scratch_dir("speech")
        self._spoken = os.path.join(home, "spoken.txt")
        open(self._spoken, "w").close()
        log_dir = os.path.join(home, "log")  # speech-dispatcher hangs without it
        os.mkdir(log_dir)
        config = os.path.join(x.env["XDG_CONFIG_HOME"], "speech-dispatcher")
        os.makedirs(os.path.join(config, "modules"))
        with open(os.path.join(config, "speechd.conf"), "w") as conf:
            # The module needs an audio output that opens: ALSA's null device,
            # from the .asoundrc below. Orca's own client must not start a
            # second server, which would outlive the test.
            conf.write(f'LogDir "{log_dir}"\nDisableAutoSpawn\n'
                       'AudioOutputMethod "alsa"\nDefaultLanguage "en"\n'
                       'AddModule "file" "sd_generic" "file.conf"\nDefaultModule file\n')
        with open(os.path.join(config, "modules", "file.conf"), "w") as conf:
            # $DATA comes with its single quotes escaped for the shell. The
            # text is not cut at punctuation (no delimiter but an unused
            # control character), so one utterance is one line.
            conf.write(f"GenericExecuteSynth \"printf '%s\\\\n' \\'$DATA\\' >> {self._spoken}\"\n"
                       'GenericDelimiters "\x01"\nGenericMaxChunkLength 100000\n'
                       'GenericLanguage "en" "en" "utf-8"\nAddVoice "en" "MALE1" "default"\n')
        with open(os.path.join(x.home, ".asoundrc"), "w") as asoundrc:
            asoundrc.write("pcm.!default { type null }\n")
        with open(os.path.join(home, "speech-dispatcher.out"), "w") as out:
            spawn(["speech-dispatcher", "--run-single", "--timeout", "0", "--config-dir", config],
                  env=x.env, stdout=out, stderr=subprocess.STDOUT)
        socket = os.path.join(x.env["XDG_RUNTIME_DIR"], "speech-dispatcher", "speechd.sock")
        wait_for("speech-dispatcher to listen", lambda: os.path.exists(socket), timeout)
        self._wait_for_other_orcas(timeout)
        prefs = os.path.join(home, "orca")
        os.mkdir(prefs)
        # ORCA_DEBUG_FILE, when set, gets Orca's debug log: why it presents
        # an event or drops it.
        debug = ["--debug-file", os.environ["ORCA_DEBUG_FILE"]] if "ORCA_DEBUG_FILE" in os.environ \
            else []
        orca_out = os.path.join(home, "orca.out")
        with open(orca_out, "w") as out:
            spawn(["orca", "--user-prefs", prefs, *debug], env=x.env, stdout=out,
                  stderr=subprocess.STDOUT)
        try:
            self.wait_said("Orca to start speaking", lambda said: "Screen reader on." in said, 0,
                           timeout)
        except AssertionError as failure:
            with open(orca_out, errors="replace") as out:
                raise AssertionError(f"{failure}\nOrca wrote:\n{out.read()}") from None

    _lock = None

    @classmethod
    def _wait_for_other_orcas(cls, timeout):
        """Orca refuses to start while any other Orca of the same user runs,
        whatever its display. Suites of other build trees take turns through
        a lock held until this process ends; an Orca of someone else's fails
        the test."""
        if cls._lock is None:
            cls._lock = open(os.path.join(tempfile.gettempdir(),
                                          f"fibwright-orca-{os.getuid()}.lock"), "w")

            def locked():
                try:
                    fcntl.flock(cls._lock, fcntl.LOCK_EX | fcntl.LOCK_NB)
                    return True
                except BlockingIOError:
                    return False
            wait_for("the Orca of another test run to end", locked, 150, interval=0.2)

        def others():
            found = run(["pgrep", "-u", str(os.getuid()), "-x", "orca"], check=False)
            return [int(pid) for pid in found.stdout.split()
                    if not any(child.pid == int(pid) for child in _children)]
        try:
            wait_for("no other Orca to run", lambda: not others(), timeout)
        except AssertionError:
            raise AssertionError(f"another Orca runs for this user (pid {others()}); Orca starts "
                                 "only once per user") from None

    def said(self):
        """Every utterance so far, in order."""
        with open(self._spoken, encoding="utf-8", errors="replace") as file:
            return file.read().splitlines()

    def wait_said(self, what, condition, start=0, timeout=15.0):
        """The utterances from number `start` on, once condition() holds for
        them."""
        try:
            return wait_for(what, lambda: condition(self.said()[start:]) and self.said()[start:],
                            timeout, interval=0.05)
        except AssertionError as failure:
            raise AssertionError(f"{failure}; Orca said {self.said()[start:]}") from None

    def hear(self, action, what, condition, quiet=1.0, timeout=15.0):
        """Runs action() and returns what was said after it: once
        condition(utterances) holds and nothing more was said for `quiet`
        seconds, so that a repetition would be heard too."""
        start = len(self.said())
        action()
        self.wait_said(what, condition, start, timeout)
        count, since = None, time.monotonic()

        def settled():
            nonlocal count, since
            now = len(self.said())
            if now != count:
                count, since = now, time.monotonic()
            return time.monotonic() - since >= quiet
        wait_for(f"the screen reader to fall silent after {what}", settled, timeout)
        return self.said()[start:]
