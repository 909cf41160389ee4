#!/usr/bin/python3
"""How many words of running Russian text come back exactly through each
system that loses letters: lettrica-cli to-latin, then to-cyrillic, on the
fortune files that the word list's counts were not made from (a fifth of
fortunes-ru, chosen as tools/gen_word_list.py holds them out).

    tools/bench_systems.py [LETTRICA_CLI] [SYSTEM...]

A word is a run of Cyrillic letters; it comes back when the same run stands
in its place, capitals and all.
"""
import os
import re
import subprocess
import sys
import time
import zlib

FORTUNES = "/usr/share/games/fortunes/ru"
CLI = sys.argv[1] if len(sys.argv) > 1 else "build/release/src/cli/lettrica-cli"
WORD = re.compile("[А-Яа-яЁё]+")


def held_out_text():
    parts = []
    for name in sorted(os.listdir(FORTUNES)):
        path = os.path.join(FORTUNES, name)
        if "." in name or not os.path.isfile(path) or zlib.crc32(name.encode()) % 5 != 0:
            continue
        with open(path + ".u8", encoding="utf-8", errors="replace") as f:
            parts.append(f.read())
    # Running Russian text: lines with no letters of other alphabets.
    lines = [l for l in "\n".join(parts).split("\n") if not re.search("[A-Za-zѐ-џѠ-ӿ]", l)]
    return "\n".join(lines) + "\n"


def run(args, text):
    return subprocess.run([CLI] + args, input=text, capture_output=True, text=True, check=True).stdout


def main():
    listing = run(["systems"], "")
    systems = sys.argv[2:] or [l.split()[0] for l in listing.split("\n")[1:] if "by words" in l]
    text = held_out_text()
    words = WORD.findall(text)
    print(f"{len(words)} words of held-out running text")
    print(f"{'system':16} {'back %':>7} {'seconds':>8}")
    for name in systems:
        latin = run(["to-latin", "--table", name], text)
        start = time.monotonic()
        back = run(["to-cyrillic", "--table", name], latin)
        seconds = time.monotonic() - start
        got = WORD.findall(back)
        same = sum(a == b for a, b in zip(words, got)) if len(got) == len(words) else 0
        if len(got) != len(words):
            # Align line by line when a word split or merged somewhere.
            same = 0
            for a, b in zip(text.split("\n"), back.split("\n")):
                wa, wb = WORD.findall(a), WORD.findall(b)
                if len(wa) == len(wb):
                    same += sum(x == y for x, y in zip(wa, wb))
        print(f"{name:16} {100.0 * same / len(words):7.2f} {seconds:8.2f}")


if __name__ == "__main__":
    main()
