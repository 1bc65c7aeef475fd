# SPDX-License-Identifier: MIT
"""Shared pieces of the benchmark scripts: a private X server, a clean
environment for the programs under test, medians."""

import os
import statistics
import subprocess
import tempfile


class Xvfb:
    """An Xvfb of our own on a free display; the display number is read from
    -displayfd, so nothing waits on a timer."""

    def __init__(self, size="1280x1024x24"):
        read_end, write_end = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", size, "-nolisten", "tcp",
             "-noreset"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        number = b""
        with os.fdopen(read_end, "rb") as pipe:
            while not number.endswith(b"\n"):
                chunk = pipe.read(1)
                if not chunk:
                    break
                number += chunk
        if not number.strip().isdigit():
            self.process.kill()
            raise RuntimeError("Xvfb did not start")
        self.display = ":" + number.strip().decode()

    def close(self):
        self.process.terminate()
        self.process.wait()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()


def clean_environment(display, scratch):
    """The environment the programs run in: our display, Qt on xcb, a home and
    runtime folder of their own, no session bus (so no accessibility bridge),
    and nothing else that could change Qt's behaviour between runs."""
    home = os.path.join(scratch, "home")
    runtime = os.path.join(scratch, "runtime")
    os.makedirs(home, exist_ok=True)
    os.makedirs(runtime, mode=0o700, exist_ok=True)
    return {
        "PATH": os.environ.get("PATH", "/usr/bin:/bin"),
        "HOME": home,
        "XDG_RUNTIME_DIR": runtime,
        "LANG": "C.UTF-8",
        "DISPLAY": display,
        "QT_QPA_PLATFORM": "xcb",
    }


def scratch_folder():
    return tempfile.mkdtemp(prefix="fibwright-bench-")


def median(values):
    return statistics.median(values) if values else float("nan")


def machine():
    """A one-line description of this machine."""
    cpu = "unknown CPU"
    try:
        with open("/proc/cpuinfo") as info:
            for line in info:
                if line.startswith("model name"):
                    cpu = line.split(":", 1)[1].strip()
                    break
    except OSError:
        pass
    memory = ""
    try:
        with open("/proc/meminfo") as info:
            kib = int(info.readline().split()[1])
            memory = f", {kib / 1024 / 1024:.1f} GiB memory"
    except (OSError, ValueError, IndexError):
        pass
    return f"{os.cpu_count()} cores ({cpu}){memory}"


def load_average():
    try:
        return os.getloadavg()[0]
    except OSError:
        return float("nan")


def raise_priority():
    """Runs this process and all it starts (the X server, the programs under
    test) ahead of ordinary background work, where that is allowed (root).
    Returns the niceness in effect."""
    try:
        os.setpriority(os.PRIO_PROCESS, 0, -10)
    except OSError:
        pass
    return os.getpriority(os.PRIO_PROCESS, 0)


def size_text(size):
    """A file size for a table: KiB below one MiB, MiB above."""
    return f"{size / 1024:.1f} KiB" if size < 2**20 else f"{size / 2**20:.2f} MiB"
