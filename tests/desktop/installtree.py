# SPDX-License-Identifier: MIT
"""What an installation holds, for tst_install and tst_package: every file
below the prefix, the executable with its lists, and our icon's colours."""

import os

from xsession import PHRASE_LISTS, check, png_size

ICON_SIZES = (16, 22, 24, 32, 48, 64, 128, 256)

# Every file and link below the prefix, and nothing else.
INSTALLED_FILES = sorted(
    ["bin/fibwright", "lib/fibwright/fibwright"]
    + [f"lib/fibwright/{name}" for name in PHRASE_LISTS]
    + ["share/applications/fibwright.desktop",
       "share/metainfo/org.fibwright.Fibwright.metainfo.xml",
       "share/icons/hicolor/scalable/apps/fibwright.svg",
       "share/man/man1/fibwright.1.gz"]
    + [f"share/icons/hicolor/{size}x{size}/apps/fibwright.png" for size in ICON_SIZES])

# The Debian package's files: the same below /usr, the phrase lists as
# configuration files in /etc/fibwright (linked from /usr/lib/fibwright), and
# what every Debian package carries in its documentation folder.
CONFIG_DIR = "etc/fibwright"
PACKAGE_DOCS = ["share/doc/fibwright/copyright", "share/doc/fibwright/changelog.gz"]
PACKAGE_FILES = sorted(
    [f"usr/{path}" for path in INSTALLED_FILES + PACKAGE_DOCS]
    + [f"{CONFIG_DIR}/{name}" for name in PHRASE_LISTS])


def files_below(root):
    """Files and links below root, as paths relative to it."""
    found = []
    for folder, dirs, files in os.walk(root):
        for name in files + [d for d in dirs if os.path.islink(os.path.join(folder, d))]:
            found.append(os.path.relpath(os.path.join(folder, name), root))
    return sorted(found)


def check_installed_tree(prefix, source_dir, packaged_in=None):
    """The layout below an installation prefix: the executable with its lists
    in lib/fibwright, bin/fibwright a relative link to it, and the desktop
    files where the desktop looks for them. For the Debian package unpacked
    in packaged_in (prefix: its usr/), the lists in lib/fibwright are links
    to /etc/fibwright, and the package's documentation is there too."""
    expected = sorted(INSTALLED_FILES + PACKAGE_DOCS) if packaged_in else INSTALLED_FILES
    found = files_below(prefix)
    check(found == expected,
          "installed files differ:\n  missing: "
          f"{sorted(set(expected) - set(found))}\n  extra: {sorted(set(found) - set(expected))}")
    link = os.path.join(prefix, "bin/fibwright")
    check(os.path.islink(link), "bin/fibwright is not a symbolic link")
    check(os.readlink(link) == "../lib/fibwright/fibwright",
          f"bin/fibwright points to {os.readlink(link)!r}, not ../lib/fibwright/fibwright")
    program = os.path.join(prefix, "lib/fibwright/fibwright")
    check(os.path.isfile(program) and os.access(program, os.X_OK),
          "lib/fibwright/fibwright is not an executable file")
    for name in PHRASE_LISTS:
        beside = os.path.join(prefix, "lib/fibwright", name)
        if packaged_in:
            check(os.path.islink(beside) and os.readlink(beside) == f"/{CONFIG_DIR}/{name}",
                  f"lib/fibwright/{name} is no link to /{CONFIG_DIR}/{name}")
            beside = os.path.join(packaged_in, CONFIG_DIR, name)
        with open(beside, "rb") as installed, \
                open(os.path.join(source_dir, "data", name), "rb") as bundled:
            check(installed.read() == bundled.read(), f"installed {name} differs from data/{name}")
    for size in ICON_SIZES:
        path = os.path.join(prefix, f"share/icons/hicolor/{size}x{size}/apps/fibwright.png")
        check(png_size(path) == (size, size), f"the {size}x{size} icon is {png_size(path)}")


# The icon's five slices, as red, green and blue.
SLICE_COLOURS = {"grey": (0x9B, 0xA1, 0xA9), "blue": (0x3B, 0x82, 0xE0),
                 "red": (0xE4, 0x48, 0x3D), "green": (0x43, 0xB3, 0x5A),
                 "yellow": (0xF6, 0xC9, 0x34)}


def missing_slices(argb_pixels, tolerance=40):
    """The slice colours that no opaque pixel of an icon comes near."""
    colours = {((p >> 16) & 255, (p >> 8) & 255, p & 255) for p in argb_pixels if p >> 24 > 200}
    return [name for name, want in SLICE_COLOURS.items()
            if not any(sum(abs(a - b) for a, b in zip(have, want)) <= tolerance for have in colours)]
