// The converter against the literal reference walk, on any document and any
// map file, with each kernel the processor runs in turn (one per input).
// Input: a map file, the bytes FF FE FD, then the document (or just a
// document, converted with the default map). Each input runs with mark-up
// escaped and without.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "convert/converter.h"
#include "convert/parted_conversion.h"
#include "kernels/kernel.h"
#include "model/reference_conversion.h"
#include "small_blocks.h"
#include "vantrel/vantrel.h"

using namespace vantrel;

namespace {

// The kernels this processor runs; an input's size picks one.
const Kernel& kernelFor(size_t size) {
  static const std::vector<const Kernel*> running = [] {
    std::vector<const Kernel*> kernels;
    for (const Kernel* kernel : builtKernels()) {
      if (kernel->runsHere()) kernels.push_back(kernel);
    }
    return kernels;
  }();
  return *running[size % running.size()];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  std::string_view mapText;
  std::string_view document = input;
  size_t separator = input.find("\xff\xfe\xfd");
  if (separator != std::string_view::npos) {
    mapText = input.substr(0, separator);
    document = input.substr(separator + 3);
  }

  MapFile map;
  try {
    map = readMapText(mapText);
  } catch (const ERangeError&) {
    return 0;  // the map file is faulty: the run would end here
  }

  // One converter for the conversions on one thread: the map's pages are
  // encoded once for each escaping.
  const Kernel& kernel = kernelFor(size);
  Converter converter = converterWithKernel(map, kernel);
  std::string expected[2];
  for (bool escape : {false, true}) {
    expected[escape] = model::referenceConvert(document, map.map, map.header, escape);
    ConversionOptions options;
    options.escapeMarkup = escape;
    options.threads = 1;
    MemorySource source(document);
    MemorySink sink;
    converter.convert(source, sink, {}, options);
    sink.finish();
    if (sink.text != expected[escape]) __builtin_trap();
  }
  // The same bytes whatever blocks the document comes in.
  SmallBlocks source(document, 1 + size % 7);
  MemorySink sink;
  converter.convert(source, sink, {}, {});
  if (sink.text != expected[0]) __builtin_trap();
  // And cut into parts of a few bytes, each converted from a guessed state.
  SmallBlocks again(document, 1 + size % 5);
  auto s = std::make_unique<ConversionState>();
  prepareConversion(*s, map, {}, kernel);
  MemorySink parted;
  beginHtml(s->html, &parted);
  ConversionOptions partOptions;
  partOptions.callbacksOnAnyThread = size % 3 != 0;  // a helper joins parts too
  // On one thread every part is converted from its guess; two threads race
  // each other over fewer, larger parts.
  const unsigned threads = 1 + unsigned(size % 2);
  const size_t partSize = threads == 1 ? 1 + size % 13 : 16 + size % 256;
  convertInParts(*s, map, partOptions, again, {}, PartPlan{partSize, threads, size % 11});
  passOnAll(s->html.text);
  if (parted.text != expected[0]) __builtin_trap();
  return 0;
}
