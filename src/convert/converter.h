#pragma once
// The library's entry points beyond the public header: a conversion with a
// given kernel, and a conversion watched by an observer.
#include <functional>
#include <string>
#include <string_view>

#include "convert/conversion_state.h"
#include "kernels/kernel.h"
#include "vantrel/vantrel.h"

namespace vantrel {

// A converter that uses `kernel` instead of the process's own.
Converter converterWithKernel(const MapFile& map, const Kernel& kernel);

// convertDocument with `kernel` instead of the process's own.
ConversionReport convertWithKernel(const Kernel& kernel, ByteSource& document, const MapFile& map, HtmlSink& output,
                                   const std::function<void()>& onRowGroup, const ConversionOptions& options);

// convertText with `kernel` instead of the process's own.
std::string convertTextWithKernel(const Kernel& kernel, std::string_view document, const MapFile& map,
                                  const ConversionOptions& options);

// Converts the document on one thread with mark-up escaped, shows the
// observer what the walk reads and writes, and keeps no text: a scan.
ConversionReport observeConversion(ByteSource& document, const MapFile& map, ConversionObserver& observer);

// An observer that counts the rows yielding raw "<" or "&" (each row once).
class RawMarkupCount : public ConversionObserver {
 public:
  RawMarkupRows rows;
  void rowGroup(const RowState (&rows)[3]) override;
  void escapedMarkup(const RowState& row, std::string_view entry) override;

 private:
  bool counted_[3] = {};
};

}  // namespace vantrel
