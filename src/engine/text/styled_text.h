#pragma once
// A styled text: paragraphs of runs, each run carrying a character format.
// The engine does not know what a format is: it is an index into a table that
// the caller keeps (the desktop's QTextCharFormat list, the RTF reader's
// format table). Paragraph formats are indexes of the same kind.

#include <cstddef>
#include <string>
#include <vector>

namespace lettrica::text {

struct Run {
    std::u16string text;
    int format = 0;
    bool operator==(const Run&) const = default;
};

struct Paragraph {
    std::vector<Run> runs;
    int format = 0;
    std::size_t length() const;
    std::u16string plainText() const;
    bool operator==(const Paragraph&) const = default;
};

struct StyledText {
    std::vector<Paragraph> paragraphs;

    // Characters as the program counts them: a paragraph break is CR LF, two.
    std::size_t length() const;
    // The whole text with CR LF between paragraphs.
    std::u16string plainText() const;
    bool operator==(const StyledText&) const = default;
};

// Appends text in a format, merging with the last run when the format is the same.
void appendRun(Paragraph& paragraph, std::u16string_view text, int format);

// A plain text (CR LF, a lone LF or a lone CR end a paragraph) as one format.
StyledText styledFromPlain(std::u16string_view text, int format = 0, int paragraphFormat = 0);

}  // namespace lettrica::text
