#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""End-to-end tests: the built program on a real X server, used as a person
uses it, through key presses, mouse clicks and the clipboard.

    test_fibwright.py --program build/fibwright --build-dir build [unittest options]

Each case starts an Xvfb of its own and a copy of the program in a scratch
folder beside phrase lists of its own, and stops both when it ends, passed
or failed. The screenshot case writes fibwright-after-random.png into the
build folder.
"""

import argparse
import os
import signal
import socket
import subprocess
import sys
import unittest

sys.dont_write_bytecode = True  # nothing written into the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, "support"))

from xsession import (ABOUT_TITLE, MAIN_TITLE, MESSAGE_BOX_TITLE, Clipboard,  # noqa: E402
                      MapWatcher, Program, XServer, bundled_lists, clean_up, copy_program,
                      png_size, run, scratch_dir, wait_for)

PROGRAM = None
BUILD_DIR = None

OPENING = "Welcome to pardonix!   "
CLIENT_WIDTH = 490
CLIENT_HEIGHT = 219

# Lists whose phrases tell which list they came from (A.. from list1.dat and
# so on), so that a phrase out of place shows. A Random has 30 x 29 x 31 x 28
# possible outcomes, so two in a row practically never give one sentence.
LISTS = {
    "list1.dat": [f"A{n:02}" for n in range(1, 31)],
    "list2.dat": [f"B{n:02}" for n in range(1, 30)],
    "list3.dat": [f"C{n:02}" for n in range(1, 32)],
    "list4.dat": [f"D{n:02}" for n in range(1, 29)],
}

# Where to click in the window's client area (below the menu bar) to put
# the text cursor into a list's edit field or the sentence box.
FIELDS = {
    "Combo1": (18, 36),
    "Combo2": (18, 60),
    "Combo3": (146, 60),
    "Combo4": (258, 60),
    "Text1": (28, 100),
}


def list_files(lists):
    return {name: "".join(phrase + "\n" for phrase in phrases) for name, phrases in lists.items()}


class Session(unittest.TestCase):
    """An X server, the clipboard and a map watcher for each case; the
    program is started by the case."""

    depth = 24

    def setUp(self):
        # Cleanups run last added first: this one, ending every process the
        # case started and removing its scratch folder, comes last.
        self.addCleanup(clean_up)
        self.x = XServer(depth=self.depth)
        self.clipboard = Clipboard(self.x)
        self.watcher = MapWatcher(self.x)
        self.addCleanup(self.watcher.stop)
        self.program = None

    def start(self, lists=None, folder_name="program"):
        """Starts the program with the given list files (default: LISTS)
        in a folder of the given name and returns its main window once it
        is mapped."""
        files = list_files(LISTS) if lists is None else lists
        self.launch(files, folder_name)
        self.window = self.program.main_window()
        return self.window

    def launch(self, files, folder_name="program"):
        folder = os.path.join(self.x.home, folder_name)
        self.program = Program(self.x, copy_program(PROGRAM, folder, files))
        self.addCleanup(self.report_failure)

    def report_failure(self):
        """After a failed case: what the program said on its way, and a
        picture of the screen in e2e-failures/ in the build folder."""
        if not self._failed():
            return
        log = self.program.output().strip()
        if log:
            sys.stderr.write(f"\n--- program output ({self.id()}) ---\n{log}\n")
        folder = os.path.join(BUILD_DIR, "e2e-failures")
        os.makedirs(folder, exist_ok=True)
        path = os.path.join(folder, self.id().rpartition(".")[2] + ".png")
        try:
            self.x.run("import", "-window", "root", path, timeout=30.0)
            sys.stderr.write(f"screen at the end of {self.id()}: {path}\n")
        except Exception as problem:  # the picture is a help, not a result
            sys.stderr.write(f"no picture of the screen: {problem}\n")

    def _failed(self):
        outcome = getattr(self, "_outcome", None)
        if outcome is None:
            return False
        # Python 3.11 reports a failure at once; older ones after the cleanups.
        pending = [info for _, info in getattr(outcome, "errors", []) if info is not None]
        result = outcome.result
        reported = [test for test, _ in result.failures + result.errors if test is self]
        return bool(pending or reported)

    # ---- what a person does ---------------------------------------------

    def press(self, *keys):
        try:
            self.x.key(self.window, *keys)
        except AssertionError:
            if not self.program.running():
                self.fail(f"the program has ended, status {self.program.process.returncode}")
            raise

    def copy_sentence(self):
        """Presses Copy (Alt+C) and returns what it put on the clipboard."""
        return self.clipboard.capture(lambda: self.press("alt+c"))

    def menu_bar_height(self):
        _, _, _, height = self.x.geometry(self.window)
        return height - CLIENT_HEIGHT

    def click_field(self, name):
        x, y = FIELDS[name]
        self.x.click(self.window, x, self.menu_bar_height() + y)

    def field_text(self, name):
        """The text in a list's edit field, selected and copied with the
        keyboard as a person would."""
        def select_and_copy():
            self.click_field(name)
            self.press("ctrl+a", "ctrl+c")
        return self.clipboard.capture(select_and_copy)

    def lists_text(self):
        return [self.field_text(f"Combo{n}") for n in range(1, 5)]

    def press_and_wait_for_sentence(self, keys, before):
        """Presses a button by its access key (or a key on the focused
        button) and returns the sentence box's text once the press has
        changed it. A button clicks a moment after its access key, and
        until then the buttons it enables ignore theirs."""
        self.press(keys)

        def changed():
            text = self.field_text("Text1")
            return (text,) if text != before else None
        return wait_for(f"{keys} to change the sentence from {before!r}", changed)[0]

    def assert_running(self):
        self.assertTrue(self.program.running(), "the program has ended")
        self.assertEqual(self.x.windows(MAIN_TITLE), [self.window])

    def assert_exits_cleanly(self):
        self.assertEqual(self.program.exit_status(), 0)
        self.assertEqual(self.x.windows(MAIN_TITLE), [])


class Sentence(Session):
    """The sentence: as it opens, after Random and Back, after editing, and
    what Copy puts on the clipboard."""

    def assert_random_sentence(self, sentence, phrases):
        self.assertEqual(sentence, " ".join(phrases))
        for phrase, name in zip(phrases, sorted(LISTS)):
            self.assertIn(phrase, LISTS[name], f"{phrase!r} is not from {name}")

    def test_opening_sentence(self):
        self.start()
        self.assertEqual(self.copy_sentence(), OPENING)

    def test_random_joins_one_phrase_of_each_list(self):
        self.start()
        shown = self.press_and_wait_for_sentence("alt+r", OPENING)
        sentence = self.copy_sentence()
        self.assertEqual(sentence, shown)
        self.assert_random_sentence(sentence, self.lists_text())

    def test_back_restores_the_first_random(self):
        self.start()
        first = self.press_and_wait_for_sentence("alt+r", OPENING)
        first_lists = self.lists_text()
        self.assert_random_sentence(first, first_lists)

        # Should the second Random give the first one's sentence again (odds
        # below one in 750,000), this waits in vain: run the case again.
        second = self.press_and_wait_for_sentence("alt+r", first)
        self.assert_random_sentence(second, self.lists_text())

        self.assertEqual(self.press_and_wait_for_sentence("alt+b", second), first)
        self.assertEqual(self.lists_text(), first_lists)
        self.assertEqual(self.copy_sentence(), first)

    def test_phrases_are_copied_exactly(self):
        """Phrases longer than a line edit holds by default, and phrases
        with characters the sentence box shows as paragraph breaks, reach
        the list's field, the sentence and the clipboard unchanged."""
        long_phrase = "".join(chr(ord("a") + n % 26) for n in range(40000))
        lists = {
            "list1.dat": [long_phrase],
            "list2.dat": ["a\u2029b"],
            "list3.dat": ["\ufdd0c\ufdd1"],
            "list4.dat": ["x" * 32767 + "\u00e9"],
        }
        self.start(list_files(lists))
        # The focus starts in the first list: Down picks its only phrase.
        self.press_and_wait_for_sentence("Down", OPENING)
        self.assertEqual(self.copy_sentence(), long_phrase + "   ")
        self.assertEqual(self.field_text("Combo1"), long_phrase)

        self.press_and_wait_for_sentence("alt+r", long_phrase + "   ")
        self.assertEqual(self.copy_sentence(), " ".join(phrases[0] for phrases in lists.values()))

    def test_copy_is_disabled_after_a_copy(self):
        self.start()
        self.assertEqual(self.copy_sentence(), OPENING)
        sentinel = "put here by the test, not by the program"
        self.clipboard.hold(sentinel)
        self.press("alt+c")
        # About's press is handled after Copy's would be; once its box is
        # up, a copy would already be on the clipboard.
        self.press("alt+a")
        box = self.x.wait_window(ABOUT_TITLE)
        self.assertEqual(self.clipboard.read(), sentinel)
        self.x.key(box, "Return")
        wait_for("the About box to close", lambda: not self.x.windows(ABOUT_TITLE))

    def test_edited_sentence_is_copied(self):
        self.start()
        # The focus starts in the first list; the sentence box is fifth in
        # the tab order, after the four lists and Copy.
        self.press(*["Tab"] * 5)
        self.press("ctrl+a")
        self.x.type(self.window, "The printer ate the report.")
        self.assertEqual(self.copy_sentence(), "The printer ate the report.")
        # An edit after a copy makes Copy available again.
        self.click_field("Text1")
        self.press("ctrl+End")
        self.x.type(self.window, " Twice!")
        self.assertEqual(self.copy_sentence(), "The printer ate the report. Twice!")


class Window(Session):
    """The window as a window manager sees it."""

    def test_title_and_client_size(self):
        window = self.start()
        self.assertEqual(self.x.title(window), MAIN_TITLE)
        x, y, width, height = self.x.geometry(window)
        self.assertEqual(width, CLIENT_WIDTH)
        # The File menu opens right below the menu bar, which is where the
        # client area starts.
        self.x.click(window, 15, 5)
        menu = wait_for("the File menu", self.x.popups)
        _, menu_y, _, _ = self.x.geometry(menu[0])
        self.assertEqual(height - (menu_y - y), CLIENT_HEIGHT)
        self.x.key(window, "Escape")
        wait_for("the File menu to close", lambda: not self.x.popups())
        # A fixed size: a window manager offers no resizing.
        hints = self.x.prop(window, "WM_NORMAL_HINTS")
        self.assertIn(f"program specified minimum size: {width} by {height}", hints)
        self.assertIn(f"program specified maximum size: {width} by {height}", hints)
        # A tool window, left out of the task bar.
        self.assertIn("_NET_WM_STATE_SKIP_TASKBAR", self.x.prop(window, "_NET_WM_STATE"))

    def test_centred_on_screen(self):
        window = self.start()
        x, y, width, height = self.x.geometry(window)
        screen_width, screen_height = self.x.screen_size()
        # Equal margins left and right, above and below; where the room
        # left over is odd, the extra pixel goes right and below.
        self.assertEqual((x, y), ((screen_width - width) // 2, (screen_height - height) // 2))

    def test_about_box(self):
        window = self.start()
        self.press("alt+a")
        box = self.x.wait_window(ABOUT_TITLE)
        self.assertEqual(self.x.title(box), ABOUT_TITLE)
        self.assertIn("_NET_WM_WINDOW_TYPE_DIALOG", self.x.prop(box, "_NET_WM_WINDOW_TYPE"))
        # The box belongs to the window, so a window manager keeps it over
        # it, and it lies over the window's middle.
        self.assertEqual(self.x.prop(box, "WM_TRANSIENT_FOR").split("#")[-1].strip(), hex(window))
        bx, by, bwidth, bheight = self.x.geometry(box)
        wx, wy, wwidth, wheight = self.x.geometry(window)
        off = (bx + bwidth // 2 - (wx + wwidth // 2), by + bheight // 2 - (wy + wheight // 2))
        self.assertLessEqual(max(map(abs, off)), 1, f"the box is {off} px off the middle")
        self.assert_running()

    def test_closing_the_about_box_keeps_the_program(self):
        self.start()
        self.press("alt+a")
        box = self.x.wait_window(ABOUT_TITLE)
        self.x.key(box, "Return")
        wait_for("the About box to close", lambda: not self.x.windows(ABOUT_TITLE))
        # Ready for the next press.
        self.assertEqual(self.copy_sentence(), OPENING)
        self.assert_running()

    def test_missing_list_shows_one_message_and_ends(self):
        lists = list_files(LISTS)
        del lists["list3.dat"]
        lists["list1.dat"] = b"\xff\xfea\x00b"  # UTF-16 of an odd length
        self.launch(lists)
        box = self.x.wait_window(MESSAGE_BOX_TITLE, program=self.program)
        # The watcher reads a window's title when it sees the window mapped:
        # it has to see the box before the box goes.
        wait_for("the map watcher to see the message box", self.watcher.mapped)
        self.assertIn("_NET_WM_WINDOW_TYPE_DIALOG", self.x.prop(box, "_NET_WM_WINDOW_TYPE"))
        # There is no window yet: the box is centred on the screen, but for
        # the room Qt leaves for a frame (10 px left, 40 px up) where no
        # window manager frames it.
        x, y, width, height = self.x.geometry(box)
        screen_width, screen_height = self.x.screen_size()
        self.assertEqual((x + 10 + width // 2, y + 40 + height // 2),
                         (screen_width // 2, screen_height // 2))
        self.assertEqual(self.program.output(), "")
        self.x.key(box, "Return")
        wait_for("the program to end or show its window",
                 lambda: not self.program.running() or self.x.windows(MAIN_TITLE))
        # Every window the program ever mapped, from start to end.
        self.assertEqual(self.watcher.mapped(), [(box, MESSAGE_BOX_TITLE)])
        self.assertEqual(self.program.exit_status(), 1)
        # After the box, each file that failed in one line.
        folder = os.path.join(self.x.home, "program")
        self.assertEqual(self.program.output().splitlines(), [
            f"fibwright: {folder}/list1.dat: UTF-16 file with an odd number of bytes",
            f"fibwright: {folder}/list3.dat: No such file or directory"])


class Ending(Session):
    """The two ways to end the program."""

    def test_close_box(self):
        window = self.start()
        self.x.send_close(window)
        self.assert_exits_cleanly()

    def test_file_exit(self):
        window = self.start()
        self.x.click(window, 15, 5)
        menu = wait_for("the File menu", self.x.popups)
        self.assertEqual(len(menu), 1)
        _, _, width, height = self.x.geometry(menu[0])
        # Exit is the menu's only item.
        self.x.click(menu[0], width // 2, height // 2)
        self.assert_exits_cleanly()


class Signals(Session):
    """SIGTERM (a session ending), SIGINT (Ctrl+C) and SIGHUP (the terminal
    closing) end the program as its close box does, unless it was started
    with the signal ignored (nohup)."""

    def test_termination_signals(self):
        for sig, ignored in ((signal.SIGTERM, False), (signal.SIGINT, False), (signal.SIGHUP, False),
                             (signal.SIGHUP, True)):
            with self.subTest(signal=sig.name, ignored=ignored):
                if ignored:  # inherited by the program, as nohup does it
                    self.addCleanup(signal.signal, sig, signal.signal(sig, signal.SIG_IGN))
                self.start()
                self.assertEqual(self.copy_sentence(), OPENING)
                self.program.process.send_signal(sig)
                # A second one while it ends does no harm.
                self.program.process.send_signal(sig)
                if ignored:
                    self.press_and_wait_for_sentence("alt+r", OPENING)
                    self.assert_running()
                    self.x.send_close(self.window)
                self.assert_exits_cleanly()


class Surroundings(Session):
    """Where the program lies and what screen it is on."""

    def test_folder_name_is_not_utf8(self):
        # The lists are read from the program's folder, whatever its name.
        self.start(folder_name=os.fsdecode(b"odd \xff\xfe name"))
        self.assertEqual(self.copy_sentence(), OPENING)
        self.x.send_close(self.window)
        self.assert_exits_cleanly()


class EightBitScreen(Session):
    """An X screen of 256 colours, whose usual visual Qt cannot paint on."""

    depth = 8

    def test_starts_draws_and_ends(self):
        window = self.start()
        self.assertEqual(self.copy_sentence(), OPENING)
        # Drawn: the picture, read through the window's own palette, has
        # the frame's light grey, the fields' white and the text's black.
        picture = self.x.still_picture(window)
        shades = set(picture.rgb[i:i + 3] for i in range(0, len(picture.rgb), 3))
        self.assertIn(b"\xff\xff\xff", shades)
        self.assertIn(b"\x00\x00\x00", shades)
        self.assertGreater(len(shades), 10)
        self.x.send_close(window)
        self.assert_exits_cleanly()
        self.assertNotIn("QPainter", self.program.output())


class NoDisplay(unittest.TestCase):
    """Where no display can be opened the program says so and ends with
    status 1, not an abort."""

    def test_no_display(self):
        home = scratch_dir("nodisplay")
        self.addCleanup(clean_up)
        base = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "HOME": home,
                "LANG": "C.UTF-8", "XDG_RUNTIME_DIR": home}
        unused = next(f":{n}" for n in range(97, 200) if not os.path.exists(f"/tmp/.X11-unix/X{n}"))
        no_x, no_wayland = f'no X server answers on "{unused}"', "WAYLAND_DISPLAY is not set"
        cases = {  # what each says after "cannot connect to a display: " (None: Qt's words)
            "nothing set": ({}, "neither DISPLAY nor WAYLAND_DISPLAY is set"),
            "no X server there": ({"DISPLAY": unused}, f"{no_x}; {no_wayland}"),
            "no X, no runtime folder": ({"DISPLAY": unused, "XDG_RUNTIME_DIR": None}, f"{no_x}; {no_wayland}"),
            "X asked for, none there": ({"DISPLAY": unused, "QT_QPA_PLATFORM": "xcb"}, no_x),
            "no compositor there": ({"WAYLAND_DISPLAY": "wayland-none"}, "DISPLAY is not set; no Wayland "
                                    f'compositor answers on "{home}/wayland-none": No such file or directory'),
            "no runtime folder": ({"DISPLAY": unused, "WAYLAND_DISPLAY": "wayland-0", "XDG_RUNTIME_DIR": None},
                                  f'{no_x}; no Wayland compositor on "wayland-0": XDG_RUNTIME_DIR is not set'),
            "unknown platform": ({"DISPLAY": unused, "QT_QPA_PLATFORM": "nothing"}, None),
        }
        for name, (extra, said) in cases.items():
            with self.subTest(name):
                env = {key: value for key, value in dict(base, **extra).items() if value is not None}
                result = run([PROGRAM], env=env, check=False, timeout=20, cwd=home)
                self.assertEqual(result.returncode, 1, result.stderr)
                self.assertEqual(result.stdout, "")
                lines = result.stderr.splitlines()
                self.assertEqual(len(lines), 1, result.stderr)
                prefix = "fibwright: cannot connect to a display: "
                self.assertEqual(lines[0] if said else lines[0][:len(prefix)], prefix + (said or ""))
        self.assertEqual([name for name in os.listdir(home) if name.startswith("core")], [])

    def test_signal_while_the_display_stalls(self):
        # An X server that takes the connection and never answers: a
        # termination signal still ends the program at once, without a core.
        home = scratch_dir("stalled")
        self.addCleanup(clean_up)
        with socket.socket() as server:
            for port in range(6100, 6200):
                try:
                    server.bind(("127.0.0.1", port))
                    break
                except OSError:
                    continue
            server.listen(1)
            env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "HOME": home,
                   "DISPLAY": f"127.0.0.1:{port - 6000}", "QT_QPA_PLATFORM": "xcb"}
            program = subprocess.Popen([PROGRAM], env=env, cwd=home, stderr=subprocess.PIPE)
            connection, _ = server.accept()
            program.send_signal(signal.SIGTERM)
            self.assertEqual(program.wait(timeout=10), -signal.SIGTERM)
            connection.close()
            program.stderr.close()
        self.assertEqual(os.listdir(home), [])


class Keyboard(Session):
    """The keyboard alone: Alt chords, Return on buttons, the menu bar."""

    def test_alt_chords_type_nothing_and_altgr_types(self):
        self.start()
        for field, chords in (("Combo1", ["alt+f", "alt+x"]), ("Text1", ["alt+q", "alt+h"])):
            with self.subTest(field=field):
                before = self.field_text(field)
                self.press("End", *chords)
                self.assertEqual(self.field_text(field), before)
        # AltGr+Q on a German keyboard is "@".
        self.x.run("setxkbmap", "de")
        self.click_field("Text1")
        self.press("ctrl+End", "ISO_Level3_Shift+q")
        self.assertEqual(self.field_text("Text1"), OPENING + "@")

    def test_return_and_keypad_enter_press_the_focused_button(self):
        self.start()
        # Copy is fourth in the tab order after the first list.
        self.press(*["Tab"] * 4)
        self.assertEqual(self.clipboard.capture(lambda: self.press("Return")), OPENING)
        # After the sentence box: About, then Random, then Back.
        self.click_field("Text1")
        self.press("Tab", "KP_Enter")
        box = self.x.wait_window(ABOUT_TITLE)
        self.x.key(box, "Return")
        wait_for("the About box to close", lambda: not self.x.windows(ABOUT_TITLE))
        self.press("Tab")
        first = self.press_and_wait_for_sentence("Return", OPENING)
        self.press("Tab", "Tab")
        second = self.press_and_wait_for_sentence("space", first)
        self.press(*["Tab"] * 3)
        self.assertEqual(self.press_and_wait_for_sentence("KP_Enter", second), first)

    def test_menu_bar_by_keyboard(self):
        window = self.start()
        bar = (0, 0, CLIENT_WIDTH, self.menu_bar_height())
        idle = self.x.grab(window, bar)
        # An access key leaves the menu bar as it is.
        self.press("alt+r")
        self.assertNotEqual(self.copy_sentence(), OPENING)
        self.assertEqual(self.x.grab(window, bar), idle)
        # A lone Alt shows the active title; Escape leaves the menu bar.
        self.press("alt")
        wait_for("Alt to show the active title", lambda: self.x.grab(window, bar) != idle)
        self.press("Escape")
        wait_for("Escape to leave the menu bar", lambda: self.x.grab(window, bar) == idle)
        # F10, Down, Return: File > Exit.
        self.press("F10")
        wait_for("F10 to show the active title", lambda: self.x.grab(window, bar) != idle)
        self.press("Down")
        wait_for("the File menu", self.x.popups)
        self.x.key(None, "Return")
        self.assert_exits_cleanly()


class Screenshot(Session):
    """A picture of the window after a Random, with the bundled lists, for
    people to look at: fibwright-after-random.png in the build folder."""

    def test_screenshot_after_random(self):
        window = self.start(bundled_lists(PROGRAM))
        self.press("alt+r")
        # Copy, available from the start and pressed after Random, clicks
        # after it too.
        self.assertNotEqual(self.copy_sentence(), OPENING)
        # A second Random makes Back available (and Copy again): once Back
        # looks different, that Random is done.
        back = (16, self.menu_bar_height() + 144, 49, 25)
        unavailable = self.x.grab(window, back)
        self.press("alt+r")
        wait_for("Back to become available", lambda: self.x.grab(window, back) != unavailable)
        path = os.path.join(BUILD_DIR, "fibwright-after-random.png")
        if os.path.exists(path):
            os.remove(path)
        self.x.still_picture(window).save_png(path)
        _, _, width, height = self.x.geometry(window)
        self.assertEqual(png_size(path), (width, height))


def main():
    global PROGRAM, BUILD_DIR
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--program", required=True, help="the built fibwright executable")
    parser.add_argument("--build-dir", required=True, help="where the screenshot goes")
    args, rest = parser.parse_known_args()
    PROGRAM = os.path.abspath(args.program)
    BUILD_DIR = os.path.abspath(args.build_dir)
    os.makedirs(BUILD_DIR, exist_ok=True)
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


if __name__ == "__main__":
    main()
