#include "docio/rich_format.h"

#include <functional>
#include <string_view>

namespace lettrica::docio {

namespace {
const CharFormat kDefaultChar{};
const ParagraphFormat kDefaultParagraph{};

std::size_t mix(std::size_t seed, std::size_t value) {
    return seed ^ (value + 0x9E3779B97F4A7C15ull + (seed << 6) + (seed >> 2));
}
std::size_t rgbKey(const std::optional<Rgb>& c) {
    return c ? (std::size_t{1} << 24 | std::size_t{c->red} << 16 | std::size_t{c->green} << 8 | c->blue) : 0;
}
}  // namespace

const CharFormat& charFormatAt(const RichDocument& document, int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= document.charFormats.size()) return kDefaultChar;
    return document.charFormats[static_cast<std::size_t>(index)];
}

const ParagraphFormat& paragraphFormatAt(const RichDocument& document, int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= document.paragraphFormats.size()) return kDefaultParagraph;
    return document.paragraphFormats[static_cast<std::size_t>(index)];
}

const Image* imageAt(const RichDocument& document, int charFormat) {
    const int image = charFormatAt(document, charFormat).image;
    if (image < 0 || static_cast<std::size_t>(image) >= document.images.size()) return nullptr;
    return &document.images[static_cast<std::size_t>(image)];
}

std::size_t CharFormatHash::operator()(const CharFormat& f) const {
    std::size_t h = std::hash<std::u16string_view>{}(f.fontName);
    h = mix(h, static_cast<std::size_t>(f.halfPoints));
    h = mix(h, rgbKey(f.color));
    h = mix(h, rgbKey(f.background));
    h = mix(h, std::size_t{f.bold} | std::size_t{f.italic} << 1 | std::size_t{f.underline} << 2 |
                   std::size_t{f.strike} << 3 | static_cast<std::size_t>(f.position) << 4);
    return mix(h, static_cast<std::size_t>(static_cast<unsigned>(f.image)));
}

std::size_t ParagraphFormatHash::operator()(const ParagraphFormat& f) const {
    std::size_t h = static_cast<std::size_t>(f.alignment) | static_cast<std::size_t>(f.listStyle) << 4;
    for (int v : {f.leftIndent, f.rightIndent, f.firstLineIndent, f.listLevel, f.listId, f.listStart, f.table, f.row,
                  f.column})
        h = mix(h, static_cast<std::size_t>(static_cast<unsigned>(v)));
    return h;
}

}  // namespace lettrica::docio
