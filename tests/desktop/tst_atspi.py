# SPDX-License-Identifier: MIT
"""The running program as a screen reader sees it, read over AT-SPI: every
control named and of the right kind, the hidden working fields nowhere in
the tree, and Back's and Copy's enabled states following Random, Back and
Copy pressed through the buttons' own accessible actions.

Runs on an X server of its own, with its session bus.
"""

import argparse
import os
import sys

sys.dont_write_bytecode = True  # nothing written into the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, "support"))

from xsession import (Program, XServer, accessible_nodes, accessible_window, check,  # noqa: E402
                      extents, main, start_accessibility_bus, wait_for)

LIST_NAMES = ["First phrase", "Second phrase", "Third phrase", "Fourth phrase"]
BUTTON_NAMES = {"Copy", "About", "Random", "Back"}


def test():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    args = parser.parse_args()

    xserver = XServer()
    pyatspi = start_accessibility_bus(xserver)
    program = Program(xserver, args.program)
    window = program.main_window(20)
    frame = accessible_window(pyatspi)
    nodes = accessible_nodes(pyatspi, frame)

    def role(node):
        return node.getRole()

    def inside(ancestors, wanted):
        return any(a.getRole() == wanted for a in ancestors)

    # The four lists, named for their place in the sentence: the first
    # across the top, the other three left to right below it.
    lists = [n for n, _ in nodes if role(n) == pyatspi.ROLE_COMBO_BOX]
    check(len(lists) == 4, f"4 combo boxes expected, found {[n.name for n in lists]}")
    top, *row = sorted(lists, key=lambda n: extents(pyatspi, n)[1])
    in_order = [top] + sorted(row, key=lambda n: extents(pyatspi, n)[0])
    check([n.name for n in in_order] == LIST_NAMES,
          f"the lists, top to bottom and left to right, are named {[n.name for n in in_order]}")

    # Text fields: the sentence box and each list's edit field, nothing else.
    texts = [(n, a) for n, a in nodes
             if role(n) in (pyatspi.ROLE_TEXT, pyatspi.ROLE_ENTRY, pyatspi.ROLE_PASSWORD_TEXT,
                            pyatspi.ROLE_PARAGRAPH, pyatspi.ROLE_DOCUMENT_TEXT)]
    outside_lists = [n for n, a in texts if not inside(a, pyatspi.ROLE_COMBO_BOX)]
    check([n.name for n in outside_lists] == ["Sentence"],
          f"text fields outside the lists: {[n.name for n in outside_lists]}, expected only 'Sentence'")
    sentence = outside_lists[0]
    check(sentence.getState().contains(pyatspi.STATE_EDITABLE), "the sentence box is not editable")
    check(len(texts) == 5, f"5 text fields expected (sentence and 4 edit fields), found {len(texts)}")
    edit_fields = {}
    for combo in lists:
        fields = [c for c in combo if c is not None and role(c) == pyatspi.ROLE_TEXT]
        check(len(fields) == 1, f"the list {combo.name!r} has {len(fields)} edit fields")
        edit_fields[combo.name] = fields[0]

    buttons = {n.name: n for n, _ in nodes if role(n) == pyatspi.ROLE_PUSH_BUTTON}
    check(set(buttons) == BUTTON_NAMES and len(buttons) == 4,
          f"push buttons named {sorted(buttons)}, expected {sorted(BUTTON_NAMES)}")

    # Nothing a user can reach goes without a name, and no name shows an "&".
    for node, ancestors in nodes:
        if inside(ancestors, pyatspi.ROLE_POPUP_MENU) or role(node) not in (
                pyatspi.ROLE_COMBO_BOX, pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_TEXT,
                pyatspi.ROLE_MENU_ITEM, pyatspi.ROLE_MENU, pyatspi.ROLE_CHECK_BOX,
                pyatspi.ROLE_RADIO_BUTTON, pyatspi.ROLE_SPIN_BUTTON):
            continue
        check(node.name.strip(), f"a {node.getRoleName()} has no name")
        check("&" not in node.name, f"the name {node.name!r} shows its access key marker")

    def enabled(name):
        states = buttons[name].getState()
        return states.contains(pyatspi.STATE_ENABLED) and states.contains(pyatspi.STATE_SENSITIVE)

    def press(name):
        action = buttons[name].queryAction()
        names = [action.getName(i) for i in range(action.nActions)]
        check("Press" in names, f"{name} offers no Press action, only {names}")
        action.doAction(names.index("Press"))

    def text_of(node):
        text = node.queryText()
        return text.getText(0, text.characterCount)

    def expect(name, state, after):
        wait_for(f"{name} to be {'enabled' if state else 'disabled'} after {after}",
                 lambda: enabled(name) == state, 10)

    def sentence_becomes_other_than(old, after):
        return wait_for(f"the sentence to change after {after}",
                        lambda: text_of(sentence) != old and text_of(sentence), 10)

    def check_sentence_matches_lists():
        parts = [text_of(edit_fields[name]) for name in LIST_NAMES]
        check(text_of(sentence) == " ".join(parts),
              f"the sentence reads {text_of(sentence)!r}, the lists {parts}")

    check(enabled("Random") and enabled("About"), "Random or About starts disabled")
    check(enabled("Copy"), "Copy starts disabled")
    check(not enabled("Back"), "Back starts enabled")

    press("Copy")
    expect("Copy", False, "Copy")

    start = text_of(sentence)
    press("Random")
    first = sentence_becomes_other_than(start, "the first Random")
    check_sentence_matches_lists()
    expect("Copy", True, "the sentence changed")
    check(not enabled("Back"), "Back is enabled after the first Random")

    press("Random")
    sentence_becomes_other_than(first, "the second Random")
    expect("Back", True, "the second Random")
    press("Copy")
    expect("Copy", False, "Copy")

    press("Back")
    expect("Back", False, "Back")
    check(wait_for("Back to restore the sentence", lambda: text_of(sentence) == first, 10),
          "the sentence was not restored")
    check_sentence_matches_lists()
    expect("Copy", True, "Back changed the sentence")

    program.close(window)


if __name__ == "__main__":
    main(test)
