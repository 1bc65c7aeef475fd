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
                      check, main, wait_for, wayland_request)

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
    # The keyboard is the window's again: an access key pressed wherever
    # the focus is now reaches it.
    focused = lambda: x.run("xdotool", "getwindowfocus").stdout.strip() == str(window)
    wait_for("the keyboard focus back in the window", focused)
    copied = Clipboard(x).capture(lambda: x.key(None, "alt+c"))
    check(copied == OPENING, f"Copy after About put {copied!r} on the clipboard")
    # Minimized anyway (openbox offers it), the window comes back, its size still fixed (a move after the resize
    # tells when openbox has handled it).
    size = x.geometry(window)[2:]
    x.run("xdotool", "windowminimize", str(window))
    wait_for("the window to come back", lambda: "IsViewable" in x.run("xwininfo", "-id", str(window)).stdout
             and focused())
    x.run("xdotool", "windowsize", str(window), "800", "500", "windowmove", "--sync", str(window), "10", "10")
    check(x.geometry(window)[2:] == size, f"after a minimize the window was resized to {x.geometry(window)[2:]}")


def clipboard_kept_after_sigterm(x, program):
    """Copied, then ended by SIGTERM: the clipboard manager keeps the text."""
    clipboard = Clipboard(x)
    program.process.send_signal(signal.SIGTERM)
    status = program.exit_status()
    check(status == 0, f"SIGTERM ended the program with status {status}:\n{program.output()}")
    kept = clipboard.read()
    check(kept == OPENING, f"after the program ended the clipboard holds {kept!r}")


def luminance(rgb):
    linear = [c / 12.92 if c <= 0.04045 else ((c + 0.055) / 1.055) ** 2.4 for c in (v / 255 for v in rgb)]
    return 0.2126 * linear[0] + 0.7152 * linear[1] + 0.0722 * linear[2]


def contrast(a, b):
    la, lb = sorted((luminance(a), luminance(b)))
    return (lb + 0.05) / (la + 0.05)


def under_gtk_dark_and_large(x, executable):
    """GTK's Adwaita-dark theme with a 14 pt font, through Qt's GTK3 theme:
    the window grows to fit, and the first list's focus ring stands 3:1 apart
    from the window colour and the field's."""
    config = os.path.join(x.home, "gtk-dark")
    os.makedirs(os.path.join(config, "gtk-3.0"))
    with open(os.path.join(config, "gtk-3.0", "settings.ini"), "w") as settings:
        settings.write("[Settings]\ngtk-theme-name=Adwaita-dark\ngtk-font-name=Sans 14\n")
    program = Program(x, executable, {"QT_QPA_PLATFORMTHEME": "gtk3", "XDG_CONFIG_HOME": config})
    window = program.main_window(20)
    picture = x.still_picture(window)
    width, height = picture.width, picture.height
    scale = width / 490
    check(scale > 1.2, f"the window is {width} px wide with a 14 pt font")
    pixel = lambda px, py: tuple(picture.rgb[3 * (py * width + px):3 * (py * width + px) + 3])
    # The client area is the window's bottom 219 x scale pixels; the first
    # list's top edge lies 24 x scale pixels down it, at its middle.
    top = height - round(219 * scale) + round(24 * scale)
    window_colour, field = pixel(3, height - 3), pixel(width // 2, top + round(12 * scale))
    ring = max((pixel(width // 2, top + dy) for dy in (-1, 0, 1)), key=lambda p: contrast(p, field))
    for name, colour in (("window", window_colour), ("field", field)):
        check(contrast(ring, colour) >= 3, f"the focus ring {ring} against the {name} {colour}: "
                                           f"{contrast(ring, colour):.2f}:1")
    program.close(window)


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
                and wayland_request("xdg_surface", "ack_configure").search(text))
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
    # Before the settings daemon, whose desktop settings GTK would take.
    under_gtk_dark_and_large(x, PROGRAM)
    x.start_clipboard_manager()
    program = Program(x, PROGRAM)
    under_openbox(x, program)
    clipboard_kept_after_sigterm(x, program)

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
