// RTF in and out at the sizes the desktop promises: a 5 MB file written by
// LibreOffice read into styled text, and a formatted text of 5 million
// characters written as RTF (and read back, as the next open would).

#include <benchmark/benchmark.h>

#include <fstream>
#include <iterator>

#include "bench_corpus.h"
#include "docio/rtf_builder.h"
#include "docio/rtf_writer.h"

using namespace lettrica;

namespace {

constexpr std::size_t kFileBytes = 5'000'000;
constexpr std::size_t kTextChars = 5'000'000;

// LibreOffice's RTF of tests/data/rtf/formatted.fodt with its body repeated
// to 5 MB: fonts, colours, lists and \uN for every Russian letter.
const std::string& libreOfficeFile() {
    static const std::string file = [] {
        std::ifstream f(std::string(LETTRICA_TEST_DATA) + "/rtf/libreoffice.rtf", std::ios::binary);
        const std::string whole(std::istreambuf_iterator<char>(f), {});
        const std::size_t body = whole.find("\\pard\\plain");
        const std::size_t end = whole.rfind('}');
        std::string out = whole.substr(0, body);
        while (out.size() < kFileBytes) out.append(whole, body, end - body);
        return out + "}";
    }();
    return file;
}

// The benchmark corpus as a pane would hold it: runs plain, bold, red, both.
const docio::RichDocument& formattedText() {
    static const docio::RichDocument doc = [] {
        docio::RichDocument d;
        d.text = bench::russianDocument(kTextChars);
        d.charFormats.resize(4);
        for (auto& f : d.charFormats) f.fontName = u"Times New Roman";
        d.charFormats[1].bold = d.charFormats[3].bold = true;
        d.charFormats[2].color = d.charFormats[3].color = docio::Rgb{200, 0, 0};
        d.paragraphFormats.resize(1);
        return d;
    }();
    return doc;
}

void BM_ReadLibreOfficeRtf(benchmark::State& state) {
    const std::string& file = libreOfficeFile();
    for (auto _ : state) {
        docio::RtfReadResult r = docio::readRtf(file);
        benchmark::DoNotOptimize(r.document.text.paragraphs.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file.size()));
    state.counters["paragraphs"] = static_cast<double>(docio::readRtf(file).document.text.paragraphs.size());
}
BENCHMARK(BM_ReadLibreOfficeRtf)->Unit(benchmark::kMillisecond);

void BM_WriteRtf(benchmark::State& state) {
    const docio::RichDocument& doc = formattedText();
    std::size_t bytes = 0;
    for (auto _ : state) {
        std::string rtf = docio::writeRtf(doc);
        bytes = rtf.size();
        benchmark::DoNotOptimize(rtf.data());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * doc.text.length()));
    state.counters["rtf_MB"] = static_cast<double>(bytes) / 1e6;
}
BENCHMARK(BM_WriteRtf)->Unit(benchmark::kMillisecond);

void BM_ReadOwnRtf(benchmark::State& state) {
    const std::string file = docio::writeRtf(formattedText());
    for (auto _ : state) {
        docio::RtfReadResult r = docio::readRtf(file);
        benchmark::DoNotOptimize(r.document.text.paragraphs.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file.size()));
}
BENCHMARK(BM_ReadOwnRtf)->Unit(benchmark::kMillisecond);

}  // namespace
