#!/usr/bin/python3
"""Accuracy of lettrica-cli fix-encoding and fix-layout, as a table.

    tools/repair_accuracy.py [--cli build/release/src/cli/lettrica-cli] [--per-chain N]

Garbled cases are made here, with Python's own codecs and keyboard maps, from
clean text that the scorer's statistics were not made from (the held-out part
of tools/repair_corpus.py): Russian paragraphs, and for the layout English
ones too. For every chain the table gives the share of garbled paragraphs of
three words or more that come back exactly. For clean text of every kind
(Russian, English, mixed, code, numbers, addresses, one-word lines) it gives
the share that is changed at all, which should be none.

This is a benchmark: it prints figures and exits 0. With --clean-only
--strict it is the test that no clean line of any kind changes (exit 1 when
one does).
"""
import argparse
import base64
import codecs
import hashlib
import glob
import os
import random
import string
import subprocess
import sys
import tempfile
import uuid

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import repair_corpus  # noqa: E402

CHARSETS = [
    ("UTF-8", "utf-8"), ("Windows-1251", "cp1251"), ("DOS 866", "cp866"), ("KOI8-R", "koi8_r"),
    ("ISO 8859-5", "iso8859_5"), ("Mac Cyrillic", "mac_cyrillic"), ("Latin-1", "latin_1"),
    ("Windows-1252", "cp1252"),
]
RUSSIAN_CAPABLE = [c for c in CHARSETS if c[1] not in ("latin_1", "cp1252")]


# A byte that a code page leaves unassigned reads as the C1 control of the
# same value, as the program's tables have it.
def _c1(error):
    return "".join(chr(b) for b in error.object[error.start:error.end]), error.end


codecs.register_error("lettrica-c1", _c1)


def misread(text, written, read):
    """The text written in one charset and read in another, or None when it
    cannot be written, or when UTF-8 is read from bytes that are not UTF-8."""
    try:
        data = text.encode(written)
    except UnicodeEncodeError:
        return None
    try:
        return data.decode(read, errors="strict" if read == "utf-8" else "lettrica-c1")
    except UnicodeDecodeError:
        return None


US = "`qwertyuiop[]asdfghjkl;'zxcvbnm,./~QWERTYUIOP{}ASDFGHJKL:\"ZXCVBNM<>?@#$^&|"
RU = "ёйцукенгшщзхъфывапролджэячсмитьбю.ЁЙЦУКЕНГШЩЗХЪФЫВАПРОЛДЖЭЯЧСМИТЬБЮ,\"№;:?/"
RU_TYPED_ON_US = {r: u for u, r in zip(US, RU)}
US_TYPED_ON_RU = {u: r for u, r in zip(US, RU)}


US_TYPABLE = set(chr(c) for c in range(0x20, 0x7F))
RU_TYPABLE = set(RU) | set("абвгдеёжзийклмнопрстуфхцчшщъыьэюяАБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ") | \
    set(" 0123456789!%*()_+-=\\")


def typed_on_us(text):
    """What typing this Russian text with the US layout on gives."""
    return "".join(RU_TYPED_ON_US.get(c, c) for c in text)


def typed_on_russian(text):
    return "".join(US_TYPED_ON_RU.get(c, c) for c in text)


def run(cli, command, lines):
    with tempfile.NamedTemporaryFile("w", encoding="utf-8", suffix=".txt", delete=False) as f:
        f.write("\n".join(lines) + "\n")
        path = f.name
    try:
        out = subprocess.run([cli, command, path], capture_output=True, check=True).stdout
    finally:
        os.unlink(path)
    got = out.decode("utf-8", errors="replace").split("\n")
    assert got[-1] == "" and len(got) == len(lines) + 1, (command, len(got), len(lines))
    return got[:-1]


def words(p):
    return len(p.split())


# ---- clean text of every kind ----

def clean_sets(rng):
    russian = [p for p in repair_corpus.russian_held_out_paragraphs()]
    english = [p for p in repair_corpus.english_held_out_paragraphs()]
    english_sentences = [s.strip() + "." for p in english for s in p.split(". ") if words(s) >= 3]
    english_words = sorted({w.strip(".,;:()\"'") for p in english for w in p.split()} - {""})
    russian_words = sorted({w.strip(".,;:!?()\"'-…«»") for p in russian for w in p.split()} - {""})

    mixed = []
    for p in rng.sample(russian, min(1500, len(russian))):
        ws = p.split()
        for _ in range(rng.randint(1, 3)):
            ws.insert(rng.randint(0, len(ws)), rng.choice(english_words))
        mixed.append(" ".join(ws))
    for _ in range(500):
        mixed.append(rng.choice(english_sentences) + " " + rng.choice(russian))

    code = []
    for path in sorted(glob.glob("/usr/include/*.h"))[:60] + sorted(glob.glob("/usr/lib/python3*/json/*.py")):
        with open(path, encoding="utf-8", errors="replace") as f:
            code += [line.rstrip() for line in f if line.strip() and "\ufffd" not in line]
    code = rng.sample(code, min(4000, len(code)))

    numbers = []
    for _ in range(1500):
        numbers.append(rng.choice([
            f"{rng.randint(0, 10**9):,}".replace(",", " "),
            f"{rng.uniform(-1e4, 1e4):.{rng.randint(0, 5)}f}",
            f"{rng.randint(1900, 2100)}-{rng.randint(1, 12):02}-{rng.randint(1, 28):02}",
            f"+7 ({rng.randint(100, 999)}) {rng.randint(100, 999)}-{rng.randint(10, 99)}-{rng.randint(10, 99)}",
            f"{rng.randint(1, 99)} %, {rng.randint(1, 999)} руб., № {rng.randint(1, 999)}",
            f"{rng.randint(0, 23):02}:{rng.randint(0, 59):02}",
        ]))

    addresses = []
    names = [w.lower() for w in english_words if w.isalpha() and 3 <= len(w) <= 10]
    for _ in range(800):
        a, b = rng.choice(names), rng.choice(names)
        addresses.append(rng.choice([
            f"https://www.{a}.org/{b}/index.html",
            f"{a}.{b}@example.com",
            f"http://{a}.ru/{b}?id={rng.randint(1, 999)}",
            f"www.{a}{b}.com",
            f"ftp://{a}.net/pub/{b}.tar.gz",
            f"Пишите на {a}@{b}.ru или заходите на https://{b}.ru/",
        ]))

    one_word = rng.sample(russian_words, min(3000, len(russian_words))) + \
        rng.sample(english_words, min(3000, len(english_words)))

    machine = []
    for _ in range(1000):
        data = bytes(rng.getrandbits(8) for _ in range(32))
        machine.append(rng.choice([
            hashlib.md5(data).hexdigest(), hashlib.sha1(data).hexdigest(), hashlib.sha256(data).hexdigest(),
            str(uuid.UUID(bytes=data[:16])), base64.b64encode(data[:rng.randint(6, 32)]).decode(),
            "".join(rng.choice(string.ascii_letters + string.digits + "!#%*-_+=.,?") for _ in range(rng.randint(8, 20))),
            "".join(rng.choice(string.ascii_letters) for _ in range(rng.randint(8, 16))),
            hashlib.md5(data).hexdigest()[:rng.randint(7, 12)],
        ]))

    capitals = "АБВГДЕЖЗИКЛМНОПРСТУФХЦЧШЭЮЯ"
    abbreviations = ["т.е., т.д., т.п., др.", "АБВГД", "и т.д.", "и т.п.", "т.е.", "т.к.", "т.н.", "и др.",
                     "см. выше", "г. Москва", "ул. Ленина, д. 5, кв. 12", "СССР", "ГОСТ", "МВД РФ"]
    for _ in range(1000):
        abbreviations.append("".join(rng.choice(capitals) for _ in range(rng.randint(2, 5))))

    sets = [
        ("Russian", russian), ("English", english), ("mixed Russian and English", mixed),
        ("code", code), ("numbers and dates", numbers), ("web and e-mail addresses", addresses),
        ("one-word lines", one_word),
        ("hashes, UUIDs, passwords, base64", machine), ("Russian abbreviations", abbreviations),
    ]
    for name, folders, _ in repair_corpus.FOREIGN_LANGUAGES:
        sets.append((name, repair_corpus.foreign_lines(folders, held_out=True)))
    # Languages without a model of their own, and Russian translations: a
    # sample of each (tools/repair_sweep.py goes through every locale).
    others = []
    for folder in OTHER_LOCALES:
        lines = repair_corpus.locale_lines(folder)
        others += rng.sample(lines, min(300, len(lines)))
    sets.append((f"{len(OTHER_LOCALES)} other locales, 300 lines each", others))
    return sets


OTHER_LOCALES = ["ru", "ky", "sr@ije", "mn", "tt", "tg", "ku", "et", "lv", "lt", "sl", "hr", "sq", "ca", "eu", "eo",
                 "ga", "cy", "id", "af", "az", "oc"]


# ---- the benchmark ----

def chains():
    singles = [((w, r),) for w in RUSSIAN_CAPABLE for r in CHARSETS if r != w]
    doubles = [(first, (CHARSETS[0], r)) for (first,) in singles for r in CHARSETS[1:]]
    return singles, doubles


def chain_name(chain):
    return ", then ".join(f"{w[0]} read as {r[0]}" for w, r in chain)


def garble(text, chain):
    for w, r in chain:
        text = misread(text, w[1], r[1])
        if text is None:
            return None
    return text


# Lines by length: short (one or two words: a repair may be missed, never
# wrong), medium (three to ten words), long (more), and medium lines that
# begin with a small letter (a wrapped line, a list item).
KINDS = ("short", "medium", "small", "long")


def line_kinds(russian, rng):
    short = []
    for p in russian:
        ws = p.split()
        if len(ws) >= 2:
            k = rng.randint(0, len(ws) - 2)
            short.append(" ".join(ws[k:k + rng.randint(1, 2)]).strip(".,;:!?()\"'-…«»"))
    short = [w for w in short if w]
    medium = [p for p in russian if 3 <= words(p) <= 10]
    small = [p[0].lower() + p[1:] for p in medium if p[0].isalpha() and p[0].isupper()]
    long = [p for p in russian if words(p) > 10]
    return {"short": short, "medium": medium, "small": small, "long": long}


def encoding_table(cli, rng, per_chain, kinds):
    singles, doubles = chains()
    rows = []
    lines, expected, owner = [], [], []
    for chain in singles + doubles:
        row = [chain, {k: [0, 0, 0] for k in KINDS}, []]  # kind: cases, repaired, changed wrongly
        for kind in KINDS:
            cases = 0
            for p in rng.sample(kinds[kind], min(len(kinds[kind]), 4 * per_chain)):
                g = garble(p, chain)
                if g is not None and g != p and "\n" not in g and "\r" not in g:
                    lines.append(g)
                    expected.append(p)
                    owner.append((len(rows), kind))
                    cases += 1
                if cases == per_chain:
                    break
        rows.append(row)
    got = run(cli, "fix-encoding", lines)
    for i, line in enumerate(got):
        r, kind = owner[i]
        tally = rows[r][1][kind]
        tally[0] += 1
        if line == expected[i]:
            tally[1] += 1
        else:
            if line != lines[i]:
                tally[2] += 1
            if kind != "short":
                rows[r][2].append((lines[i], line, expected[i]))
    return rows[:len(singles)], rows[len(singles):]


def layout_rows(cli, rng, per_chain, russian, english):
    rows = []
    # Only text that can be typed on its own layout: a slip of the layout is
    # not defined for a Latin word in Russian text, or for "[" in English
    # typed on the Russian layout, which has no such key.
    for name, texts, garbler, typable in (
            ("Russian typed on the US layout", russian, typed_on_us, RU_TYPABLE),
            ("English typed on the Russian layout", english, typed_on_russian, US_TYPABLE)):
        long_enough = [p for p in texts if words(p) >= 3 and set(p) <= typable]
        sample = rng.sample(long_enough, min(per_chain, len(long_enough)))
        garbled = [garbler(p) for p in sample]
        got = run(cli, "fix-layout", garbled)
        misses = [(g, o, p) for g, o, p in zip(garbled, got, sample) if o != p]
        rows.append((name, len(sample), len(sample) - len(misses), misses))
    return rows


def share(part, whole):
    return f"{100.0 * part / whole:6.2f} %" if whole else "     -"


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--cli", default="build/release/src/cli/lettrica-cli")
    parser.add_argument("--per-chain", type=int, default=400, help="garbled paragraphs per chain")
    parser.add_argument("--seed", type=int, default=12)
    parser.add_argument("--show", type=int, default=0, help="examples of misses for chains below 99 %%")
    parser.add_argument("--all", action="store_true", help="every two-step chain, not only the twelve lowest")
    parser.add_argument("--clean-only", action="store_true", help="the table of clean lines alone")
    parser.add_argument("--strict", action="store_true", help="exit 1 when a clean line changes")
    args = parser.parse_args()
    rng = random.Random(args.seed)

    sets = clean_sets(rng)
    russian = sets[0][1]
    english = sets[1][1]
    if not args.clean_only:
        garbled_tables(args, rng, russian, english)
    changed = clean_table(args.cli, sets)
    if args.strict and changed:
        sys.exit(1)


def garbled_tables(args, rng, russian, english):
    print("Garbled lines repaired exactly, fix-encoding (short: changed wrongly):\n")
    singles, doubles = encoding_table(args.cli, rng, args.per_chain, line_kinds(russian, rng))

    def cells(kinds):
        out = []
        for kind in KINDS:
            n, ok, wrong = kinds[kind]
            out.append(f"{n:5} {share(wrong if kind == 'short' else ok, n)}")
        return "  ".join(out)

    def total(rows):
        out = {k: [0, 0, 0] for k in KINDS}
        for row in rows:
            for k in KINDS:
                for i in range(3):
                    out[k][i] += row[1][k][i]
        return out

    header = "  ".join(f"{'n':>5} {k:>8}" for k in ("short", "medium", "small", "long"))
    print(f"{'chain':66} {header}")
    for chain, kinds, _ in singles:
        print(f"{chain_name(chain):66} {cells(kinds)}")
    print(f"{'all single misreadings':66} {cells(total(singles))}")
    print(f"\nTwo misreadings, the second from UTF-8 ({len(doubles)} chains), the lowest by medium lines:")

    def medium_share(row):
        n, ok, _ = row[1]["medium"]
        return ok / n if n else 1

    for chain, kinds, _ in sorted(doubles, key=medium_share)[:None if args.all else 12]:
        print(f"{chain_name(chain):66} {cells(kinds)}")
    print(f"{'all of them':66} {cells(total(doubles))}")
    for kind in ("medium", "small", "long"):
        worst = min(((r[1][kind][1] / r[1][kind][0]), chain_name(r[0])) for r in singles + doubles if r[1][kind][0])
        print(f"lowest share of any chain, {kind} lines: {100 * worst[0]:.2f} % ({worst[1]})")
    worst = max(((r[1]["short"][2] / r[1]["short"][0]), chain_name(r[0])) for r in singles + doubles
                if r[1]["short"][0])
    print(f"highest share of short lines changed wrongly: {100 * worst[0]:.2f} % ({worst[1]})")
    for chain, kinds, misses in singles + doubles:
        n, ok, _ = kinds["medium"]
        if n and ok < 0.99 * n and args.show:
            print(f"\n  {chain_name(chain)}: lines not repaired exactly (garbled / got / meant)")
            for g, o, p in misses[:args.show]:
                print(f"    {g[:90]!r}\n    {o[:90]!r}\n    {p[:90]!r}")

    print("\nGarbled paragraphs of three words or more repaired exactly, fix-layout:\n")
    for name, n, ok, misses in layout_rows(args.cli, rng, max(args.per_chain, 1000), russian, english):
        print(f"{name:72} {n:6} {share(ok, n)}")
        if ok < 0.99 * n and args.show:
            print("  paragraphs not repaired exactly (garbled / got / meant)")
            for g, o, p in misses[:args.show]:
                print(f"    {g[:90]!r}\n    {o[:90]!r}\n    {p[:90]!r}")



def clean_table(cli, sets):
    """Prints the share of clean lines of each kind that either command
    changes; returns how many were changed in all."""
    print("\nClean lines changed (goal: none):\n")
    print(f"{'text':40} {'lines':>7} {'fix-encoding':>13} {'fix-layout':>11}")
    changed = 0
    for name, lines in sets:
        lines = [line for line in lines if line and "\n" not in line]
        if not lines:
            print(f"{name:40} {0:7}   (no text of this kind here)")
            continue
        enc = run(cli, "fix-encoding", lines)
        lay = run(cli, "fix-layout", lines)
        ce = sum(1 for a, b in zip(enc, lines) if a != b)
        cl = sum(1 for a, b in zip(lay, lines) if a != b)
        changed += ce + cl
        print(f"{name:40} {len(lines):7} {ce:6} {share(ce, len(lines))} {cl:4} {share(cl, len(lines))}")
        for a, b in [(a, b) for a, b in zip(enc, lines) if a != b][:3] + \
                [(a, b) for a, b in zip(lay, lines) if a != b][:3]:
            print(f"    {b[:70]!r}\n -> {a[:70]!r}")
    return changed


if __name__ == "__main__":
    main()
