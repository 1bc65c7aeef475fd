# SPDX-License-Identifier: MIT
"""The Debian package as cpack builds it from the build tree: its files, its
metadata, its computed dependencies, lintian's verdict, its menu entry and
metainfo checked by their own validators, and the program started the way
the menu entry starts it, from the unpacked package.

With --rebuild: the same tree configured and built again in a second folder
must give a byte-identical package; a 1.0.1 built from it with another
bundled list 2 then upgrades 1.0.0 in a throwaway root (dpkg --root), where
the lists a user edited in /etc/fibwright must survive the upgrade and the
removal, and go with the purge.
"""

import argparse
import glob
import gzip
import hashlib
import os
import platform
import re
import shlex
import shutil
import subprocess
import sys

sys.dont_write_bytecode = True  # nothing written into the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, "support"))

from installtree import CONFIG_DIR, PACKAGE_FILES, check_installed_tree  # noqa: E402
from xsession import (PHRASE_LISTS, Clipboard, Program, XServer, check, main,  # noqa: E402
                      packages_of_libraries, run, scratch_dir)

# Packages the program needs that no library link names.
LOADED_AT_RUN_TIME = {"qt6-qpa-plugins"}
# Packages it does better with: Qt's Wayland plugin.
RECOMMENDED = {"qt6-wayland"}
# Files that must carry the license line near their top: sources, CMake
# files, and scripts (any file starting with #!).
LICENSE_LINE = "SPDX-License-Identifier: MIT"
LICENSED_SUFFIXES = (".cpp", ".h", ".py", ".cmake", "CMakeLists.txt")


def build_package(cpack, build_dir, out):
    """cpack's .deb of a build folder, made in out."""
    run([cpack, "-G", "DEB", "--config", os.path.join(build_dir, "CPackConfig.cmake"), "-B", out],
        timeout=300)
    debs = glob.glob(os.path.join(out, "*.deb"))
    check(len(debs) == 1, f"cpack made {debs}")
    return debs[0]


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


def package_names(field):
    """(name, version bound) of every package a relationship field names."""
    names = []
    for clause in field.split(","):
        for alternative in clause.split("|"):
            found = re.fullmatch(r"\s*([a-z0-9][a-z0-9+.-]+)(?::\w+)?\s*(\(.*\))?\s*", alternative)
            check(found, f"cannot read the dependency {alternative!r}")
            names.append((found.group(1), found.group(2)))
    return names


def installed(name):
    return subprocess.run(["dpkg-query", "-W", "-f", "${db:Status-Status}", name],
                          capture_output=True, text=True).stdout == "installed"


def check_dependencies(depends, recommends, executable):
    check(depends, "the package has no Depends")
    names = package_names(depends)
    for name, _ in names:
        check(not name.endswith("-dev"), f"the package depends on the development package {name}")
        check(name.startswith("lib") or name in LOADED_AT_RUN_TIME,
              f"the package depends on {name}, which is no run-time library")
        check(installed(name), f"the dependency {name} is not installed here")
    versions = dict(names)
    runtime = packages_of_libraries(executable, ("libQt6Widgets.so.6", "libQt6Gui.so.6", "libQt6Core.so.6",
                                                 "libc.so.6", "libstdc++.so.6"))
    for library in runtime.values():
        check(library in versions, f"Depends lacks {library}: {depends}")
    # A version bound shows that dpkg-shlibdeps worked it out from the
    # symbols the executable uses.
    widgets = runtime["libQt6Widgets.so.6"]
    check(versions[widgets], f"{widgets} without a version: {depends}")
    recommended = {name for name, _ in package_names(recommends)} if recommends else set()
    check(recommended == RECOMMENDED, f"Recommends is {recommends!r}, not {', '.join(RECOMMENDED)}")
    for name in recommended:
        check(installed(name), f"the recommended {name} is not installed here")


def check_listing(deb):
    """Owners, modes and link target as dpkg will install them."""
    listing = run(["dpkg-deb", "--contents", deb]).stdout
    entries = {}
    for line in listing.splitlines():
        mode, owner, _size, _date, _time, path, *link = line.split()
        entries[path.removeprefix("./").rstrip("/")] = (mode, owner, link)
    files = sorted(path for path, (mode, _, _) in entries.items() if mode[0] in "-l")
    check(files == PACKAGE_FILES,
          f"the package's files differ: missing {sorted(set(PACKAGE_FILES) - set(files))}, "
          f"extra {sorted(set(files) - set(PACKAGE_FILES))}")
    for path, (mode, owner, link) in entries.items():
        check(owner == "root/root", f"{path} belongs to {owner}")
        if mode[0] == "d":
            check(mode == "drwxr-xr-x", f"the folder {path} has mode {mode}")
    check(entries["usr/lib/fibwright/fibwright"][0] == "-rwxr-xr-x", "the program is not mode 755")
    check(entries["usr/bin/fibwright"][2] == ["->", "../lib/fibwright/fibwright"],
          f"/usr/bin/fibwright is {entries['usr/bin/fibwright']}")
    for name in PHRASE_LISTS:
        link = entries[f"usr/lib/fibwright/{name}"]
        check(link[0][0] == "l" and link[2] == ["->", f"/{CONFIG_DIR}/{name}"],
              f"/usr/lib/fibwright/{name} is {link}, not a link to /{CONFIG_DIR}/{name}")
    conffiles = run(["dpkg-deb", "--info", deb, "conffiles"]).stdout.split()
    check(conffiles == [f"/{CONFIG_DIR}/{name}" for name in PHRASE_LISTS],
          f"the package's conffiles are {conffiles}")
    for path, (mode, _, _) in entries.items():
        if mode[0] == "-" and path != "usr/lib/fibwright/fibwright":
            check(mode == "-rw-r--r--", f"{path} has mode {mode}")


def check_debian_docs(root, version):
    """The copyright file in Debian's machine-readable format, with the MIT
    text, and the changelog, compressed without name or time stamp, whose
    latest entry is this version."""
    doc = os.path.join(root, "usr/share/doc/fibwright")
    with open(os.path.join(doc, "copyright"), encoding="utf-8") as file:
        copyright_text = file.read()
    check(copyright_text.startswith(
        "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"),
        "the copyright file is not in the machine-readable format")
    check(re.search(r"^Files: \*\nCopyright: .*Fibwright developers\nLicense: MIT$", copyright_text,
                    re.M), "the copyright file gives no MIT license for all files")
    check(re.search(r"^License: MIT\n Permission is hereby granted", copyright_text, re.M),
          "the copyright file lacks the MIT license text")
    with open(os.path.join(doc, "changelog.gz"), "rb") as file:
        header = file.read(10)
    check(header[3] & 0x08 == 0 and header[4:8] == bytes(4),
          "changelog.gz keeps a file name or time stamp (not gzip -n)")
    with gzip.open(os.path.join(doc, "changelog.gz"), "rt", encoding="utf-8") as file:
        latest = file.readline()
    check(latest.startswith(f"fibwright ({version}) "),
          f"the changelog's latest entry is {latest.strip()!r}, not version {version}")


def check_lintian(deb):
    """lintian's errors and warnings fail the test; its output says why."""
    result = run(["lintian", "--fail-on", "error,warning", "--display-info", deb],
                 timeout=300, check=False)
    check(result.returncode == 0, f"lintian rejects the package:\n{result.stdout}{result.stderr}")


def check_control_flow_protection(build_dir):
    """On x86-64 the program is built for control-flow protection: its
    functions start with an end-branch instruction, main too. (The
    packaged program carries no property note that says so: Debian 12's C
    start-up files have none, so the linker drops it.)"""
    if platform.machine() != "x86_64":
        return
    code = run(["objdump", "--disassemble=main", "--no-show-raw-insn",
                os.path.join(build_dir, "fibwright")]).stdout
    check(re.search(r"<main>:\n\s*[0-9a-f]+:\s*endbr64", code),
          f"main starts without endbr64 (no -fcf-protection?):\n{code[-500:]}")


def check_license_lines(source_dir):
    """Every source, CMake file and script in git carries the license line
    in its first lines."""
    listed = shutil.which("git") and run(["git", "-C", source_dir, "ls-files", "-z"], check=False)
    if not listed or listed.returncode != 0:
        print(f"license lines not checked: {source_dir} is no git checkout")
        return
    unmarked, checked = [], 0
    for path in filter(None, listed.stdout.split("\0")):
        full = os.path.join(source_dir, path)
        if os.path.islink(full) or not os.path.isfile(full):
            continue
        with open(full, "rb") as file:
            top = file.read(400).split(b"\n")[:3]
        if not (path.endswith(LICENSED_SUFFIXES) or top[0].startswith(b"#!")):
            continue
        checked += 1
        if not any(LICENSE_LINE.encode() in line for line in top):
            unmarked.append(path)
    check(checked > 20, f"only {checked} files to check for the license line")
    check(not unmarked, f"files without '{LICENSE_LINE}' at the top: {unmarked}")


def exec_command(desktop_file):
    with open(desktop_file, encoding="utf-8") as entry:
        for line in entry:
            if line.startswith("Exec="):
                # Field codes such as %f stand for files the menu passes; none here.
                return [word for word in shlex.split(line[5:].strip()) if not word.startswith("%")]
    raise AssertionError("no Exec line")


def in_root(root, command, folder):
    """A script that runs root's /usr/bin/<command> with the root's
    /etc/fibwright seen at /etc/fibwright (proot: no mounts, so it works in
    a chroot too), so that the links the package put in /usr/lib/fibwright
    reach the lists as on a machine the package is installed on."""
    path = os.path.join(folder, command)
    with open(path, "w", encoding="utf-8") as script:
        config = shlex.quote(os.path.join(root, CONFIG_DIR))
        script.write("#!/bin/sh\n"
                     # LeakSanitizer cannot stop the threads of a traced
                     # process; leaks are another test's business.
                     "export ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0\n"
                     # proot's seccomp shortcut lets some calls of Debian
                     # unstable's C library past untranslated.
                     "export PROOT_NO_SECCOMP=1\n"
                     f"exec proot -b {config}:/{CONFIG_DIR} "
                     f"{shlex.quote(os.path.join(root, 'usr/bin', command))}\n")
    os.chmod(path, 0o755)
    return path


def test_contents(args):
    out = scratch_dir("package")
    deb = build_package(args.cpack, args.build_dir, out)

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
    check_dependencies(fields.get("Depends", ""), fields.get("Recommends", ""),
                       os.path.join(args.build_dir, "fibwright"))
    check_listing(deb)
    if args.lintian:
        check_lintian(deb)
        check_control_flow_protection(args.build_dir)
    check_license_lines(args.source_dir)

    root = os.path.join(out, "root")
    run(["dpkg-deb", "--extract", deb, root])
    usr = os.path.join(root, "usr")
    check_installed_tree(usr, args.source_dir, root)
    check_debian_docs(root, args.version)
    file_type = run(["file", "--brief", os.path.join(usr, "lib/fibwright/fibwright")]).stdout
    check(", stripped" in file_type, f"the program is not stripped: {file_type}")
    desktop_file = os.path.join(usr, "share/applications/fibwright.desktop")
    run(["desktop-file-validate", desktop_file])
    # Its warnings and errors fail; not its notes (--strict), which no one
    # file passes on every release: AppStream 1.0 calls <developer_name>
    # deprecated, Debian 12's 0.16 does not know the <developer> after it.
    run(["appstreamcli", "validate", "--no-net",
         os.path.join(usr, "share/metainfo/org.fibwright.Fibwright.metainfo.xml")])
    # The metainfo's launchable, the menu entry and the icons, together.
    run(["appstreamcli", "validate-tree", "--no-net", root])
    with gzip.open(os.path.join(usr, "share/man/man1/fibwright.1.gz"), "rt", encoding="utf-8") as page:
        check(re.search(r"^\.TH FIBWRIGHT 1 ", page.read(), re.M), "the manual page has no .TH line")

    # Started as the menu starts it: the Exec line, a command in the
    # package's /usr/bin, run as if the package were installed.
    command = exec_command(desktop_file)
    check(command and "/" not in command[0], f"Exec runs {command}, not a command on the PATH")
    check(os.path.exists(os.path.join(usr, "bin", command[0])),
          f"Exec names {command[0]}, which the package lacks in /usr/bin")
    if args.no_start:
        return
    xserver = XServer()
    process = Program(xserver, in_root(root, command[0], out))
    process.close(process.main_window(20))


def sha256(path):
    with open(path, "rb") as file:
        return hashlib.sha256(file.read()).hexdigest()


def package_differences(first, second, out):
    """What differs between two packages, member by member and file by file."""
    trees = []
    for number, deb in enumerate((first, second)):
        tree = os.path.join(out, f"diff{number}")
        run(["dpkg-deb", "--raw-extract", deb, tree])
        trees.append(tree)
    listed = [run(["dpkg-deb", "--contents", deb]).stdout for deb in (first, second)]
    differing = run(["diff", "-r", "-q", "--no-dereference", *trees], check=False).stdout
    return f"files that differ:\n{differing or '(none)'}\n" + (
        "" if listed[0] == listed[1] else f"listings:\n{listed[0]}\n---\n{listed[1]}")


def install_in_root(root, *arguments):
    return run(["dpkg", f"--root={root}", f"--log={os.devnull}", "--force-depends",
                "--force-confdef", "--force-confold", *arguments], timeout=120)


def test_rebuild(args):
    out = scratch_dir("package-rebuild")
    first = build_package(args.cpack, args.build_dir, os.path.join(out, "first"))

    # The same tree configured and built again in another folder: only what
    # the package holds.
    build = os.path.join(out, "build")
    configure = [args.cmake, "-S", args.source_dir, "-B", build, "-G", args.generator,
                 f"-DCMAKE_BUILD_TYPE={args.build_type}", f"-DCMAKE_CXX_COMPILER={args.cxx}",
                 "-DBUILD_TESTING=OFF", "-DFIBWRIGHT_BUILD_BENCH=OFF"]
    run(configure, timeout=300)
    run([args.cmake, "--build", build, "-j", str(args.jobs)], timeout=900)
    second = build_package(args.cpack, build, os.path.join(out, "second"))
    check(os.path.basename(first) == os.path.basename(second), f"{first} and {second}")
    check(sha256(first) == sha256(second),
          "two builds of the same tree give different packages;\n"
          + package_differences(first, second, out))

    # 1.0.1: a new bundled list 2, one phrase the program can only have read
    # from the new package.
    lists = os.path.join(out, "lists")
    os.makedirs(lists)
    for name in PHRASE_LISTS:
        shutil.copy(os.path.join(args.source_dir, "data", name), lists)
    new_phrase = "freshly upgraded"
    with open(os.path.join(lists, "list2.dat"), "w", encoding="utf-8") as file:
        file.write(new_phrase + "\n")
    run(configure + ["-DFIBWRIGHT_PACKAGE_VERSION=1.0.1", f"-DFIBWRIGHT_PHRASE_LISTS_DIR={lists}"],
        timeout=300)
    run([args.cmake, "--build", build, "-j", str(args.jobs)], timeout=900)
    upgrade = build_package(args.cpack, build, os.path.join(out, "upgrade"))
    check(control_fields(upgrade).get("Version") == "1.0.1", f"{upgrade} is no 1.0.1")

    # A throwaway root with an empty dpkg database (no Qt in it, hence
    # --force-depends).
    root = os.path.join(out, "root")
    for folder in ("var/lib/dpkg/info", "var/lib/dpkg/updates", "var/log"):
        os.makedirs(os.path.join(root, folder))
    for name in ("status", "available"):
        open(os.path.join(root, "var/lib/dpkg", name), "w").close()
    install_in_root(root, "--install", first)
    config = os.path.join(root, CONFIG_DIR)
    user_phrase = "My own words say that the"
    with open(os.path.join(config, "list1.dat"), "w", encoding="utf-8") as file:
        file.write(user_phrase + "\n")
    install_in_root(root, "--install", upgrade)

    def content(name):
        with open(os.path.join(config, name), encoding="utf-8") as file:
            return file.read()
    check(content("list1.dat") == user_phrase + "\n", "the upgrade replaced the user's list 1")
    check(content("list2.dat") == new_phrase + "\n", "the upgrade left the old bundled list 2")

    # The upgraded program, started through /usr/bin/fibwright, reads both:
    # with one phrase in each of lists 1 and 2, Random's sentence starts
    # with them.
    xserver = XServer()
    program = Program(xserver, in_root(root, "fibwright", out))
    window = program.main_window(20)
    xserver.key(window, "alt+r")
    sentence = Clipboard(xserver).capture(lambda: xserver.key(window, "alt+c"))
    check(sentence.startswith(f"{user_phrase} {new_phrase} "),
          f"the upgraded program composed {sentence!r}")
    program.close(window)

    # Removal keeps the configuration; purging removes it.
    install_in_root(root, "--remove", "fibwright")
    check(not os.path.lexists(os.path.join(root, "usr/lib/fibwright/list1.dat")),
          "removal left the program's links")
    check(content("list1.dat") == user_phrase + "\n", "removal lost the user's list 1")
    install_in_root(root, "--purge", "fibwright")
    check(not os.path.lexists(config), f"the purge left /{CONFIG_DIR}")


def test():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cpack", required=True)
    parser.add_argument("--build-dir", required=True)
    parser.add_argument("--source-dir", required=True)
    parser.add_argument("--version", required=True)
    parser.add_argument("--lintian", action="store_true", help="lintian must accept the package")
    parser.add_argument("--no-start", action="store_true", help="do not start the packaged program")
    parser.add_argument("--rebuild", action="store_true",
                        help="build again elsewhere, compare, and upgrade from it")
    parser.add_argument("--cmake")
    parser.add_argument("--generator")
    parser.add_argument("--build-type")
    parser.add_argument("--cxx")
    parser.add_argument("--jobs", type=int, default=1)
    args = parser.parse_args()
    if args.rebuild:
        test_rebuild(args)
    else:
        test_contents(args)


if __name__ == "__main__":
    main(test)
