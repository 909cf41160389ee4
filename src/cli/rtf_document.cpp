#include "cli/rtf_document.h"

#include <climits>
#include <cstdint>
#include <cstring>
#include <deque>
#include <memory>
#include <optional>
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

// Whether the start of an input already tells if it is an RTF document: no
// more bytes could change the answer.
bool rtfStartTold(std::string_view start) {
    constexpr std::string_view bom = "\xEF\xBB\xBF", magic = "{\\rtf";
    if (start.size() < bom.size() && bom.starts_with(start)) return false;
    if (start.starts_with(bom)) start.remove_prefix(bom.size());
    while (!start.empty() && (start[0] == ' ' || start[0] == '\t' || start[0] == '\r' || start[0] == '\n'))
        start.remove_prefix(1);
    return !start.empty() && (start.size() >= magic.size() || !magic.starts_with(start));
}

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

// The paragraphs of a document as they are read, held compactly: the text
// in large pieces, a run as its length and format, a paragraph as its number
// of runs and format. Eight bytes a run and a paragraph besides the text,
// where a paragraph of its own takes a hundred; nothing is ever moved to a
// larger buffer, so nothing is held twice while it grows.
class StoredParagraphs final : public docio::RtfParagraphSink {
public:
    bool paragraph(const docio::RichDocument&, text::Paragraph&& paragraph) override {
        std::uint32_t runs = 0;
        for (const text::Run& run : paragraph.runs) {
            // A run longer than a length holds goes in pieces of one format.
            for (std::u16string_view rest(run.text); !rest.empty(); ++runs) {
                const std::size_t n = std::min<std::size_t>(rest.size(), UINT32_MAX);
                if (text_.empty() || text_.back().capacity() - text_.back().size() < n) {
                    text_.emplace_back();
                    text_.back().reserve(std::max<std::size_t>(n, kTextPiece));
                }
                text_.back().append(rest.substr(0, n));
                runs_.push_back(Piece{static_cast<std::uint32_t>(n), run.format});
                rest.remove_prefix(n);
            }
        }
        paragraphs_.push_back(Piece{runs, paragraph.format});
        return true;
    }

    // Each paragraph in turn, as a paragraph again.
    template <typename Visit>
    void forEach(Visit&& visit) const {
        std::size_t piece = 0, at = 0;
        auto run = runs_.begin();
        text::Paragraph p;
        for (const Piece& paragraph : paragraphs_) {
            p.runs.clear();
            p.format = paragraph.format;
            for (std::uint32_t i = 0; i < paragraph.size; ++i, ++run) {
                if (at + run->size > text_[piece].size()) ++piece, at = 0;  // a run never spans two pieces
                p.runs.push_back(text::Run{text_[piece].substr(at, run->size), run->format});
                at += run->size;
            }
            visit(p);
        }
    }

private:
    static constexpr std::size_t kTextPiece = std::size_t{1} << 20;
    struct Piece {
        std::uint32_t size;  // of a run: characters; of a paragraph: runs
        int format;
    };
    std::vector<std::u16string> text_;
    std::deque<Piece> runs_, paragraphs_;
};

}  // namespace

// One reading of the bytes into the format tables and a compact store of
// the paragraphs (the input is then let go), then each paragraph converted
// and written: the document takes a few times its text, not the hundred
// bytes a paragraph of a whole document model.
bool convertIfRtf(Input& input, std::size_t inputs, const translit::Converter& converter, Output& output) {
    if (!docio::isRtfDocument(input.peek(kSniffSize, rtfStartTold))) return false;
    if (inputs > 1) throw UsageError(input.name() + " is an RTF document: it is converted on its own, one FILE a run");
    StoredParagraphs paragraphs;
    docio::RtfReadResult read;
    {
        const WholeInput whole = readAll(input);
        read = docio::readRtf(whole.view(), paragraphs);
    }
    if (!read.ok())
        throw IoError(input.name(), std::string("cannot read this RTF document: ") +
                                        docio::describeRtfError(read.fault.error) + " (at byte " +
                                        std::to_string(read.fault.offset) + ")");
    docio::RtfWriter writer(read.document, [&output](std::string_view piece) { output.write(piece); });
    text::StyledText one;
    one.paragraphs.resize(1);
    paragraphs.forEach([&](const text::Paragraph& paragraph) {
        one.paragraphs.front() = paragraph;
        writer.paragraph(translit::convertDocument(one, converter).paragraphs.front());
    });
    writer.finish();
    return true;
}

}  // namespace lettrica::cli
