// Speed of the repair of garbled text: the command line's line driver over
// UTF-8 that is right (what it mostly sees) and over text read in the wrong
// code page or typed on the wrong layout, and the document driver over a
// formatted pane of a million characters, as the window runs it.

#include <benchmark/benchmark.h>

#include <string>

#include "bench_corpus.h"
#include "repair/keyboard_layout.h"
#include "repair/line_repair.h"
#include "repair/misreading.h"
#include "repair/repair_converter.h"
#include "text/cp1251.h"
#include "text/utf8.h"
#include "convert/document_conversion.h"

using namespace lettrica;

namespace {

constexpr std::size_t kSize = 4 << 20;

enum Text { Right, ReadAsWindows1251, TypedOnUs };

std::string corpus(Text kind) {
    const std::u16string clean = text::decodeCp1251(bench::russianCp1251(kSize));
    if (kind == Right) return text::encodeUtf8(clean);
    std::u16string garbled;
    if (kind == ReadAsWindows1251) {
        // Each line as UTF-8 read as Windows-1251: the inverse of the undo.
        const std::string bytes = text::encodeUtf8(clean);
        for (unsigned char c : bytes) garbled.push_back(text::cp1251ToUnicode(c));
    } else {
        for (char16_t ch : clean) garbled.push_back(repair::retypeOnUs(ch));
    }
    return text::encodeUtf8(garbled);
}

void BM_LineRepair(benchmark::State& state) {
    const auto kind = static_cast<Text>(state.range(0));
    const std::string in = corpus(kind);
    const auto repairKind =
        kind == TypedOnUs || state.range(1) ? repair::RepairKind::Layout : repair::RepairKind::Encoding;
    std::string out;
    std::size_t repaired = 0;
    for (auto _ : state) {
        repair::LineRepair repair(repairKind);
        out.clear();
        for (std::size_t at = 0; at < in.size(); at += 256 << 10)
            repair.feed(std::string_view(in).substr(at, 256 << 10), out);
        repair.finish(out);
        repaired = repair.repaired();
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["repaired lines"] = static_cast<double>(repaired);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * in.size()));
}
// fix-encoding on right text and on misread text; fix-layout on right text
// and on text typed on the US layout.
BENCHMARK(BM_LineRepair)->Args({Right, 0})->Args({ReadAsWindows1251, 0})->Args({Right, 1})->Args({TypedOnUs, 1})
    ->Unit(benchmark::kMillisecond);

// The window's path in the engine: a formatted pane of a million characters.
void BM_PaneRepair(benchmark::State& state) {
    text::StyledText doc = bench::russianDocument(1 << 20);
    if (state.range(0)) {
        for (text::Paragraph& p : doc.paragraphs)
            for (text::Run& r : p.runs) {
                const std::string bytes = text::encodeUtf8(r.text);
                r.text.clear();
                for (unsigned char c : bytes) r.text.push_back(text::cp1251ToUnicode(c));
            }
    }
    for (auto _ : state) {
        repair::RepairTally tally;
        repair::RepairConverter converter(repair::RepairKind::Encoding, tally);
        benchmark::DoNotOptimize(translit::convertDocument(doc, converter));
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * doc.length()));
}
BENCHMARK(BM_PaneRepair)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
