#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""Runs the real program (a sanitizer build) on a private X server and ends
it the ways a user does, checking each time that it exits with status 0 (1
after the missing-files message) and that neither AddressSanitizer,
LeakSanitizer nor UndefinedBehaviorSanitizer reported anything.
LeakSanitizer looks when the process exits, so this is the check that the
program leaks nothing at exit.

  1. With its lists: Random, Copy, About, then File > Exit.
  2. Without list2.dat: the missing-files message, closed with Return.
  3. With its lists again: SIGTERM, as a session ending sends it.

    exit_without_leaks.py --program build-asan/fibwright   (its lists beside it)
"""

import argparse
import os
import re
import signal
import sys

sys.dont_write_bytecode = True  # nothing written into the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "support"))

from xsession import (ABOUT_TITLE, MAIN_TITLE, MESSAGE_BOX_TITLE, Clipboard, Program,  # noqa: E402
                      XServer, bundled_lists, check, copy_program, main, wait_for)

SANITIZER_REPORT = re.compile(
    r"ERROR: (AddressSanitizer|LeakSanitizer)|runtime error:|SUMMARY: UndefinedBehaviorSanitizer")


def finish(program, how, expected=0):
    """Waits for the program to end and checks how it ended."""
    status = program.exit_status(60)
    check(not SANITIZER_REPORT.search(program.output()),
          f"a sanitizer reported a fault after {how}:\n{program.output()}")
    check(status == expected, f"the program exited with status {status} after {how}:\n{program.output()}")
    print(f"PASS: {how}: status {status}, no sanitizer report")


def test():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    args = parser.parse_args()
    x = XServer()
    clipboard = Clipboard(x)
    lists = bundled_lists(args.program)

    # 1. The window, used a little, then File > Exit.
    program = Program(x, copy_program(args.program, os.path.join(x.home, "complete"), lists))
    window = program.main_window(60)
    x.move(window, 200, 100)
    x.focus(window)
    copied = clipboard.capture(lambda: x.key(None, "alt+r", "alt+c"), timeout=20)
    check(copied, "Random and Copy put an empty sentence on the clipboard")
    x.key(None, "alt+a")
    x.key(x.wait_window(ABOUT_TITLE, 20), "Return")
    wait_for("the About box to close", lambda: not x.windows(ABOUT_TITLE), 20)
    check(x.windows(MAIN_TITLE) == [window], "the window went with the About box")
    # Open the menu with the mouse, pick its first item by keyboard.
    x.focus(window)
    x.click(window, 14, 9)
    wait_for("the File menu", x.popups, 20)
    x.key(None, "Down", "Return")
    finish(program, "File > Exit")

    # 2. The missing-files message, closed with its OK button's Return.
    del lists["list2.dat"]
    program = Program(x, copy_program(args.program, os.path.join(x.home, "incomplete"), lists))
    x.key(x.wait_window(MESSAGE_BOX_TITLE, 60), "Return")
    finish(program, "the missing-files message", 1)

    # 3. A session ending: SIGTERM while the window is up.
    program = Program(x, copy_program(args.program, os.path.join(x.home, "complete"),
                                      bundled_lists(args.program)))
    program.main_window(60)
    program.process.send_signal(signal.SIGTERM)
    finish(program, "SIGTERM")


if __name__ == "__main__":
    main(test)
