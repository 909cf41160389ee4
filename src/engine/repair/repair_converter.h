#pragma once
// The repair of garbled text behind the converter contract: it judges each
// paragraph as a whole (forParagraph) and hands the document driver the
// repaired paragraph as steps, or nothing for a paragraph that is right.
// What it found is counted in a tally that the caller owns, for its message.

#include <cstddef>
#include <map>
#include <memory>
#include <string>

#include "repair/encoding_repair.h"
#include "repair/keyboard_layout.h"
#include "convert/converter.h"

namespace lettrica::repair {

struct RepairTally {
    std::size_t paragraphs = 0;  // judged (empty ones are not counted)
    std::size_t repaired = 0;
    // Repaired paragraphs by what was wrong (Verdict::description()), with
    // the verdict of the first of each kind.
    std::map<std::string, std::size_t> found;
    std::map<std::string, Verdict> examples;

    // The kind found most often; none when nothing was repaired.
    const Verdict* commonest() const;
};

class RepairConverter : public translit::Converter {
public:
    RepairConverter(RepairKind kind, RepairTally& tally, RepairSettings settings = {});

    // Outside a paragraph there is nothing to judge: every character stays.
    translit::Step step(std::u16string_view text, std::size_t pos) const override;
    std::size_t convertText(std::u16string_view text, bool final, std::u16string& out) const override;
    std::shared_ptr<const translit::Converter> forParagraph(std::u16string_view paragraph) const override;

private:
    RepairKind kind_;
    RepairTally& tally_;
    // Judges keep working buffers; a converter serves one run on one thread.
    mutable EncodingJudge encoding_;
    mutable LayoutJudge layout_;
};

// Judges one paragraph by the judge of `kind`.
Verdict judgeParagraph(RepairKind kind, std::u16string_view paragraph, EncodingJudge& encoding, LayoutJudge& layout);

}  // namespace lettrica::repair
