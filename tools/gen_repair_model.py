#!/usr/bin/python3
"""Writes src/engine/repair/language_tables.cpp: the letter trigram statistics
of Russian and of English by which the repair of garbled text tells a good
paragraph from a broken one.

    tools/gen_repair_model.py > src/engine/repair/language_tables.cpp
    tools/gen_repair_model.py --foreign > src/engine/repair/foreign_tables.cpp

Sources (Debian packages): fortunes-ru and hunspell-ru for Russian, the
licences of base-files and wamerican for English; tools/repair_corpus.py
holds back part of them for the accuracy benchmark.

A word is a run of letters of one alphabet, folded to small letters; anything
else ends it. For each language the table gives, for every two letters before
(or the word's start) and every next letter (or the word's end), the cost
-ln P in quarter nats, 0..63, as one character of ALPHABET. P is a Witten-Bell
interpolation of trigram, bigram and letter frequencies: over the
vocabulary, each word counted once, for Russian; over running text and the
dictionary for English (see train_on_text). The mean cost per symbol of running text
is written too: the scorer measures a word against it, so that a typical word
of either language scores about nought.

Letters alone cannot tell "человек" from "деловек"; the commonest Russian
words of the running text are listed too, each with what knowing the word
adds to its letters' cost: ln(P(word) / 2) - ln P(letters), in quarter nats,
at most 8 nats, as in a mixture of a word list and the letter model. Nor can
they tell "Финансисты" from "Синансисты", which differ in a capital that two
code pages swap: the beginnings of all the vocabulary's words are listed too.
For English, whose repairs to Latin must be made of words, the words
themselves are.
"""
import collections
import math
import re
import sys

import repair_corpus

RUSSIAN = "абвгдеёжзийклмнопрстуфхцчшщъыьэюя"
ENGLISH = "abcdefghijklmnopqrstuvwxyz"
ALPHABET = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/"
LEXICON_SIZE = 5000
# Word beginnings: the first three to BEGINNING letters of every word of the
# vocabulary, as a Bloom filter of 2^BLOOM_BITS bits probed BLOOM_PROBES
# times. About 2 % of beginnings no word has pass it.
BEGINNING = 6
BLOOM_BITS = 20
BLOOM_PROBES = 5
MASK64 = (1 << 64) - 1


def words(text, letters):
    word = []
    for ch in text.lower():
        if ch in letters:
            word.append(letters.index(ch) + 1)
        elif word:
            yield word
            word = []
    if word:
        yield word


def letter_probabilities(counts, n):
    """P(c) of the n symbols, each seen once more than it was."""
    total = sum(counts.values())
    return [(counts[c] + 1) / (total + n) for c in range(n)]


def bigram_probabilities(bi, uni, n):
    """P(c | b), Witten-Bell interpolated with the letter probabilities."""
    ctx = collections.Counter()
    types = collections.Counter()
    for (b, c), k in bi.items():
        ctx[b] += k
        types[b] += 1
    p = {}
    for b in range(n):
        for c in range(n):
            p[b, c] = (bi[b, c] + types[b] * uni[c]) / (ctx[b] + types[b]) if ctx[b] else uni[c]
    return p


class Model:
    def __init__(self, letters):
        self.letters = letters
        self.size = len(letters) + 1  # 0 is the word's edge
        self.tri = collections.Counter()
        self.bi = collections.Counter()
        self.uni = collections.Counter()

    def add(self, text, weight=1.0):
        for w in words(text, self.letters):
            seq = [0, 0] + w + [0]
            for i in range(2, len(seq)):
                a, b, c = seq[i - 2], seq[i - 1], seq[i]
                self.tri[a, b, c] += weight
                self.bi[b, c] += weight
                self.uni[c] += weight

    def finish(self):
        n = self.size
        uni = letter_probabilities(self.uni, n)
        bigrams = bigram_probabilities(self.bi, uni, n)
        tri_ctx = collections.Counter()
        tri_types = collections.Counter()
        for (a, b, c), k in self.tri.items():
            tri_ctx[a, b] += k
            tri_types[a, b] += 1
        self.p = {}
        for a in range(n):
            for b in range(n):
                for c in range(n):
                    pb = bigrams[b, c]
                    p = pb
                    if tri_ctx[a, b]:
                        t = tri_types[a, b]
                        p = (self.tri[a, b, c] + t * pb) / (tri_ctx[a, b] + t)
                    self.p[a, b, c] = p

    def cost(self, a, b, c):
        return min(63, round(-math.log(self.p[a, b, c]) * 4))

    def mean_cost(self, texts):
        """Mean quantised cost per symbol (letters and word ends), in quarter nats."""
        total = count = 0
        for text in texts:
            for w in words(text, self.letters):
                seq = [0, 0] + w + [0]
                for i in range(2, len(seq)):
                    total += self.cost(seq[i - 2], seq[i - 1], seq[i])
                    count += 1
        return total / count


    def word_cost(self, w):
        """-ln P of the letters of a word and its end, in quarter nats."""
        seq = [0, 0] + w + [0]
        return sum(self.cost(seq[i - 2], seq[i - 1], seq[i]) for i in range(2, len(seq)))


def lexicon(model, texts):
    counts = collections.Counter()
    for text in texts:
        for w in words(text, model.letters):
            counts[tuple(w)] += 1
    total = sum(counts.values())
    out = []
    for w, k in counts.most_common(LEXICON_SIZE):
        gain = math.log(k / total / 2) * 4 + model.word_cost(list(w))
        out.append((w, max(0, min(32, round(gain)))))
    return out


def emit_lexicon(out, name, entries):
    out.write("// Words as their letters' digits, each followed by its gain's digit, then a space.\n")
    out.write(f"extern const char {name}[] =\n")
    line = ""
    for w, gain in entries:
        item = "".join(ALPHABET[i] for i in w) + ALPHABET[gain] + " "
        if len(line) + len(item) > 96:
            out.write(f'    "{line}"\n')
            line = ""
        line += item
    out.write(f'    "{line}";\n\n')


def emit(out, name, model):
    n = model.size
    chars = "".join(ALPHABET[model.cost(a, b, c)] for a in range(n) for b in range(n) for c in range(n))
    out.write(f"// {n} x {n} x {n}: [before last][last][next], 0 the word's edge.\n")
    out.write(f"extern const char {name}[] =\n")
    for i in range(0, len(chars), 96):
        out.write(f'    "{chars[i:i + 96]}"\n')
    out.write(";\n\n")


def beginning_key(word):
    """The first letters of a word as digits of base 34 (letters 1..33)."""
    key = 0
    for d in word[:BEGINNING]:
        key = key * 34 + d
    return key


def bloom_probe(key, i):
    """Bit i of a key; the scorer computes the same."""
    x = (key ^ (i * 0x632BE59BD9B4E019)) & MASK64
    return ((x * 0x9E3779B97F4A7C15) & MASK64) >> (64 - BLOOM_BITS)


def emit_bloom(out, name, what, keys):
    bits = bytearray(1 << BLOOM_BITS)
    for key in keys:
        for i in range(BLOOM_PROBES):
            bits[bloom_probe(key, i)] = 1
    chars = "".join(ALPHABET[sum(bits[j + b] << b for b in range(6) if j + b < len(bits))]
                    for j in range(0, len(bits), 6))
    out.write(f"// Bloom filter of {what}, 6 bits a character, low bit first.\n")
    out.write(f"extern const char {name}[] =\n")
    for i in range(0, len(chars), 96):
        out.write(f'    "{chars[i:i + 96]}"\n')
    out.write(";\n\n")


def emit_beginnings(out, name, vocabulary, letters):
    def keys():
        for w in vocabulary:
            digits = [letters.index(ch) + 1 for ch in w]
            for n in range(3, min(len(digits), BEGINNING) + 1):
                yield beginning_key(digits[:n])
    emit_bloom(out, name, "the vocabulary's word beginnings", keys())


# English words: a Bloom filter, as above, of whole words in small letters
# (an apostrophe inside counts as a letter: "isn't"). Only words that the
# dictionary spells in small letters, and those of the running text: a repair
# to Latin must make words, and names ("Ned") make anything pass.
ENGLISH_WORD = ENGLISH + "'"


def english_word_key(word):
    """A whole word as digits of base 28 (letters 1..26, the apostrophe 27),
    wrapping at 64 bits."""
    key = 0
    for ch in word:
        key = (key * 28 + ENGLISH_WORD.index(ch) + 1) & MASK64
    return key


def english_vocabulary(running, dictionary):
    vocabulary = set()
    for w in dictionary:
        w = w.replace("’", "'")
        if re.fullmatch(r"[a-z]+(?:'[a-z]+)*", w):
            vocabulary.add(w)
    for text in running:
        for w in re.findall(r"[a-z]+(?:'[a-z]+)*", text.lower().replace("’", "'")):
            vocabulary.add(w)
    return vocabulary


def emit_english_words(out, name, vocabulary):
    emit_bloom(out, name, "English words in small letters", (english_word_key(w) for w in vocabulary))


def distinct_words(texts, letters):
    seen = set()
    for text in texts:
        for w in words(text, letters):
            seen.add("".join(letters[i - 1] for i in w))
    return seen


def train_on_vocabulary(letters, running, dictionary):
    """The letter model of a language's vocabulary: every word once, so that
    "что" does not make every word that starts with "ч" likelier. The word
    list then gives the common words their due."""
    model = Model(letters)
    vocabulary = distinct_words(running, letters) | distinct_words(dictionary, letters)
    for w in sorted(vocabulary):
        model.add(w)
    model.finish()
    model.vocabulary = vocabulary
    return model


def train_on_text(letters, running, dictionary):
    """The letter model of running text, the dictionary's words added at half
    weight: for English, whose running text here is too little for a word
    list of its own, so the common words weigh in the letters."""
    model = Model(letters)
    for p in running:
        model.add(p)
    for w in dictionary:
        model.add(w, 0.5)
    model.finish()
    return model


def main():
    running_ru = list(repair_corpus.russian_training_paragraphs())
    russian = train_on_vocabulary(RUSSIAN, running_ru, repair_corpus.russian_dictionary_words())
    running_en = list(repair_corpus.english_training_paragraphs())
    english = train_on_text(ENGLISH, running_en, repair_corpus.english_dictionary_words())

    out = sys.stdout
    out.write("// Generated by tools/gen_repair_model.py from fortunes-ru, hunspell-ru,\n")
    out.write("// wamerican and the licences of base-files; do not edit.\n\n")
    out.write('#include "repair/language_tables.h"\n\n')
    out.write("namespace lettrica::repair::detail {\n\n")
    emit(out, "kRussianTrigrams", russian)
    emit(out, "kEnglishTrigrams", english)
    emit_lexicon(out, "kRussianWords", lexicon(russian, running_ru))
    emit_beginnings(out, "kRussianBeginnings", russian.vocabulary, RUSSIAN)
    emit_english_words(out, "kEnglishWords",
                       english_vocabulary(running_en, repair_corpus.english_dictionary_words()))
    out.write("// Mean cost per symbol of running text, in 1/16 nats.\n")
    out.write(f"extern const int kRussianMeanCost = {round(russian.mean_cost(running_ru) * 4)};\n")
    out.write(f"extern const int kEnglishMeanCost = {round(english.mean_cost(running_en) * 4)};\n\n")
    out.write("}  // namespace lettrica::repair::detail\n")


# ---- the languages a clean line may be in besides Russian and English ----
#
# Each is its alphabet, as its spelling has it (the English letters too, for
# the names and loanwords of any text), and a letter bigram model of its
# program translations (the training part of repair_corpus.foreign_lines).
# Bigrams are enough here: the question is not which word was meant, only
# whether a line is plausible text of that language at all, and a misread
# line fails on letters its alphabet lacks long before its bigrams count.
LATIN = "abcdefghijklmnopqrstuvwxyz"
FOREIGN_ALPHABETS = {
    "French": LATIN + "àâæçéèêëîïôœùûüÿ",
    "Spanish": LATIN + "áéíñóúü",
    "Portuguese": LATIN + "áâãàçéêíóôõúü",
    "Italian": LATIN + "àèéìíîòóùú",
    "German": LATIN + "äöüß",
    "Dutch": LATIN + "áéèëíïóöúü",
    "Danish": LATIN + "æøåé",
    "Swedish": LATIN + "åäöé",
    "Norwegian": LATIN + "æøåéèêóòô",
    "Finnish": LATIN + "äöåšž",
    "Icelandic": LATIN + "áðéíóúýþæö",
    "Polish": LATIN + "ąćęłńóśźż",
    "Czech": LATIN + "áčďéěíňóřšťúůýž",
    "Slovak": LATIN + "áäčďéíĺľňóôŕšťúýž",
    "Romanian": LATIN + "ăâîșțşţ",
    "Hungarian": LATIN + "áéíóöőúüű",
    "Turkish": LATIN + "çğıöşüâîû",
    "Vietnamese": LATIN + "àáảãạăằắẳẵặâầấẩẫậđèéẻẽẹêềếểễệìíỉĩịòóỏõọôồốổỗộơờớởỡợùúủũụưừứửữựỳýỷỹỵ",
    "Serbian Latin": LATIN + "čćđšž",
    "Ukrainian": "абвгґдеєжзиіїйклмнопрстуфхцчшщьюя",
    "Belarusian": "абвгдеёжзійклмнопрстуўфхцчшыьэюя",
    "Bulgarian": "абвгдежзийклмнопрстуфхцчшщъьюяѝ",
    "Serbian": "абвгдђежзијклљмнњопрстћуфхцчџш",
    "Macedonian": "абвгдѓежзѕијклљмнњопрстќуфхцчџшѝ",
    "Kazakh": "аәбвгғдеёжзийкқлмнңоөпрстуұүфхһцчшщъыіьэюя",
}


class BigramModel:
    """Letter bigrams of one language, word edges included (symbol 0),
    Witten-Bell interpolated with the letter frequencies."""

    def __init__(self, letters):
        self.letters = letters
        self.size = len(letters) + 1
        self.bi = collections.Counter()
        self.uni = collections.Counter()

    def words(self, text):
        return words(text.replace("İ", "i").replace("I", "i"), self.letters)

    def add(self, text):
        for w in self.words(text):
            seq = [0] + w + [0]
            for b, c in zip(seq, seq[1:]):
                self.bi[b, c] += 1
                self.uni[c] += 1

    def finish(self):
        self.p = bigram_probabilities(self.bi, letter_probabilities(self.uni, self.size), self.size)

    def cost(self, b, c):
        return min(63, round(-math.log(self.p[b, c]) * 4))

    def mean_cost(self, lines):
        total = count = 0
        for line in lines:
            for w in self.words(line):
                seq = [0] + w + [0]
                for b, c in zip(seq, seq[1:]):
                    total += self.cost(b, c)
                    count += 1
        return total / count


def cpp_u16(text):
    return 'u"' + "".join(ch if ord(ch) < 0x80 else "\\u%04X" % ord(ch) for ch in text) + '"'


def main_foreign():
    out = sys.stdout
    out.write("// Generated by tools/gen_repair_model.py --foreign from the program\n")
    out.write("// translations Debian ships (/usr/share/locale); do not edit.\n\n")
    out.write('#include "repair/foreign_tables.h"\n\n')
    out.write("namespace lettrica::repair::detail {\n\n")
    entries = []
    for name, folders, script in repair_corpus.FOREIGN_LANGUAGES:
        letters = FOREIGN_ALPHABETS[name]
        model = BigramModel(letters)
        lines = repair_corpus.foreign_lines(folders, held_out=False)
        for line in lines:
            model.add(line)
        model.finish()
        n = model.size
        chars = "".join(ALPHABET[model.cost(b, c)] for b in range(n) for c in range(n))
        ident = "k" + name.replace(" ", "") + "Bigrams"
        out.write(f"// {name}: {n} x {n}, [last][next], 0 the word's edge.\n")
        out.write(f"const char {ident}[] =\n")
        for i in range(0, len(chars), 96):
            out.write(f'    "{chars[i:i + 96]}"\n')
        out.write(";\n\n")
        mean = round(model.mean_cost(lines) * 4)
        capitals = "".join(c.upper() if len(c.upper()) == 1 else c for c in letters)
        entries.append(f'    {{"{name}", {str(script == "Cyrillic").lower()}, {cpp_u16(letters)}, {cpp_u16(capitals)},\n'
                       f'     {ident}, {mean}}},\n')
    out.write("extern const ForeignModel kForeignModels[] = {\n")
    for e in entries:
        out.write(e)
    out.write("};\n")
    out.write(f"extern const int kForeignModelCount = {len(entries)};\n\n")
    out.write("}  // namespace lettrica::repair::detail\n")


if __name__ == "__main__":
    if sys.argv[1:] == ["--foreign"]:
        main_foreign()
    else:
        main()
