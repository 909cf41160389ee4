// libFuzzer target: any bytes through the RTF reader, and whatever it reads
// through the writer and back. Fuzzed by tools/fuzz.sh; the test run replays
// its seeds.

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "docio/rtf_builder.h"
#include "docio/rtf_writer.h"

using namespace lettrica;
using namespace lettrica::docio;

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

// Text, character formats (but font names, which the writer may have to
// change), tables and the cell of each paragraph survive a write and a read.
void checkRoundTrip(const RichDocument& doc) {
    const std::string rtf = writeRtf(doc);
    for (char c : rtf) check(static_cast<unsigned char>(c) < 0x80);
    const RtfReadResult back = readRtf(rtf);
    check(back.ok());
    const auto& a = doc.text.paragraphs;
    const auto& b = back.document.text.paragraphs;
    check(a.size() == b.size());
    check(doc.tables == back.document.tables);
    for (std::size_t i = 0; i < a.size(); ++i) {
        check(a[i].plainText() == b[i].plainText());
        const ParagraphFormat &fa = paragraphFormatAt(doc, a[i].format), &fb = paragraphFormatAt(back.document, b[i].format);
        check(fa.alignment == fb.alignment);
        check(fa.table == fb.table && fa.row == fb.row && fa.column == fb.column);
        std::size_t rb = 0, ob = 0;
        for (const text::Run& run : a[i].runs) {
            CharFormat f = charFormatAt(doc, run.format);
            for (std::size_t k = 0; k < run.text.size(); ++k) {
                while (ob >= b[i].runs[rb].text.size()) ++rb, ob = 0;
                CharFormat g = charFormatAt(back.document, b[i].runs[rb].format);
                f.fontName = g.fontName;
                check(f == g);
                ++ob;
            }
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const RtfReadResult r = readRtf(bytes);
    if (r.fault.error == RtfError::NotRtf) return 0;
    for (const auto& p : r.document.text.paragraphs) {
        check(static_cast<std::size_t>(p.format) < r.document.paragraphFormats.size());
        for (const auto& run : p.runs) check(static_cast<std::size_t>(run.format) < r.document.charFormats.size());
    }
    checkRoundTrip(r.document);
    return 0;
}
