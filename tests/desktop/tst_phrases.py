# SPDX-License-Identifier: MIT
"""The bundled phrase lists: any one phrase from each joins into one English
sentence, so each list keeps to its slot (list 1 the opening up to the
subject's "the", list 2 one modifier, list 3 a singular noun, list 4 the
predicate with its full stop); the files are clean UTF-8 text with one
phrase a line; and hunspell (en_US plus data/words.txt) knows every word."""

import argparse
import os
import re
import sys

sys.dont_write_bytecode = True  # nothing written into the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, "support"))

from xsession import PHRASE_LISTS, check, main, run  # noqa: E402

MINIMUM = 120
ARTICLES = {"a", "an", "the"}
# Nouns that end in a single s and are singular all the same.
SINGULAR_IN_S = {"bus"}
# Predicates start with a verb that needs no plural subject: one ending in
# -s (is, has, keeps) or -ed, or one of these past forms and modals.
OTHER_VERBS = {"cannot", "chose", "could", "lost", "ran", "sent", "went"}


def read_lines(path):
    data = open(path, "rb").read()
    name = os.path.basename(path)
    try:
        text = data.decode("utf-8")
    except UnicodeDecodeError as failure:
        raise AssertionError(f"{name} is not UTF-8: {failure}") from None
    check("\r" not in text, f"{name} has a CR line end")
    check(text.endswith("\n"), f"{name} does not end with a line end")
    lines = text[:-1].split("\n")
    for number, line in enumerate(lines, 1):
        where = f"{name}:{number} {line!r}"
        check(line and line == line.strip() and "  " not in line and "\t" not in line,
              f"{where}: empty, or blanks at an end or doubled")
    repeated = sorted({line for line in lines if lines.count(line) > 1})
    check(not repeated, f"{name} repeats {repeated}")
    check(len(lines) >= MINIMUM, f"{name} holds {len(lines)} phrases, fewer than {MINIMUM}")
    return lines


def mid_sentence(word):
    """Lower case, or an abbreviation such as DNS, IPv6 or the B of B-tree."""
    first = word.split("-")[0]
    return not first[0].isupper() or len(first) == 1 or sum(c.isupper() for c in first) >= 2


def test():
    parser = argparse.ArgumentParser()
    parser.add_argument("--data-dir", required=True)
    args = parser.parse_args()
    paths = [os.path.join(args.data_dir, name) for name in PHRASE_LISTS]
    openings, modifiers, nouns, predicates = (read_lines(path) for path in paths)

    for line in openings:
        check(line[0].isupper() and line.endswith(" the"),
              f"list1.dat {line!r}: a sentence's opening ends with \" the\"")
    for line in modifiers:
        check(re.fullmatch(r"[A-Za-z0-9]+(-[A-Za-z0-9]+)*", line) and mid_sentence(line)
              and line.split("-")[0].lower() not in ARTICLES,
              f"list2.dat {line!r}: one modifier, a word or a hyphenated compound")
    for line in nouns:
        words = line.split(" ")
        head = words[-1]
        check(all(re.fullmatch(r"[A-Za-z0-9]+(-[A-Za-z0-9]+)*", word) for word in words)
              and mid_sentence(words[0]) and words[0].lower() not in ARTICLES,
              f"list3.dat {line!r}: a noun phrase without its article")
        check(not head.endswith("s") or head.endswith("ss") or head in SINGULAR_IN_S,
              f"list3.dat {line!r}: \"{head}\" looks plural (add it to SINGULAR_IN_S if it is not)")
        check(words[0] not in modifiers, f"list3.dat {line!r} repeats the modifier \"{words[0]}\"")
    for line in predicates:
        verb = line.split(" ")[0]
        check(line.endswith(".") and not re.search(r"[.?!;]", line[:-1]),
              f"list4.dat {line!r}: one predicate ending with its full stop")
        check(verb.islower() and (verb.endswith(("s", "ed")) or verb in OTHER_VERBS),
              f"list4.dat {line!r}: \"{verb}\" does not agree with a singular subject"
              " (add a past form to OTHER_VERBS)")

    words = os.path.join(args.data_dir, "words.txt")
    accepted = open(words, encoding="utf-8").read().splitlines()
    check(accepted == sorted(set(accepted)), "words.txt is not sorted (C order) and unique")
    hunspell = ["hunspell", "-d", "en_US", "-i", "UTF-8", "-p", words, "-l"]
    check(run(hunspell, input="Teh resolver\n").stdout.split() == ["Teh"],
          "hunspell does not flag a misspelt word")
    for path in paths:
        unknown = run([*hunspell, path]).stdout.split()
        check(not unknown, f"{os.path.basename(path)}: hunspell does not know {sorted(set(unknown))}"
                           " (fix the spelling, or add a technical word to data/words.txt)")


if __name__ == "__main__":
    main(test)
