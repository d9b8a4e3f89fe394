// Micro-benchmarks of the converter's hot paths: line splitting, the column
// walk (a whole in-memory conversion), the map lookup with its encoder and
// the 64-byte page copy. VANTREL_VECTORS=sse2 runs the walk on the 16-byte
// paths, for a comparison.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>

#include "charmap/char_map.h"
#include "charmap/encoded_pages.h"
#include "convert/conversion.h"
#include "convert/wide_page_copy.h"
#include "generate.h"
#include "support/text/line_cursor.h"
#include "support/text/line_list.h"
#include "support/text/text_block.h"
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

void lineCursorBench(benchmark::State& state) {
  TextBlock block = textBlockOf(document("realistic"));
  for (auto _ : state) {
    size_t total = 0;
    for (LineCursor cursor = firstLine(block); !atEnd(cursor);) total += takeLine(cursor).size();
    benchmark::DoNotOptimize(total);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * block.size));
}
BENCHMARK(lineCursorBench)->Unit(benchmark::kMillisecond);

void convertBench(benchmark::State& state, const std::string& kind, unsigned threads) {
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
    convertDocument(source, map, sink, {}, options);
    benchmark::DoNotOptimize(sink.text.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * doc.size()));
}
BENCHMARK_CAPTURE(convertBench, realistic, std::string("realistic"), 1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(convertBench, wide, std::string("wide"), 1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(convertBench, tiny_groups, std::string("tiny-groups"), 1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(convertBench, one_line, std::string("one-line"), 1)->Unit(benchmark::kMillisecond);
// Cut into parts on two threads.
BENCHMARK_CAPTURE(convertBench, realistic_parts, std::string("realistic"), 2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(convertBench, wide_parts, std::string("wide"), 2)->Unit(benchmark::kMillisecond)->UseRealTime();

void lookupEncodeBench(benchmark::State& state) {
  CharMap map;
  resetCharMap(map);
  map.fontPage[2] = 1;
  for (int c = 'a'; c <= 'z'; ++c) map.pages[1][c] = 0xE28880 + static_cast<PackedUtf8>(c - 'a');
  const std::string& doc = document("realistic");
  const std::string codes = doc.substr(0, 1 << 20);
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

// The same characters through the pages encoded once, as the converter
// looks them up.
void encodedLookupBench(benchmark::State& state) {
  CharMap map;
  resetCharMap(map);
  map.fontPage[2] = 1;
  for (int c = 'a'; c <= 'z'; ++c) map.pages[1][c] = 0xE28880 + static_cast<PackedUtf8>(c - 'a');
  EncodedPages pages;
  encodePages(map, pages);
  const std::string codes = document("realistic").substr(0, 1 << 20);
  for (auto _ : state) {
    size_t total = 0;
    uint8_t font = 1;
    for (char c : codes) {
      total += encodedLength(pageOfFont(map, pages, font)[static_cast<uint8_t>(c)]);
      font = font == 1 ? 2 : 1;
    }
    benchmark::DoNotOptimize(total);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * codes.size()));
}
BENCHMARK(encodedLookupBench)->Unit(benchmark::kMicrosecond);

// The 64-byte page copy alone, over a run of plain characters with no byte
// that ends it, through a page of two-byte characters (argument 1) or the
// Latin-1 page (0).
void pageCopyBench(benchmark::State& state) {
  if (!wideVectorsUsable()) {
    state.SkipWithError("no 64-byte vectors on this processor");
    return;
  }
  CharMap map;
  resetCharMap(map);
  for (int c = 'a'; c <= 'z'; ++c) map.pages[1][c] = 0xCEB1 + static_cast<PackedUtf8>(c - 'a');
  auto pages = std::make_unique<EncodedPages>();
  encodePages(map, *pages);
  std::string text = document("realistic").substr(0, 1 << 20);
  std::replace(text.begin(), text.end(), '\\', '/');
  std::replace(text.begin(), text.end(), '\f', ' ');
  text.append(64, '\0');
  std::string out(text.size() * 4 + 64, '\0');
  const PagePlanes& planes = pages->planes[state.range(0)];
  for (auto _ : state) {
    char* end = out.data();
    benchmark::DoNotOptimize(copyThroughPlanes(text.data(), 0, text.size() - 64, planes, end));
    benchmark::DoNotOptimize(end);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * (text.size() - 64)));
}
BENCHMARK(pageCopyBench)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
