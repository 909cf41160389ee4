// In-memory speed of recoding and case change: the byte path the command
// line streams through, the UTF-16 path the desktop's panes use, and a plain
// 256-byte table loop as the yardstick.

#include <benchmark/benchmark.h>

#include <string>

#include "text/cp1251.h"
#include "textops/case_conversion.h"
#include "textops/recoding.h"

using namespace lettrica;

namespace {

// Russian text with Latin, digits and punctuation, in Windows-1251.
std::string corpus(std::size_t size) {
    static const std::string seed = text::encodeCp1251(
        u"Съешь же ещё этих мягких французских булок, да выпей чаю. Ёлка, Tree 5; «№ 12 — …»\r\n"
        u"В чащах юга жил бы цитрус? Да, но фальшивый экземпляр! ЭХ, ЖИЗНЬ: 1998-2024 гг.\r\n")
                                        .bytes;
    std::string s;
    s.reserve(size + seed.size());
    while (s.size() < size) s += seed;
    s.resize(size);
    return s;
}

constexpr std::size_t kSize = 8 << 20;

void BM_PlainTable(benchmark::State& state) {
    const std::string in = corpus(kSize);
    std::string out(in.size(), '\0');
    const textops::ByteMap& map = textops::recodingMap(textops::Direction::Win2Koi);
    for (auto _ : state) {
        for (std::size_t i = 0; i < in.size(); ++i)
            out[i] = static_cast<char>(map[static_cast<unsigned char>(in[i])]);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * in.size()));
}
BENCHMARK(BM_PlainTable);

void BM_MapBytes(benchmark::State& state) {
    const std::string in = corpus(kSize);
    std::string out(in.size(), '\0');
    const textops::ByteMap& map = textops::recodingMap(static_cast<textops::Direction>(state.range(0)));
    for (auto _ : state) {
        textops::mapBytes(map, in.data(), out.data(), in.size());
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * in.size()));
}
BENCHMARK(BM_MapBytes)->DenseRange(0, 5);

// Each way of the byte path the processor has: 0 portable, 1 AVX2, 2 AVX-512 VBMI.
void BM_MapBytesPath(benchmark::State& state) {
    const auto path = static_cast<textops::detail::BytePath>(state.range(0));
    if (!textops::detail::bytePathAvailable(path)) {
        state.SkipWithError("not available on this processor");
        return;
    }
    const std::string in = corpus(kSize);
    std::string out(in.size(), '\0');
    const textops::ByteMap& map = textops::recodingMap(static_cast<textops::Direction>(state.range(1)));
    for (auto _ : state) {
        textops::detail::mapBytesWith(path, map, in.data(), out.data(), in.size());
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * in.size()));
}
// Win -> Koi changes four rows of sixteen bytes, DOS -> KOI eight.
BENCHMARK(BM_MapBytesPath)->ArgsProduct({{0, 1, 2}, {1, 3}});

// Through the converter, as the command line's stream driver calls it.
void BM_RecodeConverterBytes(benchmark::State& state) {
    const std::string in = corpus(kSize);
    const translit::Converter& converter = textops::recodingConverter(textops::Direction::Win2Koi);
    std::string out;
    for (auto _ : state) {
        out.clear();
        converter.convertBytes(in, true, out);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * in.size()));
}
BENCHMARK(BM_RecodeConverterBytes);

void BM_CaseConverterBytes(benchmark::State& state) {
    const std::string in = corpus(kSize);
    const translit::Converter& converter = textops::caseConverter(textops::Case::Upper);
    std::string out;
    for (auto _ : state) {
        out.clear();
        converter.convertBytes(in, true, out);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * in.size()));
}
BENCHMARK(BM_CaseConverterBytes);

// The panes' path: UTF-16 text, each character through its Windows-1251 byte.
void BM_CaseConverterText(benchmark::State& state) {
    const std::u16string in = text::decodeCp1251(corpus(kSize / 2));
    const translit::Converter& converter = textops::caseConverter(textops::Case::Lower);
    std::u16string out;
    for (auto _ : state) {
        out.clear();
        converter.convertText(in, true, out);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * in.size() * 2));
    state.counters["chars/s"] = benchmark::Counter(static_cast<double>(state.iterations() * in.size()),
                                                   benchmark::Counter::kIsRate);
}
BENCHMARK(BM_CaseConverterText);

void BM_RecodeText(benchmark::State& state) {
    const std::u16string in = text::decodeCp1251(corpus(kSize / 2));
    for (auto _ : state) {
        std::u16string out = textops::recodeText(in, textops::Direction::Koi2Win);
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["chars/s"] = benchmark::Counter(static_cast<double>(state.iterations() * in.size()),
                                                   benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RecodeText);

}  // namespace
