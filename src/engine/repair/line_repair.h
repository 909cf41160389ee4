#pragma once
// The repair of a UTF-8 text that streams through, one paragraph a line:
// each line is judged on its own and written back repaired or byte for byte
// as it was. Memory stays bounded whatever the input: a line longer than
// `longestLine` bytes is judged in parts cut at a space (where a garbled
// character never is), or at a character's edge when it has none.
//
// A line that is not valid UTF-8 is not text this repair can judge: it is
// passed on unchanged and reported as such.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "repair/repair_converter.h"

namespace lettrica::repair {

struct LineOutcome {
    std::size_t line;         // from 1
    bool part;                // a part of a line longer than the limit
    bool notUtf8;             // passed on unchanged
    const Verdict* verdict;   // null for a line with nothing to judge
};

class LineRepair {
public:
    using Report = std::function<void(const LineOutcome&)>;
    // Judging a paragraph keeps a few dozen readings of it at once: 64 KiB
    // a part keeps that to a few megabytes.
    static constexpr std::size_t kLongestLine = 1 << 16;

    explicit LineRepair(RepairKind kind, Report report = {}, std::size_t longestLine = kLongestLine,
                        RepairSettings settings = {});

    // Appends to `out` what can be written so far.
    void feed(std::string_view bytes, std::string& out);
    // The last line, if it has no line break.
    void finish(std::string& out);

    std::size_t lines() const { return line_ - 1 + (pending_.empty() ? 0 : 1); }
    std::size_t repaired() const { return repaired_; }

private:
    void handle(std::string_view text, bool part, std::string& out);
    void handleLine(std::string_view line, std::string& out);

    RepairKind kind_;
    Report report_;
    std::size_t longestLine_;
    EncodingJudge encoding_;
    LayoutJudge layout_;
    std::string pending_;  // the line begun, not yet ended
    bool split_ = false;   // part of the pending line was already handled
    std::size_t line_ = 1;
    std::size_t repaired_ = 0;
    std::u16string decoded_;
};

}  // namespace lettrica::repair
