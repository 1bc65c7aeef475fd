# SPDX-License-Identifier: MIT
"""The program at 200 %: started at QT_SCALE_FACTOR=1 and at 2 on one X
server, its window must be exactly twice as wide and as high in device
pixels, every control must sit at twice its place, and what each control
shows at 2 must be what it shows at 1, drawn at double resolution.

Where the controls are comes from the accessibility tree. Whether a caption
is clipped is measured inside the program by tst_textfit, at both scale
factors.
"""

import argparse
import os
import sys

sys.dont_write_bytecode = True  # nothing written into the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, "support"))

from xsession import (Program, XServer, accessible_nodes, accessible_window, check,  # noqa: E402
                      extents, main, start_accessibility_bus, wait_for)

# How far, on average over a control and its three colours, the picture at 2
# shrunk to half may stand from the picture at 1. Anti-aliased text drawn at
# twice the size differs by up to about 9; a control drawn at the wrong place
# or size differs by 13 and more.
MAX_DIFFERENCE = 12


def run_at(xserver, pyatspi, program, scale):
    """The window's size, its screenshot and its controls' places (in device
    pixels, from the window's corner) at one scale factor."""
    process = Program(xserver, program, {"QT_SCALE_FACTOR": str(scale)})
    window = process.main_window(20)
    _, _, width, height = xserver.geometry(window)
    frame = accessible_window(pyatspi)
    shot = xserver.still_picture(window, 10, interval=0.1)

    # The tree may give its places in device or in device-independent pixels;
    # the window's own extent there tells which.
    fx, fy, fwidth, fheight = extents(pyatspi, frame)
    check(fwidth > 0 and fheight > 0, "the window has no extent in the accessibility tree")
    to_device = width / fwidth
    check(abs(height / fheight - to_device) < 1e-9,
          f"the tree's window {fwidth}x{fheight} is not the window {width}x{height} scaled")
    controls = {}
    for node, _ in accessible_nodes(pyatspi, frame):
        if node.getRole() in (pyatspi.ROLE_COMBO_BOX, pyatspi.ROLE_PUSH_BUTTON) or (
                node.getRole() == pyatspi.ROLE_TEXT and node.name == "Sentence"):
            x, y, w, h = extents(pyatspi, node)
            controls[node.name] = tuple(round(v * to_device) for v in (x - fx, y - fy, w, h))
    process.close(window)
    return (width, height), shot, controls


def difference(small, large, rect):
    """Mean difference per colour between a rectangle of the picture at 1
    and the same place of the picture at 2, shrunk to half by averaging."""
    x0, y0, w, h = rect
    a, b = small.rgb, large.rgb
    total = 0
    for y in range(y0, y0 + h):
        for x in range(x0, x0 + w):
            i = (y * small.width + x) * 3
            j = (2 * y * large.width + 2 * x) * 3
            k = j + large.width * 3
            for c in range(3):
                total += abs(4 * a[i + c] - (b[j + c] + b[j + 3 + c] + b[k + c] + b[k + 3 + c]))
    return total / (4 * 3 * w * h)


def test():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--save", help="write the screenshot at 2 to this PNG file")
    args = parser.parse_args()

    xserver = XServer(width=1600, height=1200)
    pyatspi = start_accessibility_bus(xserver)
    size1, shot1, places1 = run_at(xserver, pyatspi, args.program, 1)
    size2, shot2, places2 = run_at(xserver, pyatspi, args.program, 2)

    check(size2 == (2 * size1[0], 2 * size1[1]),
          f"the window is {size1[0]}x{size1[1]} at 1 and {size2[0]}x{size2[1]} at 2")
    check((shot1.width, shot1.height) == size1 and (shot2.width, shot2.height) == size2,
          "a screenshot is not the size of its window")
    check(len(places1) == 9, f"9 controls expected in the tree, found {sorted(places1)}")
    check(set(places2) == set(places1), f"the controls differ: {sorted(places1)} / {sorted(places2)}")

    for name, rect in sorted(places1.items()):
        x, y, w, h = rect
        check(x >= 0 and y >= 0 and x + w <= size1[0] and y + h <= size1[1],
              f"{name} at {rect} lies outside the window at 1")
        check(places2[name] == (2 * x, 2 * y, 2 * w, 2 * h),
              f"{name} is at {rect} at 1 but at {places2[name]} at 2")
        off = difference(shot1, shot2, rect)
        check(off <= MAX_DIFFERENCE,
              f"{name} looks different at 2 from at 1 (difference {off:.1f} > {MAX_DIFFERENCE})")

    if args.save:
        save_screenshot(xserver, pyatspi, args.program, args.save)


def save_screenshot(xserver, pyatspi, program, path):
    """The picture in HACKING.md: the window at 2 after one Random."""
    process = Program(xserver, program, {"QT_SCALE_FACTOR": "2"})
    window = process.main_window(20)
    nodes = accessible_nodes(pyatspi, accessible_window(pyatspi))
    random = next(n for n, _ in nodes if n.getRole() == pyatspi.ROLE_PUSH_BUTTON and n.name == "Random")
    sentence = next(n for n, _ in nodes if n.getRole() == pyatspi.ROLE_TEXT and n.name == "Sentence")
    before = sentence.queryText().getText(0, -1)
    random.queryAction().doAction(0)
    wait_for("Random to change the sentence",
             lambda: sentence.queryText().getText(0, -1) != before, 10)
    xserver.still_picture(window, 10, interval=0.1).save_png(path)
    process.close(window)


if __name__ == "__main__":
    main(test)
