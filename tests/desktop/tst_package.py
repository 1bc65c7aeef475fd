# SPDX-License-Identifier: MIT
"""The Debian package as cpack builds it from the build tree: its files, its
metadata, its computed dependencies, its menu entry and metainfo checked by
their own validators, and the program started the way the menu entry starts
it. The package is unpacked into a scratch folder, never installed.
"""

import argparse
import glob
import gzip
import os
import re
import shlex
import subprocess
import sys

sys.dont_write_bytecode = True  # nothing written into the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, "support"))

from installtree import INSTALLED_FILES, check_installed_tree  # noqa: E402
from xsession import Program, XServer, check, main, run, scratch_dir  # noqa: E402

# Packages the program needs that no library link names.
LOADED_AT_RUN_TIME = {"qt6-qpa-plugins"}


def control_fields(deb):
    text = run(["dpkg-deb", "--field", deb]).stdout
    fields, name = {}, None
    for line in text.splitlines():
        if line[:1] in (" ", "\t") and name:
            fields[name] += "\n" + line.strip()
        elif ":" in line:
            name, value = line.split(":", 1)
            fields[name] = value.strip()
    return fields


def check_dependencies(depends):
    check(depends, "the package has no Depends")
    names = []
    for clause in depends.split(","):
        for alternative in clause.split("|"):
            found = re.fullmatch(r"\s*([a-z0-9][a-z0-9+.-]+)(?::\w+)?\s*(\(.*\))?\s*", alternative)
            check(found, f"cannot read the dependency {alternative!r}")
            names.append((found.group(1), found.group(2)))
    for name, _ in names:
        check(not name.endswith("-dev"), f"the package depends on the development package {name}")
        check(name.startswith("lib") or name in LOADED_AT_RUN_TIME,
              f"the package depends on {name}, which is no run-time library")
        status = subprocess.run(["dpkg-query", "-W", "-f", "${db:Status-Status}", name],
                                capture_output=True, text=True).stdout
        check(status == "installed", f"the dependency {name} is not installed here")
    versions = dict(names)
    for library in ("libqt6widgets6", "libqt6gui6", "libqt6core6", "libc6", "libstdc++6"):
        check(library in versions, f"Depends lacks {library}: {depends}")
    # A version bound shows that dpkg-shlibdeps worked it out from the
    # symbols the executable uses.
    check(versions["libqt6widgets6"], f"libqt6widgets6 without a version: {depends}")


def check_listing(deb):
    """Owners, modes and link target as dpkg will install them."""
    listing = run(["dpkg-deb", "--contents", deb]).stdout
    entries = {}
    for line in listing.splitlines():
        mode, owner, _size, _date, _time, path, *link = line.split()
        entries[path.removeprefix("./").rstrip("/")] = (mode, owner, link)
    files = sorted(path.removeprefix("usr/") for path, (mode, _, _) in entries.items()
                   if mode[0] in "-l")
    check(all(path.startswith("usr/") for path, (mode, _, _) in entries.items()
              if mode[0] in "-l"), "the package installs files outside /usr")
    check(files == INSTALLED_FILES,
          f"the package's files differ: missing {sorted(set(INSTALLED_FILES) - set(files))}, "
          f"extra {sorted(set(files) - set(INSTALLED_FILES))}")
    for path, (mode, owner, link) in entries.items():
        check(owner == "root/root", f"{path} belongs to {owner}")
        if mode[0] == "d":
            check(mode == "drwxr-xr-x", f"the folder {path} has mode {mode}")
    check(entries["usr/lib/fibwright/fibwright"][0] == "-rwxr-xr-x", "the program is not mode 755")
    check(entries["usr/bin/fibwright"][2] == ["->", "../lib/fibwright/fibwright"],
          f"/usr/bin/fibwright is {entries['usr/bin/fibwright']}")
    for path, (mode, _, _) in entries.items():
        if mode[0] == "-" and path != "usr/lib/fibwright/fibwright":
            check(mode == "-rw-r--r--", f"{path} has mode {mode}")


def exec_command(desktop_file):
    with open(desktop_file, encoding="utf-8") as entry:
        for line in entry:
            if line.startswith("Exec="):
                # Field codes such as %f stand for files the menu passes; none here.
                return [word for word in shlex.split(line[5:].strip()) if not word.startswith("%")]
    raise AssertionError("no Exec line")


def test():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cpack", required=True)
    parser.add_argument("--build-dir", required=True)
    parser.add_argument("--source-dir", required=True)
    parser.add_argument("--version", required=True)
    args = parser.parse_args()

    out = scratch_dir("package")
    run([args.cpack, "-G", "DEB", "--config", os.path.join(args.build_dir, "CPackConfig.cmake"),
         "-B", out], timeout=300)
    debs = glob.glob(os.path.join(out, "*.deb"))
    check(len(debs) == 1, f"cpack made {debs}")
    deb = debs[0]

    fields = control_fields(deb)
    for name, want in (("Package", "fibwright"), ("Version", args.version),
                       ("Architecture", run(["dpkg", "--print-architecture"]).stdout.strip()),
                       ("Section", "utils"), ("Priority", "optional")):
        check(fields.get(name) == want, f"{name} is {fields.get(name)!r}, not {want!r}")
    check(re.fullmatch(r".+ <[^@\s]+@[^@\s]+>", fields.get("Maintainer", "")),
          f"Maintainer {fields.get('Maintainer')!r} is no name and address")
    description = fields.get("Description", "").split("\n")
    check(len(description) >= 2 and description[0] and len(description[0]) <= 80,
          f"Description has no short line and long text: {description}")
    check_dependencies(fields.get("Depends", ""))
    check_listing(deb)

    root = os.path.join(out, "root")
    run(["dpkg-deb", "--extract", deb, root])
    usr = os.path.join(root, "usr")
    check_installed_tree(usr, args.source_dir)
    file_type = run(["file", "--brief", os.path.join(usr, "lib/fibwright/fibwright")]).stdout
    check(", stripped" in file_type, f"the program is not stripped: {file_type}")
    desktop_file = os.path.join(usr, "share/applications/fibwright.desktop")
    run(["desktop-file-validate", desktop_file])
    run(["appstreamcli", "validate", "--no-net", "--strict",
         os.path.join(usr, "share/metainfo/org.fibwright.Fibwright.metainfo.xml")])
    # The metainfo's launchable, the menu entry and the icons, together.
    run(["appstreamcli", "validate-tree", "--no-net", "--strict", root])
    with gzip.open(os.path.join(usr, "share/man/man1/fibwright.1.gz"), "rt", encoding="utf-8") as page:
        check(re.search(r"^\.TH FIBWRIGHT 1 ", page.read(), re.M), "the manual page has no .TH line")

    # Started as the menu starts it: the Exec line, looked up on a PATH that
    # holds the package's /usr/bin.
    command = exec_command(desktop_file)
    check(command and "/" not in command[0], f"Exec runs {command}, not a command on the PATH")
    program = os.path.join(usr, "bin", command[0])
    check(os.path.exists(program), f"Exec names {command[0]}, which the package lacks in /usr/bin")
    xserver = XServer()
    env = {"PATH": os.path.join(usr, "bin") + os.pathsep + os.environ.get("PATH", "")}
    process = Program(xserver, command[0], env)
    process.close(process.main_window(20))


if __name__ == "__main__":
    main(test)
