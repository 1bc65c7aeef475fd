"""What the desktop tests share: an X server of their own, the program run
on it, a little of Xlib, and a clean-up that runs however a test ends.

Every process a test starts gets its own process group and is told to die
with the test (setpriv --pdeathsig), and stop_all() ends the groups when the
test finishes, fails or is interrupted.
"""

import ctypes
import ctypes.util
import os
import re
import select
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time
import traceback
import zlib

PROGRAM_TITLE = "Fibwright 1.0 By Mogrith"
MESSAGE_BOX_TITLE = "Fibwright"


class Failure(Exception):
    """A check that did not hold."""


def check(condition, message):
    if not condition:
        raise Failure(message)


def wait_for(predicate, timeout, what, interval=0.05):
    """Polls predicate until it returns something true, and returns that."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Failure(f"timed out after {timeout} s waiting for {what}")
        time.sleep(interval)


# --- processes -------------------------------------------------------------

_children = []
_scratch = []


def spawn(argv, **kwargs):
    """Starts a process in a group of its own that gets SIGTERM when the test
    ends, even when the test is killed (setpriv execs the command in place,
    so the process is the one the test waits for)."""
    if "executable" not in kwargs and "/" not in argv[0]:
        # Looked up on the PATH the process gets, as the shell would.
        found = shutil.which(argv[0], path=(kwargs.get("env") or os.environ).get("PATH"))
        check(found, f"{argv[0]} is not on the PATH")
        argv = [found, *argv[1:]]
    process = subprocess.Popen(["setpriv", "--pdeathsig", "TERM", "--", *argv],
                               start_new_session=True, **kwargs)
    _children.append(process)
    return process


def stop(process, timeout=5):
    """Ends a process started by spawn() that still runs, with its group;
    returns its status."""
    for sig in (signal.SIGTERM, signal.SIGKILL):
        if process.poll() is not None:
            break
        try:
            os.killpg(process.pid, sig)
        except ProcessLookupError:
            pass
        try:
            process.wait(timeout)
        except subprocess.TimeoutExpired:
            continue
    return process.returncode


def stop_all():
    while _children:
        stop(_children.pop())


def scratch_dir(prefix):
    path = tempfile.mkdtemp(prefix=f"fibwright-{prefix}-")
    _scratch.append(path)
    return path


def run(argv, timeout=120, **kwargs):
    """Runs a command to its end; a failure shows its output."""
    result = subprocess.run(argv, capture_output=True, text=True, timeout=timeout, **kwargs)
    if result.returncode != 0:
        raise Failure(f"{' '.join(map(str, argv))} exited with {result.returncode}:\n"
                      f"{result.stdout}{result.stderr}")
    return result.stdout


def main(test):
    """Runs test() and reports; ends every process it started in any case."""

    def interrupted(signum, _frame):
        raise SystemExit(128 + signum)

    for sig in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
        signal.signal(sig, interrupted)
    status = 1
    try:
        test()
        print("PASS")
        status = 0
    except Failure as failure:
        print(f"FAIL: {failure}")
    except Exception:  # noqa: BLE001 - any error fails the test with its trace
        traceback.print_exc()
        print("FAIL: the test itself broke")
    finally:
        stop_all()
        for path in _scratch:
            shutil.rmtree(path, ignore_errors=True)
    sys.exit(status)


# --- an X server -----------------------------------------------------------

class XServer:
    """An Xvfb of the test's own on the first free display."""

    def __init__(self, width=1600, height=1200):
        self.home = scratch_dir("x")
        read_end, write_end = os.pipe()
        self.log = open(os.path.join(self.home, "xvfb.log"), "w+")
        self.process = spawn(["Xvfb", "-displayfd", str(write_end), "-screen", "0",
                              f"{width}x{height}x24", "-nolisten", "tcp", "-noreset"],
                             pass_fds=(write_end,), stdout=self.log, stderr=self.log)
        os.close(write_end)
        number = b""
        deadline = time.monotonic() + 20
        while not number.endswith(b"\n"):
            left = deadline - time.monotonic()
            ready, _, _ = select.select([read_end], [], [], max(left, 0))
            chunk = os.read(read_end, 16) if ready else b""
            if not chunk:
                self.log.seek(0)
                raise Failure(f"Xvfb did not start:\n{self.log.read()}")
            number += chunk
        os.close(read_end)
        self.display = f":{int(number)}"
        runtime_dir = os.path.join(self.home, "runtime")
        os.mkdir(runtime_dir, 0o700)
        self.env = {key: value for key, value in os.environ.items()
                    if not key.startswith(("QT_", "WAYLAND_")) and key != "DISPLAY"}
        self.env.update(DISPLAY=self.display, QT_QPA_PLATFORM="xcb", XDG_RUNTIME_DIR=runtime_dir,
                        XDG_SESSION_TYPE="x11", LANG="C.UTF-8", LC_ALL="C.UTF-8")
        self.xlib = Xlib(self.display)

    def windows_named(self, title):
        """Ids of the mapped top-level windows with exactly this title."""
        result = subprocess.run(["xdotool", "search", "--onlyvisible", "--name",
                                 "^" + re.escape(title) + "$"],
                                env=self.env, capture_output=True, text=True, timeout=20)
        return [int(line) for line in result.stdout.split()]

    def wait_for_program_window(self, program, timeout=20):
        """The window of a started program, once it is mapped; fails at once
        when the program shows its message box or ends instead."""

        def mapped():
            if program.poll() is not None:
                raise Failure(f"the program ended with status {program.returncode} "
                              f"before its window appeared:\n{program_output(program)}")
            if self.windows_named(MESSAGE_BOX_TITLE):
                raise Failure("the program showed a message box instead of its window "
                              "(it did not find its phrase lists)")
            return self.windows_named(PROGRAM_TITLE)

        windows = wait_for(mapped, timeout, "the program's window to map")
        check(len(windows) == 1, f"one program window expected, found {len(windows)}")
        return windows[0]

    def geometry(self, window):
        """(x, y, width, height) of a window on the screen."""
        info = subprocess.run(["xwininfo", "-id", str(window)], env=self.env,
                              capture_output=True, text=True, timeout=20).stdout
        values = {}
        for key, label in (("x", "Absolute upper-left X"), ("y", "Absolute upper-left Y"),
                           ("width", "Width"), ("height", "Height")):
            found = re.search(rf"^\s*{label}:\s*(-?\d+)", info, re.M)
            check(found, f"xwininfo gave no {label} for window {window}:\n{info}")
            values[key] = int(found.group(1))
        return values["x"], values["y"], values["width"], values["height"]

    def close(self, window):
        """Asks a window to close, as its close box does."""
        self.xlib.send_delete_window(window)


def start_program(xserver, executable, extra_env=None, cwd=None):
    env = dict(xserver.env)
    env.update(extra_env or {})
    log = open(os.path.join(xserver.home, f"program-{len(_children)}.log"), "w+")
    process = spawn([executable], env=env, cwd=cwd or xserver.home, stdout=log, stderr=log)
    process.log = log
    return process


def program_output(process):
    process.log.flush()
    process.log.seek(0)
    return process.log.read()


def close_program(xserver, process, window, timeout=10):
    """Closes the window and expects the program to end with status 0."""
    xserver.close(window)
    try:
        status = process.wait(timeout)
    except subprocess.TimeoutExpired:
        raise Failure("the program did not end after its window was closed") from None
    check(status == 0, f"the program ended with status {status}:\n{program_output(process)}")


# --- a little of Xlib ------------------------------------------------------

class _ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
                ("data", ctypes.c_long * 5)]


class _Event(ctypes.Union):
    _fields_ = [("client", _ClientMessage), ("pad", ctypes.c_long * 24)]


class Xlib:
    """The few Xlib calls xdotool and xprop do not offer: a close request and
    reading a window's icon."""

    _CLIENT_MESSAGE = 33

    def __init__(self, display):
        self.lib = ctypes.CDLL(ctypes.util.find_library("X11"))
        self.lib.XOpenDisplay.restype = ctypes.c_void_p
        self.lib.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.lib.XInternAtom.restype = ctypes.c_ulong
        self.lib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
        self.lib.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int,
                                        ctypes.c_long, ctypes.POINTER(_Event)]
        self.lib.XFlush.argtypes = [ctypes.c_void_p]
        self.lib.XGetWindowProperty.argtypes = [
            ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong, ctypes.c_long, ctypes.c_long,
            ctypes.c_int, ctypes.c_ulong, ctypes.POINTER(ctypes.c_ulong),
            ctypes.POINTER(ctypes.c_int), ctypes.POINTER(ctypes.c_ulong),
            ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.c_void_p)]
        self.lib.XFree.argtypes = [ctypes.c_void_p]
        self.name = display.encode()
        self.handle = None

    def _display(self):
        if not self.handle:
            self.handle = self.lib.XOpenDisplay(self.name)
            check(self.handle, f"cannot open display {self.name.decode()}")
        return self.handle

    def atom(self, name):
        return self.lib.XInternAtom(self._display(), name.encode(), 0)

    def send_delete_window(self, window):
        event = _Event()
        event.client.type = self._CLIENT_MESSAGE
        event.client.window = window
        event.client.message_type = self.atom("WM_PROTOCOLS")
        event.client.format = 32
        event.client.data[0] = self.atom("WM_DELETE_WINDOW")
        event.client.data[1] = 0  # CurrentTime
        self.lib.XSendEvent(self._display(), window, 0, 0, ctypes.byref(event))
        self.lib.XFlush(self._display())

    def cardinals(self, window, name):
        """A window's 32-bit property as a list of numbers."""
        actual_type, actual_format = ctypes.c_ulong(), ctypes.c_int()
        count, left, data = ctypes.c_ulong(), ctypes.c_ulong(), ctypes.c_void_p()
        self.lib.XGetWindowProperty(self._display(), window, self.atom(name), 0, 1 << 24, 0, 0,
                                    ctypes.byref(actual_type), ctypes.byref(actual_format),
                                    ctypes.byref(count), ctypes.byref(left), ctypes.byref(data))
        if not data.value:
            return []
        try:
            # Format 32 comes as C longs, one value in each.
            values = ctypes.cast(data, ctypes.POINTER(ctypes.c_ulong))[:count.value]
        finally:
            self.lib.XFree(data)
        return [value & 0xFFFFFFFF for value in values] if actual_format.value == 32 else []

    def icons(self, window):
        """The window's _NET_WM_ICON images: {(width, height): [ARGB, ...]}."""
        values = self.cardinals(window, "_NET_WM_ICON")
        images, at = {}, 0
        while at + 2 <= len(values):
            width, height = values[at], values[at + 1]
            pixels = values[at + 2:at + 2 + width * height]
            if width == 0 or height == 0 or len(pixels) < width * height:
                break
            images[(width, height)] = pixels
            at += 2 + width * height
        return images


# --- what an installation holds ---------------------------------------------

ICON_SIZES = (16, 22, 24, 32, 48, 64, 128, 256)
PHRASE_LISTS = ("list1.dat", "list2.dat", "list3.dat", "list4.dat")

# Every file and link below the prefix, and nothing else.
INSTALLED_FILES = sorted(
    ["bin/fibwright", "lib/fibwright/fibwright"]
    + [f"lib/fibwright/{name}" for name in PHRASE_LISTS]
    + ["share/applications/fibwright.desktop",
       "share/metainfo/org.fibwright.Fibwright.metainfo.xml",
       "share/icons/hicolor/scalable/apps/fibwright.svg",
       "share/man/man1/fibwright.1.gz"]
    + [f"share/icons/hicolor/{size}x{size}/apps/fibwright.png" for size in ICON_SIZES])


def files_below(root):
    """Files and links below root, as paths relative to it."""
    found = []
    for folder, dirs, files in os.walk(root):
        for name in files + [d for d in dirs if os.path.islink(os.path.join(folder, d))]:
            found.append(os.path.relpath(os.path.join(folder, name), root))
    return sorted(found)


def check_installed_tree(prefix, source_dir):
    """The layout below an installation prefix: the executable with its lists
    in lib/fibwright, bin/fibwright a relative link to it, and the desktop
    files where the desktop looks for them."""
    found = files_below(prefix)
    check(found == INSTALLED_FILES,
          "installed files differ:\n  missing: "
          f"{sorted(set(INSTALLED_FILES) - set(found))}\n  extra: {sorted(set(found) - set(INSTALLED_FILES))}")
    link = os.path.join(prefix, "bin/fibwright")
    check(os.path.islink(link), "bin/fibwright is not a symbolic link")
    check(os.readlink(link) == "../lib/fibwright/fibwright",
          f"bin/fibwright points to {os.readlink(link)!r}, not ../lib/fibwright/fibwright")
    program = os.path.join(prefix, "lib/fibwright/fibwright")
    check(os.path.isfile(program) and os.access(program, os.X_OK),
          "lib/fibwright/fibwright is not an executable file")
    for name in PHRASE_LISTS:
        with open(os.path.join(prefix, "lib/fibwright", name), "rb") as installed, \
                open(os.path.join(source_dir, "data", name), "rb") as bundled:
            check(installed.read() == bundled.read(), f"installed {name} differs from data/{name}")
    for size in ICON_SIZES:
        path = os.path.join(prefix, f"share/icons/hicolor/{size}x{size}/apps/fibwright.png")
        check(png_size(path) == (size, size), f"the {size}x{size} icon is {png_size(path)}")


def png_size(path):
    with open(path, "rb") as png:
        head = png.read(24)
    check(head[:8] == b"\x89PNG\r\n\x1a\n" and head[12:16] == b"IHDR", f"{path} is no PNG")
    return int.from_bytes(head[16:20], "big"), int.from_bytes(head[20:24], "big")


# The icon's five slices, as red, green and blue.
SLICE_COLOURS = {"grey": (0x9B, 0xA1, 0xA9), "blue": (0x3B, 0x82, 0xE0),
                 "red": (0xE4, 0x48, 0x3D), "green": (0x43, 0xB3, 0x5A),
                 "yellow": (0xF6, 0xC9, 0x34)}


def missing_slices(argb_pixels, tolerance=40):
    """The slice colours that no opaque pixel of an icon comes near."""
    colours = {((p >> 16) & 255, (p >> 8) & 255, p & 255) for p in argb_pixels if p >> 24 > 200}
    return [name for name, want in SLICE_COLOURS.items()
            if not any(sum(abs(a - b) for a, b in zip(have, want)) <= tolerance for have in colours)]


# --- the accessibility tree --------------------------------------------------

def start_accessibility_bus(xserver):
    """Starts AT-SPI's bus on the test's own session bus (the test runs under
    dbus-run-session) and returns pyatspi, ready to read the tree."""
    check("DBUS_SESSION_BUS_ADDRESS" in os.environ,
          "no session bus: run this test under dbus-run-session")
    os.environ.update(DISPLAY=xserver.display, XDG_RUNTIME_DIR=xserver.env["XDG_RUNTIME_DIR"])
    spawn(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately", "--a11y=1"],
          env=xserver.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    from gi.repository import Gio, GLib  # pylint: disable=import-outside-toplevel

    session = Gio.bus_get_sync(Gio.BusType.SESSION, None)

    def bus_is_up():
        reply = session.call_sync("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                  "org.freedesktop.DBus", "NameHasOwner",
                                  GLib.Variant("(s)", ("org.a11y.Bus",)), None,
                                  Gio.DBusCallFlags.NONE, 5000, None)
        return reply.unpack()[0]

    wait_for(bus_is_up, 20, "the AT-SPI bus to come up")
    import pyatspi  # pylint: disable=import-outside-toplevel
    return pyatspi


ACCESSIBILITY_ENV = {"QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1", "QT_ACCESSIBILITY": "1"}


def accessible_window(pyatspi, timeout=20):
    """The program's window as AT-SPI sees it."""

    def find():
        desktop = pyatspi.Registry.getDesktop(0)
        for app in desktop:
            if app is None:
                continue
            for frame in app:
                if frame is not None and frame.name == PROGRAM_TITLE:
                    return frame
        return None

    return wait_for(find, timeout, "the program's window in the accessibility tree", interval=0.2)


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


# --- screenshots -------------------------------------------------------------

class Screenshot:
    """A window's picture as ImageMagick's import takes it: width, height and
    RGB bytes, row by row."""

    def __init__(self, width, height, rgb):
        self.width, self.height, self.rgb = width, height, rgb

    @classmethod
    def of(cls, xserver, window):
        data = subprocess.run(["import", "-window", str(window), "-depth", "8", "ppm:-"],
                              env=xserver.env, capture_output=True, timeout=30, check=True).stdout
        # "P6", width, height and maximum, each followed by one blank.
        header = re.match(rb"P6\s(\d+)\s(\d+)\s255\s", data)
        check(header, "import gave no 8-bit PPM picture")
        width, height = int(header.group(1)), int(header.group(2))
        rgb = data[header.end():]
        check(len(rgb) == width * height * 3, "import gave a truncated picture")
        return cls(width, height, rgb)

    def save_png(self, path):
        def chunk(kind, body):
            return (struct.pack(">I", len(body)) + kind + body
                    + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))

        stride = self.width * 3
        rows = b"".join(b"\0" + self.rgb[y * stride:(y + 1) * stride] for y in range(self.height))
        with open(path, "wb") as png:
            png.write(b"\x89PNG\r\n\x1a\n")
            png.write(chunk(b"IHDR", struct.pack(">IIBBBBB", self.width, self.height, 8, 2, 0, 0, 0)))
            png.write(chunk(b"IDAT", zlib.compress(rows, 9)))
            png.write(chunk(b"IEND", b""))
