#include "cli/rtf_document.h"

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "cli/args.h"
#include "docio/rtf_builder.h"
#include "docio/rtf_writer.h"
#include "convert/document_conversion.h"

namespace lettrica::cli {

namespace {

// Enough for a byte-order mark, some white space and "{\rtf".
constexpr std::size_t kSniffSize = 64;

// The whole input in one buffer, which the reader needs. Read in blocks
// and joined once: growing one buffer would zero and copy it again and again.
struct WholeInput {
    std::unique_ptr<char[]> bytes;
    std::size_t size = 0;
    std::string_view view() const { return {bytes.get(), size}; }
};

WholeInput readAll(Input& input) {
    constexpr std::size_t kBlock = 4 << 20;
    std::vector<std::unique_ptr<char[]>> blocks;
    std::size_t last = kBlock;  // bytes in the last block
    WholeInput whole;
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
    whole.bytes = std::make_unique_for_overwrite<char[]>(whole.size);
    for (std::size_t i = 0; i < blocks.size(); ++i)
        std::memcpy(whole.bytes.get() + i * kBlock, blocks[i].get(), i + 1 < blocks.size() ? kBlock : last);
    return whole;
}

}  // namespace

bool convertIfRtf(Input& input, std::size_t inputs, const translit::Converter& converter, Output& output) {
    if (!docio::isRtfDocument(input.peek(kSniffSize))) return false;
    if (inputs > 1) throw UsageError(input.name() + " is an RTF document: it is converted on its own, one FILE a run");
    docio::RtfReadResult read = docio::readRtf(readAll(input).view());
    if (!read.ok())
        throw IoError(input.name(), std::string("cannot read this RTF document: ") +
                                        docio::describeRtfError(read.fault.error) + " (at byte " +
                                        std::to_string(read.fault.offset) + ")");
    read.document.text = translit::convertDocument(read.document.text, converter);
    docio::writeRtf(read.document, [&output](std::string_view piece) { output.write(piece); });
    return true;
}

}  // namespace lettrica::cli
