// Text volume over large texts: what the automatic status line costs per
// update of a large pane, and what lettrica-cli count reads per second.

#include <benchmark/benchmark.h>

#include "bench_corpus.h"
#include "text/cp1251.h"
#include "text/volume.h"

namespace {

void BM_VolumeOfPaneText(benchmark::State& state) {
    const std::u16string text = lettrica::text::decodeCp1251(bench::russianCp1251(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(lettrica::text::countVolume(text));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_VolumeOfPaneText)->Arg(1 << 20)->Arg(10 << 20)->Unit(benchmark::kMillisecond);

void BM_VolumeOfCp1251Bytes(benchmark::State& state) {
    const std::string bytes = bench::russianCp1251(state.range(0));
    for (auto _ : state) {
        lettrica::text::VolumeCounter counter;
        counter.addCp1251(bytes);
        benchmark::DoNotOptimize(counter.volume());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_VolumeOfCp1251Bytes)->Arg(10 << 20)->Unit(benchmark::kMillisecond);

}  // namespace
