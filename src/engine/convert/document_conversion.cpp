#include "convert/document_conversion.h"

#include <algorithm>

#include "text/compose.h"

namespace lettrica::translit {

DocumentConversion::DocumentConversion(const text::StyledText& source)
    : source_(source), total_(source.length()) {
    output_.paragraphs.reserve(source.paragraphs.size());
}

// Decomposed letters are composed first; a mark in a run of its own joins
// its letter's run.
const text::Paragraph& DocumentConversion::composedParagraph() {
    const text::Paragraph& p = source_.paragraphs[paragraph_];
    composedAway_ = 0;
    bool marks = false;
    for (const text::Run& r : p.runs)
        marks = marks || r.text.find_first_of(u"\u0306\u0308") != std::u16string::npos;
    if (!marks) return p;
    composed_ = text::Paragraph{};
    composed_.format = p.format;
    for (const text::Run& r : p.runs) {
        std::u16string t = r.text;
        if (!t.empty() && !composed_.runs.empty() && !composed_.runs.back().text.empty()) {
            char16_t& last = composed_.runs.back().text.back();
            if (const char16_t c = text::composedCyrillic(last, t[0])) {
                last = c;
                t.erase(0, 1);
                ++composedAway_;
            }
        }
        composedAway_ += text::composeCyrillic(t);
        if (!t.empty()) composed_.runs.push_back(text::Run{std::move(t), r.format});
    }
    return composed_;
}

void DocumentConversion::beginParagraph() {
    const text::Paragraph& p = composedParagraph();
    paragraphSource_ = &p;
    flat_.clear();
    starts_.clear();
    for (const text::Run& r : p.runs) {
        starts_.push_back(flat_.size());
        flat_ += r.text;
    }
    offset_ = 0;
    current_ = text::Paragraph{};
    current_.format = p.format;
    started_ = true;
    judge_ = nullptr;
    chosen_.reset();
}

const Converter& DocumentConversion::paragraphConverter(const Converter& converter) {
    // Asked once a paragraph, again only if the caller switched converters
    // in the middle of it.
    if (judge_ != &converter) {
        judge_ = &converter;
        chosen_ = converter.forParagraph(flat_);
    }
    return chosen_ ? *chosen_ : converter;
}

void DocumentConversion::finishParagraph() {
    output_.paragraphs.push_back(std::move(current_));
    current_ = text::Paragraph{};
    started_ = false;
    ++paragraph_;
    if (paragraph_ < source_.paragraphs.size()) position_ += 2;  // the CR LF
}

std::size_t DocumentConversion::runAt(std::size_t offset) const {
    auto it = std::upper_bound(starts_.begin(), starts_.end(), offset);
    return static_cast<std::size_t>(it - starts_.begin()) - 1;
}

bool DocumentConversion::advance(const Converter& given, std::size_t budget) {
    std::size_t spent = 0;
    while (!done() && spent < budget) {
        if (!started_) beginParagraph();
        const Converter& converter = paragraphConverter(given);
        const text::Paragraph& src = *paragraphSource_;
        const std::size_t stop = std::min(flat_.size(), offset_ + (budget - spent));
        const std::size_t before = offset_;
        if (converter.lookahead() == 0) {
            // Context-free: every step is one character inside one run, so
            // each run's slice converts in bulk.
            std::u16string& piece = piece_;
            while (offset_ < stop) {
                std::size_t r = runAt(offset_);
                std::size_t runEnd = r + 1 < starts_.size() ? starts_[r + 1] : flat_.size();
                std::size_t end = std::min(stop, runEnd);
                piece.clear();
                converter.convertText(std::u16string_view(flat_).substr(offset_, end - offset_), true, piece);
                text::appendRun(current_, piece, src.runs[r].format);
                offset_ = end;
            }
        } else {
            std::u16string_view text(flat_);
            std::size_t r = offset_ < flat_.size() ? runAt(offset_) : 0;
            while (offset_ < stop) {
                while (r + 1 < starts_.size() && starts_[r + 1] <= offset_) ++r;
                Step s = converter.step(text, offset_);
                int format = src.runs[r].format;
                if (s.keep) {
                    text::appendRun(current_, text.substr(offset_, 1), format);
                    ++offset_;
                } else {
                    text::appendRun(current_, s.replacement, format);
                    offset_ += std::clamp<std::size_t>(s.span, 1, text.size() - offset_);
                }
            }
        }
        spent += offset_ - before;
        position_ += offset_ - before;
        if (offset_ >= flat_.size()) {
            position_ += composedAway_;
            finishParagraph();
            spent += 2;  // the paragraph break
        }
    }
    return done();
}

text::StyledText DocumentConversion::result() const {
    text::StyledText out = output_;
    appendRest(out);
    return out;
}

text::StyledText DocumentConversion::takeResult() {
    text::StyledText out = std::move(output_);
    output_ = text::StyledText{};
    appendRest(out);
    return out;
}

// After the paragraphs converted whole: the converted part of the current
// paragraph and its rest, then the paragraphs not reached.
void DocumentConversion::appendRest(text::StyledText& out) const {
    std::size_t next = paragraph_;
    if (!done() && started_) {
        text::Paragraph p = current_;
        const text::Paragraph& src = *paragraphSource_;
        for (std::size_t r = 0; r < src.runs.size(); ++r) {
            std::size_t begin = starts_[r];
            std::size_t end = begin + src.runs[r].text.size();
            if (end <= offset_) continue;
            std::size_t from = std::max(begin, offset_);
            text::appendRun(p, std::u16string_view(flat_).substr(from, end - from), src.runs[r].format);
        }
        out.paragraphs.push_back(std::move(p));
        ++next;
    }
    for (; next < source_.paragraphs.size(); ++next) out.paragraphs.push_back(source_.paragraphs[next]);
}

text::StyledText convertDocument(const text::StyledText& source, const Converter& converter) {
    DocumentConversion conversion(source);
    while (!conversion.advance(converter, static_cast<std::size_t>(-1) / 2)) {
    }
    return conversion.takeResult();
}

}  // namespace lettrica::translit
