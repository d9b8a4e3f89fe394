#pragma once
#include <cstdint>

#include "convert/conversion.h"
#include "convert/html_writer.h"

namespace vantrel {

// The fast lane of the column walk. While the lower and upper rows yield
// blanks (finished with a blank, or standing on spaces) and the span of the
// base row's font is open, each column is one base character: a blank is
// written as a space, any other plain character as its entry in the font's
// page, a font escape followed by a plain character switches the span and
// writes it, and "\," records a paragraph break. Writes at most `maxColumns`
// columns, up to anything else the walk must see to (other escapes, a form
// feed, a "\[" blank) or to the end of the row, leaves the row there and
// returns the number of columns taken.
int64_t writePlainRun(ConversionState& s, int64_t maxColumns, HtmlText& result);

}  // namespace vantrel
