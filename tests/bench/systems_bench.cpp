// In-memory throughput of every transliteration system, Cyrillic -> Latin,
// over the Russian corpus in UTF-8 and in Windows-1251 (where the system's
// letters fit it). Counted in source characters, as translit_bench counts.

#include <benchmark/benchmark.h>

#include <string>

#include "bench_corpus.h"
#include "text/cp1251.h"
#include "text/utf8.h"
#include "translit/registry.h"

using namespace lettrica;

namespace {

const std::string& cp1251Text() {
    static const std::string text = bench::russianCp1251(8 << 20);
    return text;
}

const std::string& utf8Text() {
    static const std::string text = text::encodeUtf8(text::decodeCp1251(cp1251Text()));
    return text;
}

void toLatin(benchmark::State& state, const translit::SystemInfo* system, bool utf8) {
    const auto converter = translit::toLatinConverter(*system);
    const std::string& in = utf8 ? utf8Text() : cp1251Text();
    std::string out;
    for (auto _ : state) {
        out.clear();
        try {
            if (utf8) converter->convertUtf8(in, true, out);
            else converter->convertBytes(in, true, out);
        } catch (const translit::UnencodableOutput&) {
            state.SkipWithError("writes letters Windows-1251 lacks");
            break;
        }
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * cp1251Text().size()));
    state.counters["utf8_bytes_per_s"] = benchmark::Counter(
        static_cast<double>(state.iterations() * (utf8 ? utf8Text().size() : in.size())), benchmark::Counter::kIsRate);
}

const bool registered = [] {
    for (const translit::SystemInfo& s : translit::systems()) {
        if (s.userTables) continue;
        benchmark::RegisterBenchmark(("BM_System_ToLatin_Utf8/" + s.name).c_str(), toLatin, &s, true);
        benchmark::RegisterBenchmark(("BM_System_ToLatin_Cp1251/" + s.name).c_str(), toLatin, &s, false);
    }
    return true;
}();

}  // namespace
