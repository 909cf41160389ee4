// Reading RTF: the files word processors write (fixtures in tests/data/rtf),
// the corners of the syntax, and hostile input.

#include <gtest/gtest.h>

#include "docio/rtf_builder.h"
#include "rich_document_util.h"
#include "test_util.h"

#include <tuple>

using namespace lettrica::docio;
using richtest::fixture;
using richtest::formatOf;
using richtest::paragraphOf;
using richtest::rgb;

namespace {

// The document's text, paragraphs joined by '|'.
std::string textOf(const RichDocument& doc) {
    std::string s;
    for (std::size_t i = 0; i < doc.text.paragraphs.size(); ++i) {
        if (i) s += '|';
        s += S(doc.text.paragraphs[i].plainText());
    }
    return s;
}

std::string read(std::string_view rtf) { return textOf(readRtf(rtf).document); }

}  // namespace

TEST(RtfRead, LibreOfficeDocument) {
    const RtfReadResult r = readRtf(fixture("libreoffice.rtf"));
    EXPECT_TRUE(r.ok());
    richtest::expectFormattedDocument(r.document);
}

TEST(RtfRead, WordPadDocument) {
    const RtfReadResult r = readRtf(fixture("wordpad.rtf"));
    ASSERT_TRUE(r.ok());
    const RichDocument& d = r.document;
    EXPECT_EQ(textOf(d),
              "Привет, мир! Курсив и подчерк.|Красный синий|По центру|Первый|Второй|Раз|Два|"
              "\uFFFCCafé и № 5\tконец\u2028строки|\uFFFC");  // a picture, and an object's picture
    EXPECT_EQ(S(formatOf(d, "Привет").fontName), "Calibri");
    EXPECT_EQ(formatOf(d, "Привет").halfPoints, 22);
    EXPECT_TRUE(formatOf(d, "мир").bold);
    EXPECT_FALSE(formatOf(d, "!").bold);
    EXPECT_TRUE(formatOf(d, "Курсив").italic);
    EXPECT_TRUE(formatOf(d, "подчерк").underline);
    EXPECT_FALSE(formatOf(d, ".").underline);
    EXPECT_EQ(rgb(formatOf(d, "Красный").color), "255,0,0");
    EXPECT_EQ(rgb(formatOf(d, "синий").color), "0,77,187");
    EXPECT_EQ(formatOf(d, "синий").halfPoints, 32);
    EXPECT_EQ(S(formatOf(d, "Café").fontName), "Arial");  // a charset 0 font: Windows-1252
    EXPECT_EQ(paragraphOf(d, "По центру").alignment, Alignment::Center);
    // {\*\pn} lists: bullets, then numbers, each a list of its own.
    const ParagraphFormat first = paragraphOf(d, "Первый"), second = paragraphOf(d, "Второй");
    const ParagraphFormat one = paragraphOf(d, "Раз"), two = paragraphOf(d, "Два");
    EXPECT_EQ(first.listStyle, ListStyle::Disc);
    EXPECT_EQ(second, first);
    EXPECT_EQ(one.listStyle, ListStyle::Decimal);
    EXPECT_EQ(two, one);
    EXPECT_NE(one.listId, first.listId);
    EXPECT_EQ(first.leftIndent, 720);
    EXPECT_EQ(paragraphOf(d, "Café").listStyle, ListStyle::None);
}

TEST(RtfRead, WordDocumentDecodesEachFontByItsCharset) {
    // \ansicpg1252 throughout: only the fonts say which runs are Russian.
    const RtfReadResult r = readRtf(fixture("word2007.rtf"));
    ASSERT_TRUE(r.ok());
    const RichDocument& d = r.document;
    EXPECT_EQ(textOf(d),
              "Заголовок|Подзаголовок|Русский текст naïve αεγ žáé ёлка 中文стиль1|ссылка|ячейка 1|ячейка 2|"
              "послеsupsub|1 Сноска");  // the footnote, numbered, after the text
    // Paragraph styles and the defaults of \*\defchp.
    const CharFormat heading = formatOf(d, "Заголовок");
    EXPECT_EQ(S(heading.fontName), "Arial");  // "Arial Cyr" is Arial in Windows-1251
    EXPECT_TRUE(heading.bold);
    EXPECT_EQ(heading.halfPoints, 28);
    EXPECT_EQ(rgb(heading.color), "0,0,255");
    EXPECT_EQ(paragraphOf(d, "Заголовок").alignment, Alignment::Center);
    const CharFormat sub = formatOf(d, "Подзаголовок");
    EXPECT_TRUE(sub.bold && sub.italic);
    EXPECT_EQ(sub.halfPoints, 28);
    EXPECT_EQ(paragraphOf(d, "Подзаголовок").alignment, Alignment::Left);  // its own \ql wins
    const CharFormat styled = formatOf(d, "стиль");
    EXPECT_TRUE(styled.bold && styled.italic);
    EXPECT_EQ(rgb(styled.color), "255,0,0");
    EXPECT_FALSE(formatOf(d, "Русский").bold);
    // A field's result, not its instruction.
    EXPECT_TRUE(formatOf(d, "ссылка").underline);
    EXPECT_EQ(rgb(formatOf(d, "ссылка").color), "0,0,255");
    const CharFormat after = formatOf(d, "после");
    EXPECT_TRUE(after.strike);
    EXPECT_EQ(rgb(after.background), "255,255,0");
    EXPECT_EQ(formatOf(d, "sup").position, VerticalPosition::Superscript);
    EXPECT_EQ(formatOf(d, "sub").position, VerticalPosition::Subscript);
}

TEST(RtfRead, StylesAndDocumentDefaults) {
    const RichDocument d = readRtf(
        R"({\rtf1{\stylesheet{\s1\b\fs40 H1;}{\s2\sbasedon1\i H2;}{\*\cs3\ul\cf1 U;}{\s4\sbasedon4\b loop;}})"
        R"({\colortbl;\red255\green0\blue0;}{\*\defchp\fs22}{\*\defpap\qc})"
        R"(\pard\plain\s2 heading\par\pard\plain body {\cs3 styled}\par\pard\plain\s4\ql looped\par})")
        .document;
    const CharFormat heading = formatOf(d, "heading");
    EXPECT_TRUE(heading.bold && heading.italic);  // its own and its base style's
    EXPECT_EQ(heading.halfPoints, 40);
    EXPECT_EQ(paragraphOf(d, "heading").alignment, Alignment::Center);  // \pard returns to \defpap
    EXPECT_EQ(formatOf(d, "body").halfPoints, 22);                      // \plain returns to \defchp
    EXPECT_FALSE(formatOf(d, "body").underline);
    const CharFormat styled = formatOf(d, "styled");
    EXPECT_TRUE(styled.underline);
    EXPECT_EQ(rgb(styled.color), "255,0,0");
    EXPECT_EQ(styled.halfPoints, 22);
    EXPECT_TRUE(formatOf(d, "looped").bold);
    EXPECT_EQ(paragraphOf(d, "looped").alignment, Alignment::Left);
}

TEST(RtfRead, UnicodeAndItsFallbacks) {
    const std::pair<const char*, const char*> cases[] = {
        {R"({\rtf1 \u1087?})", "п"},
        {R"({\rtf1 \u1087\'ef})", "п"},                  // LibreOffice: the fallback as a byte
        {R"({\rtf1\uc2 \u1087\'ef\'ef x})", "п x"},      // two fallback bytes
        {R"({\rtf1\uc0 \u1087 x})", "пx"},               // no fallback
        {R"({\rtf1 \u-3913 ?})", "\uF0B7"},               // negative: modulo 65536
        {R"({\rtf1 \u-10179?\u-8704?})", "😀"},           // a surrogate pair
        {R"({\rtf1 {\uc3\u1087}abc})", "пabc"},           // a group end stops the skipping
        {R"({\rtf1 {\uc2 {\u1087?}}ab})", "пab"},         // \uc belongs to its group
        {R"({\rtf1 {\uc2 x}\u1087?y})", "xпy"},
        {R"({\rtf1 {\upr{\'3f}{\*\ud{\u1087?}}}})", "п"}, // \upr: the Unicode half
        {R"({\rtf1 \u99999999?})", "\uFFFD"},
        // Words and symbols are carried out, not counted, as LibreOffice does:
        // a \par stays a paragraph end, and the next byte is the fallback.
        {R"({\rtf1 \u1055\par next})", "П|ext"},
        {R"({\rtf1\uc2 \u1055?\tab ab})", "П\tb"},
        {R"({\rtf1 \u1055\u1056?x})", "ПРx"},
    };
    for (auto [rtf, text] : cases) EXPECT_EQ(read(rtf), text) << rtf;
}

TEST(RtfRead, SymbolsEscapesAndLineEnds) {
    EXPECT_EQ(read("{\\rtf1 a\\emdash\\endash\\bullet\\lquote\\rquote\\ldblquote\\rdblquote b}"), "a—–•‘’“”b");
    EXPECT_EQ(read("{\\rtf1 \\~\\-\\_|\\\\\\{\\}}"), "\u00A0\u00AD\u2011|\\{}");
    EXPECT_EQ(read("{\\rtf1 li\r\nne\\\r\nnext}"), "line|next");  // a backslash before a line end is \par
    EXPECT_EQ(read("{\\rtf1 a\\tab b\\line c\\page d}"), "a\tb\u2028c\u2028d");
    EXPECT_EQ(read("{\\rtf1 a\\*\\stray b}"), "ab");                 // a stray \\* does not end the document
    EXPECT_EQ(read("{\\rtf1 a\x01\x1f" "b}"), "ab");                // control bytes are no text
    EXPECT_EQ(read("{\\rtf1 a\\'zzb}"), "ab");  // no character, and its digits go too, as in LibreOffice
    EXPECT_EQ(read("{\\rtf1 a{\\'5}b}"), "ab");  // but not a brace
    const RtfReadResult quoteAtTheEnd = readRtf("{\\rtf1 a\\par end\\'}");
    EXPECT_TRUE(quoteAtTheEnd.ok());  // the file is whole: its last brace closes it
    EXPECT_EQ(textOf(quoteAtTheEnd.document), "a|end");
}

TEST(RtfRead, CodePageOfTextBytes) {
    const std::pair<const char*, const char*> cases[] = {
        {R"({\rtf1\ansi\ansicpg1251 \'e0\'b8})", "аё"},
        {R"({\rtf1\ansi \'e0})", "à"},
        {R"({\rtf1\ansi\ansicpg1251{\fonttbl{\f0 X;}}\f0 \'e0})", "а"},                     // no charset: \ansicpg
        {R"({\rtf1\ansi\ansicpg1251{\fonttbl{\f0\fcharset1 X;}}\f0 \'e0})", "а"},           // default charset
        {R"({\rtf1\ansi\ansicpg1252{\fonttbl{\f0\fcharset204 X;}}\f0 \'e0})", "а"},
        {R"({\rtf1\ansi\ansicpg1251{\fonttbl{\f0\fcharset0 X;}}\f0 \'e0})", "à"},
        {R"({\rtf1\ansi{\fonttbl{\f0\fcharset204\cpg1253 X;}}\f0 \'e1})", "α"},             // \cpg first
        {R"({\rtf1\ansi\ansicpg1251{\fonttbl{\f0\fcharset204 X;}}\f7 \'e0})", "а"},         // no font 7
        {R"({\rtf1\ansi\deff0{\fonttbl{\f0\fcharset238 X;}}\'9e})", "ž"},                     // the default font
        {R"({\rtf1\ansi\ansicpg866 \'a0})", "а"},
        {R"({\rtf1\ansi{\fonttbl{\f0\fcharset128 X;}}\f0 \'82\'a0\'b1})", "あｱ"},             // Shift JIS, with a half-width kana
        {R"({\rtf1\ansi{\fonttbl{\f0\fcharset136 X;}}\f0 \'a4\'a4})", "中"},
        {R"({\rtf1\ansi{\fonttbl{\f0\fcharset129 X;}}\f0 \'b0\'a1})", "가"},
        {R"({\rtf1\ansi{\fonttbl{\f0\fcharset134 X;}}\f0 \'d6})", ""},                       // a lead byte alone
    };
    for (auto [rtf, text] : cases) EXPECT_EQ(read(rtf), text) << rtf;
    // Font names in their own code page.
    const RichDocument d = readRtf(R"({\rtf1\ansi{\fonttbl{\f0\fcharset204 \'d8\'f0\'e8\'f4\'f2 {\*\falt x};}}\f0 a})")
                               .document;
    EXPECT_EQ(S(formatOf(d, "a").fontName), "Шрифт");
}

TEST(RtfRead, ParagraphsCellsAndTheLastPar) {
    EXPECT_EQ(read("{\\rtf1 a\\par b\\par }"), "a|b");      // the last \par ends the last paragraph
    EXPECT_EQ(read("{\\rtf1 a\\par b}"), "a|b");
    EXPECT_EQ(read("{\\rtf1 a\\par\\par }"), "a|");         // an empty paragraph of its own
    EXPECT_EQ(read("{\\rtf1 }"), "");
    EXPECT_EQ(readRtf("{\\rtf1 }").document.text.paragraphs.size(), 1u);
    EXPECT_EQ(read("{\\rtf1 \\trowd\\pard\\intbl a\\cell b\\cell\\row\\pard c\\par}"), "a|b|c");
    EXPECT_EQ(read("{\\rtf1 \\pard\\intbl a\\nestcell{\\*\\nesttableprops\\nestrow}b\\cell\\row}"), "a|b");
    EXPECT_EQ(read("{\\rtf1 {\\header h\\par}{\\footnote f}{\\*\\x y}{\\info{\\title t}}{\\pict ab}text}"), "text|f");
}

TEST(RtfRead, RecognisesRtfByItsBeginning) {
    EXPECT_TRUE(isRtfDocument("{\\rtf1\\ansi}"));
    EXPECT_TRUE(isRtfDocument("\xEF\xBB\xBF \r\n\t{\\rtf1}"));
    EXPECT_FALSE(isRtfDocument("{\\rt"));
    EXPECT_FALSE(isRtfDocument("x{\\rtf1}"));
    EXPECT_FALSE(isRtfDocument("{\\RTF1}"));
    EXPECT_FALSE(isRtfDocument(""));
    const RtfReadResult r = readRtf("plain text");
    EXPECT_EQ(r.fault.error, RtfError::NotRtf);
    EXPECT_TRUE(r.document.text.paragraphs.empty());
}

// Hostile and broken files: each ends in bounded time with the text before
// the fault (or all of it) and the fault named.
TEST(RtfRead, HostileInputStaysBounded) {
    struct Case {
        const char* name;
        std::string rtf;
        RtfError error;
        const char* text;
    };
    const std::string deep = "{\\rtf1 a" + std::string(1000000, '{') + "x" + std::string(1000000, '}') + "}";
    const std::string limit = "{\\rtf1 a" + std::string(kMaxGroupDepth - 1, '{') + "x" +
                              std::string(kMaxGroupDepth - 1, '}') + "b}";
    const Case cases[] = {
        {"missing closing brace", "{\\rtf1 a{\\b b", RtfError::Truncated, "ab"},
        {"cut after a backslash", "{\\rtf1 a\\", RtfError::Truncated, "a"},
        {"cut inside \\'", "{\\rtf1 a\\'e", RtfError::Truncated, "a"},
        {"cut inside a skipped group", "{\\rtf1 a{\\pict 0102", RtfError::Truncated, "a"},
        {"closing braces to spare", "{\\rtf1 a}}}}b", RtfError::None, "a"},
        {"a million nested groups", deep, RtfError::TooDeep, "a"},
        {"as deep as allowed", limit, RtfError::None, "axb"},
        {"\\bin past the end", "{\\rtf1 a\\bin2147483647 xyz}", RtfError::BinaryPastEnd, "a"},
        {"\\bin with more digits than int32", "{\\rtf1 a\\bin99999999999999999999 xyz}", RtfError::BinaryPastEnd, "a"},
        {"\\bin past the end in a skipped group", "{\\rtf1 a{\\pict\\bin900 x}}", RtfError::BinaryPastEnd, "a"},
        {"negative \\bin", "{\\rtf1 a\\bin-5 b}", RtfError::None, "ab"},
        {"\\bin data with braces", "{\\rtf1 a{\\pict\\bin4 }}{\\}b}", RtfError::None, "ab"},
        {"a 100 000-letter control word", "{\\rtf1 a\\" + std::string(100000, 'x') + " b}", RtfError::WordTooLong,
         "ab"},
        {"a 33-letter control word", "{\\rtf1 a\\" + std::string(33, 'x') + " b}", RtfError::WordTooLong, "ab"},
        {"a 32-letter control word", "{\\rtf1 a\\" + std::string(32, 'x') + " b}", RtfError::None, "ab"},
        {"a huge \\uc", "{\\rtf1{\\uc2147483647\\u1087 abc}d}", RtfError::None, "пd"},
        {"style based on itself in a loop",
         "{\\rtf1{\\stylesheet{\\s1\\sbasedon2\\b a;}{\\s2\\sbasedon1\\i b;}}\\s1 x}", RtfError::None, "x"},
        {"a font entry with a huge name", "{\\rtf1{\\fonttbl{\\f0 " + std::string(1000000, 'n') + ";}}x}",
         RtfError::None, "x"},
    };
    for (const Case& c : cases) {
        const RtfReadResult r = readRtf(c.rtf);
        EXPECT_EQ(r.fault.error, c.error) << c.name;
        EXPECT_EQ(textOf(r.document), c.text) << c.name;
    }
}

TEST(RtfRead, OutOfRangeNumbersAndMissingTableEntries) {
    const RichDocument d =
        readRtf("{\\rtf1{\\colortbl;\\red1\\green2\\blue3;}{\\fonttbl{\\f0 Arial;}}"
                "\\f99999999999999999999\\fs99999999999999999999\\cf99\\highlight-5"
                "\\li-99999999999999\\ilvl99999\\ls7 a\\par"
                "\\pard\\f0\\fs-4\\cf1\\red999 b}")
            .document;
    const CharFormat a = formatOf(d, "a");
    EXPECT_EQ(S(a.fontName), "");  // no such font
    EXPECT_EQ(a.halfPoints, 3276);
    EXPECT_FALSE(a.color || a.background);
    const ParagraphFormat pa = paragraphOf(d, "a");
    EXPECT_EQ(pa.leftIndent, -31680);
    EXPECT_EQ(pa.listStyle, ListStyle::Disc);  // a list whose table is missing
    EXPECT_EQ(pa.listLevel, 8);
    const CharFormat b = formatOf(d, "b");
    EXPECT_EQ(S(b.fontName), "Arial");
    EXPECT_EQ(b.halfPoints, 2);
    EXPECT_EQ(rgb(b.color), "1,2,3");
    // Every index the reader gives is inside its tables.
    for (const auto& p : d.text.paragraphs) {
        EXPECT_LT(static_cast<std::size_t>(p.format), d.paragraphFormats.size());
        for (const auto& run : p.runs) EXPECT_LT(static_cast<std::size_t>(run.format), d.charFormats.size());
    }
}

TEST(RtfRead, CutFileGivesAPrefixOfTheText) {
    const std::string whole = fixture("libreoffice.rtf");
    const std::string all = read(whole);
    for (std::size_t cut = 0; cut < whole.size(); cut += 97) {
        const RtfReadResult r = readRtf(std::string_view(whole).substr(0, cut));
        if (cut < 5) {
            EXPECT_EQ(r.fault.error, RtfError::NotRtf);
            continue;
        }
        EXPECT_EQ(r.fault.error, RtfError::Truncated) << cut;
        const std::string part = textOf(r.document);
        // The last paragraph read may be cut short; everything before it is whole.
        EXPECT_EQ(all.compare(0, part.size(), part), 0) << cut << ": " << part;
    }
}

namespace {

std::string placed(const RichDocument& d) {
    std::string s;
    for (const auto& p : d.text.paragraphs) {
        const ParagraphFormat& f = paragraphFormatAt(d, p.format);
        if (!s.empty()) s += '|';
        if (f.table >= 0) s += std::to_string(f.table) + ":" + std::to_string(f.row) + "," + std::to_string(f.column) + " ";
        s += S(p.plainText());
    }
    return s;
}

std::string cells(const Table& t) {
    std::string s = std::to_string(t.rows) + "x" + std::to_string(t.columns);
    for (const TableCell& c : t.cells)
        s += " " + std::to_string(c.row) + "," + std::to_string(c.column) +
             (c.rowSpan > 1 || c.columnSpan > 1 ? "+" + std::to_string(c.rowSpan) + "x" + std::to_string(c.columnSpan) : "");
    return s;
}

}  // namespace

// Rows are laid on one grid of columns, the edges of all their cells:
// a wider cell spans columns, merged cells join their neighbour with their
// text, a table in a cell knows that cell, and cells a writer adds beyond
// the row's definition are dropped when empty.
TEST(RtfRead, TablesAsTables) {
    const RichDocument d = readRtf(
        R"({\rtf1{\colortbl;\red255\green255\blue0;})"
        R"(\trowd\clbrdrt\brdrs\clcbpat1\cellx4000\clvmgf\cellx6000\pard\intbl wide\cell tall\cell\row)"
        R"(\trowd\cellx2000\cellx4000\clvmrg\cellx6000\pard\intbl a\cell b\cell\cell\cell\cell\row)"
        R"(\trowd\cellx2000\clmrg\cellx4000\cellx6000\pard\intbl c\cell d\cell e\par)"
        R"(\pard\intbl\itap2 n1\nestcell n2\nestcell{\*\nesttableprops\trowd\cellx1000\cellx2000\nestrow})"
        R"(\pard\intbl after\cell\row\pard body\par})").document;
    EXPECT_EQ(placed(d), "0:0,0 wide|0:0,2 tall|0:1,0 a|0:1,1 b|0:2,0 c|0:2,0 d|0:2,2 e|1:0,0 n1|1:0,1 n2|0:2,2 after|body");
    ASSERT_EQ(d.tables.size(), 2u);
    EXPECT_EQ(cells(d.tables[0]), "3x3 0,0+1x2 0,2+2x1 1,0 1,1 2,0+1x2 2,2");
    EXPECT_EQ(d.tables[0].columnWidths, (std::vector<int>{2000, 2000, 2000}));
    EXPECT_TRUE(d.tables[0].borders);
    EXPECT_EQ(rgb(d.tables[0].cells[0].background), "255,255,0");
    EXPECT_EQ(std::make_tuple(d.tables[1].parent, d.tables[1].parentRow, d.tables[1].parentColumn), std::make_tuple(0, 2, 2));
    EXPECT_EQ(cells(d.tables[1]), "1x2 0,0 0,1");
    // Rows never ended, a note's cells and rows, cells beyond Word's 63 columns.
    EXPECT_EQ(placed(readRtf(R"({\rtf1\trowd\cellx100\pard\intbl x\cell})").document), "0:0,0 x");
    EXPECT_EQ(placed(readRtf(R"({\rtf1\trowd\cellx100\cellx200\pard\intbl a{\footnote n\cell o\row}\cell b\cell\row})")
                         .document),
              "0:0,0 a|0:0,1 b|n|o");
    std::string many = R"({\rtf1\trowd\pard\intbl )";
    for (int i = 0; i < 70; ++i) many += std::to_string(i) + R"(\cell )";
    const RichDocument wide = readRtf(many + R"(\row})").document;
    EXPECT_EQ(wide.tables[0].columns, 63);
    EXPECT_EQ(wide.text.paragraphs.size(), 70u);
    EXPECT_EQ(paragraphOf(wide, "69").column, 62);
}

// Footnotes and comments come after the text, each starting with its
// number, which also marks its place in the text; what is left out is
// counted.
TEST(RtfRead, NotesAfterTheTextAndWhatIsLeftOut) {
    const RtfReadResult r = readRtf(
        R"({\rtf1 {\header top\par}{\footerr bottom\par}one{\super\chftn{\*\footnote\chftn note one\par second line}})"
        R"( two{\chftn{\footnote plain}} three{\*\atnauthor Ann}\chatn{\*\annotation {\*\atnref 1}said}.\par)"
        R"({\*\shppict{\pict\pngblip 0102}}{\nonshppict{\pict\wmetafile8 0304}}{\pict\emfblip 05}{\shp{\*\shpinst x}})"
        R"({\object{\*\objdata 01}}{\object{\*\objdata 02}{\result{\pict\jpegblip\bin2 )" "\xFF\xD8" R"(}}}end\par})");
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(textOf(r.document), "one1 two2 three3.|\uFFFC\uFFFCend|1 note one|second line|2 plain|3 Ann: said");
    EXPECT_EQ(formatOf(r.document, "1 note").position, VerticalPosition::Superscript);
    EXPECT_EQ((RtfReadReport{3, true, 1, 2}), r.report);
    ASSERT_EQ(r.document.images.size(), 2u);
    EXPECT_EQ(r.document.images[0].data, "\x01\x02");
    EXPECT_EQ(r.document.images[1].kind, ImageKind::Jpeg);
    EXPECT_EQ(r.document.images[1].data, "\xFF\xD8");
}

// Pictures: the size asked for, scaled; beyond the bytes allowed, left out.
TEST(RtfRead, PicturesAndTheirLimits) {
    const std::string rtf = R"({\rtf1 {\pict\picwgoal1000\pichgoal500\picscalex50\picscaley0\pngblip 01 02 03}x)"
                            R"({\pict\pngblip 0405}\b y\par})";
    const RtfReadResult whole = readRtf(rtf);
    ASSERT_EQ(whole.document.images.size(), 2u);
    EXPECT_EQ(std::make_pair(whole.document.images[0].width, whole.document.images[0].height), std::make_pair(500, 500));
    RtfReadOptions small;
    small.maxPictureBytes = 4;
    const RtfReadResult limited = readRtf(rtf, small);
    EXPECT_EQ(textOf(limited.document), "\uFFFCxy");
    EXPECT_EQ(limited.report.picturesLeftOut, 1);
}

// Numbering that starts again in the middle of a list, as the marker a
// writer drew shows it: from there on the items are another list, and a
// shallower level goes on counting where it was.
TEST(RtfRead, NumberingStartsAgainWhereTheMarkerSays) {
    const RichDocument d = readRtf(
        R"({\rtf1{\*\listtable{\list{\listlevel\levelnfc0\levelstartat1}{\listlevel\levelnfc2\levelstartat1}\listid9}})"
        R"({\*\listoverridetable{\listoverride\listid9\ls1}})"
        R"(\pard\ls1{\listtext 1.\tab}a\par\pard\ls1{\listtext 5.\tab}b\par\pard\ls1{\listtext 6.\tab}c\par)"
        R"(\pard\ls1\ilvl1{\listtext iv)\tab}d\par\pard\ls1{\listtext 7.\tab}e\par)"
        R"(\pard{\pntext 1.\tab}{\*\pn\pnlvlbody\pndec\pnstart1}f\par{\pntext 8.\tab}{\*\pn\pnlvlbody\pndec\pnstart1}g\par})")
                                 .document;
    auto item = [&](const char* text) {
        const ParagraphFormat f = paragraphOf(d, text);
        return std::make_tuple(f.listId, f.listLevel, f.listStart);
    };
    const int first = std::get<0>(item("a")), second = std::get<0>(item("b")), third = std::get<0>(item("d"));
    EXPECT_NE(first, second);
    EXPECT_EQ(item("b"), std::make_tuple(second, 0, 5));
    EXPECT_EQ(item("c"), std::make_tuple(second, 0, 5));
    EXPECT_EQ(item("d"), std::make_tuple(third, 1, 4));
    EXPECT_EQ(item("e"), std::make_tuple(third, 0, 7));  // level 0 counts on: 7
    EXPECT_EQ(std::get<2>(item("g")), 8);
    EXPECT_NE(std::get<0>(item("g")), std::get<0>(item("f")));
}
