"""Clean text that Debian ships, for the repair scorer's statistics and for
the accuracy benchmark: Russian from fortunes-ru and hunspell-ru, English
from wamerican and the licence texts of base-files.

The text is split once, here, so that the benchmark never measures on what
the statistics were made from: a fifth of the fortune files and the licences
named in ENGLISH_HELD_OUT are held out.
"""
import glob
import os
import re
import zlib

FORTUNES_RU = "/usr/share/games/fortunes/ru"
HUNSPELL_RU = "/usr/share/hunspell/ru_RU.dic"
WORDS_EN = "/usr/share/dict/american-english"
LICENSES = "/usr/share/common-licenses"

ENGLISH_TRAINING = ["GPL-3", "Apache-2.0", "MPL-2.0", "CC0-1.0"]
ENGLISH_HELD_OUT = ["GPL-2", "LGPL-2.1", "Artistic", "BSD", "GFDL-1.2", "MPL-1.1"]


def _fortune_files():
    names = sorted(n for n in os.listdir(FORTUNES_RU)
                   if not n.endswith(".dat") and not n.endswith(".u8")
                   and os.path.isfile(os.path.join(FORTUNES_RU, n)))
    return names


def _held_out(name):
    return zlib.crc32(name.encode()) % 5 == 0


def _paragraphs_of_fortune(text):
    """The paragraphs of one fortune: lines joined, attribution lines and
    blank lines end a paragraph."""
    out, current = [], []
    for line in text.split("\n"):
        stripped = line.strip()
        if not stripped or stripped.startswith("--"):
            if current:
                out.append(" ".join(current))
                current = []
            continue
        current.append(stripped)
    if current:
        out.append(" ".join(current))
    return [re.sub(r"\s+", " ", p) for p in out]


def _fortunes(held_out):
    for name in _fortune_files():
        if _held_out(name) != held_out:
            continue
        with open(os.path.join(FORTUNES_RU, name), "rb") as f:
            text = f.read().decode("utf-8", errors="replace")
        for fortune in re.split(r"^%\s*$", text, flags=re.M):
            for p in _paragraphs_of_fortune(fortune):
                if "\ufffd" not in p:
                    yield p


def russian_training_paragraphs():
    return _fortunes(held_out=False)


def russian_held_out_paragraphs():
    """Held-out paragraphs, each once, none that also stands in a training file."""
    seen = set(_fortunes(held_out=False))
    for p in _fortunes(held_out=True):
        if p not in seen:
            seen.add(p)
            yield p


def russian_dictionary_words():
    with open(HUNSPELL_RU, encoding="utf-8") as f:
        next(f)  # the word count
        for line in f:
            word = line.split("/")[0].strip()
            if word:
                yield word


def english_dictionary_words():
    with open(WORDS_EN, encoding="utf-8") as f:
        for line in f:
            word = line.strip()
            if word.endswith("'s"):
                word = word[:-2]
            if word:
                yield word


def _license_paragraphs(names):
    for name in names:
        with open(os.path.join(LICENSES, name), encoding="utf-8") as f:
            for p in re.split(r"\n\s*\n", f.read()):
                p = re.sub(r"\s+", " ", p).strip()
                if p:
                    yield p


def english_training_paragraphs():
    return _license_paragraphs(ENGLISH_TRAINING)


def english_held_out_paragraphs():
    return _license_paragraphs(ENGLISH_HELD_OUT)


# ---- other languages: the translations of installed programs ----
#
# Every language a clean line may be in besides Russian and English, by the
# locale folder its translations live in. The message catalogues are split by
# a hash of each message: a fifth is held out for the benchmark, the rest
# makes the letter statistics (tools/gen_repair_model.py).

LOCALES = "/usr/share/locale"
# name, locale folders, script
FOREIGN_LANGUAGES = [
    ("French", ["fr"], "Latin"), ("Spanish", ["es"], "Latin"), ("Portuguese", ["pt", "pt_BR"], "Latin"),
    ("Italian", ["it"], "Latin"), ("German", ["de"], "Latin"), ("Dutch", ["nl"], "Latin"),
    ("Danish", ["da"], "Latin"), ("Swedish", ["sv"], "Latin"), ("Norwegian", ["nb", "nn"], "Latin"),
    ("Finnish", ["fi"], "Latin"), ("Icelandic", ["is"], "Latin"), ("Polish", ["pl"], "Latin"),
    ("Czech", ["cs"], "Latin"), ("Slovak", ["sk"], "Latin"), ("Romanian", ["ro"], "Latin"),
    ("Hungarian", ["hu"], "Latin"), ("Turkish", ["tr"], "Latin"), ("Vietnamese", ["vi"], "Latin"),
    ("Serbian Latin", ["sr@latin"], "Latin"),
    ("Ukrainian", ["uk"], "Cyrillic"), ("Belarusian", ["be"], "Cyrillic"), ("Bulgarian", ["bg"], "Cyrillic"),
    ("Serbian", ["sr"], "Cyrillic"), ("Macedonian", ["mk"], "Cyrillic"), ("Kazakh", ["kk"], "Cyrillic"),
]


def _mo_messages(path):
    """The translated texts of one compiled message catalogue (plural forms
    apart), decoded by the catalogue's own charset."""
    import struct
    with open(path, "rb") as f:
        data = f.read()
    if len(data) < 28:
        return []
    magic = struct.unpack("<I", data[:4])[0]
    order = "<" if magic == 0x950412DE else ">"
    _, count, originals, translations = struct.unpack(order + "4I", data[4:20])
    entries = []
    for i in range(count):
        olen, ooff = struct.unpack(order + "2I", data[originals + 8 * i:originals + 8 * i + 8])
        tlen, toff = struct.unpack(order + "2I", data[translations + 8 * i:translations + 8 * i + 8])
        entries.append((data[ooff:ooff + olen], data[toff:toff + tlen]))
    charset = "utf-8"
    for original, translated in entries:
        if original == b"":
            m = re.search(rb"charset=([-\w]+)", translated)
            if m:
                charset = m.group(1).decode("ascii")
    out = []
    for original, translated in entries:
        if original == b"":
            continue
        try:
            text = translated.decode(charset)
        except (UnicodeDecodeError, LookupError):
            continue
        out.extend(text.split("\0"))
    return out


def _held_out_line(line):
    return zlib.crc32(line.encode()) % 5 == 0


def foreign_lines(folders, held_out):
    """The distinct lines of a language's translations, in a fixed order."""
    seen = set()
    for folder in folders:
        for path in sorted(glob.glob(os.path.join(LOCALES, folder, "LC_MESSAGES", "*.mo"))):
            for message in _mo_messages(path):
                for line in message.split("\n"):
                    line = line.strip()
                    if line and line not in seen and "\ufffd" not in line and _held_out_line(line) == held_out:
                        seen.add(line)
    return sorted(seen)


def locale_folders():
    """Every locale folder with message catalogues."""
    return sorted(os.path.basename(p) for p in glob.glob(os.path.join(LOCALES, "*"))
                  if glob.glob(os.path.join(p, "LC_MESSAGES", "*.mo")))


def locale_lines(folder):
    """The distinct lines of one locale folder's translations, in a fixed
    order, held out or not."""
    seen = set()
    for path in sorted(glob.glob(os.path.join(LOCALES, folder, "LC_MESSAGES", "*.mo"))):
        for message in _mo_messages(path):
            for line in message.split("\n"):
                line = line.strip()
                if line and "\ufffd" not in line:
                    seen.add(line)
    return sorted(seen)


def script_of(lines):
    """"Latin", "Cyrillic" or None: the script of most of the letters."""
    import unicodedata
    counts = {"LATIN": 0, "CYRILLIC": 0, "other": 0}
    for line in lines:
        for ch in line:
            if ch.isalpha():
                name = unicodedata.name(ch, "")
                counts[name.split(" ")[0] if name.startswith(("LATIN", "CYRILLIC")) else "other"] += 1
    total = sum(counts.values())
    if not total or counts["other"] * 2 > total:
        return None
    # English messages left untranslated are Latin in any locale: a locale is
    # Cyrillic with a tenth of its letters so, Latin with hardly any other.
    if counts["CYRILLIC"] * 10 > total:
        return "Cyrillic"
    return "Latin" if counts["other"] * 10 < total else None

