#pragma once
// What the repair of one paragraph found: the repaired text with the pieces
// that say which stretch of the paragraph became which, what was wrong, and
// how sure the judgement is.

#include <string>
#include <vector>

#include "repair/misreading.h"

namespace lettrica::repair {

enum class RepairKind { Encoding, Layout };

// The keyboard layout a text was typed in by mistake.
enum class LayoutSlip : std::uint8_t {
    None,
    UsForRussian,  // meant Russian, typed on the US layout: "ghbdtn"
    RussianForUs,  // meant English, typed on the Russian layout: "руддщ"
};

struct Verdict {
    bool repaired = false;
    // A repair scored better than the text as it stands, but not by the
    // margin that a repair needs: the paragraph is left alone.
    bool doubtful = false;
    std::u16string text;        // the repaired paragraph, when repaired
    std::vector<Piece> pieces;  // from the paragraph to `text`, when repaired
    Chain chain;                // what the encoding repair undid
    LayoutSlip slip = LayoutSlip::None;
    // How likely the repair (or, when doubtful, the repair not taken) is
    // right, 0..1, from the scores of the paragraph and its candidates.
    double certainty = 0;
    // 1/16 nats by which the repair scores better than the paragraph.
    std::int32_t gain = 0;
    // Why a repair found was left alone, when doubtful: "it is not made of
    // Russian words".
    std::string doubt;

    // "UTF-8 read as Windows-1251", "typed on the US layout instead of the
    // Russian one"; empty when nothing was found.
    std::string description() const;
};

}  // namespace lettrica::repair
