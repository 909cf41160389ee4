#include "cli/rtf_document.h"

#include <string>

#include "cli/args.h"
#include "docio/rtf_builder.h"
#include "docio/rtf_writer.h"
#include "translit/document_conversion.h"

namespace lettrica::cli {

namespace {

// Enough for a byte-order mark, some white space and "{\rtf".
constexpr std::size_t kSniffSize = 64;

std::string readAll(Input& input) {
    std::string bytes;
    std::size_t have = 0;
    for (;;) {
        if (bytes.size() - have < kChunkSize) bytes.resize(std::max(bytes.size() * 2, have + kChunkSize));
        const std::size_t n = input.read(bytes.data() + have, bytes.size() - have);
        if (n == 0) break;
        have += n;
    }
    bytes.resize(have);
    return bytes;
}

}  // namespace

bool convertIfRtf(Input& input, std::size_t inputs, const translit::Converter& converter, Output& output) {
    if (!docio::isRtfDocument(input.peek(kSniffSize))) return false;
    if (inputs > 1) throw UsageError(input.name() + " is an RTF document: it is converted on its own, one FILE a run");
    docio::RtfReadResult read = docio::readRtf(readAll(input));
    if (!read.ok())
        throw IoError(input.name(), std::string("cannot read this RTF document: ") +
                                        docio::describeRtfError(read.fault.error) + " (at byte " +
                                        std::to_string(read.fault.offset) + ")");
    read.document.text = translit::convertDocument(read.document.text, converter);
    docio::writeRtf(read.document, [&output](std::string_view piece) { output.write(piece); });
    return true;
}

}  // namespace lettrica::cli
