// Micro-benchmarks of the converter's hot paths: line splitting, a whole
// in-memory conversion with each kernel the processor runs (the speed
// docs/performance.md gives per kernel), the map lookup with its encoder,
// and each kernel's copy of plain runs through a page.
//
//   build/bench/vantrel_micro_bench --benchmark_filter=convert/
#include <benchmark/benchmark.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>

#include "charmap/char_map.h"
#include "convert/converter.h"
#include "convert/encoded_map.h"
#include "generate.h"
#include "kernels/kernel.h"
#include "support/text/line_list.h"
#include "vantrel/vantrel.h"

namespace {

using namespace vantrel;

constexpr size_t documentSize = 16 << 20;

const std::string& document(const std::string& kind) {
  static std::map<std::string, std::string> documents;
  std::string& doc = documents[kind];
  if (doc.empty()) {
    std::string map;
    bench::generateDocument(kind, documentSize, 7, doc, map);
  }
  return doc;
}

void splitLinesBench(benchmark::State& state) {
  const std::string& doc = document("realistic");
  for (auto _ : state) {
    LineList list = createLineList();
    splitLines(list, doc);
    benchmark::DoNotOptimize(list.lineCount);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * doc.size()));
}
BENCHMARK(splitLinesBench)->Unit(benchmark::kMillisecond);

void convertBench(benchmark::State& state, const Kernel* kernel, const std::string& kind, unsigned threads) {
  const std::string& doc = document(kind);
  std::string unused;
  std::string mapText;
  bench::generateDocument("realistic", 1, 7, unused, mapText);
  const MapFile map = readMapText(mapText);
  // One sink for all runs: its pages are touched once, so the runs measure
  // the conversion and not the system's page faults.
  MemorySink sink;
  for (auto _ : state) {
    sink.text.clear();
    MemorySource source(doc);
    ConversionOptions options;
    options.threads = threads;
    options.callbacksOnAnyThread = true;  // as the program converts
    convertWithKernel(*kernel, source, map, sink, {}, options);
    benchmark::DoNotOptimize(sink.text.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * doc.size()));
}

void lookupEncodeBench(benchmark::State& state) {
  CharMap map;
  resetCharMap(map);
  map.fontPage[2] = 1;
  for (int c = 'a'; c <= 'z'; ++c) map.pages[1][c] = 0xE28880 + static_cast<PackedUtf8>(c - 'a');
  const std::string codes = document("realistic").substr(0, 1 << 20);
  for (auto _ : state) {
    size_t total = 0;
    uint8_t font = 1;
    for (char c : codes) {
      total += encodeUtf8(lookupChar(map, font, static_cast<uint8_t>(c))).length;
      font = font == 1 ? 2 : 1;
    }
    benchmark::DoNotOptimize(total);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * codes.size()));
}
BENCHMARK(lookupEncodeBench)->Unit(benchmark::kMicrosecond);

// A kernel's copy alone, over a run of plain characters with no byte that
// ends it, through the Latin-1 page (page 0) or a page of two-byte
// characters (page 1).
void pageCopyBench(benchmark::State& state, const Kernel* kernel, int pageNumber) {
  CharMap map;
  resetCharMap(map);
  for (int c = 'a'; c <= 'z'; ++c) map.pages[1][c] = 0xCEB1 + static_cast<PackedUtf8>(c - 'a');
  std::shared_ptr<const EncodedMap> encoded = encodeMap(map, false);
  std::string text = document("realistic").substr(0, 1 << 20);
  std::replace(text.begin(), text.end(), '\\', '/');
  std::replace(text.begin(), text.end(), '\f', ' ');
  text.append(64, '\0');
  std::string out(text.size() * 4 + 64, '\0');
  const EncodedPage& page = encoded->pages[pageNumber];
  for (auto _ : state) {
    char* end = out.data();
    benchmark::DoNotOptimize(kernel->copyPlain(text.data(), 0, text.size() - 64, page, end));
    benchmark::DoNotOptimize(end);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * (text.size() - 64)));
}

// The benchmarks of each kernel this processor runs, named by it
// ("convert/avx2/realistic").
void registerKernelBenchmarks() {
  for (const Kernel* kernel : builtKernels()) {
    if (!kernel->runsHere()) continue;
    const std::string name(kernel->name);
    for (const char* kind : {"realistic", "wide", "tiny-groups", "one-line"}) {
      benchmark::RegisterBenchmark(("convert/" + name + "/" + kind).c_str(), convertBench, kernel, std::string(kind),
                                   1u)
          ->Unit(benchmark::kMillisecond);
    }
    // Cut into parts on two threads.
    for (const char* kind : {"realistic", "wide"}) {
      benchmark::RegisterBenchmark(("convert/" + name + "/" + kind + "_parts").c_str(), convertBench, kernel,
                                   std::string(kind), 2u)
          ->Unit(benchmark::kMillisecond)
          ->UseRealTime();
    }
    benchmark::RegisterBenchmark(("pageCopy/" + name + "/latin1").c_str(), pageCopyBench, kernel, 0)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark(("pageCopy/" + name + "/greek").c_str(), pageCopyBench, kernel, 1)
        ->Unit(benchmark::kMicrosecond);
  }
}

}  // namespace

int main(int argc, char** argv) {
  registerKernelBenchmarks();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
