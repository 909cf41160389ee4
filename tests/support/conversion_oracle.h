#pragma once
// What streaming a text through a converter must give, worked out the plain
// way: the whole input decoded at once, converted by the base class's
// step-by-step loop, encoded again. The stream driver, its pieces of any size
// and the converters' fast byte paths must all agree with it. Shared by the
// engine tests and the fuzz target of the stream driver.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "text/compose.h"
#include "text/cp1251.h"
#include "text/utf8.h"
#include "textops/case_conversion.h"
#include "textops/recoding.h"
#include "tables/user_table_converter.h"
#include "convert/converter.h"
#include "translit/cyrillic_to_latin.h"
#include "translit/latin_to_cyrillic.h"
#include "translit/registry.h"
#include "translit/words_to_cyrillic.h"
#include "convert/stream_conversion.h"

namespace oracle {

using namespace lettrica;

// The command line's --encoding: auto reads valid UTF-8 as UTF-8 (and then
// trusts it), anything else as Windows-1251.
enum class Encoding { Auto, Cp1251, Utf8 };
inline constexpr Encoding kEncodings[] = {Encoding::Auto, Encoding::Cp1251, Encoding::Utf8};

struct Resolved {
    translit::StreamEncoding encoding;
    bool trusted;
};

inline Resolved resolve(Encoding e, std::string_view whole) {
    if (e == Encoding::Cp1251) return {translit::StreamEncoding::Cp1251, false};
    if (e == Encoding::Utf8) return {translit::StreamEncoding::Utf8, false};
    if (text::isValidUtf8(whole)) return {translit::StreamEncoding::Utf8, true};
    return {translit::StreamEncoding::Cp1251, false};
}

// Length of the well-formed UTF-8 character at p[0..n), or 0 (by the table of
// well-formed byte sequences, not by the code under test).
inline std::size_t wellFormedAt(const unsigned char* p, std::size_t n) {
    const unsigned char c = p[0];
    if (c < 0x80) return 1;
    std::size_t len;
    unsigned char lo = 0x80, hi = 0xBF;  // the range of the second byte
    if (c >= 0xC2 && c <= 0xDF) len = 2;
    else if (c == 0xE0) len = 3, lo = 0xA0;
    else if (c == 0xED) len = 3, hi = 0x9F;
    else if (c >= 0xE1 && c <= 0xEF) len = 3;
    else if (c == 0xF0) len = 4, lo = 0x90;
    else if (c == 0xF4) len = 4, hi = 0x8F;
    else if (c >= 0xF1 && c <= 0xF3) len = 4;
    else return 0;
    if (n < len || p[1] < lo || p[1] > hi) return 0;
    for (std::size_t k = 2; k < len; ++k)
        if (p[k] < 0x80 || p[k] > 0xBF) return 0;
    return len;
}

// UTF-8 where each byte that starts no well-formed character is Windows-1251.
inline std::u16string decodeLenient(std::string_view bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    std::u16string out;
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t len = wellFormedAt(p + i, bytes.size() - i);
        if (len == 0) {
            out.push_back(text::cp1251ToUnicode(p[i]));
            ++i;
        } else {
            text::appendDecodedUtf8(bytes.substr(i, len), out);
            i += len;
        }
    }
    return out;
}

inline std::string convertWhole(const translit::Converter& c, Encoding e, std::string_view input) {
    const bool utf8 = resolve(e, input).encoding == translit::StreamEncoding::Utf8;
    std::u16string text = utf8 ? decodeLenient(input) : text::decodeCp1251(input);
    text::composeCyrillic(text);
    std::u16string converted;
    c.translit::Converter::convertText(text, true, converted);
    return utf8 ? text::encodeUtf8(converted) : text::encodeCp1251(converted).bytes;
}

// Streams `input` in pieces of the given sizes (cycled), through a driver
// whose reads are `chunk` bytes.
inline std::string convertStreamed(const translit::Converter& c, Encoding e, std::string_view input,
                                   const std::vector<std::size_t>& pieces, std::size_t chunk) {
    const Resolved r = resolve(e, input);
    translit::StreamConversion stream(c, r.encoding, r.trusted, chunk);
    std::string out;
    for (std::size_t k = 0; !input.empty(); ++k) {
        const std::size_t n = std::min(input.size(), std::max<std::size_t>(1, pieces[k % pieces.size()]));
        stream.feed(input.substr(0, n), out);
        input.remove_prefix(n);
    }
    stream.finish(out);
    return out;
}

// "" when equal, else where they part: long outputs make unreadable failures.
inline std::string difference(std::string_view got, std::string_view want) {
    if (got == want) return {};
    std::size_t i = 0;
    while (i < got.size() && i < want.size() && got[i] == want[i]) ++i;
    return "sizes " + std::to_string(got.size()) + " and " + std::to_string(want.size()) + ", first difference at byte " +
           std::to_string(i);
}

struct Named {
    const char* name;
    const translit::Converter* converter;
    bool utf8Only = false;  // writes letters Windows-1251 lacks
};

// Every converter the program streams or runs over documents: both systems
// both ways, the default user tables and one with empty and long entries,
// case change and the six recodings.
inline const std::vector<Named>& converters() {
    static const translit::CharMapConverter userTr =
        tables::makeUserTableConverter(tables::TableKind::Tr, tables::defaultTable(tables::TableKind::Tr));
    static const translit::CharMapConverter userRt =
        tables::makeUserTableConverter(tables::TableKind::Rt, tables::defaultTable(tables::TableKind::Rt));
    static const translit::CharMapConverter oddTr = [] {
        tables::Table t = tables::defaultTable(tables::TableKind::Tr);
        t[0] = "";                                                   // A disappears
        t[1] = std::string(40, '\xE6');                              // a becomes forty Ж
        t[37] = "\x27\x60\x22 \x98";                                 // s: signs and the unassigned byte
        return tables::makeUserTableConverter(tables::TableKind::Tr, t);
    }();
    // Each loop over bytes by name, not only the one the processor's best
    // would be: where the processor lacks one, it is the table loop again.
    using Loop = translit::LatinToCyrillic::Loop;
    using System = translit::LatinToCyrillic::System;
    static const translit::LatinToCyrillic gostTableLoop(System::Gost, Loop::Table);
    static const translit::LatinToCyrillic angloTableLoop(System::Anglo, Loop::Table);
    static const translit::LatinToCyrillic gostAvx2(System::Gost, Loop::Avx2);
    static const translit::LatinToCyrillic angloAvx2(System::Anglo, Loop::Avx2);
    static const translit::LatinToCyrillic gostAvx512(System::Gost, Loop::Avx512);
    static const translit::LatinToCyrillic angloAvx512(System::Anglo, Loop::Avx512);
    static const std::vector<Named> all = [] {
        std::vector<Named> v = {
            {"gost to Cyrillic", &translit::gostLatinToCyrillic()},
            {"anglo to Cyrillic", &translit::angloLatinToCyrillic()},
            {"gost to Cyrillic, table loop", &gostTableLoop},
            {"anglo to Cyrillic, table loop", &angloTableLoop},
            {"gost to Latin", &translit::gostCyrillicToLatin()},
            {"anglo to Latin", &translit::angloCyrillicToLatin()},
            {"user tr", &userTr},
            {"user rt", &userRt},
            {"user tr, empty and long entries", &oddTr},
            {"upper case", &textops::caseConverter(textops::Case::Upper)},
            {"lower case", &textops::caseConverter(textops::Case::Lower)},
        };
        for (int d = 0; d < textops::kDirectionCount; ++d)
            v.push_back({textops::directionCaption(*textops::directionAt(d)),
                         &textops::recodingConverter(*textops::directionAt(d))});
        // Last, so that the saved fuzz inputs still pick what they picked.
        v.push_back({"gost to Cyrillic, AVX2 loop", &gostAvx2});
        v.push_back({"anglo to Cyrillic, AVX2 loop", &angloAvx2});
        v.push_back({"gost to Cyrillic, AVX-512 loop", &gostAvx512});
        v.push_back({"anglo to Cyrillic, AVX-512 loop", &angloAvx512});
        // The systems of rules: context, capitals, combining marks, signs
        // outside Windows-1251; both readings back.
        using translit::findSystem;
        static const std::shared_ptr<const translit::Converter> systems[] = {
            translit::toLatinConverter(*findSystem("wikipedia")),
            translit::toLatinConverter(*findSystem("bgn-pcgn")),
            translit::toLatinConverter(*findSystem("mvd-310-fr")),
            translit::toLatinConverter(*findSystem("icao-doc-9303")),
            translit::toLatinConverter(*findSystem("gost-779")),
            translit::toLatinConverter(*findSystem("ala-lc")),
            translit::toCyrillicConverter(*findSystem("gost-779"), ""),
            translit::toCyrillicConverter(*findSystem("gost-779-alt"), ""),
        };
        v.push_back({"wikipedia to Latin", systems[0].get()});
        v.push_back({"bgn-pcgn to Latin", systems[1].get(), true});
        v.push_back({"mvd-310-fr to Latin", systems[2].get()});
        v.push_back({"icao-doc-9303 to Latin", systems[3].get()});
        v.push_back({"gost-779 to Latin", systems[4].get(), true});
        v.push_back({"ala-lc to Latin", systems[5].get(), true});
        v.push_back({"gost-779 to Cyrillic", systems[6].get(), true});
        v.push_back({"gost-779-alt to Cyrillic", systems[7].get(), true});
        static const translit::WordsToCyrillic words(
            std::static_pointer_cast<const translit::RulesToLatin>(systems[3]),
            std::make_shared<const translit::WordList>(text::encodeCp1251(u"подъезд\nщукин\t3\nшаг\nщука\n").bytes));
        v.push_back({"icao-doc-9303 to Cyrillic by words", &words});
        return v;
    }();
    return all;
}

}  // namespace oracle
