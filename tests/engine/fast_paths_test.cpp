// The converters' bulk loops (UTF-16, Windows-1251 bytes, UTF-8) against the
// one-step-at-a-time reference that the document driver uses.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <random>
#include <vector>

#include "text/cp1251.h"
#include "text/expanding_byte_map.h"
#include "text/utf8.h"
#include "text/utf8_cyrillic.h"
#include "translit/char_map_converter.h"
#include "translit/cyrillic_to_latin.h"
#include "translit/latin_to_cyrillic.h"
#include "test_util.h"

using namespace lettrica;
using namespace lettrica::translit;

namespace {

std::vector<const Converter*> builtins() {
    static const LatinToCyrillic gostTableLoop(LatinToCyrillic::System::Gost, LatinToCyrillic::Loop::Table);
    static const LatinToCyrillic angloTableLoop(LatinToCyrillic::System::Anglo, LatinToCyrillic::Loop::Table);
    static const CharMapConverter gostPlain = gostCyrillicToLatin().withoutVectorLoops();
    static const CharMapConverter angloPlain = angloCyrillicToLatin().withoutVectorLoops();
    return {&gostLatinToCyrillic(), &angloLatinToCyrillic(), &gostTableLoop, &angloTableLoop,
            &gostCyrillicToLatin(), &angloCyrillicToLatin(), &gostPlain, &angloPlain};
}

// Random text dense in rule letters and signs, with Cyrillic, line breaks and
// characters outside Windows-1251 (a surrogate pair among them).
std::u16string randomText(std::size_t size, unsigned seed) {
    static const std::u16string pieces[] = {
        u"S", u"s", u"H", u"h", u"C", u"c", u"Z", u"z", u"Y", u"y", u"J", u"j", u"E", u"e", u"K", u"k",
        u"a", u"o", u"u", u"A", u"O", u"U", u"X", u"q", u"W", u"`", u"'", u"\"", u" ", u"\r\n", u"ж",
        u"Щ", u"ё", u"Ё", u"ъ", u"Ь", u"№", u"—", u"中", u"😀", u"Ω", u"é", u"1", u".", u"\u0490"};
    std::mt19937 rng(seed);
    std::uniform_int_distribution<std::size_t> pick(0, std::size(pieces) - 1);
    std::u16string s;
    while (s.size() < size) s += pieces[pick(rng)];
    return s;
}

// The reference: the base class's loop, one step() at a time.
std::u16string reference(const Converter& c, std::u16string_view text) {
    std::u16string out;
    c.Converter::convertText(text, true, out);
    return out;
}

}  // namespace

TEST(FastPaths, AllFormsAgreeWithTheStepByStepReference) {
    for (unsigned seed = 1; seed <= 20; ++seed) {
        const std::u16string text = randomText(2000, seed);
        const std::string utf8 = text::encodeUtf8(text);
        for (const Converter* c : builtins()) {
            const std::u16string want = reference(*c, text);
            EXPECT_EQ(convertAll(*c, text), want) << seed;

            std::string out;
            EXPECT_EQ(c->convertUtf8(utf8, true, out), utf8.size());
            EXPECT_EQ(out, text::encodeUtf8(want)) << seed;

            // The byte form sees what Windows-1251 holds of the same text.
            std::u16string inCodePage;
            for (char16_t ch : text)
                if (text::unicodeToCp1251(ch) >= 0) inCodePage.push_back(ch);
            const std::string bytes = text::encodeCp1251(inCodePage).bytes;
            out.clear();
            EXPECT_EQ(c->convertBytes(bytes, true, out), bytes.size());
            EXPECT_EQ(text::decodeCp1251(out), reference(*c, inCodePage)) << seed;
        }
    }
}

TEST(FastPaths, LatinToCyrillicLoopsAgreeOnAnyBytesAndUnits) {
    // Every loop the processor can run, each asked for by name (not only the
    // one the converter would pick), against the step-by-step reference: any
    // byte, any UTF-16 unit, and runs of rule letters that chain ("jjja",
    // "SSchh", "````", "'''") across the blocks of 32 and 64 characters, over
    // texts long enough for many of them, whole and cut anywhere.
    static const std::string dense[] = {"S", "s", "h", "H", "c", "C", "j", "J", "a", "o", "u", "e", "E", "k", "z",
                                        "y", "Y", "`", "'", "\"", "q", "x", "X", "Q", "jjja", "SSchh", "````", "'''",
                                        "Shh", "Jo", "JO", "`E", "Sch", "Ya", "YU"};
    using Loop = LatinToCyrillic::Loop;
    std::vector<std::unique_ptr<LatinToCyrillic>> loops;
    for (Loop loop : {Loop::Table, Loop::Avx2, Loop::Avx512}) {
        if (!LatinToCyrillic::loopAvailable(loop)) {
            std::printf("[          ] loop %d: not on this processor\n", static_cast<int>(loop));
            continue;
        }
        for (auto system : {LatinToCyrillic::System::Gost, LatinToCyrillic::System::Anglo}) {
            loops.push_back(std::make_unique<LatinToCyrillic>(system, loop));
            ASSERT_EQ(loops.back()->loop(), loop);
        }
    }
    std::mt19937 rng(62);
    for (int round = 0; round < 60; ++round) {
        std::string bytes;
        // Some texts all ASCII and long, whose output in UTF-8 gathers
        // kilobytes before it is widened; some with other bytes only now
        // and then, so that most blocks run whole.
        const bool ascii = round % 5 == 1;
        const std::size_t size = ascii ? 5000 + rng() % 5000 : 50 + rng() % 3000;
        const unsigned rareEvery = ascii ? ~0u : round % 3 == 0 ? 3 : 40;
        while (bytes.size() < size) {
            if (rng() % rareEvery == 0) bytes += static_cast<char>(rng() % 256);
            else bytes += dense[rng() % (round % 3 == 0 ? std::size(dense) : 20)];
        }
        std::u16string units;
        for (unsigned char b : bytes) units += rng() % 8 == 0 ? static_cast<char16_t>(rng() % 0x10000) : char16_t{b};
        const std::string utf8 = text::encodeUtf8(text::decodeCp1251(bytes));
        const std::size_t cut = rng() % (bytes.size() + 1);
        for (const auto& loop : loops) {
            const LatinToCyrillic& c = *loop;
            const std::string wantBytes = text::encodeCp1251(reference(c, text::decodeCp1251(bytes))).bytes;
            std::string out;
            c.convertBytes(bytes, true, out);
            ASSERT_TRUE(out == wantBytes) << round << " loop " << static_cast<int>(c.loop());
            out.clear();  // cut anywhere, not final, then the rest
            const std::size_t used = c.convertBytes(std::string_view(bytes).substr(0, cut), false, out);
            c.convertBytes(std::string_view(bytes).substr(used), true, out);
            ASSERT_TRUE(out == wantBytes) << round << " cut " << cut << " loop " << static_cast<int>(c.loop());

            const std::string wantUtf8 = text::encodeUtf8(reference(c, text::decodeUtf8(utf8)));
            out.clear();
            c.convertUtf8(utf8, true, out);
            ASSERT_TRUE(out == wantUtf8) << round << " loop " << static_cast<int>(c.loop());
            out.clear();
            const std::size_t cut8 = cut * utf8.size() / std::max<std::size_t>(bytes.size(), 1);
            const std::size_t used8 = c.convertUtf8(std::string_view(utf8).substr(0, cut8), false, out);
            c.convertUtf8(std::string_view(utf8).substr(used8), true, out);
            ASSERT_TRUE(out == wantUtf8) << round << " cut " << cut8 << " loop " << static_cast<int>(c.loop());

            std::u16string converted;
            c.convertText(units, true, converted);
            ASSERT_TRUE(converted == reference(c, units)) << round;
        }
    }
}

TEST(FastPaths, PiecewiseUtf8MatchesWholeAtEveryCut) {
    // Every cut point, including inside a character and inside a rule.
    const std::string utf8 = text::encodeUtf8(randomText(300, 99));
    for (const Converter* c : builtins()) {
        std::string whole;
        c->convertUtf8(utf8, true, whole);
        for (std::size_t step : {1u, 2u, 3u, 5u, 64u}) {
            std::string out, pending;
            for (std::size_t i = 0; i < utf8.size(); i += step) {
                pending += utf8.substr(i, step);
                pending.erase(0, c->convertUtf8(pending, false, out));
            }
            c->convertUtf8(pending, true, out);
            EXPECT_EQ(out, whole) << step;
        }
    }
}

TEST(FastPaths, DefaultUtf8PathKeepsSurrogatePairsWhole) {
    // A converter with lookahead that relies on the base class's UTF-8 path.
    struct Wrapped : Converter {
        Step step(std::u16string_view text, std::size_t pos) const override {
            return angloLatinToCyrillic().step(text, pos);
        }
        std::size_t lookahead() const override { return 2; }
    } wrapped;
    for (const char* text : {"😀a", "a😀b", "😀😀", "Sh😀", "😀Sch"}) {
        std::string out, pending = text;
        pending.erase(0, wrapped.convertUtf8(pending, false, out));
        wrapped.convertUtf8(pending, true, out);
        EXPECT_EQ(out, S(convertAll(angloLatinToCyrillic(), U(text)))) << text;
    }
}

TEST(FastPaths, ExpandingByteMapAgreesWithItsTable) {
    // Random tables of outputs of one to three bytes (a NUL first byte
    // among them), over every input length around its blocks of 63 bytes
    // and steps of 21, read byte by byte as the reference.
    std::uint64_t packed[256];
    const auto word = [](std::string_view out) {
        std::uint64_t w = 0;
        for (std::size_t k = 0; k < out.size(); ++k) w |= std::uint64_t{static_cast<unsigned char>(out[k])} << (8 * k);
        return w | std::uint64_t{out.size()} << 56;
    };
    for (unsigned b = 0; b < 256; ++b) packed[b] = word(std::string(1, static_cast<char>(b)));
    if (!text::ExpandingByteMap::makeUncapped(packed)) GTEST_SKIP() << "no AVX-512 VBMI2 on this processor";
    std::mt19937 rng(63);
    std::string outputs[256];
    for (int round = 0; round < 12; ++round) {
        for (unsigned b = 0; b < 256; ++b) {
            // Mostly single bytes in some rounds, as the tables to Latin have.
            const std::size_t length = round % 3 == 0 && rng() % 8 != 0 ? 1 : 1 + rng() % 3;
            outputs[b] = std::string(1, static_cast<char>(rng() % 256));
            while (outputs[b].size() < length) outputs[b] += static_cast<char>(1 + rng() % 255);
            packed[b] = word(outputs[b]);
        }
        const auto map = text::ExpandingByteMap::makeUncapped(packed);
        ASSERT_TRUE(map);
        std::string input(400, '\0');
        for (char& c : input) c = static_cast<char>(rng() % 256);
        for (std::size_t n = 0; n <= 260; ++n) {
            const auto* in = reinterpret_cast<const unsigned char*>(input.data()) + round;
            std::string want;
            for (std::size_t i = 0; i < n; ++i) want += outputs[in[i]];
            std::vector<char> out(3 * n + 64);
            const char* end = map->convert(in, n, out.data());
            ASSERT_EQ(std::string_view(out.data(), static_cast<std::size_t>(end - out.data())), want)
                << "round " << round << " length " << n;
        }
    }
    // What it cannot hold: an empty output, four bytes, a NUL after the first.
    for (std::string_view bad : {std::string_view(), std::string_view("abcd"), std::string_view("a\0", 2)}) {
        packed[200] = word(bad);
        EXPECT_FALSE(text::ExpandingByteMap::makeUncapped(packed)) << bad.size();
    }
}

TEST(FastPaths, RuleStartersAreExactlyTheLettersWithLongerRules) {
    for (const LatinToCyrillic* c : {&gostLatinToCyrillic(), &angloLatinToCyrillic()}) {
        for (char16_t a = 0; a < 128; ++a) {
            bool longer = false;
            for (char16_t b = 0; b < 128 && !longer; ++b)
                for (char16_t d = 0; d < 128 && !longer; ++d) {
                    const char16_t text[3] = {a, b, d};
                    longer = c->step(std::u16string_view(text, 3), 0).span > 1;
                }
            EXPECT_EQ(c->startsRule(a), longer) << static_cast<int>(a);
        }
    }
}

TEST(FastPaths, CopiedAndAssignedConvertersKeepTheirOwnTables) {
    // The byte path builds a table on first use; copies must not share or
    // keep a stale one.
    CharMap upper;
    upper[static_cast<unsigned char>('a')] = u"A";
    CharMapConverter first(upper);
    std::string out;
    first.convertBytes("abcabcabcabc", true, out);
    EXPECT_EQ(out, "AbcAbcAbcAbc");

    CharMapConverter copy = first;
    out.clear();
    copy.convertBytes("aaaaaaaaaaaa", true, out);
    EXPECT_EQ(out, "AAAAAAAAAAAA");

    CharMap other;
    other[static_cast<unsigned char>('b')] = u"BB";
    copy = CharMapConverter(other);
    out.clear();
    copy.convertBytes("abcabcabcabc", true, out);
    EXPECT_EQ(out, "aBBcaBBcaBBcaBBc");
}

namespace {
// What checkUtf8 must say of `padding` ASCII bytes, `piece`, then more ASCII:
// long enough for the vector check, judged by the plain one on the piece.
void expectSameVerdict(std::string_view piece, std::size_t padding) {
    std::string shortForm(piece);
    shortForm += 'a';
    const text::Utf8Check want = text::checkUtf8(shortForm);  // short: the plain check
    std::string longForm(padding, 'a');
    longForm += piece;
    longForm.append(600, 'b');
    const text::Utf8Check got = text::checkUtf8(longForm);
    ASSERT_EQ(got.valid, want.valid) << padding;
    if (!want.valid) {
        ASSERT_EQ(got.completePrefix, padding + want.completePrefix) << padding;
    } else {
        ASSERT_EQ(got.completePrefix, longForm.size()) << padding;
        ASSERT_EQ(got.ascii, want.ascii) << padding;
    }
}
}  // namespace

TEST(FastPaths, LongUtf8ChecksAgreeWithThePlainCheck) {
    // Every byte pair and a range of three- and four-byte forms, at offsets
    // that put them across the vector blocks and the error-test groups.
    const std::size_t paddings[] = {600, 606, 607, 765, 766, 767, 1021};
    for (int a = 0x80; a < 0x100; ++a) {
        for (int b = 0; b < 0x100; ++b) {
            const char piece[2] = {static_cast<char>(a), static_cast<char>(b)};
            expectSameVerdict(std::string_view(piece, 2), paddings[(a + b) % std::size(paddings)]);
        }
    }
    const int seconds[] = {0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0};
    for (int a = 0xE0; a < 0x100; ++a)
        for (int b : seconds)
            for (int c : seconds)
                for (int d : {0x41, 0x80, 0xBF})
                    for (std::size_t pad : paddings) {
                        const char piece[4] = {static_cast<char>(a), static_cast<char>(b), static_cast<char>(c),
                                               static_cast<char>(d)};
                        expectSameVerdict(std::string_view(piece, 4), pad);
                    }
    // Random mixtures of valid characters and stray bytes.
    std::mt19937 rng(7);
    const std::string atoms[] = {"a", "ж", "中", "😀", "\x80", "\xC3", "\xE2\x82", "\xF0\x9F\x98", "\xED\xA0\x80", "\xC0\xAF"};
    for (int round = 0; round < 2000; ++round) {
        std::string piece;
        for (int k = 0; k < 40; ++k) piece += atoms[rng() % (round % 2 ? std::size(atoms) : 4)];
        expectSameVerdict(piece, paddings[round % std::size(paddings)]);
    }
    // A long text cut inside its last character is valid up to that character.
    std::string cut = std::string(1000, 'a') + "\xE4\xB8";
    const text::Utf8Check c = text::checkUtf8(cut);
    EXPECT_TRUE(c.valid);
    EXPECT_EQ(c.completePrefix, 1000u);
    // Whether everything is ASCII, told by the vector blocks and the tail.
    for (std::size_t at : {0, 31, 300, 998, 1001}) {
        std::string text(1002, 'a');
        EXPECT_TRUE(text::checkUtf8(text).ascii);
        text.replace(at, 1, "\xD0\x96");
        EXPECT_FALSE(text::checkUtf8(text).ascii) << at;
    }
}

TEST(FastPaths, CyrillicSqueezeAgreesWithPlainDecoding) {
    // Every way the processor has, against decoding one character at a
    // time: the codes of the run at the start, and where it stops (at a
    // character of another kind, or one cut at the end), over random UTF-8
    // of every length of character whose runs end at any offset of the
    // 32-byte and 63-byte blocks; the squeeze that maps the codes on the
    // way too, by a table of outputs of one to three bytes.
    std::string outputs[256];
    std::uint64_t packed[256];
    for (unsigned b = 0; b < 256; ++b) {
        outputs[b] = std::string(1, static_cast<char>(b)) + std::string(b % 3, static_cast<char>('a' + b % 26));
        packed[b] = 0;
        for (std::size_t k = 0; k < outputs[b].size(); ++k)
            packed[b] |= std::uint64_t{static_cast<unsigned char>(outputs[b][k])} << (8 * k);
        packed[b] |= std::uint64_t{outputs[b].size()} << 56;
    }
    const auto mapped = text::ExpandingByteMap::makeUncapped(packed);
    static const char32_t kinds[][2] = {{0x20, 0x7F},     {0x0400, 0x045F}, {0x0460, 0x047F}, {0x0080, 0x03FF},
                                        {0x0480, 0x07FF}, {0x0800, 0xFFFF}, {0x10000, 0x10FFFF}};
    std::mt19937 rng(1251);
    for (int round = 0; round < 400; ++round) {
        // Mostly the block's own characters, now and then another kind.
        std::u32string chars;
        const std::size_t length = 1 + rng() % 900;
        for (std::size_t k = 0; k < length; ++k) {
            const bool own = round % 4 == 0 || rng() % 100 < 97;
            const auto& kind = kinds[own ? rng() % 3 : 3 + rng() % 4];
            char32_t c = kind[0] + rng() % (kind[1] - kind[0] + 1);
            if (c >= 0xD800 && c <= 0xDFFF) c = 0x4E2D;
            chars.push_back(c);
        }
        std::u16string units;
        for (char32_t c : chars) {
            if (c < 0x10000) {
                units.push_back(static_cast<char16_t>(c));
            } else {
                units.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
                units.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
            }
        }
        std::string utf8 = text::encodeUtf8(units);
        utf8.resize(rng() % (utf8.size() + 1));  // cut anywhere, inside a character too

        // Plain: character by character while it is ASCII or U+0400..U+047F.
        std::vector<unsigned char> want;
        std::size_t wantTaken = 0;
        while (wantTaken < utf8.size()) {
            const auto c = static_cast<unsigned char>(utf8[wantTaken]);
            if (c < 0x80) {
                want.push_back(c);
                ++wantTaken;
                continue;
            }
            if ((c != 0xD0 && c != 0xD1) || wantTaken + 1 >= utf8.size()) break;
            const char32_t ch = (static_cast<char32_t>(c & 0x1F) << 6) | (utf8[wantTaken + 1] & 0x3F);
            want.push_back(static_cast<unsigned char>(ch - 0x380));
            ASSERT_EQ(text::cyrillicOfCode(want.back()), ch);
            wantTaken += 2;
        }
        for (auto path : {text::SqueezePath::Scalar, text::SqueezePath::Avx2}) {
            if (!text::squeezePathAvailable(path)) continue;
            std::vector<unsigned char> codes(utf8.size() + 32);
            std::size_t taken = 99;
            const std::size_t count = text::squeezeCyrillicWith(path, utf8, codes.data(), taken);
            codes.resize(count);
            ASSERT_EQ(taken, wantTaken) << round << " path " << static_cast<int>(path);
            ASSERT_TRUE(codes == want) << round << " path " << static_cast<int>(path);
        }
        if (mapped) {
            std::string wantOut;
            for (unsigned char code : want) wantOut += outputs[code];
            std::vector<char> out(3 * utf8.size() + 64);
            std::size_t taken = 99;
            const char* end = mapped->convertCyrillicUtf8(reinterpret_cast<const unsigned char*>(utf8.data()),
                                                          utf8.size(), out.data(), taken);
            ASSERT_EQ(taken, wantTaken) << round << " mapped";
            ASSERT_EQ(std::string_view(out.data(), static_cast<std::size_t>(end - out.data())), wantOut) << round;
        }
    }
}
