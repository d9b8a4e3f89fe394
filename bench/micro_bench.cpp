// Micro-benchmarks of the converter's hot paths: line splitting, the column
// walk (a whole in-memory conversion) and the map lookup with its encoder.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include "charmap/char_map.h"
#include "charmap/encoded_pages.h"
#include "convert/conversion.h"
#include "generate.h"
#include "support/console/console.h"
#include "support/text/line_cursor.h"
#include "support/text/line_list.h"
#include "support/text/text_block.h"

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

// The conversion reads Runemap.txt from the current folder and writes its
// progress dots to the console: both go to a scratch folder.
void prepareScratch() {
  static bool done = false;
  if (done) return;
  done = true;
  char folder[] = "/tmp/vantrel-bench-XXXXXX";
  if (mkdtemp(folder) == nullptr || chdir(folder) != 0) std::abort();
  std::string doc;
  std::string map;
  bench::generateDocument("realistic", 1, 7, doc, map);
  int fd = open("Runemap.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0 || write(fd, map.data(), map.size()) != static_cast<ssize_t>(map.size())) std::abort();
  close(fd);
  resetConsole(open("console.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644));
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

void convertBench(benchmark::State& state, const std::string& kind) {
  prepareScratch();
  const std::string& doc = document(kind);
  TextBlock block = textBlockOf(doc);
  // One result text for all runs: its pages are touched once, so the runs
  // measure the conversion and not the system's page faults.
  HtmlText result;
  for (auto _ : state) {
    result.bytes.clear();
    convertDocument(block, result);
    benchmark::DoNotOptimize(result.bytes.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * doc.size()));
}
BENCHMARK_CAPTURE(convertBench, realistic, std::string("realistic"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(convertBench, tiny_groups, std::string("tiny-groups"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(convertBench, one_line, std::string("one-line"))->Unit(benchmark::kMillisecond);

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
      total += pageOfFont(map, pages, font)[static_cast<uint8_t>(c)].length;
      font = font == 1 ? 2 : 1;
    }
    benchmark::DoNotOptimize(total);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * codes.size()));
}
BENCHMARK(encodedLookupBench)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
