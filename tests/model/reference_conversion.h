#pragma once
#include "charmap/char_map.h"
#include "convert/html_writer.h"
#include "support/text/line_list.h"

namespace vantrel::model {

// The column walk written as literally as the rules read: copies of the rows,
// one piece at a time, the "[" rule overwriting the row text. Slow and
// plain; the converter's fast walk must give the same bytes on every input.
// Writes HtmlHead, the body and the closing text into `result` (no console).
void referenceConvert(const LineList& document, const CharMap& map, HtmlText& result);

}  // namespace vantrel::model
