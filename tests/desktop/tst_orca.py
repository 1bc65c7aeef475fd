# SPDX-License-Identifier: MIT
"""The program heard through the Orca screen reader, as its users hear it:
keys pressed on a real X server with openbox, Orca reading the program over
AT-SPI and speaking into a file (tests/support: ScreenReader). A pick in a
list is spoken once; after Random and after Back the new sentence is spoken
once and whole; after Copy a short confirmation. An access key is heard as
nothing but the keys' own echo: never as the menu bar's File.

Runs with lists of its own, plain words that every speech path leaves
alone.
"""

import argparse
import os
import sys

sys.dont_write_bytecode = True  # nothing written into the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, "support"))

from xsession import (Program, ScreenReader, XServer, accessible_nodes,  # noqa: E402
                      accessible_window, check, copy_program, main, start_accessibility_bus)

LISTS = {
    "list1.dat": ["Our tests show the", "The vendor says the", "Sadly the", "It seems the",
                  "Word is the", "Engineers found the", "Somehow the", "All reports say the"],
    "list2.dat": ["old", "new", "backup", "remote", "shared", "main", "spare", "hidden"],
    "list3.dat": ["server", "router", "disk", "cache", "printer", "switch", "modem", "kernel"],
    "list4.dat": ["is down.", "melted.", "lost power.", "went offline.", "needs a reboot.",
                  "ran out of memory.", "timed out.", "froze."],
}
COPIED = "Sentence copied"
# Orca echoes a modifier key pressed on its own, and from Orca 48 on the
# letter of an access key too.
def key_echo(keys):
    return {"left alt", keys.rpartition("+")[2]}


def test():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    args = parser.parse_args()

    xserver = XServer()
    xserver.start_window_manager()
    pyatspi = start_accessibility_bus(xserver)
    reader = ScreenReader(xserver)
    lists = {name: "\n".join(lines) + "\n" for name, lines in LISTS.items()}
    program = Program(xserver, copy_program(args.program, os.path.join(xserver.home, "app"), lists))
    window = program.main_window(20)
    # The window has the focus once Orca speaks the list that holds it.
    reader.wait_said("Orca to present the window's focus",
                     lambda said: any(line.startswith("First phrase") for line in said))
    sentence_box = next(node for node, _ in accessible_nodes(pyatspi, accessible_window(pyatspi))
                        if node.getRole() == pyatspi.ROLE_TEXT and node.name == "Sentence")

    def sentence():
        text = sentence_box.queryText()
        return text.getText(0, text.characterCount)

    def spoken(text):
        # Orca ends an utterance without a stop with one.
        return {text, text + "."}

    def press(*keys):
        return lambda: xserver.key(None, *keys)

    # Down in the first list picks its first item: its text is spoken, and
    # nothing but it. Orca 48 and later may present the list once more (its
    # name, role and the item): Qt's AT-SPI bridge follows any combo box's
    # new value with a selection change, which those Orcas present.
    first_item = min(LISTS["list1.dat"], key=str.casefold)
    said = reader.hear(press("Down"), "the pick", lambda s: set(s) & spoken(first_item))
    check(set(said) & spoken(first_item) and len(said) <= 2
          and all(line.rstrip(".").endswith(first_item) for line in said),
          f"after a pick Orca said {said}, expected {first_item!r} alone")

    def expect_only(said, wanted, after, keys):
        """Orca said what was wanted once, and besides only echoed the Alt
        key: an access key is heard as nothing else, above all not as the
        menu bar's File."""
        check(not any(line.rstrip(".") == "File" for line in said),
              f"after {after} Orca said 'File': the access key reached the menu bar: {said}")
        heard = [line for line in said if line in spoken(wanted)]
        check(len(heard) == 1, f"after {after} Orca said {wanted!r} {len(heard)} times: {said}")
        others = [line for line in said if line not in spoken(wanted) and line.strip() not in key_echo(keys)]
        check(not others, f"after {after} Orca also said {others}: {said}")

    def expect_sentence(keys, after):
        old = sentence()
        said = reader.hear(press(keys), after,
                           lambda s: sentence() != old and set(s) & spoken(sentence()))
        new = sentence()
        expect_only(said, new, after, keys)
        return new

    first = expect_sentence("alt+r", "the first Random")
    second = expect_sentence("alt+r", "the second Random")
    check(second != first, "two Randoms in a row gave the same sentence; rerun the test")
    restored = expect_sentence("alt+b", "Back")
    check(restored == first, f"Back restored {restored!r}, expected {first!r}")

    said = reader.hear(press("alt+c"), "Copy", lambda s: set(s) & spoken(COPIED))
    expect_only(said, COPIED, "Copy", "alt+c")

    program.close(window)


if __name__ == "__main__":
    main(test)
