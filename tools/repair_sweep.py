#!/usr/bin/python3
"""Clean lines changed by fix-encoding and fix-layout, per locale: every
locale under /usr/share/locale whose translations are mostly in Latin or
Cyrillic letters, a sample of its translated lines through both repairs.
None should change; the table lists the locales where some do.

    tools/repair_sweep.py [--cli build/release/src/cli/lettrica-cli] [--sample 3000] [--show 3]

This is a benchmark over all the translations on the machine, held out or
not: it prints figures and exits 0.
"""
import argparse
import os
import random
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import repair_corpus  # noqa: E402


def changed(cli, command, lines):
    with tempfile.NamedTemporaryFile("w", encoding="utf-8", suffix=".txt", delete=False) as f:
        f.write("\n".join(lines) + "\n")
        name = f.name
    try:
        out = subprocess.run([cli, command, name], capture_output=True, check=True).stdout.decode("utf-8")
    finally:
        os.unlink(name)
    result = out.split("\n")[:len(lines)]
    return [(a, b) for a, b in zip(lines, result) if a != b]


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--cli", default="build/release/src/cli/lettrica-cli")
    parser.add_argument("--sample", type=int, default=3000)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--show", type=int, default=3)
    args = parser.parse_args()
    folders = repair_corpus.locale_folders()
    rows, swept, total = [], 0, 0
    for folder in folders:
        lines = repair_corpus.locale_lines(folder)
        script = repair_corpus.script_of(lines)
        if script is None:
            continue
        random.Random(f"{args.seed}:{folder}").shuffle(lines)
        lines = lines[:args.sample]
        swept += 1
        total += len(lines)
        for command in ("fix-encoding", "fix-layout"):
            diffs = changed(args.cli, command, lines)
            if diffs:
                rows.append((folder, script, command, len(diffs), len(lines), diffs[:args.show]))
    print(f"{swept} locales in Latin or Cyrillic letters, {total} lines")
    if not rows:
        print("no clean line changed")
        return
    print(f"{'locale':12} {'script':9} {'command':13} {'changed':>8} {'of':>6}")
    for folder, script, command, n, of, examples in rows:
        print(f"{folder:12} {script:9} {command:13} {n:8} {of:6}")
        for a, b in examples:
            print(f"    {a!r}\n -> {b!r}")


if __name__ == "__main__":
    main()
