#pragma once
// A repaired paragraph as converter steps, so that the document driver can
// put it in place piece by piece and each piece takes the format of the
// first character it replaces. Its steps must be asked over the whole
// paragraph it was made for, from its start.

#include <string>
#include <vector>

#include "repair/misreading.h"
#include "convert/converter.h"

namespace lettrica::repair {

class ParagraphEdit : public translit::Converter {
public:
    // `pieces` lead from the paragraph to `result`, in order.
    ParagraphEdit(std::u16string_view paragraph, std::u16string result, const std::vector<Piece>& pieces);

    translit::Step step(std::u16string_view text, std::size_t pos) const override;
    // Steps see the paragraph as a whole, never a slice of it.
    std::size_t lookahead() const override { return longest_; }

private:
    struct Edit {
        std::uint32_t at;      // in the paragraph
        std::uint32_t span;    // characters of the paragraph replaced
        std::uint32_t from;    // in result_
        std::uint32_t length;  // characters of result_ written
    };
    std::u16string result_;
    std::vector<Edit> edits_;  // only the pieces that change something
    std::size_t longest_ = 1;
};

}  // namespace lettrica::repair
