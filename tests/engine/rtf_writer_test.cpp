// Writing RTF: whatever document is written, our reader gives it back with
// the same text and formats, and the file is 7-bit RTF that needs no "?".

#include <gtest/gtest.h>

#include <map>
#include <random>

#include "docio/rtf_builder.h"
#include "docio/rtf_writer.h"
#include "test_util.h"

using namespace lettrica;
using namespace lettrica::docio;

namespace {

const std::u16string kAlphabet = U("aZ09 .,;?!\\{}\t\u2028\u00A0\u00AD\u2011абвгдеёжзийклмнопрстуфхцчшщъыьэюяЁЯ№«»—€"
                                   "ÄßçΩ中文∑") + u"\U0001F600\xD800\xDFFF\u0098";

const char16_t* const kFonts[] = {u"Arial", u"Times New Roman", u"Шрифт Ё", u"Courier New", kDefaultFontName};

struct ListPlan {
    ListStyle styles[9];
    int starts[9];
};

// A document of random paragraphs, runs and formats. List items of one list
// and level share their marker and first number, as a word processor's do.
RichDocument randomDocument(std::mt19937& rng) {
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    auto color = [&]() -> std::optional<Rgb> {
        if (pick(2)) return std::nullopt;
        return Rgb{static_cast<std::uint8_t>(rng()), static_cast<std::uint8_t>(rng()), static_cast<std::uint8_t>(rng())};
    };
    RichDocument doc;
    for (int i = 0, n = 1 + pick(8); i < n; ++i) {
        CharFormat f;
        f.fontName = kFonts[pick(5)];
        f.halfPoints = 2 + pick(200);
        f.color = color();
        f.background = color();
        f.bold = pick(2);
        f.italic = pick(2);
        f.underline = pick(2);
        f.strike = pick(4) == 0;
        f.position = static_cast<VerticalPosition>(pick(3));
        doc.charFormats.push_back(f);
    }
    ListPlan plans[3];
    for (ListPlan& plan : plans)
        for (int level = 0; level < 9; ++level) {
            plan.styles[level] = static_cast<ListStyle>(1 + pick(8));
            plan.starts[level] = 1 + pick(30);
        }
    for (int i = 0, n = 1 + pick(30); i < n; ++i) {
        ParagraphFormat pf;
        pf.alignment = static_cast<Alignment>(pick(4));
        pf.rightIndent = pick(3) ? 0 : pick(2000);
        if (pick(2)) {
            const int list = pick(3);
            pf.listId = 10 * list + 7;
            pf.listLevel = pick(3);
            pf.listStyle = plans[list].styles[pf.listLevel];
            pf.listStart = plans[list].starts[pf.listLevel];
            pf.leftIndent = 100 + pick(3000);
            pf.firstLineIndent = -pick(500);
        } else {
            pf.leftIndent = pick(2) ? 0 : pick(3000) - 500;
            pf.firstLineIndent = pick(2) ? 0 : pick(1000) - 500;
        }
        text::Paragraph p;
        p.format = static_cast<int>(doc.paragraphFormats.size());
        doc.paragraphFormats.push_back(pf);
        for (int r = 0, runs = pick(5); r < runs; ++r) {
            text::Run run;
            run.format = pick(static_cast<int>(doc.charFormats.size()));
            for (int c = 0, len = pick(12); c < len; ++c) run.text += kAlphabet[pick(static_cast<int>(kAlphabet.size()))];
            p.runs.push_back(run);
        }
        doc.text.paragraphs.push_back(p);
    }
    return doc;
}

// A paragraph as (character, format) pairs: how runs are cut does not matter.
std::vector<std::pair<char16_t, CharFormat>> characters(const RichDocument& doc, const text::Paragraph& p) {
    std::vector<std::pair<char16_t, CharFormat>> out;
    for (const text::Run& r : p.runs)
        for (char16_t c : r.text) out.emplace_back(c, charFormatAt(doc, r.format));
    return out;
}

void expectSameDocument(const RichDocument& written, const RichDocument& read) {
    ASSERT_EQ(read.text.paragraphs.size(), written.text.paragraphs.size());
    std::map<int, int> listIds;  // written -> read: the same grouping of items
    for (std::size_t i = 0; i < written.text.paragraphs.size(); ++i) {
        const text::Paragraph& w = written.text.paragraphs[i];
        const text::Paragraph& r = read.text.paragraphs[i];
        EXPECT_EQ(S(r.plainText()), S(w.plainText())) << "paragraph " << i;
        EXPECT_TRUE(characters(read, r) == characters(written, w)) << "formats of paragraph " << i;
        const ParagraphFormat& wf = paragraphFormatAt(written, w.format);
        const ParagraphFormat& rf = paragraphFormatAt(read, r.format);
        EXPECT_EQ(rf.alignment, wf.alignment) << i;
        EXPECT_EQ(rf.leftIndent, wf.leftIndent) << i;
        EXPECT_EQ(rf.rightIndent, wf.rightIndent) << i;
        EXPECT_EQ(rf.firstLineIndent, wf.firstLineIndent) << i;
        EXPECT_EQ(rf.listStyle, wf.listStyle) << i;
        if (wf.listStyle == ListStyle::None) continue;
        EXPECT_EQ(rf.listLevel, wf.listLevel) << i;
        EXPECT_EQ(rf.listStart, wf.listStart) << i;
        auto [it, added] = listIds.try_emplace(wf.listId, rf.listId);
        EXPECT_EQ(it->second, rf.listId) << i;
    }
    std::map<int, int> back;
    for (auto [w, r] : listIds) EXPECT_TRUE(back.try_emplace(r, w).second) << "two lists read as one";
}

bool isSevenBit(std::string_view s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

}  // namespace

TEST(RtfWrite, RandomDocumentsReadBackTheSame) {
    std::mt19937 rng(20240607);
    for (int round = 0; round < 300; ++round) {
        const RichDocument doc = randomDocument(rng);
        const std::string rtf = writeRtf(doc);
        ASSERT_TRUE(isSevenBit(rtf)) << round;
        const RtfReadResult back = readRtf(rtf);
        ASSERT_TRUE(back.ok()) << round;
        expectSameDocument(doc, back.document);
        if (HasFailure()) {
            ADD_FAILURE() << "round " << round << ":\n" << rtf;
            break;
        }
    }
}

TEST(RtfWrite, WindowsCodePageForRussianAndUnicodeForTheRest) {
    RichDocument doc;
    doc.charFormats.push_back(CharFormat{});
    doc.text = text::styledFromPlain(U("Ёж а\\{}?😀中Ä"));
    const std::string rtf = writeRtf(doc);
    EXPECT_EQ(rtf.rfind("{\\rtf1\\ansi\\ansicpg1251\\deff0", 0), 0u) << rtf;
    EXPECT_NE(rtf.find("{\\f0\\fnil\\fcharset204 MS Sans Serif;}"), std::string::npos) << rtf;
    EXPECT_NE(rtf.find("\\'a8\\'e6 \\'e0\\\\\\{\\}?\\u-10179?\\u-8704?\\u20013?\\u196?\\par"), std::string::npos) << rtf;
}

TEST(RtfWrite, ListsForEveryKindOfReader) {
    RichDocument doc;
    doc.charFormats.push_back(CharFormat{});
    doc.paragraphFormats.push_back(ParagraphFormat{});
    ParagraphFormat item;
    item.listStyle = ListStyle::UpperRoman;
    item.listId = 5;
    item.listStart = 3;
    doc.paragraphFormats.push_back(item);
    doc.text = text::styledFromPlain(u"x\ny\nz", 0, 1);
    doc.text.paragraphs[0].format = 0;
    const std::string rtf = writeRtf(doc);
    // Word and LibreOffice: \ls through the tables. WordPad: {\*\pn} and the marker as text.
    EXPECT_NE(rtf.find("\\levelnfc1\\levelnfcn1\\leveljc0\\leveljcn0\\levelfollow0\\levelstartat3"), std::string::npos);
    EXPECT_NE(rtf.find("{\\pntext\\f0 III.\\tab}{\\*\\pn\\pnlvlbody\\pnstart3\\pnucrm"), std::string::npos) << rtf;
    EXPECT_NE(rtf.find("{\\pntext\\f0 IV.\\tab}"), std::string::npos) << rtf;
    EXPECT_NE(rtf.find("\\ls1\\ilvl0\\li360\\fi-360"), std::string::npos) << rtf;  // an item's default indents
}

TEST(RtfWrite, IndexesOutsideTheTablesWriteTheDefaultFormat) {
    RichDocument doc;
    doc.text = text::styledFromPlain(u"a\nb", 42, -3);
    const RtfReadResult back = readRtf(writeRtf(doc));
    ASSERT_TRUE(back.ok());
    EXPECT_EQ(back.document.text.plainText(), u"a\r\nb");
    const CharFormat& f = charFormatAt(back.document, back.document.text.paragraphs[0].runs[0].format);
    EXPECT_EQ(f.fontName, kDefaultFontName);
    EXPECT_EQ(f.halfPoints, 24);
}

TEST(RtfWrite, LargeDocumentGoesOutInSmallPieces) {
    RichDocument doc;
    doc.charFormats.resize(2);
    doc.charFormats[1].bold = true;
    text::Paragraph p;
    p.runs.push_back(text::Run{std::u16string(3'000'000, u'ж'), 0});  // one run of 6 MB as \'hh
    p.runs.push_back(text::Run{u"b", 1});
    doc.text.paragraphs.push_back(p);
    std::string joined;
    std::size_t largest = 0;
    writeRtf(doc, [&](std::string_view piece) {
        largest = std::max(largest, piece.size());
        joined += piece;
    });
    EXPECT_EQ(joined, writeRtf(doc));
    EXPECT_LE(largest, 256u * 1024);
    EXPECT_EQ(readRtf(joined).document.text, doc.text);
}
