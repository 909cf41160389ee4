#include "repair/repair_converter.h"

#include "repair/paragraph_edit.h"

namespace lettrica::repair {

const Verdict* RepairTally::commonest() const {
    const Verdict* best = nullptr;
    std::size_t most = 0;
    for (const auto& [what, count] : found) {
        if (count > most) {
            most = count;
            best = &examples.at(what);
        }
    }
    return best;
}

Verdict judgeParagraph(RepairKind kind, std::u16string_view paragraph, EncodingJudge& encoding, LayoutJudge& layout) {
    return kind == RepairKind::Encoding ? encoding.judge(paragraph) : layout.judge(paragraph);
}

RepairConverter::RepairConverter(RepairKind kind, RepairTally& tally, RepairSettings settings)
    : kind_(kind), tally_(tally), encoding_(settings), layout_(settings) {}

translit::Step RepairConverter::step(std::u16string_view, std::size_t) const { return translit::Step::keepOne(); }

std::size_t RepairConverter::convertText(std::u16string_view text, bool, std::u16string& out) const {
    out.append(text);
    return text.size();
}

std::shared_ptr<const translit::Converter> RepairConverter::forParagraph(std::u16string_view paragraph) const {
    // An empty line is no paragraph to count.
    if (paragraph.find_first_not_of(u" \t\u00A0") == std::u16string_view::npos) return nullptr;
    ++tally_.paragraphs;
    Verdict verdict = judgeParagraph(kind_, paragraph, encoding_, layout_);
    if (!verdict.repaired) return nullptr;
    ++tally_.repaired;
    const std::string what = verdict.description();
    if (tally_.found[what]++ == 0) {
        Verdict example = verdict;
        example.text.clear();
        example.pieces.clear();
        tally_.examples.emplace(what, std::move(example));
    }
    return std::make_shared<ParagraphEdit>(paragraph, std::move(verdict.text), verdict.pieces);
}

}  // namespace lettrica::repair
