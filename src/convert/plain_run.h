#pragma once
#include <cstdint>

#include "convert/conversion_state.h"

namespace vantrel {

// The plain run: the column walk's fast path for a base row beside lower and
// upper rows that yield blanks, while the span of the base row's font is
// open. Each column is then one base character: a blank is written as a
// space, any other plain character as its entry in the font's page. Font
// escapes before a plain character and "\," are applied in passing (they
// take no column). Writes at most `maxColumns` columns, up to anything else
// the column walk must see to (another escape, a form feed, a "\[" blank) or
// to the end of the row, leaves the row there and returns the number of
// columns taken.
int64_t writePlainRun(ConversionState& s, int64_t maxColumns);

}  // namespace vantrel
