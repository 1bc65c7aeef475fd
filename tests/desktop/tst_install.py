# SPDX-License-Identifier: MIT
"""cmake --install into a scratch prefix, then the installed program started
through its bin/ link on an X server: it must find its lists in
lib/fibwright, map its window with our icon, and end when it is closed."""

import argparse
import os
import shutil
import sys

sys.dont_write_bytecode = True  # nothing written into the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, "support"))

from installtree import check_installed_tree, missing_slices  # noqa: E402
from xsession import (MAIN_TITLE, MESSAGE_BOX_TITLE, Program, XServer,  # noqa: E402
                      check, main, run, scratch_dir, wait_for)


def test():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cmake", required=True)
    parser.add_argument("--build-dir", required=True)
    parser.add_argument("--source-dir", required=True)
    args = parser.parse_args()

    prefix = os.path.join(scratch_dir("install"), "prefix")
    run([args.cmake, "--install", args.build_dir, "--prefix", prefix])
    check_installed_tree(prefix, args.source_dir)

    xserver = XServer()
    link = os.path.join(prefix, "bin", "fibwright")

    # Started through the link from an unrelated folder, it reads the lists
    # beside the real executable.
    program = Program(xserver, link)
    window = program.main_window(20)
    # The icon is set once the window has been painted, just after it is mapped.
    icons = wait_for("the window icon", lambda: xserver.icons(window), 10)
    for size in (16, 32):
        check((size, size) in icons,
              f"no {size}x{size} window icon; the window has {sorted(icons)}")
        missing = missing_slices(icons[(size, size)])
        check(not missing, f"the {size}x{size} window icon lacks the {', '.join(missing)} slice")
    program.close(window)

    # Without one of them there, it says so and never shows its window: the
    # lists it found came from lib/fibwright.
    lists = os.path.join(prefix, "lib", "fibwright")
    shutil.move(os.path.join(lists, "list3.dat"), os.path.join(prefix, "list3.dat"))
    program = Program(xserver, link)
    boxes = wait_for("the missing-files message box",
                     lambda: xserver.windows(MESSAGE_BOX_TITLE), 20)
    check(program.running(), "the program ended without waiting for its message box")
    check(not xserver.windows(MAIN_TITLE), "the window appeared although list3.dat was missing")
    xserver.send_close(boxes[0])
    check(program.exit_status() == 1, f"the program ended with status {program.process.returncode}")


if __name__ == "__main__":
    main(test)
