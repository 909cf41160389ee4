#include "app/conversion/conversion_pipeline.h"

#include <algorithm>

namespace lettrica::app {

ConversionPipeline::ConversionPipeline(const QTextDocument& source, QTextDocument& target,
                                       const translit::Converter& converter)
    : reader_(source, formats_), builder_(target, formats_), converter_(converter) {}

bool ConversionPipeline::work(std::size_t budget) {
    // What is read goes on through the engine and into the target in the
    // same call, so every call leaves more of the result in place.
    if (stage_ == Stage::Read) read(budget);
    if (stage_ == Stage::Convert) convert(budget);
    if (stage_ == Stage::Build) build(budget);
    return done();
}

void ConversionPipeline::stopConverting() {
    converting_ = false;
    if (stage_ == Stage::Convert) convert(0);
}

std::size_t ConversionPipeline::finished() const {
    if (done()) return total();
    return std::min(total(), chunkStart_ + built_);
}

void ConversionPipeline::read(std::size_t budget) {
    reader_.read(chunk_, budget);
    // A paragraph longer than the budget takes several calls to read.
    if (chunk_.paragraphs.empty() && !reader_.done()) return;
    if (!converting_) {
        toBuild(chunk_);
        return;
    }
    conversion_.emplace(chunk_);
    stage_ = Stage::Convert;
}

void ConversionPipeline::convert(std::size_t budget) {
    if (converting_ && !conversion_->advance(converter_, budget)) return;
    // Done, or stopped: the converted part and the rest of the chunk as it was.
    converted_ = conversion_->takeResult();
    conversion_.reset();
    toBuild(converted_);
}

void ConversionPipeline::toBuild(const text::StyledText& paragraphs) {
    building_ = &paragraphs;
    paragraph_ = run_ = offset_ = 0;
    begun_ = false;
    stage_ = Stage::Build;
}

void ConversionPipeline::build(std::size_t budget) {
    std::size_t spent = 0;
    const auto& paragraphs = building_->paragraphs;
    builder_.beginBatch();
    while (paragraph_ < paragraphs.size() && spent < budget) {
        const text::Paragraph& p = paragraphs[paragraph_];
        if (!begun_) {
            builder_.beginParagraph(p.format);
            begun_ = true;
        }
        // A long run goes in in pieces, so a call stays short.
        while (run_ < p.runs.size() && spent < budget) {
            const std::u16string_view text = p.runs[run_].text;
            const std::size_t n = std::min(text.size() - offset_, budget - spent);
            builder_.insertText(text.substr(offset_, n), p.runs[run_].format);
            offset_ += n;
            spent += n;
            if (offset_ == text.size()) {
                ++run_;
                offset_ = 0;
            }
        }
        if (run_ < p.runs.size()) break;
        built_ += chunk_.paragraphs[paragraph_].length() + 2;  // with its break
        ++paragraph_;
        run_ = 0;
        begun_ = false;
        spent += 2;
    }
    builder_.endBatch();
    if (paragraph_ < paragraphs.size()) return;

    chunkStart_ += built_;
    built_ = 0;
    chunk_.paragraphs.clear();
    converted_.paragraphs.clear();
    building_ = nullptr;
    stage_ = reader_.done() ? Stage::Done : Stage::Read;
}

}  // namespace lettrica::app
