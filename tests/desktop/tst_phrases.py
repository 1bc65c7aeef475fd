# SPDX-License-Identifier: MIT
"""The bundled phrase lists: any one phrase from each joins into one English
sentence, so each list keeps to its slot (list 1 the opening up to the
subject's "the", list 2 one modifier, list 3 a singular noun, list 4 the
predicate with its full stop); no word of substance recurs across two lists
or in more than a few phrases of one; the sentences stay short; the files
are clean UTF-8 text with one phrase a line; and hunspell (en_US plus
data/words.txt) knows every word."""

import argparse
import collections
import os
import re
import sys

sys.dont_write_bytecode = True  # nothing written into the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, "support"))

from xsession import PHRASE_LISTS, check, main, run  # noqa: E402

MINIMUM = 120
ARTICLES = {"a", "an", "the"}
# Nouns that end in a single s and are singular all the same.
SINGULAR_IN_S = {"antivirus", "bus"}
# Predicates start with a verb that needs no plural subject: one ending in
# -s (is, has, keeps) or -ed, or one of these past forms and modals.
OTHER_VERBS = {"came", "cannot", "chose", "could", "fell", "got", "grew", "had", "heard", "hit", "left",
               "lost", "ran", "sent", "set", "shut", "took", "went", "wrote"}
# A word of four letters or more (in any case, without a plural s, each part
# of a hyphenated compound on its own) stays in one list, and in at most
# MOST_PHRASES of it; these function words may recur.
FUNCTION_WORDS = {"about", "after", "again", "because", "been", "before", "from", "have", "just",
                  "only", "since", "that", "this", "until", "were", "what", "when", "where", "with"}
MOST_PHRASES = 5
# Words in a sentence, over every pick of four phrases.
LONGEST_SENTENCE, LONGEST_MEDIAN = 22, 16


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


def content_words(phrase):
    words = (word.lower() for word in re.findall(r"[A-Za-z]+", phrase) if len(word) >= 4)
    return {word.removesuffix("s") for word in words if word not in FUNCTION_WORDS}


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

    first_use = {}
    for number, phrases in enumerate((openings, modifiers, nouns, predicates), 1):
        uses = collections.Counter()
        for line in phrases:
            for word in content_words(line):
                uses[word] += 1
                other, where = first_use.setdefault(word, (number, line))
                check(other == number,
                      f"list{number}.dat {line!r} repeats \"{word}\" of list{other}.dat {where!r}")
        crowded = sorted(word for word, count in uses.items() if count > MOST_PHRASES)
        check(not crowded, f"list{number}.dat has each of {crowded} in over {MOST_PHRASES} phrases")

    sentences = {0: 1}  # words in a sentence: how many sentences have that many
    for phrases in (openings, modifiers, nouns, predicates):
        longer = collections.Counter()
        for length, count in collections.Counter(len(line.split(" ")) for line in phrases).items():
            for words, ways in sentences.items():
                longer[words + length] += ways * count
        sentences = longer
    below = 0
    for median in sorted(sentences):
        below += sentences[median]
        if 2 * below >= sum(sentences.values()):
            break
    check(max(sentences) <= LONGEST_SENTENCE and median <= LONGEST_MEDIAN,
          f"sentences run to {max(sentences)} words, {median} at the median"
          f" (at most {LONGEST_SENTENCE} and {LONGEST_MEDIAN})")

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
