// Recoding and case change as converters: the byte path against a plain
// loop, the text path, and the document driver carrying formats.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "text/cp1251.h"
#include "textops/case_conversion.h"
#include "textops/recoding.h"
#include "convert/document_conversion.h"
#include "test_util.h"

using namespace lettrica;
using namespace lettrica::textops;

namespace {

std::vector<const ByteMapConverter*> allConverters() {
    std::vector<const ByteMapConverter*> all;
    for (int d = 0; d < kDirectionCount; ++d) all.push_back(&recodingConverter(*directionAt(d)));
    all.push_back(&caseConverter(Case::Upper));
    all.push_back(&caseConverter(Case::Lower));
    return all;
}

std::string naive(const ByteMap& map, std::string_view in) {
    std::string out;
    for (unsigned char c : in) out.push_back(static_cast<char>(map[c]));
    return out;
}

}  // namespace

// The fast paths work in blocks; every length and alignment must give what a
// byte-at-a-time loop gives, in place too.
TEST(ByteMap, EveryLengthAndOffsetMatchesAPlainLoop) {
    std::mt19937 random(866);
    std::string pool(600, '\0');
    for (char& c : pool) c = static_cast<char>(random());
    std::vector<detail::BytePath> paths;
    for (auto path : {detail::BytePath::Portable, detail::BytePath::Avx2, detail::BytePath::Vbmi})
        if (detail::bytePathAvailable(path)) paths.push_back(path);
    // The maps change different sets of sixteen-byte rows; the shuffled one all.
    ByteMap shuffled = identityByteMap();
    std::shuffle(shuffled.begin(), shuffled.end(), random);
    const ByteMap* maps[] = {&recodingMap(Direction::DOSToKOI), &recodingMap(Direction::Win2Koi),
                             &caseMap(Case::Upper), &caseMap(Case::Lower), &shuffled};
    for (const ByteMap* map : maps) {
        for (std::size_t offset = 0; offset < 9; ++offset) {
            for (std::size_t length = 0; length <= 200; ++length) {
                std::string_view in = std::string_view(pool).substr(offset, length);
                const std::string expected = naive(*map, in);
                for (detail::BytePath path : paths) {
                    // Guard bytes around the output catch a write past the end.
                    std::string out(length + 2, '#');
                    detail::mapBytesWith(path, *map, in.data(), out.data() + 1, length);
                    ASSERT_EQ(out.substr(1, length), expected) << int(path) << ": " << offset << "+" << length;
                    ASSERT_EQ(out.front(), '#');
                    ASSERT_EQ(out.back(), '#');
                    std::string inPlace(in);
                    detail::mapBytesWith(path, *map, inPlace.data(), inPlace.data(), inPlace.size());
                    ASSERT_EQ(inPlace, expected);
                }
            }
        }
    }
    EXPECT_EQ(mapBytes(shuffled, pool), naive(shuffled, pool));
}

TEST(ByteMapConverter, StepTextAndBytePathsAgree) {
    for (const ByteMapConverter* c : allConverters()) {
        for (int b = 0; b < 256; ++b) {
            const std::u16string one(1, text::cp1251ToUnicode(static_cast<unsigned char>(b)));
            const char16_t expected = text::cp1251ToUnicode(c->map()[b]);
            translit::Step s = c->step(one, 0);
            EXPECT_EQ(s.keep ? one[0] : s.replacement.at(0), expected) << b;
            EXPECT_EQ(s.span, 1);
            EXPECT_EQ(translit::convertAll(*c, one), std::u16string(1, expected));
            std::string out = "x";
            EXPECT_EQ(c->convertBytes(std::string(1, static_cast<char>(b)), true, out), 1u);
            EXPECT_EQ(out, std::string("x") + static_cast<char>(c->map()[b]));
        }
    }
}

// The panes hold Unicode: what Windows-1251 cannot hold has no byte and
// stays, and control characters are never touched.
TEST(ByteMapConverter, CharactersOutsideTheCodePageAndControlsStay) {
    const std::u16string foreign = u"é中ÿ€\U0001F600\u2029Ω\t\r\n\x01";
    for (const ByteMapConverter* c : allConverters()) {
        std::u16string out = translit::convertAll(*c, foreign);
        // € is in Windows-1251 (88); everything else here is foreign or a control.
        for (std::size_t i = 0; i < foreign.size(); ++i) {
            if (foreign[i] == u'€') continue;
            EXPECT_EQ(out[i], foreign[i]) << i;
        }
        EXPECT_EQ(out.size(), foreign.size());
    }
    EXPECT_EQ(recodeText(u"€", Direction::WinToDOS), u"?");
    EXPECT_EQ(changeCase(u"éÉ ñ", Case::Upper), u"éÉ ñ");
}

TEST(ByteMapConverter, RecodingAPaneKeepsItsLengthAndFormats) {
    using text::Paragraph;
    using text::Run;
    // Bold "Ёлка" then plain " ель", then a second paragraph in another format.
    text::StyledText doc;
    Paragraph first;
    first.runs = {Run{U("Ёлка"), 1}, Run{U(" ель"), 0}};
    Paragraph second;
    second.runs = {Run{U("ДА"), 2}};
    doc.paragraphs = {first, second};

    text::StyledText out = translit::convertDocument(doc, recodingConverter(Direction::Win2Koi));
    ASSERT_EQ(out.paragraphs.size(), 2u);
    ASSERT_EQ(out.paragraphs[0].runs.size(), 2u);
    EXPECT_EQ(out.paragraphs[0].runs[0].format, 1);
    EXPECT_EQ(out.paragraphs[0].runs[0].text, recodeText(U("Ёлка"), Direction::Win2Koi));
    EXPECT_EQ(out.paragraphs[0].runs[0].text[0], u'Ё');
    EXPECT_EQ(out.paragraphs[0].runs[1].format, 0);
    EXPECT_EQ(out.paragraphs[1].runs[0].format, 2);
    EXPECT_EQ(out.length(), doc.length());

    text::StyledText back = translit::convertDocument(out, recodingConverter(Direction::Koi2Win));
    EXPECT_EQ(back, doc);
}

TEST(ByteMapConverter, StoppedCaseChangeLeavesTheRestAsItWas) {
    text::StyledText doc = text::styledFromPlain(U("абв где\r\nжзи"));
    translit::DocumentConversion run(doc);
    EXPECT_FALSE(run.advance(caseConverter(Case::Upper), 4));
    EXPECT_EQ(S(run.result().plainText()), "АБВ где\r\nжзи");
    while (!run.advance(caseConverter(Case::Upper), 3)) {
    }
    EXPECT_EQ(S(run.result().plainText()), "АБВ ГДЕ\r\nЖЗИ");
}
