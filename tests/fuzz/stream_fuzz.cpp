// The stream driver in pieces of 1..48 bytes (and reads as small), against
// the whole text converted step by step: any converter, any encoding. And
// as the command line reads a file with --encoding auto, in one pass that
// stops at the first byte that is not UTF-8: it stops exactly when the text
// is not UTF-8, and otherwise gives the whole text's UTF-8 conversion.

#include <algorithm>
#include <vector>

#include "conversion_oracle.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    const auto& converters = oracle::converters();
    const oracle::Named& c = converters[in.choose(converters.size())];
    const oracle::Encoding encoding = oracle::kEncodings[in.choose(std::size(oracle::kEncodings))];
    const std::size_t chosen = 1 + in.choose(64);  // above 48: the usual size
    const std::size_t chunk = chosen > 48 ? lettrica::translit::StreamConversion::kDefaultChunk : chosen;
    std::vector<std::size_t> pieces(1 + in.choose(8));
    for (std::size_t& p : pieces) p = 1 + in.choose(48);
    const std::string_view text = in.rest();
    if (c.utf8Only && oracle::resolve(encoding, text).encoding == lettrica::translit::StreamEncoding::Cp1251) return 0;

    const std::string got = oracle::convertStreamed(*c.converter, encoding, text, pieces, chunk);
    const std::string want = oracle::convertWhole(*c.converter, encoding, text);
    if (got != want) std::fprintf(stderr, "%s, %s\n", c.name, oracle::difference(got, want).c_str());
    fuzz::check(got == want, "streamed output differs from the whole text's");

    lettrica::translit::StreamConversion oneway(*c.converter, lettrica::translit::StreamEncoding::Utf8, false, chunk);
    oneway.stopAtInvalidUtf8();
    std::string out;
    std::string_view rest = text;
    for (std::size_t k = 0; !rest.empty() && !oneway.stopped(); ++k) {
        const std::size_t n = std::min(rest.size(), pieces[k % pieces.size()]);
        oneway.feed(rest.substr(0, n), out);
        rest.remove_prefix(n);
    }
    oneway.finish(out);
    const bool utf8 = lettrica::text::isValidUtf8(text);
    fuzz::check(oneway.stopped() == !utf8, "one pass stops exactly at text that is not UTF-8");
    if (utf8) fuzz::check(out == oracle::convertWhole(*c.converter, oracle::Encoding::Utf8, text), "one pass as UTF-8");
    return 0;
}
