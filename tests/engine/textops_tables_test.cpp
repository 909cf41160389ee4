// The recoding tables and the case pairs against independent facts: glibc's
// iconv for the code pages and glibc's Unicode case mapping for the pairs.

#include <gtest/gtest.h>

#include <iconv.h>
#include <locale.h>
#include <wctype.h>

#include <array>
#include <optional>
#include <random>
#include <string>

#include "text/cp1251.h"
#include "textops/case_conversion.h"
#include "textops/recoding.h"

using namespace lettrica;
using namespace lettrica::textops;

namespace {

using Decoded = std::array<std::optional<char32_t>, 256>;

// Every byte of a code page as glibc decodes it; none where it has no character.
Decoded decodeWithIconv(const char* codePage) {
    Decoded out;
    iconv_t cd = iconv_open("UTF-32LE", codePage);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        ADD_FAILURE() << "iconv has no " << codePage;
        return out;
    }
    for (int b = 0; b < 256; ++b) {
        char in = static_cast<char>(b);
        char buf[8] = {};
        char* inp = &in;
        char* outp = buf;
        std::size_t inLeft = 1, outLeft = sizeof buf;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        if (iconv(cd, &inp, &inLeft, &outp, &outLeft) != static_cast<std::size_t>(-1) && outLeft == 4) {
            auto* u = reinterpret_cast<unsigned char*>(buf);
            out[b] = static_cast<char32_t>(u[0] | u[1] << 8 | u[2] << 16 | u[3] << 24);
        }
    }
    iconv_close(cd);
    return out;
}

std::optional<int> byteOf(const Decoded& page, char32_t ch) {
    for (int b = 0; b < 256; ++b)
        if (page[b] == ch) return b;
    return std::nullopt;
}

const Decoded& win() {
    static const Decoded d = decodeWithIconv("CP1251");
    return d;
}
const Decoded& dos() {
    static const Decoded d = decodeWithIconv("CP866");
    return d;
}
const Decoded& koi() {
    static const Decoded d = decodeWithIconv("KOI8-R");
    return d;
}

bool isCyrillicLetter(char32_t ch) { return ch >= 0x0400 && ch <= 0x04FF; }

std::string allBytes() {
    std::string s;
    for (int b = 0; b < 256; ++b) s.push_back(static_cast<char>(b));
    return s;
}

}  // namespace

// The DOS directions follow the published correspondence for every character
// that both code pages hold, letters or not.
TEST(RecodingTables, DosDirectionsAgreeWithIconvOnEveryCommonCharacter) {
    struct Case {
        Direction direction;
        const Decoded& from;
        const Decoded& to;
    };
    const Case cases[] = {
        {Direction::WinToDOS, win(), dos()},
        {Direction::DOSToWin, dos(), win()},
        {Direction::DOSToKOI, dos(), koi()},
        {Direction::KOIToDOS, koi(), dos()},
    };
    for (const Case& c : cases) {
        const ByteMap& map = recodingMap(c.direction);
        int common = 0, letters = 0;
        for (int b = 0; b < 256; ++b) {
            if (!c.from[b]) continue;
            std::optional<int> target = byteOf(c.to, *c.from[b]);
            if (!target) continue;
            ++common;
            if (isCyrillicLetter(*c.from[b])) ++letters;
            EXPECT_EQ(map[b], *target) << directionCaption(c.direction) << " byte " << std::hex << b;
        }
        EXPECT_GE(letters, 66) << directionCaption(c.direction);  // А-я, Ё, ё at least
        EXPECT_GE(common, 128 + 66) << directionCaption(c.direction);
    }
}

// Win <-> Koi recodes the 64 letters А-Я, а-я as iconv does, and nothing else.
TEST(RecodingTables, WinKoiLettersAgreeWithIconvAndNothingElseMoves) {
    const ByteMap& toKoi = recodingMap(Direction::Win2Koi);
    const ByteMap& toWin = recodingMap(Direction::Koi2Win);
    for (int b = 0; b < 256; ++b) {
        if (b >= 0xC0) {
            ASSERT_TRUE(win()[b]);
            std::optional<int> k = byteOf(koi(), *win()[b]);
            ASSERT_TRUE(k) << std::hex << b;
            EXPECT_EQ(toKoi[b], *k) << std::hex << b;
            EXPECT_EQ(toWin[*k], b) << std::hex << *k;
        } else {
            EXPECT_EQ(toKoi[b], b) << std::hex << b;
        }
    }
    // Ё and ё keep their bytes in both directions, though both pages hold them.
    EXPECT_EQ(*win()[0xA8], U'Ё');
    EXPECT_EQ(*koi()[0xB3], U'Ё');
    EXPECT_EQ(*koi()[0xA3], U'ё');
    EXPECT_EQ(toKoi[0xA8], 0xA8);
    EXPECT_EQ(toKoi[0xB8], 0xB8);
    EXPECT_EQ(toWin[0xB3], 0xB3);
    EXPECT_EQ(toWin[0xA3], 0xA3);
    int moved = 0;
    for (int b = 0; b < 256; ++b) moved += toWin[b] != b;
    EXPECT_EQ(moved, 64);
}

TEST(RecodingTables, LowerHalfNeverChanges) {
    for (int d = 0; d < kDirectionCount; ++d) {
        const ByteMap& map = recodingMap(*directionAt(d));
        for (int b = 0; b < 0x80; ++b) EXPECT_EQ(map[b], b) << directionCaption(*directionAt(d));
    }
}

TEST(RecodingTables, DosKoiRoundTripRestoresEveryByte) {
    const std::string all = allBytes();
    EXPECT_EQ(KOIToDOS(DOSToKOI(all)), all);
    EXPECT_EQ(DOSToKOI(KOIToDOS(all)), all);
}

TEST(RecodingTables, WinKoiRoundTripRestoresAnyText) {
    const std::string all = allBytes();
    EXPECT_EQ(Koi2Win(Win2Koi(all)), all);
    std::mt19937 random(1251);
    std::string text(100000, '\0');
    for (char& c : text) c = static_cast<char>(random());
    EXPECT_EQ(Koi2Win(Win2Koi(text)), text);
    // The same through the panes' UTF-16 path.
    const std::u16string pane = text::decodeCp1251(text);
    EXPECT_EQ(recodeText(recodeText(pane, Direction::Win2Koi), Direction::Koi2Win), pane);
}

TEST(RecodingTables, WorkedExamples) {
    // Ёлка: the letters change, Ё stays.
    EXPECT_EQ(Win2Koi("\xA8\xEB\xEA\xE0"), "\xA8\xCC\xCB\xC1");
    // «№ 5 — …»: look-alikes for what DOS 866 lacks.
    EXPECT_EQ(WinToDOS("\xAB\xB9\x20\x35\x20\x97\x20\x85\xBB"), "\x3C\xFC\x20\x35\x20\x2D\x20\x3A\x3E");
    // Back to Win, the look-alikes stay what they became.
    EXPECT_EQ(DOSToWin(WinToDOS("\xAB\xB9\x20\x35\x20\x97\x20\x85\xBB")), "<\xB9 5 - :>");
    // "Привет" in KOI8-R bytes becomes the Windows-1251 word.
    EXPECT_EQ(Koi2Win("\xF0\xD2\xC9\xD7\xC5\xD4"), "\xCF\xF0\xE8\xE2\xE5\xF2");
}

TEST(RecodingTables, DirectionsByIndexAndByCodePages) {
    EXPECT_FALSE(directionAt(-1));
    EXPECT_FALSE(directionAt(6));
    EXPECT_EQ(directionAt(0), Direction::WinToDOS);
    EXPECT_EQ(directionAt(5), Direction::KOIToDOS);
    const CodePage pages[] = {CodePage::Win, CodePage::Dos, CodePage::Koi};
    int found = 0;
    for (CodePage from : pages) {
        for (CodePage to : pages) {
            auto d = directionBetween(from, to);
            EXPECT_EQ(d.has_value(), from != to);
            if (!d) continue;
            ++found;
            // The caption names the pages in order: "Win -> Koi" ...
            std::string caption = directionCaption(*d);
            EXPECT_EQ(codePageNamed(caption.substr(0, 3)), from) << caption;
            EXPECT_EQ(codePageNamed(caption.substr(7)), to) << caption;
        }
    }
    EXPECT_EQ(found, 6);
    EXPECT_EQ(codePageNamed("KOI"), CodePage::Koi);
    EXPECT_FALSE(codePageNamed("utf-8"));
}

// The pairs are the Unicode case mapping restricted to Windows-1251: a letter
// whose partner the code page does not hold (µ) has none.
TEST(CasePairs, AgreeWithTheUnicodeCaseMapping) {
    locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
    ASSERT_NE(utf8, nullptr);
    const ByteMap& upper = caseMap(Case::Upper);
    const ByteMap& lower = caseMap(Case::Lower);
    int pairs = 0;
    for (int b = 0; b < 256; ++b) {
        if (!win()[b]) {
            EXPECT_EQ(upper[b], b);
            EXPECT_EQ(lower[b], b);
            continue;
        }
        const auto ch = static_cast<wint_t>(*win()[b]);
        auto expected = [&](wint_t mapped) { return byteOf(win(), static_cast<char32_t>(mapped)).value_or(b); };
        EXPECT_EQ(upper[b], expected(towupper_l(ch, utf8))) << std::hex << b;
        EXPECT_EQ(lower[b], expected(towlower_l(ch, utf8))) << std::hex << b;
        pairs += upper[b] != b;
    }
    freelocale(utf8);
    EXPECT_EQ(pairs, 73);
    EXPECT_EQ(upper[0xB5], 0xB5);  // µ
}

TEST(CasePairs, WorkedExamplesAndTheOtherSlavicLetters) {
    EXPECT_EQ(changeCase(u"ёлка Tree 5", Case::Upper), u"ЁЛКА TREE 5");
    EXPECT_EQ(changeCase(u"ёлка Tree 5", Case::Lower), u"ёлка tree 5");
    EXPECT_EQ(changeCase(u"ґєіїў ђѓљњќћџјѕ µ", Case::Upper), u"ҐЄІЇЎ ЂЃЉЊЌЋЏЈЅ µ");
    EXPECT_EQ(changeCase(u"ҐЄІЇЎ ЂЃЉЊЌЋЏЈЅ µ", Case::Lower), u"ґєіїў ђѓљњќћџјѕ µ");
    EXPECT_EQ(toUpper(u'ё'), u'Ё');
    EXPECT_EQ(toLower(u'Z'), u'z');
    EXPECT_EQ(caseAt(0), Case::Upper);
    EXPECT_EQ(caseAt(1), Case::Lower);
    EXPECT_EQ(caseAt(-1), Case::Lower);
}
