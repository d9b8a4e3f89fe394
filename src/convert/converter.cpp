// The library's entry points: a converter that serves document after
// document, and the one-call conversions built on it.
#include "convert/converter.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <thread>

#include "convert/conversion_state.h"
#include "convert/parted_conversion.h"
#include "convert/row_walk.h"

namespace vantrel {

namespace {

// Converts the document with the state prepared: in parts on `threads`
// threads, or on the caller's alone.
ConversionReport run(ConversionState& s, const MapFile& map, ByteSource& document, HtmlSink& output,
                     const std::function<void()>& onRowGroup, const ConversionOptions& options, unsigned threads) {
  beginHtml(s.html, &output);
  if (threads > 1) {
    PartPlan plan;
    plan.threads = threads;
    convertInParts(s, map, options, document, onRowGroup, plan);
  } else {
    convertRowGroups(s, document, onRowGroup);
  }
  passOnAll(s.html.text);
  return s.report;
}

unsigned threadsFor(const ConversionOptions& options, unsigned cores) {
  return options.threads != 0 ? options.threads : std::min(2u, cores);
}

// Takes the text and keeps nothing: a scan needs no output. What a take-back
// asks for is given as blanks, which nothing reads.
class DiscardSink : public HtmlSink {
 public:
  void write(const char*, size_t) override {}
  size_t takeBack(char* into, size_t count) override {
    std::memset(into, ' ', count);
    return count;
  }
};

}  // namespace

struct Converter::State {
  MapFile map;
  const Kernel* kernel;
  unsigned cores = std::thread::hardware_concurrency();
  std::array<std::shared_ptr<const EncodedMap>, 2> encoded;  // without and with mark-up escaped
  ConversionState conversion;
};

Converter::Converter(const MapFile& map, const Kernel& kernel) : state_(std::make_unique<State>()) {
  state_->map = map;
  state_->kernel = &kernel;
}

Converter::Converter(const MapFile& map) : Converter(map, processKernel()) {}

Converter::~Converter() = default;

ConversionReport Converter::convert(ByteSource& document, HtmlSink& output, const std::function<void()>& onRowGroup,
                                    const ConversionOptions& options) {
  State& st = *state_;
  std::shared_ptr<const EncodedMap>& encoded = st.encoded[options.escapeMarkup ? 1 : 0];
  if (!encoded) encoded = encodeMap(st.map.map, options.escapeMarkup);
  prepareConversion(st.conversion, encoded, st.map.header, options, *st.kernel);
  return run(st.conversion, st.map, document, output, onRowGroup, options, threadsFor(options, st.cores));
}

ConversionReport convertDocument(ByteSource& document, const MapFile& map, HtmlSink& output,
                                 const std::function<void()>& onRowGroup, const ConversionOptions& options) {
  return Converter(map).convert(document, output, onRowGroup, options);
}

Converter converterWithKernel(const MapFile& map, const Kernel& kernel) { return Converter(map, kernel); }

ConversionReport convertWithKernel(const Kernel& kernel, ByteSource& document, const MapFile& map, HtmlSink& output,
                                   const std::function<void()>& onRowGroup, const ConversionOptions& options) {
  return converterWithKernel(map, kernel).convert(document, output, onRowGroup, options);
}

ConversionReport observeConversion(ByteSource& document, const MapFile& map, ConversionObserver& observer) {
  auto s = std::make_unique<ConversionState>();
  ConversionOptions options;
  options.escapeMarkup = true;  // so that every character with mark-up is shown to the observer
  prepareConversion(*s, map, options);
  s->observer = &observer;
  DiscardSink sink;
  return run(*s, map, document, sink, {}, options, 1);
}

void RawMarkupCount::rowGroup(const RowState (&)[3]) { counted_[0] = counted_[1] = counted_[2] = false; }

void RawMarkupCount::escapedMarkup(const RowState& row, std::string_view entry) {
  const int index = row.index;
  if (counted_[index] || entry.find_first_of("<&") == std::string_view::npos) return;
  counted_[index] = true;
  const auto line = static_cast<uint64_t>(row.lineNumber);
  if (rows.count == 0 || line < rows.firstLine) rows.firstLine = line;
  ++rows.count;
}

RawMarkupRows findRawMarkupRows(ByteSource& document, const MapFile& map) {
  RawMarkupCount count;
  observeConversion(document, map, count);
  return count.rows;
}

std::string convertTextWithKernel(const Kernel& kernel, std::string_view document, const MapFile& map,
                                  const ConversionOptions& options) {
  MemorySource source(document);
  MemorySink sink;
  convertWithKernel(kernel, source, map, sink, {}, options);
  sink.finish();
  return std::move(sink.text);
}

std::string convertText(std::string_view document, const MapFile& map, const ConversionOptions& options) {
  return convertTextWithKernel(processKernel(), document, map, options);
}

}  // namespace vantrel
