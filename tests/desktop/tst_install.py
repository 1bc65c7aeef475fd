"""cmake --install into a scratch prefix, then the installed program started
through its bin/ link on an X server: it must find its lists in
lib/fibwright, map its window with our icon, and end when it is closed."""

import argparse
import os
import shutil

from desktopsupport import (XServer, check, check_installed_tree, close_program, main,
                            missing_slices, run, scratch_dir, start_program, wait_for,
                            MESSAGE_BOX_TITLE, PROGRAM_TITLE)


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
    program = start_program(xserver, link)
    window = xserver.wait_for_program_window(program)
    icons = xserver.xlib.icons(window)
    for size in (16, 32):
        check((size, size) in icons,
              f"no {size}x{size} window icon; the window has {sorted(icons)}")
        missing = missing_slices(icons[(size, size)])
        check(not missing, f"the {size}x{size} window icon lacks the {', '.join(missing)} slice")
    close_program(xserver, program, window)

    # Without one of them there, it says so and never shows its window: the
    # lists it found came from lib/fibwright.
    lists = os.path.join(prefix, "lib", "fibwright")
    shutil.move(os.path.join(lists, "list3.dat"), os.path.join(prefix, "list3.dat"))
    program = start_program(xserver, link)
    boxes = wait_for(lambda: xserver.windows_named(MESSAGE_BOX_TITLE), 20,
                     "the missing-files message box")
    check(program.poll() is None, "the program ended without waiting for its message box")
    check(not xserver.windows_named(PROGRAM_TITLE),
          "the window appeared although list3.dat was missing")
    close_program(xserver, program, boxes[0])


if __name__ == "__main__":
    main(test)
