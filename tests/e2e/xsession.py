"""A private X server and the program on it, driven from outside.

Everything here talks to the X server the way other desktop programs do:
xdotool presses keys and moves the mouse, xclip reads and owns the
clipboard, xwininfo and xprop read what a window manager would see. Two
things none of those tools can do are done with python3-xlib: watching
every window that gets mapped, and sending WM_DELETE_WINDOW as a window
manager does when its close box is clicked.
"""

import ctypes
import os
import select
import shutil
import signal
import subprocess
import threading
import time

from Xlib import X, Xatom, display, error, protocol

MAIN_TITLE = "Fibwright 1.0 By Mogrith"

_libc = ctypes.CDLL(None, use_errno=True)
_PR_SET_PDEATHSIG = 1


def _die_with_parent():
    # Runs in the child before exec: whatever this suite starts is killed
    # when the suite itself is, even by a test driver's SIGKILL.
    _libc.prctl(_PR_SET_PDEATHSIG, signal.SIGKILL)


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


def _stop_group(process, grace=2.0):
    """Ends a process started in a session of its own, with all it started."""
    if process.poll() is None:
        try:
            os.killpg(process.pid, signal.SIGTERM)
        except ProcessLookupError:
            pass
        try:
            process.wait(grace)
        except subprocess.TimeoutExpired:
            pass
    try:
        # The leader may be gone while its children are not.
        os.killpg(process.pid, signal.SIGKILL)
    except ProcessLookupError:
        pass
    try:
        process.wait(grace)
    except subprocess.TimeoutExpired:
        pass


class XServer:
    """An Xvfb of its own on a display number that it picks itself, so that
    suites running side by side never share one."""

    WIDTH = 1024
    HEIGHT = 768

    def __init__(self, scratch):
        missing = [tool for tool in ("Xvfb", "xdotool", "xclip", "xwininfo", "xprop",
                                          "import", "convert")
                   if shutil.which(tool) is None]
        if missing:
            raise RuntimeError("missing tools: " + ", ".join(missing)
                               + " (scripts/deps test installs them)")
        runtime_dir = os.path.join(scratch, "runtime")
        os.makedirs(runtime_dir, mode=0o700, exist_ok=True)
        read_end, write_end = os.pipe()
        self._process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-nolisten", "tcp", "-noreset",
             "-screen", "0", f"{self.WIDTH}x{self.HEIGHT}x24"],
            pass_fds=(write_end,), stdin=subprocess.DEVNULL,
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            start_new_session=True, preexec_fn=_die_with_parent)
        os.close(write_end)
        try:
            number = self._read_display_number(read_end)
        except BaseException:
            _stop_group(self._process)
            raise
        finally:
            os.close(read_end)
        self.display = f":{number}"
        # A clean environment: no desktop session, settings or style of the
        # person running the tests reaches the program or the tools.
        self.env = {
            "PATH": os.environ.get("PATH", "/usr/bin:/bin"),
            "HOME": scratch,
            "LANG": "C.UTF-8",
            "DISPLAY": self.display,
            "XDG_RUNTIME_DIR": runtime_dir,
            "XDG_CONFIG_HOME": os.path.join(scratch, "config"),
            "XDG_CACHE_HOME": os.path.join(scratch, "cache"),
            "QT_QPA_PLATFORM": "xcb",
        }

    def _read_display_number(self, fd, timeout=20.0):
        text = b""
        deadline = time.monotonic() + timeout
        while not text.endswith(b"\n"):
            left = deadline - time.monotonic()
            if left <= 0 or not select.select([fd], [], [], left)[0]:
                raise RuntimeError("Xvfb did not report its display number")
            chunk = os.read(fd, 64)
            if not chunk:
                raise RuntimeError(f"Xvfb ended with status {self._process.wait()}")
            text += chunk
        return int(text.decode().strip())

    def stop(self):
        _stop_group(self._process)

    # ---- tools -----------------------------------------------------------

    def run(self, *command, check=True, timeout=10.0, binary=False):
        result = subprocess.run(command, env=self.env, stdin=subprocess.DEVNULL,
                                capture_output=True, text=not binary, timeout=timeout)
        if check and result.returncode != 0:
            raise AssertionError(f"{' '.join(command)} failed ({result.returncode}): "
                                 f"{result.stderr!s}".strip())
        return result

    def visible_windows(self, title):
        """Ids of the mapped windows whose title is exactly `title`."""
        pattern = "^" + "".join("\\" + c if not c.isalnum() and c != " " else c
                                for c in title) + "$"
        result = self.run("xdotool", "search", "--onlyvisible", "--name", pattern, check=False)
        return [int(line) for line in result.stdout.split()]

    def wait_window(self, title, timeout=10.0):
        """The one mapped window titled `title`, once there is one."""
        found = wait_for(f"a window titled {title!r}", lambda: self.visible_windows(title),
                         timeout)
        if len(found) != 1:
            raise AssertionError(f"{len(found)} windows titled {title!r}")
        return found[0]

    def popups(self):
        """Ids of the program's mapped pop-up windows (menus): those that
        bypass the window manager."""
        result = self.run("xdotool", "search", "--onlyvisible", "--class", "^fibwright$",
                          check=False)
        found = []
        for window in (int(line) for line in result.stdout.split()):
            info = self.run("xwininfo", "-id", str(window), check=False).stdout
            if "Override Redirect State: yes" in info:
                found.append(window)
        return found

    def geometry(self, window):
        """(x, y, width, height) of a window (None: the screen), from xwininfo."""
        which = ["-root"] if window is None else ["-id", str(window)]
        out = self.run("xwininfo", *which).stdout
        fields = {}
        for line in out.splitlines():
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
        self.focus(window)
        self.run("xdotool", "key", "--clearmodifiers", *keys)

    def type(self, window, text):
        self.focus(window)
        self.run("xdotool", "type", "--clearmodifiers", "--delay", "5", "--", text)

    def click(self, window, x, y):
        """A left click at (x, y) inside the window."""
        self.run("xdotool", "mousemove", "--sync", "--window", str(window), str(x), str(y),
                 "click", "1")

    def grab(self, window, area=None):
        """The window's picture now, as PPM bytes; area=(x, y, width,
        height) takes only that part of it."""
        crop = [] if area is None else ["-crop", "{2}x{3}+{0}+{1}".format(*area), "+repage"]
        return self.run("import", "-window", str(window), *crop, "ppm:-", binary=True).stdout

    def still_picture(self, window, timeout=20.0):
        """The window's picture once it has stopped changing: two grabs in a
        row alike, so that no repaint is still under way."""
        last = self.grab(window)

        def still():
            nonlocal last
            picture, last = last, self.grab(window)
            return picture if picture == last else None
        return wait_for("a still picture of the window", still, timeout, interval=0.05)

    def save_png(self, picture, path):
        part = path + ".part"
        subprocess.run(["convert", "ppm:-", "-strip", "png:" + part], input=picture,
                       env=self.env, check=True, capture_output=True, timeout=30.0)
        os.replace(part, path)

    def send_close(self, window):
        """What a window manager sends when the window's close box is
        clicked: a WM_DELETE_WINDOW client message."""
        conn = display.Display(self.display)
        try:
            target = conn.create_resource_object("window", window)
            protocols = conn.intern_atom("WM_PROTOCOLS")
            delete = conn.intern_atom("WM_DELETE_WINDOW")
            supported = target.get_wm_protocols() or []
            if delete not in supported:
                raise AssertionError("the window does not take WM_DELETE_WINDOW")
            message = protocol.event.ClientMessage(
                window=target, client_type=protocols, data=(32, [delete, X.CurrentTime, 0, 0, 0]))
            target.send_event(message, event_mask=X.NoEventMask)
            conn.sync()
        finally:
            conn.close()


class Clipboard:
    """The CLIPBOARD selection, read and owned by xclip."""

    def __init__(self, server):
        self._server = server
        self._owners = []
        self._count = 0

    def read(self):
        """The clipboard's text, or None while nobody offers one."""
        result = self._server.run("xclip", "-o", "-selection", "clipboard", check=False)
        return result.stdout if result.returncode == 0 else None

    def hold(self, text):
        """Puts text on the clipboard; an xclip of ours owns it until
        another program takes the clipboard over."""
        owner = subprocess.Popen(
            ["xclip", "-quiet", "-i", "-selection", "clipboard"], env=self._server.env,
            stdin=subprocess.PIPE, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            start_new_session=True, preexec_fn=_die_with_parent)
        self._owners.append(owner)
        owner.stdin.write(text.encode())
        owner.stdin.close()
        wait_for("xclip to own the clipboard", lambda: self.read() == text)

    def capture(self, action, timeout=10.0):
        """Runs action() and returns what it put on the clipboard. A marker
        put there first tells a new copy from an old one with the same text."""
        self._count += 1
        marker = f"(clipboard marker {self._count} of the end-to-end tests)"
        self.hold(marker)
        action()

        def copied():
            text = self.read()
            # Wrapped, so that an empty copy counts as one.
            return None if text is None or text == marker else (text,)
        return wait_for("a copy to the clipboard", copied, timeout)[0]

    def stop(self):
        for owner in self._owners:
            _stop_group(owner)


class MapWatcher:
    """Records every top-level window that gets mapped, with its title,
    from before the program starts until stop(). Pop-ups that bypass the
    window manager (menus, tooltips) are left out."""

    def __init__(self, server):
        self._conn = display.Display(server.display)
        self._root = self._conn.screen().root
        self._root.change_attributes(event_mask=X.SubstructureNotifyMask)
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


class Program:
    """The built executable, copied into a folder of its own together with
    the phrase lists given, and started there."""

    def __init__(self, server, executable, folder, lists):
        os.makedirs(folder, exist_ok=True)
        self.path = os.path.join(folder, "fibwright")
        shutil.copy2(executable, self.path)
        for name, content in lists.items():
            with open(os.path.join(folder, name), "wb") as file:
                file.write(content if isinstance(content, bytes) else content.encode())
        self._log_path = os.path.join(folder, "program.log")
        self._log = open(self._log_path, "w")
        # Started from another folder: the lists are found beside the
        # executable, not in the working directory.
        self.process = subprocess.Popen(
            [self.path], cwd=server.env["HOME"], env=server.env, stdin=subprocess.DEVNULL,
            stdout=self._log, stderr=subprocess.STDOUT,
            start_new_session=True, preexec_fn=_die_with_parent)

    def exit_status(self, timeout=10.0):
        """The program's exit status once it has ended by itself."""
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            raise AssertionError(f"the program was still running after {timeout:g} s") from None

    def running(self):
        return self.process.poll() is None

    def log(self):
        """What the program wrote to its standard output and error."""
        with open(self._log_path, errors="replace") as file:
            return file.read()

    def stop(self):
        _stop_group(self.process)
        self._log.close()
