#!/usr/bin/python3
"""Writes the Russian word list that lettrica-cli to-cyrillic reads words
back by, for the systems that lose letters (ICAO, Wikipedia, BGN/PCGN ...):

    tools/gen_word_list.py OUT

Every form of every word of hunspell-ru (its dictionary expanded by the
suffixes of its affix file), folded to small letters, sorted by their
Windows-1251 bytes, one a line. A word that the running text of fortunes-ru
uses is followed by a tab and how often it does, so that of two readings
the commoner wins; the words of fortune files held out for the recovery
benchmark (tools/bench_systems.py) are not counted, nor added.

The build makes it from the installed packages (tools/deps.sh) and installs
it beside the program's manual; it is not kept in the repository.
"""
import collections
import os
import re
import sys
import zlib

HUNSPELL = "/usr/share/hunspell/ru_RU"
FORTUNES = "/usr/share/games/fortunes/ru"
LETTERS = "абвгдеёжзийклмнопрстуфхцчшщъыьэюя"
WORD = re.compile("[" + LETTERS + "]+(?:-[" + LETTERS + "]+)*")


def held_out(name):
    """The fortune files the benchmark measures on: a fifth of them."""
    return zlib.crc32(name.encode()) % 5 == 0


def fortune_files(held):
    for name in sorted(os.listdir(FORTUNES)):
        path = os.path.join(FORTUNES, name)
        if "." in name or not os.path.isfile(path) or held_out(name) != held:
            continue
        yield path


def fortune_text(path):
    with open(path, "rb") as f:
        raw = f.read()
    try:
        return raw.decode("utf-8")
    except UnicodeDecodeError:
        return raw.decode("koi8-r")


def read_affixes(path):
    rules = collections.defaultdict(list)
    with open(path, encoding="utf-8") as f:
        for line in f:
            t = line.split()
            if len(t) >= 5 and t[0] == "SFX":
                strip = "" if t[2] == "0" else t[2]
                add = "" if t[3] == "0" else t[3].split("/")[0]
                cond = re.compile("(?:" + t[4] + ")$") if t[4] != "." else None
                rules[t[1]].append((strip, add, cond))
    return rules


def expand(dic, rules):
    words = set()
    with open(dic, encoding="utf-8") as f:
        next(f)  # the count
        for line in f:
            line = line.strip()
            if not line:
                continue
            stem, _, flags = line.partition("/")
            stem = stem.lower()
            words.add(stem)
            for flag in flags:
                for strip, add, cond in rules.get(flag, ()):
                    if cond and not cond.search(stem):
                        continue
                    if strip and not stem.endswith(strip):
                        continue
                    words.add(stem[: len(stem) - len(strip)] + add)
    return words


def main():
    words = expand(HUNSPELL + ".dic", read_affixes(HUNSPELL + ".aff"))
    counts = collections.Counter()
    for path in fortune_files(held=False):
        for w in WORD.findall(fortune_text(path).lower()):
            for part in w.split("-"):
                counts[part] += 1
    words = {w for w in words if w and all(c in LETTERS or c == "-" for c in w)}
    for w in list(words):
        if "-" in w:
            words.discard(w)
            words.update(p for p in w.split("-") if p)
    words.update(counts)
    with open(sys.argv[1], "w", encoding="cp1251", newline="\n") as out:
        for w in sorted(words, key=lambda w: w.encode("cp1251")):
            out.write(f"{w}\t{counts[w]}\n" if counts[w] else w + "\n")


if __name__ == "__main__":
    main()
