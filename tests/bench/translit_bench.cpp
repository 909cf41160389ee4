// In-memory throughput of the converters and of the pieces of the UTF-8 path.
// Throughput is counted in source characters (bytes of the Windows-1251
// form), so the byte and text figures compare directly.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "bench_corpus.h"
#include "text/cp1251.h"
#include "text/utf8.h"
#include "translit/char_map_converter.h"
#include "translit/cyrillic_to_latin.h"
#include "convert/document_conversion.h"
#include "translit/latin_to_cyrillic.h"

using namespace lettrica;

namespace {

constexpr std::size_t kCorpusBytes = 8 << 20;

const std::string& cyrillicBytes() {
    static const std::string text = bench::russianCp1251(kCorpusBytes);
    return text;
}

const translit::Converter& toLatin(int table) {
    return table == 0 ? static_cast<const translit::Converter&>(translit::angloCyrillicToLatin())
                      : translit::gostCyrillicToLatin();
}
const translit::Converter& toCyrillic(int table) {
    return table == 0 ? static_cast<const translit::Converter&>(translit::angloLatinToCyrillic())
                      : translit::gostLatinToCyrillic();
}
const char* tableName(int table) { return table == 0 ? "anglo" : "gost"; }

// The Latin form of the corpus by each table, as the other direction reads it.
const std::string& latinBytes(int table) {
    static std::string forms[2];
    if (forms[table].empty()) toLatin(table).convertBytes(cyrillicBytes(), true, forms[table]);
    return forms[table];
}

// `utf8`: the bytes are UTF-8 in and out, else Windows-1251.
void convertBytes(benchmark::State& state, const translit::Converter& c, const std::string& in, bool utf8 = false) {
    std::string out;
    for (auto _ : state) {
        out.clear();
        if (utf8) c.convertUtf8(in, true, out);
        else c.convertBytes(in, true, out);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * in.size()));
}

void convertText(benchmark::State& state, const translit::Converter& c, const std::u16string& in) {
    std::u16string out;
    for (auto _ : state) {
        out.clear();
        c.convertText(in, true, out);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * in.size()));
}

// The tables to Latin with the vector loops (where the processor has them)
// and with the plain loops only. Args: table (0 anglo, 1 gost), 1 vector.
const translit::Converter& toLatinWith(benchmark::State& state) {
    const int table = static_cast<int>(state.range(0));
    static const translit::CharMapConverter plain[2] = {translit::angloCyrillicToLatin().withoutVectorLoops(),
                                                        translit::gostCyrillicToLatin().withoutVectorLoops()};
    state.SetLabel(std::string(tableName(table)) + (state.range(1) ? "" : ", plain loops"));
    return state.range(1) ? toLatin(table) : plain[table];
}

void BM_CyrillicToLatin_Bytes(benchmark::State& state) { convertBytes(state, toLatinWith(state), cyrillicBytes()); }
BENCHMARK(BM_CyrillicToLatin_Bytes)->ArgsProduct({{0, 1}, {0, 1}});

void BM_CyrillicToLatin_Text(benchmark::State& state) {
    const int table = static_cast<int>(state.range(0));
    static const std::u16string text = text::decodeCp1251(cyrillicBytes());
    convertText(state, toLatin(table), text);
    state.SetLabel(tableName(table));
}
BENCHMARK(BM_CyrillicToLatin_Text)->Arg(0)->Arg(1);

// Russian text as the command line reads it by default: UTF-8 in and out.
const std::string& russianUtf8();

void BM_CyrillicToLatin_Utf8(benchmark::State& state) { convertBytes(state, toLatinWith(state), russianUtf8(), true); }
BENCHMARK(BM_CyrillicToLatin_Utf8)->ArgsProduct({{0, 1}, {0, 1}});

// The same converters with each loop over bytes the processor has: the
// table loop, AVX2, AVX-512.
using Loop = translit::LatinToCyrillic::Loop;
const char* loopName(Loop loop) {
    return loop == Loop::Table ? "table loop" : loop == Loop::Avx2 ? "AVX2" : "AVX-512";
}

// Args: table (0 anglo, 1 gost), loop (Loop); false when the processor lacks it.
bool toCyrillicWith(benchmark::State& state, const translit::Converter*& converter) {
    static const std::unique_ptr<translit::LatinToCyrillic> loops[2][3] = {
        {std::make_unique<translit::LatinToCyrillic>(translit::LatinToCyrillic::System::Anglo, Loop::Table),
         std::make_unique<translit::LatinToCyrillic>(translit::LatinToCyrillic::System::Anglo, Loop::Avx2),
         std::make_unique<translit::LatinToCyrillic>(translit::LatinToCyrillic::System::Anglo, Loop::Avx512)},
        {std::make_unique<translit::LatinToCyrillic>(translit::LatinToCyrillic::System::Gost, Loop::Table),
         std::make_unique<translit::LatinToCyrillic>(translit::LatinToCyrillic::System::Gost, Loop::Avx2),
         std::make_unique<translit::LatinToCyrillic>(translit::LatinToCyrillic::System::Gost, Loop::Avx512)}};
    const int table = static_cast<int>(state.range(0));
    const auto loop = static_cast<Loop>(state.range(1));
    if (!translit::LatinToCyrillic::loopAvailable(loop)) {
        state.SkipWithError("not on this processor");
        return false;
    }
    converter = loops[table][static_cast<int>(loop)].get();
    state.SetLabel(std::string(tableName(table)) + ", " + loopName(loop));
    return true;
}

void BM_LatinToCyrillic_Bytes(benchmark::State& state) {
    const translit::Converter* c = nullptr;
    if (toCyrillicWith(state, c)) convertBytes(state, *c, latinBytes(static_cast<int>(state.range(0))));
}
BENCHMARK(BM_LatinToCyrillic_Bytes)->ArgsProduct({{0, 1}, {0, 1, 2}});

// The Latin text as the command line reads it by default: valid UTF-8
// (ASCII), written back as UTF-8.
void BM_LatinToCyrillic_Utf8(benchmark::State& state) {
    const translit::Converter* c = nullptr;
    if (toCyrillicWith(state, c)) convertBytes(state, *c, latinBytes(static_cast<int>(state.range(0))), true);
}
BENCHMARK(BM_LatinToCyrillic_Utf8)->ArgsProduct({{0, 1}, {0, 1, 2}});

void BM_LatinToCyrillic_Text(benchmark::State& state) {
    const int table = static_cast<int>(state.range(0));
    const std::u16string text = text::decodeCp1251(latinBytes(table));
    convertText(state, toCyrillic(table), text);
    state.SetLabel(tableName(table));
}
BENCHMARK(BM_LatinToCyrillic_Text)->Arg(0)->Arg(1);

// The UTF-8 path of the command line: check, decode, encode.
const std::string& russianUtf8() {
    static const std::string text = text::encodeUtf8(text::decodeCp1251(cyrillicBytes()));
    return text;
}

void BM_Utf8Check(benchmark::State& state) {
    const std::string& in = state.range(0) == 0 ? russianUtf8() : latinBytes(0);
    for (auto _ : state) benchmark::DoNotOptimize(text::checkUtf8(in));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * in.size()));
    state.SetLabel(state.range(0) == 0 ? "russian" : "ascii");
}
BENCHMARK(BM_Utf8Check)->Arg(0)->Arg(1);

void BM_Utf8Decode(benchmark::State& state) {
    const std::string& in = state.range(0) == 0 ? russianUtf8() : latinBytes(0);
    std::u16string out;
    for (auto _ : state) {
        out.clear();
        text::appendDecodedUtf8(in, out);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * in.size()));
    state.SetLabel(state.range(0) == 0 ? "russian" : "ascii");
}
BENCHMARK(BM_Utf8Decode)->Arg(0)->Arg(1);

void BM_Utf8Encode(benchmark::State& state) {
    const std::u16string in = text::decodeCp1251(state.range(0) == 0 ? cyrillicBytes() : latinBytes(0));
    std::string out;
    for (auto _ : state) {
        out.clear();
        text::appendEncodedUtf8(in, out);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * in.size()));
    state.SetLabel(state.range(0) == 0 ? "russian" : "ascii");
}
BENCHMARK(BM_Utf8Encode)->Arg(0)->Arg(1);

// The desktop's driver over a formatted document of about 5 MB.
void BM_DocumentConversion(benchmark::State& state) {
    static const text::StyledText doc = bench::russianDocument(5'000'000);
    static text::StyledText latin;
    if (latin.paragraphs.empty()) latin = translit::convertDocument(doc, translit::angloCyrillicToLatin());
    const bool back = state.range(0) == 1;
    const text::StyledText& source = back ? latin : doc;
    const translit::Converter& c = back ? toCyrillic(0) : toLatin(0);
    for (auto _ : state) {
        translit::DocumentConversion run(source);
        // Slices as the desktop takes them between event-loop passes.
        while (!run.advance(c, 1 << 16)) {
        }
        benchmark::DoNotOptimize(run.result());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * source.length()));
    state.SetLabel(back ? "latin->cyrillic anglo" : "cyrillic->latin anglo");
}
BENCHMARK(BM_DocumentConversion)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
