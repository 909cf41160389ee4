#pragma once
// Looking into a formatted document by its text: the format a word was read
// with, the paragraph that holds it. Fixture tests name words, not indexes.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "docio/rich_format.h"
#include "test_util.h"

namespace richtest {

inline std::string readFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    EXPECT_TRUE(f.good()) << path;
    return std::string(std::istreambuf_iterator<char>(f), {});
}

inline std::string fixture(const std::string& name) { return readFile(std::string(LETTRICA_TEST_DATA) + "/rtf/" + name); }

// The format of the run that holds `word` (UTF-8); fails the test when none does.
inline lettrica::docio::CharFormat formatOf(const lettrica::docio::RichDocument& doc, std::string_view word) {
    const std::u16string w = U(word);
    for (const auto& p : doc.text.paragraphs)
        for (const auto& r : p.runs)
            if (r.text.find(w) != std::u16string::npos) return lettrica::docio::charFormatAt(doc, r.format);
    ADD_FAILURE() << "no run holds " << word;
    return {};
}

// The format of the paragraph whose text contains `word`.
inline lettrica::docio::ParagraphFormat paragraphOf(const lettrica::docio::RichDocument& doc, std::string_view word) {
    const std::u16string w = U(word);
    for (const auto& p : doc.text.paragraphs)
        if (p.plainText().find(w) != std::u16string::npos) return lettrica::docio::paragraphFormatAt(doc, p.format);
    ADD_FAILURE() << "no paragraph holds " << word;
    return {};
}

inline std::string rgb(const std::optional<lettrica::docio::Rgb>& c) {
    if (!c) return "auto";
    return std::to_string(c->red) + "," + std::to_string(c->green) + "," + std::to_string(c->blue);
}

}  // namespace richtest

namespace richtest {

// What tests/data/rtf/formatted.fodt holds, checked on any document made
// from it: LibreOffice's own RTF of it, or ours after LibreOffice read it.
inline void expectFormattedDocument(const lettrica::docio::RichDocument& doc) {
    using namespace lettrica::docio;
    const char* paragraphs[] = {
        "Обычный текст: жирный, курсив, подчёркнутый.",
        "Красный и синий; крупно и мелко.",
        "Шрифт DejaVu Sans, моноширинный, Ёлка.",
        "По центру",
        "Справа",
        "По ширине: съешь же ещё этих мягких французских булок, да выпей чаю.",
        "Первый пункт",
        "Второй пункт",
        "Раз",
        "Два",
        "Вне 1251: Äpfel, 中文, 😀, ∑, «ёлки» — №5 € ™",
        "Стиль: сильный конец",
    };
    ASSERT_EQ(doc.text.paragraphs.size(), std::size(paragraphs));
    for (std::size_t i = 0; i < std::size(paragraphs); ++i)
        EXPECT_EQ(S(doc.text.paragraphs[i].plainText()), paragraphs[i]) << "paragraph " << i;

    const CharFormat plain = formatOf(doc, "Обычный");
    EXPECT_EQ(S(plain.fontName), "Liberation Serif");
    EXPECT_EQ(plain.halfPoints, 24);
    EXPECT_FALSE(plain.bold || plain.italic || plain.underline || plain.color);
    EXPECT_TRUE(formatOf(doc, "жирный").bold);
    EXPECT_FALSE(formatOf(doc, "жирный").italic);
    EXPECT_TRUE(formatOf(doc, "курсив").italic);
    EXPECT_TRUE(formatOf(doc, "подчёркнутый").underline);
    EXPECT_EQ(rgb(formatOf(doc, "Красный").color), "201,33,30");
    EXPECT_EQ(rgb(formatOf(doc, "синий").color), "42,96,153");
    EXPECT_EQ(formatOf(doc, "крупно").halfPoints, 40);
    EXPECT_EQ(formatOf(doc, "мелко").halfPoints, 16);
    EXPECT_EQ(S(formatOf(doc, "Шрифт DejaVu Sans").fontName), "DejaVu Sans");
    EXPECT_EQ(S(formatOf(doc, "моноширинный").fontName), "Courier New");
    const CharFormat fir = formatOf(doc, "Ёлка");
    EXPECT_TRUE(fir.bold && fir.italic);
    EXPECT_EQ(rgb(fir.color), "0,169,51");
    EXPECT_TRUE(formatOf(doc, "сильный").bold);  // through a character style

    EXPECT_EQ(paragraphOf(doc, "Обычный").alignment, Alignment::Left);
    EXPECT_EQ(paragraphOf(doc, "По центру").alignment, Alignment::Center);
    EXPECT_EQ(paragraphOf(doc, "Справа").alignment, Alignment::Right);
    EXPECT_EQ(paragraphOf(doc, "По ширине").alignment, Alignment::Justify);

    EXPECT_EQ(paragraphOf(doc, "Обычный").listStyle, ListStyle::None);
    const ParagraphFormat first = paragraphOf(doc, "Первый"), second = paragraphOf(doc, "Второй");
    const ParagraphFormat one = paragraphOf(doc, "Раз"), two = paragraphOf(doc, "Два");
    EXPECT_EQ(first.listStyle, ListStyle::Disc);
    EXPECT_EQ(one.listStyle, ListStyle::Decimal);
    EXPECT_EQ(first.listId, second.listId);
    EXPECT_EQ(one.listId, two.listId);
    EXPECT_NE(first.listId, one.listId);
    EXPECT_EQ(one.listStart, 1);
    EXPECT_EQ(first.listLevel, 0);
    EXPECT_EQ(first.leftIndent, 720);
    EXPECT_EQ(first.firstLineIndent, -360);
}

}  // namespace richtest
