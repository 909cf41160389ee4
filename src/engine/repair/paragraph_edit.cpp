#include "repair/paragraph_edit.h"

#include <algorithm>

namespace lettrica::repair {

ParagraphEdit::ParagraphEdit(std::u16string_view paragraph, std::u16string result, const std::vector<Piece>& pieces)
    : result_(std::move(result)) {
    std::uint32_t at = 0, from = 0;
    for (const Piece& p : pieces) {
        if (paragraph.substr(at, p.source) != std::u16string_view(result_).substr(from, p.result)) {
            // A piece is one character of the repaired text and what it
            // came from: at most twelve characters (four UTF-8 bytes, each
            // read as up to three), well within what a step can span.
            edits_.push_back({at, p.source, from, p.result});
            longest_ = std::max<std::size_t>(longest_, p.source);
        }
        at += p.source;
        from += p.result;
    }
}

translit::Step ParagraphEdit::step(std::u16string_view text, std::size_t pos) const {
    (void)text;
    auto it = std::lower_bound(edits_.begin(), edits_.end(), pos,
                               [](const Edit& e, std::size_t p) { return e.at < p; });
    if (it == edits_.end() || it->at != pos) return translit::Step::keepOne();
    return translit::Step::replace(std::u16string_view(result_).substr(it->from, it->length),
                                   static_cast<std::uint8_t>(it->span));
}

}  // namespace lettrica::repair
