#pragma once
#include <functional>

#include "convert/conversion_state.h"

namespace vantrel {

// Converts the row groups of what `s.lines` reads, from the first line to
// the end of the text, into `s.html`, calling `onRowGroup` before each: no
// closing step. `s.report` tells what was read.
void walkRowGroups(ConversionState& s, const std::function<void()>& onRowGroup);

// Converts the row groups read from `document` into `s.html` (begun with
// beginHtml), calling `onRowGroup` before each, then the closing step.
void convertRowGroups(ConversionState& s, ByteSource& document, const std::function<void()>& onRowGroup);

}  // namespace vantrel
