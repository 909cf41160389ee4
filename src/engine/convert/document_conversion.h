#pragma once
// Converts a styled text with any converter, a slice at a time, so that the
// caller can show progress and stop between slices. Each replacement takes the
// format of the first character it replaces; a stopped run leaves the
// converted beginning followed by the untouched rest, formats and all.
// Transliteration, recoding and case change all run through it.

#include <cstddef>

#include "text/styled_text.h"
#include "convert/converter.h"

namespace lettrica::translit {

class DocumentConversion {
public:
    explicit DocumentConversion(const text::StyledText& source);

    // Converts about `budget` more characters (a step is never split) with
    // `converter`, which may differ from call to call. Returns done().
    bool advance(const Converter& converter, std::size_t budget);

    bool done() const { return paragraph_ >= source_.paragraphs.size(); }
    // Source characters converted so far and in all, a paragraph break counting two.
    std::size_t position() const { return position_; }
    std::size_t total() const { return total_; }

    // The converted part and, after it, the rest of the source as it was.
    text::StyledText result() const;
    // The same without a copy of the converted part, which moves into the
    // result: the conversion is spent.
    text::StyledText takeResult();

private:
    const text::Paragraph& composedParagraph();
    void beginParagraph();
    const Converter& paragraphConverter(const Converter& converter);
    void finishParagraph();
    std::size_t runAt(std::size_t offset) const;
    void appendRest(text::StyledText& out) const;

    const text::StyledText& source_;
    text::StyledText output_;
    std::size_t total_ = 0;
    std::size_t position_ = 0;

    std::size_t paragraph_ = 0;       // paragraph being converted
    const text::Paragraph* paragraphSource_ = nullptr;  // it, decomposed letters composed
    text::Paragraph composed_;        // its composed copy, when it needed one
    std::size_t composedAway_ = 0;    // marks that composing took out of it
    bool started_ = false;            // its flat text is built
    std::u16string flat_;             // its plain text
    std::vector<std::size_t> starts_; // offset of each run in flat_
    std::size_t offset_ = 0;          // next character of flat_ to convert
    text::Paragraph current_;         // its converted part
    std::u16string piece_;            // one slice converted, kept for its capacity
    // What a converter that judges whole paragraphs chose for this one, and
    // which converter chose it.
    const Converter* judge_ = nullptr;
    std::shared_ptr<const Converter> chosen_;
};

// Converts a whole styled text in one go.
text::StyledText convertDocument(const text::StyledText& source, const Converter& converter);

}  // namespace lettrica::translit
