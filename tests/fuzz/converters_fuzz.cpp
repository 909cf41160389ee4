// Every converter's fast paths (UTF-16, Windows-1251 bytes, UTF-8), whole
// and cut in two anywhere, against the base class's step-by-step loop. A
// converter that reads the characters before (lookbehind()) is cut only by
// the stream driver, which hands them back (stream_fuzz.cpp); one that
// writes letters Windows-1251 lacks is not run over Windows-1251.

#include <string>

#include "conversion_oracle.h"
#include "fuzz_check.h"

namespace {

using namespace lettrica;

std::u16string stepByStep(const translit::Converter& c, std::u16string_view text) {
    std::u16string out;
    c.translit::Converter::convertText(text, true, out);
    return out;
}

// Converting `whole` in two calls, the first not final and cut at `cut`,
// must give what one final call gives.
template <class Str, class Convert>
void checkCut(const Str& whole, std::size_t cut, const Str& want, Convert convert, const char* what) {
    Str out;
    const std::size_t used = convert(Str(whole.substr(0, cut)), false, out);
    fuzz::check(used <= cut, what);
    convert(Str(whole.substr(used)), true, out);
    fuzz::check(out == want, what);
}

// Every form whole and cut at `cutAt`.
void checkForms(const oracle::Named& named, std::string_view bytes, std::size_t cutAt) {
    const translit::Converter& c = *named.converter;
    const bool cuts = c.lookbehind() == 0;
    const std::size_t cut = bytes.empty() ? 0 : cutAt % (bytes.size() + 1);

    // UTF-16: any units, lone surrogates included.
    std::u16string units(bytes.size() / 2, u'\0');
    for (std::size_t k = 0; k < units.size(); ++k)
        units[k] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * k]) |
                                         static_cast<unsigned char>(bytes[2 * k + 1]) << 8);
    const std::u16string wantText = stepByStep(c, units);
    std::u16string text;
    c.convertText(units, true, text);
    fuzz::check(text == wantText, "convertText");
    if (cuts)
        checkCut(units, std::min(cut / 2, units.size()), wantText,
                 [&c](const std::u16string& s, bool final, std::u16string& o) { return c.convertText(s, final, o); },
                 "convertText cut in two");

    // Windows-1251 bytes: every byte is a character.
    std::string out;
    if (!named.utf8Only) {
        const std::string wantBytes = text::encodeCp1251(stepByStep(c, text::decodeCp1251(bytes))).bytes;
        fuzz::check(c.convertBytes(bytes, true, out) == bytes.size(), "convertBytes consumes all when final");
        fuzz::check(out == wantBytes, "convertBytes");
        if (cuts)
            checkCut(std::string(bytes), cut, wantBytes,
                     [&c](const std::string& s, bool final, std::string& o) { return c.convertBytes(s, final, o); },
                     "convertBytes cut in two");
    }

    // UTF-8: the same bytes made valid, cut anywhere, inside a character too.
    const std::string utf8 = text::encodeUtf8(oracle::decodeLenient(bytes));
    const std::string wantUtf8 = text::encodeUtf8(stepByStep(c, text::decodeUtf8(utf8)));
    out.clear();
    fuzz::check(c.convertUtf8(utf8, true, out) == utf8.size(), "convertUtf8 consumes all when final");
    fuzz::check(out == wantUtf8, "convertUtf8");
    if (!cuts) return;
    const std::size_t cut8 = std::min(cut, utf8.size());
    out.clear();
    const std::size_t used = c.convertUtf8(std::string_view(utf8).substr(0, cut8), false, out);
    fuzz::check(used <= cut8 && text::isValidUtf8(std::string_view(utf8).substr(0, used)),
                "convertUtf8 stops between characters");
    c.convertUtf8(std::string_view(utf8).substr(used), true, out);
    fuzz::check(out == wantUtf8, "convertUtf8 cut in two");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    const auto& converters = oracle::converters();
    const oracle::Named& c = converters[in.choose(converters.size())];
    const std::size_t cutAt = in.choose(256);
    const std::string_view bytes = in.rest();
    checkForms(c, bytes, cutAt);
    // The vector loops take blocks of 32 to 64 characters and need some
    // beyond: a short input also repeated to a few hundred bytes, so that its
    // rules meet every block boundary.
    if (!bytes.empty() && bytes.size() < 300) {
        std::string tiled;
        while (tiled.size() < 300) tiled += bytes;
        checkForms(c, tiled, cutAt * 3);
    }
    return 0;
}
