#include <gtest/gtest.h>

#include "translit/cyrillic_to_latin.h"
#include "convert/document_conversion.h"
#include "translit/latin_to_cyrillic.h"
#include "test_util.h"

using namespace lettrica;
using namespace lettrica::text;
using namespace lettrica::translit;

namespace {
Paragraph para(std::initializer_list<std::pair<const char*, int>> runs, int format = 0) {
    Paragraph p;
    p.format = format;
    for (auto [t, f] : runs) p.runs.push_back(Run{U(t), f});
    return p;
}
}  // namespace

TEST(DocumentConversion, ReplacementTakesTheFormatOfItsFirstCharacter) {
    StyledText doc{{para({{"Щи ", 1}, {"да", 2}}, 7)}};
    StyledText out = convertDocument(doc, angloCyrillicToLatin());
    ASSERT_EQ(out.paragraphs.size(), 1u);
    EXPECT_EQ(out.paragraphs[0].format, 7);
    ASSERT_EQ(out.paragraphs[0].runs.size(), 2u);
    EXPECT_EQ(S(out.paragraphs[0].runs[0].text), "Schi ");
    EXPECT_EQ(out.paragraphs[0].runs[0].format, 1);
    EXPECT_EQ(S(out.paragraphs[0].runs[1].text), "da");
    EXPECT_EQ(out.paragraphs[0].runs[1].format, 2);
}

TEST(DocumentConversion, DigraphAcrossRunsTakesTheFirstFormat) {
    // "S" bold, "hh" plain: one Щ, bold.
    StyledText doc{{para({{"S", 1}, {"hhi", 0}})}};
    StyledText out = convertDocument(doc, gostLatinToCyrillic());
    ASSERT_EQ(out.paragraphs[0].runs.size(), 2u);
    EXPECT_EQ(S(out.paragraphs[0].runs[0].text), "Щ");
    EXPECT_EQ(out.paragraphs[0].runs[0].format, 1);
    EXPECT_EQ(S(out.paragraphs[0].runs[1].text), "и");
}

TEST(DocumentConversion, ParagraphsStayAndRulesDoNotCrossThem) {
    StyledText doc = styledFromPlain(U("S\r\nhh\r\n\r\nЯ"));
    ASSERT_EQ(doc.paragraphs.size(), 4u);
    EXPECT_EQ(doc.length(), 10u);
    StyledText out = convertDocument(doc, gostLatinToCyrillic());
    EXPECT_EQ(S(out.plainText()), "С\r\nхх\r\n\r\nЯ");
}

TEST(DocumentConversion, EmptyTextGivesEmptyText) {
    StyledText doc = styledFromPlain(u"");
    StyledText out = convertDocument(doc, angloCyrillicToLatin());
    EXPECT_EQ(out.plainText(), u"");
    EXPECT_EQ(out.paragraphs.size(), 1u);
}

TEST(DocumentConversion, StoppedRunKeepsConvertedPrefixAndUntouchedRest) {
    StyledText doc{{para({{"Жук", 1}, {" жук", 2}}), para({{"Жук", 3}})}};
    for (const Converter* c : {static_cast<const Converter*>(&angloCyrillicToLatin()),
                               static_cast<const Converter*>(&gostLatinToCyrillic())}) {
        DocumentConversion run(doc);
        EXPECT_FALSE(run.advance(*c, 5));
        EXPECT_EQ(run.position(), 5u);
        EXPECT_EQ(run.total(), 12u);
        StyledText partial = run.result();
        {
            DocumentConversion taken(doc);
            taken.advance(*c, 5);
            EXPECT_EQ(taken.takeResult(), partial);  // the same, moved out
        }
        if (c == &angloCyrillicToLatin()) {
            EXPECT_EQ(S(partial.plainText()), "Zhuk zhук\r\nЖук");
            EXPECT_EQ(partial.paragraphs[0].runs[1].format, 2);
            EXPECT_EQ(S(partial.paragraphs[0].runs[1].text), " zhук");
        }
        EXPECT_EQ(partial.paragraphs[1], doc.paragraphs[1]);
        // Finishing after a look at the partial result gives the full result.
        while (!run.advance(*c, 3)) {
        }
        EXPECT_EQ(run.result(), convertDocument(doc, *c));
        EXPECT_EQ(run.position(), run.total());
    }
}

TEST(DocumentConversion, StopInsideALaterParagraph) {
    StyledText doc = styledFromPlain(U("аб\r\nвг\r\nде"));
    DocumentConversion run(doc);
    run.advance(gostCyrillicToLatin(), 5);  // "аб", CR LF, "в"
    EXPECT_EQ(S(run.result().plainText()), "ab\r\nvг\r\nде");
}

TEST(DocumentConversion, ConverterMayChangeBetweenSlices) {
    StyledText doc = styledFromPlain(U("ЭЭ"));
    DocumentConversion run(doc);
    run.advance(gostCyrillicToLatin(), 1);
    run.advance(angloCyrillicToLatin(), 1);
    EXPECT_EQ(S(run.result().plainText()), "Eh`E");
}
