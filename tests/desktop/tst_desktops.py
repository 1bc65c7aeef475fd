# SPDX-License-Identifier: MIT
"""The program on the desktops people have, each started once: openbox
with its task bar rules, xfsettingsd keeping the clipboard after the program
ends, and a headless Weston as a Wayland session with and without an X
server beside it.

    tst_desktops.py --program build/fibwright
"""

import argparse
import os
import re
import signal
import sys

sys.dont_write_bytecode = True  # nothing written into the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, "support"))

from xsession import (ABOUT_TITLE, MAIN_TITLE, Clipboard, Program, Weston, XServer,  # noqa: E402
                      check, main, wait_for)

OPENING = "Welcome to pardonix!   "


def framed(x, window):
    """(x, y, width, height) of a window with openbox's frame around it."""
    extents = wait_for("the window's frame", lambda: re.findall(
        r"\d+", x.prop(window, "_NET_FRAME_EXTENTS").partition("=")[2]))
    left, right, top, bottom = map(int, extents)
    wx, wy, width, height = x.geometry(window)
    return wx - left, wy - top, width + left + right, height + top + bottom


def under_openbox(x, program):
    """Off the task bar, focused, and the About box belongs to the window."""
    window = program.main_window(20)
    wait_for("openbox to frame the window",
             lambda: "_NET_FRAME_EXTENTS" in x.run("xprop", "-id", str(window)).stdout)
    state = x.prop(window, "_NET_WM_STATE")
    check("_NET_WM_STATE_SKIP_TASKBAR" in state, f"openbox lists the window in the task bar: {state}")
    # Off the task bar or not, a new window takes the keyboard focus.
    wait_for("the window to get the keyboard focus",
             lambda: x.run("xdotool", "getwindowfocus").stdout.strip() == str(window))
    x.key(window, "alt+a")
    box = x.wait_window(ABOUT_TITLE)
    owner = x.prop(box, "WM_TRANSIENT_FOR").split("#")[-1].strip()
    check(owner == hex(window), f"the About box belongs to {owner}, not to the window {window:#x}")
    # The box, frame and all, lies over the middle of the window's frame.
    bx, by, bwidth, bheight = framed(x, box)
    wx, wy, wwidth, wheight = framed(x, window)
    off = (bx + bwidth // 2 - (wx + wwidth // 2), by + bheight // 2 - (wy + wheight // 2))
    check(max(map(abs, off)) <= 1, f"the About box is {off} px off the window's middle")
    x.key(box, "Return")
    wait_for("the About box to close", lambda: not x.windows(ABOUT_TITLE))
    return window


def clipboard_kept_after_sigterm(x, program, window):
    """Copied, then ended by SIGTERM: the clipboard manager keeps the text."""
    clipboard = Clipboard(x)
    copied = clipboard.capture(lambda: x.key(window, "alt+c"))
    check(copied == OPENING, f"Copy put {copied!r} on the clipboard")
    program.process.send_signal(signal.SIGTERM)
    status = program.exit_status()
    check(status == 0, f"SIGTERM ended the program with status {status}:\n{program.output()}")
    kept = clipboard.read()
    check(kept == OPENING, f"after the program ended the clipboard holds {kept!r}")


def on_x_beside_wayland(x, weston, executable):
    """With an X server and a Wayland compositor both there, the window goes
    to X, with its fixed place and size."""
    program = Program(x, executable, dict(weston.env(), QT_QPA_PLATFORM=None))
    program.close(program.main_window(20))


def on_wayland(x, weston, executable, env):
    """Started, shown and ended on Wayland: the window's title and fixed size
    reach the compositor and a picture of it is committed."""
    program = Program(x, executable, dict(weston.env(), WAYLAND_DEBUG="client", **env))
    log = {}

    def shown():
        check(program.running(), f"the program ended on Wayland:\n{program.output()}")
        text = program.output()
        log["text"] = text
        return (f'set_title("{MAIN_TITLE}")' in text and "attach(wl_buffer" in text
                and re.search(r"xdg_surface@\d+\.ack_configure", text))
    wait_for("the window on Wayland", shown, 20)
    sizes = {kind: re.findall(rf"set_{kind}_size\((\d+), (\d+)\)", log["text"])
             for kind in ("min", "max")}
    check(sizes["min"] and sizes["min"][-1] == sizes["max"][-1] and sizes["min"][-1] != ("0", "0"),
          f"no fixed size on Wayland: {sizes}")
    check(not x.windows(MAIN_TITLE), "the window went to X")
    program.process.send_signal(signal.SIGTERM)
    status = program.exit_status()
    check(status == 0, f"the program ended with status {status} on Wayland:\n"
                       + program.output()[-3000:])


def test():
    x = XServer()
    x.start_window_manager()
    x.start_clipboard_manager()
    program = Program(x, PROGRAM)
    window = under_openbox(x, program)
    clipboard_kept_after_sigterm(x, program, window)

    weston = Weston()
    on_x_beside_wayland(x, weston, PROGRAM)
    # Wayland alone, and Wayland where the user asked for it.
    on_wayland(x, weston, PROGRAM, {"DISPLAY": None, "QT_QPA_PLATFORM": None})
    on_wayland(x, weston, PROGRAM, {"QT_QPA_PLATFORM": "wayland"})


if __name__ == "__main__":
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--program", required=True, help="the built fibwright executable")
    PROGRAM = os.path.abspath(parser.parse_args().program)
    main(test)
