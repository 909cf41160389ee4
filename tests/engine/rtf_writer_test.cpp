// Writing RTF: whatever document is written, our reader gives it back with
// the same text and formats, and the file is 7-bit RTF that needs no "?".

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <tuple>

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

// A document of random paragraphs, runs, pictures, tables and formats. List
// items of one list and level share their marker and first number, as a
// word processor's do; every cell of a table has paragraphs, in the order
// of its cells, and a table in a cell has a paragraph of the cell after it,
// as the reader and the panes give them.
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
    for (int i = 0, n = pick(3); i < n; ++i) {
        Image image;
        image.kind = static_cast<ImageKind>(pick(2));
        for (int b = 0, len = 1 + pick(300); b < len; ++b) image.data += static_cast<char>(rng());
        image.width = 1 + pick(3000);
        image.height = 1 + pick(3000);
        CharFormat f = doc.charFormats[static_cast<std::size_t>(pick(static_cast<int>(doc.charFormats.size())))];
        f.image = static_cast<int>(doc.images.size());
        doc.images.push_back(image);
        doc.charFormats.push_back(f);
    }
    ListPlan plans[3];
    for (ListPlan& plan : plans)
        for (int level = 0; level < 9; ++level) {
            plan.styles[level] = static_cast<ListStyle>(1 + pick(8));
            plan.starts[level] = 1 + pick(30);
        }
    std::vector<std::tuple<int, int, int>> places;  // where the next paragraphs go, table by table
    auto table = [&](int parent, int parentRow, int parentColumn, auto&& self, int depth) -> void {
        Table t;
        t.rows = 1 + pick(3);
        t.columns = 1 + pick(3);
        for (int c = 0; c < t.columns; ++c) t.columnWidths.push_back(100 + pick(3000));
        t.borders = pick(2);
        t.parent = parent;
        t.parentRow = parentRow;
        t.parentColumn = parentColumn;
        // A span across columns needs a row below that parts them: RTF
        // knows columns only by the cells' edges.
        const bool wide = t.columns > 1 && t.rows > 1 && pick(2), tall = !wide && t.rows > 1 && pick(2);
        for (int r = 0; r < t.rows; ++r)
            for (int c = 0; c < t.columns; ++c) {
                if ((wide && r == 0 && c == 1) || (tall && r == 1 && c == t.columns - 1)) continue;
                TableCell cell{r, c, tall && r == 0 && c == t.columns - 1 ? 2 : 1, wide && r == 0 && c == 0 ? 2 : 1,
                               std::nullopt};
                if (pick(3) == 0) cell.background = Rgb{7, 8, static_cast<std::uint8_t>(pick(256))};
                t.cells.push_back(cell);
            }
        const int index = static_cast<int>(doc.tables.size());
        doc.tables.push_back(t);
        for (const TableCell& cell : t.cells) {
            places.emplace_back(index, cell.row, cell.column);
            if (depth < 2 && pick(4) == 0) {
                self(index, cell.row, cell.column, self, depth + 1);
                places.emplace_back(index, cell.row, cell.column);
            }
        }
    };
    bool afterTable = false;  // two tables need a paragraph between them, or they are one
    for (int i = 0, n = 1 + pick(30); i < n; ++i) {
        if (places.empty() && !afterTable && pick(5) == 0) table(-1, 0, 0, table, 0);
        afterTable = !places.empty() && places.size() == 1;
        const auto [inTable, row, column] = places.empty() ? std::make_tuple(-1, 0, 0) : places.front();
        if (!places.empty()) places.erase(places.begin());
        ParagraphFormat pf;
        pf.table = inTable;
        pf.row = row;
        pf.column = column;
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
            const bool picture = doc.charFormats[static_cast<std::size_t>(run.format)].image >= 0;
            for (int c = 0, len = pick(12); c < len; ++c)
                run.text += picture ? kObjectCharacter : kAlphabet[pick(static_cast<int>(kAlphabet.size()))];
            p.runs.push_back(run);
        }
        doc.text.paragraphs.push_back(p);
        if (i + 1 == n && !places.empty()) ++n;  // a table is never cut off
    }
    return doc;
}

// A paragraph as (character, format, picture) values: how runs are cut does
// not matter, nor which entry of the picture table holds a picture.
std::vector<std::tuple<char16_t, CharFormat, std::tuple<ImageKind, std::string, int, int>>> characters(
    const RichDocument& doc, const text::Paragraph& p) {
    std::vector<std::tuple<char16_t, CharFormat, std::tuple<ImageKind, std::string, int, int>>> out;
    for (const text::Run& r : p.runs) {
        CharFormat f = charFormatAt(doc, r.format);
        const Image* image = imageAt(doc, r.format);
        f.image = image ? 0 : -1;
        const auto picture = image ? std::make_tuple(image->kind, image->data, image->width, image->height)
                                   : std::make_tuple(ImageKind::Png, std::string(), 0, 0);
        for (char16_t c : r.text) out.emplace_back(c, f, picture);
    }
    return out;
}

void expectSameDocument(const RichDocument& written, const RichDocument& read) {
    ASSERT_EQ(read.text.paragraphs.size(), written.text.paragraphs.size());
    EXPECT_TRUE(read.tables == written.tables);
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
        EXPECT_EQ(std::make_tuple(rf.table, rf.row, rf.column), std::make_tuple(wf.table, wf.row, wf.column)) << i;
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
