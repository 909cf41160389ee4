#include "cli/rtf_document.h"

#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/args.h"
#include "docio/rtf_builder.h"
#include "docio/rtf_writer.h"
#include "translit/document_conversion.h"

namespace lettrica::cli {

namespace {

// Enough for a byte-order mark, some white space and "{\rtf".
constexpr std::size_t kSniffSize = 64;

// The whole input in one buffer, which the reader needs.
struct WholeInput {
    std::unique_ptr<char[]> bytes;
    std::size_t size = 0;
    std::string_view view() const { return {bytes.get(), size}; }
};

// From a pipe: read in blocks and joined once, since growing one buffer
// would zero and copy it again and again. `head` and `next` come first.
WholeInput readBlocks(Input& input, std::string_view head, std::optional<char> next) {
    constexpr std::size_t kBlock = 4 << 20;
    std::vector<std::unique_ptr<char[]>> blocks;
    std::size_t last = kBlock;  // bytes in the last block
    WholeInput whole;
    auto add = [&](const char* bytes, std::size_t n) {
        while (n > 0) {
            if (last == kBlock) {
                blocks.push_back(std::make_unique_for_overwrite<char[]>(kBlock));
                last = 0;
            }
            const std::size_t k = std::min(n, kBlock - last);
            std::memcpy(blocks.back().get() + last, bytes, k);
            last += k;
            whole.size += k;
            bytes += k;
            n -= k;
        }
    };
    add(head.data(), head.size());
    if (next) add(&*next, 1);
    for (;;) {
        if (last == kBlock) {
            blocks.push_back(std::make_unique_for_overwrite<char[]>(kBlock));
            last = 0;
        }
        const std::size_t n = input.read(blocks.back().get() + last, kBlock - last);
        if (n == 0) break;
        last += n;
        whole.size += n;
    }
    // The joined buffer's pages are taken as they are filled and each block
    // is given back once copied: the input is in memory about once.
    whole.bytes = std::make_unique_for_overwrite<char[]>(whole.size);
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        std::memcpy(whole.bytes.get() + i * kBlock, blocks[i].get(), i + 1 < blocks.size() ? kBlock : last);
        blocks[i].reset();
    }
    return whole;
}

WholeInput readAll(Input& input) {
    WholeInput whole;
    // A file whose size is known goes into one buffer of that size.
    if (const std::size_t expected = input.sizeLeft()) {
        whole.bytes = std::make_unique_for_overwrite<char[]>(expected);
        while (whole.size < expected) {
            const std::size_t n = input.read(whole.bytes.get() + whole.size, expected - whole.size);
            if (n == 0) return whole;  // it shrank
            whole.size += n;
        }
        char probe;
        if (input.read(&probe, 1) == 0) return whole;
        // It grew meanwhile: the rest as from a pipe, after what was read.
        WholeInput rest = readBlocks(input, std::string_view(whole.bytes.get(), whole.size), probe);
        return rest;
    }
    return readBlocks(input, {}, std::nullopt);
}

// Passes each paragraph, converted, to the writer.
class ConvertingSink final : public docio::RtfParagraphSink {
public:
    ConvertingSink(const translit::Converter& converter, docio::RtfWriter& writer)
        : converter_(converter), writer_(writer) {}
    bool paragraph(const docio::RichDocument&, text::Paragraph&& paragraph) override {
        one_.paragraphs.clear();
        one_.paragraphs.push_back(std::move(paragraph));
        const text::StyledText converted = translit::convertDocument(one_, converter_);
        writer_.paragraph(converted.paragraphs.front());
        return true;
    }

private:
    const translit::Converter& converter_;
    docio::RtfWriter& writer_;
    text::StyledText one_;
};

class NoParagraphs final : public docio::RtfParagraphSink {
public:
    bool paragraph(const docio::RichDocument&, text::Paragraph&&) override { return true; }
};

}  // namespace

// Two readings of the bytes: the first gathers the format tables the
// file's header needs, the second converts and writes the paragraphs as
// they come. The document is never whole in memory: its text takes only a
// paragraph at a time, and pictures are kept by the first reading only.
bool convertIfRtf(Input& input, std::size_t inputs, const translit::Converter& converter, Output& output) {
    if (!docio::isRtfDocument(input.peek(kSniffSize))) return false;
    if (inputs > 1) throw UsageError(input.name() + " is an RTF document: it is converted on its own, one FILE a run");
    const WholeInput whole = readAll(input);
    NoParagraphs none;
    const docio::RtfReadResult tables = docio::readRtf(whole.view(), none);
    if (!tables.ok())
        throw IoError(input.name(), std::string("cannot read this RTF document: ") +
                                        docio::describeRtfError(tables.fault.error) + " (at byte " +
                                        std::to_string(tables.fault.offset) + ")");
    docio::RtfWriter writer(tables.document, [&output](std::string_view piece) { output.write(piece); });
    ConvertingSink convert(converter, writer);
    docio::RtfReadOptions withoutPictures;
    withoutPictures.keepPictureData = false;
    docio::readRtf(whole.view(), convert, withoutPictures);
    writer.finish();
    return true;
}

}  // namespace lettrica::cli
