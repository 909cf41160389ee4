#!/usr/bin/python3
"""Speed and memory of lettrica-cli fix-encoding and fix-layout against iconv
on the same files, in one run.

    tools/repair_speed.py [--cli build/release/src/cli/lettrica-cli] [--size MB] [--runs N]

The files are made from the held-out text of tools/repair_corpus.py: accented
Latin-script lines (program translations), right Russian, Russian read in the
wrong code page, one line of 50 MB with no line break, and a last line of a
megabyte of UTF-8 continuation bytes with no end. Each command runs --runs
times after a warm-up, interleaved with `iconv -f utf-8 -t utf-16` on the
same file; the table gives the median time, MB/s, the ratio to iconv, the
same for processor time (user and system: the fairer figure on a machine
others share) and the peak memory (GNU time). A command that runs past --limit seconds is stopped
and reported so.

This is a benchmark, not a test: figures depend on the machine and its load.
"""
import argparse
import os
import random
import signal
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import repair_accuracy  # noqa: E402  (its codec error handler)
import repair_corpus  # noqa: E402


def write_repeated(path, lines, size):
    data = ("\n".join(lines) + "\n").encode()
    with open(path, "wb") as f:
        written = 0
        while written < size:
            f.write(data)
            written += len(data)


def corpora(work, size):
    rng = random.Random(5)
    latin = []
    for _, folders, script in repair_corpus.FOREIGN_LANGUAGES:
        if script == "Latin":
            latin += [line for line in repair_corpus.foreign_lines(folders, held_out=True) if not line.isascii()]
    rng.shuffle(latin)
    russian = list(repair_corpus.russian_held_out_paragraphs())
    garbled = [repair_accuracy.misread(p, "utf-8", "cp1251") for p in russian]
    files = []
    for name, lines in (("accented Latin text", latin), ("right Russian", russian),
                        ("UTF-8 read as Windows-1251", [g for g in garbled if g])):
        path = os.path.join(work, name.replace(" ", "_") + ".txt")
        write_repeated(path, lines, size)
        files.append((name, path))
    path = os.path.join(work, "one_line.txt")
    with open(path, "wb") as f:
        one = (" ".join(latin) + " ").encode()
        written = 0
        while written < 50_000_000:
            f.write(one)
            written += len(one)
    files.append(("accented Latin, 50 MB in one line", path))
    path = os.path.join(work, "continuation.txt")
    with open(path, "wb") as f:
        f.write(b"Hi \xd0" + b"\x80" * (1 << 20))
    files.append(("a megabyte of continuation bytes, no end", path))
    return files


def timed(command, limit):
    """Wall seconds, peak KB and processor seconds of one run, or None past the limit."""
    start = time.monotonic()
    # A session of its own, so that a run past the limit is stopped whole.
    process = subprocess.Popen(["/usr/bin/time", "-f", "%M %U %S"] + command, stdout=subprocess.DEVNULL,
                               stderr=subprocess.PIPE, start_new_session=True)
    try:
        _, err = process.communicate(timeout=limit)
    except subprocess.TimeoutExpired:
        os.killpg(process.pid, signal.SIGKILL)
        process.communicate()
        return None
    seconds = time.monotonic() - start
    lines = err.decode().strip().splitlines()
    try:
        peak, user, system = lines[-1].split()
        return seconds, int(peak), float(user) + float(system)
    except (IndexError, ValueError):
        return None


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--cli", default="build/release/src/cli/lettrica-cli")
    parser.add_argument("--size", type=float, default=20, help="MB of each file of lines")
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--limit", type=float, default=120, help="seconds before a run is stopped")
    parser.add_argument("--layout", action="store_true", help="fix-layout too")
    args = parser.parse_args()
    cli = os.path.realpath(args.cli)
    commands = ["fix-encoding"] + (["fix-layout"] if args.layout else [])
    with tempfile.TemporaryDirectory() as work:
        files = corpora(work, int(args.size * 1e6))
        print(f"{'file':44} {'command':13} {'MB':>6} {'s':>7} {'MB/s':>8} {'x iconv':>8} {'cpu s':>7} "
              f"{'x iconv':>8} {'peak MB':>8}")
        for name, path in files:
            mb = os.path.getsize(path) / 1e6
            iconv = ["iconv", "-f", "utf-8", "-t", "utf-16", path]
            for command in commands:
                ours, theirs, peaks, our_cpu, their_cpu = [], [], [], [], []
                timed([cli, command, path], args.limit)  # warm-up
                for _ in range(args.runs):
                    run = timed([cli, command, path], args.limit)
                    if run is None:
                        break
                    ours.append(run[0])
                    peaks.append(run[1])
                    our_cpu.append(run[2])
                    reference = timed(iconv, args.limit)
                    if reference:
                        theirs.append(reference[0])
                        their_cpu.append(reference[2])
                if not ours:
                    print(f"{name:44} {command:13} {mb:6.1f}  stopped after {args.limit:.0f} s")
                    continue
                t, cpu = statistics.median(ours), statistics.median(our_cpu)
                ratio = f"{t / statistics.median(theirs):8.1f}" if theirs else "       -"
                cpu_ratio = f"{cpu / max(statistics.median(their_cpu), 0.01):8.1f}" if their_cpu else "       -"
                print(f"{name:44} {command:13} {mb:6.1f} {t:7.2f} {mb / t:8.1f} {ratio} {cpu:7.2f} {cpu_ratio} "
                      f"{max(peaks) / 1024:8.1f}")


if __name__ == "__main__":
    main()
