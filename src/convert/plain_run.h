#pragma once
#include "charmap/char_map.h"
#include "convert/conversion.h"
#include "convert/html_writer.h"

namespace vantrel {

// The fast lane of the column walk. While the other rows yield blanks (they
// are finished with a blank, or stand on spaces) and the span of the base
// row's font is open, each column is one base character: a blank is written
// as a space, any other plain character as its entry in `page`. Writes the
// run of such characters, at most `maxColumns`, up to the next backslash,
// form feed or "\[" blank or the end of the row, leaves the row there and
// returns the number of columns taken; the walk takes up the rest. With
// `asciiIdentity`, runs of ASCII characters are copied as they stand.
int64_t writePlainRun(RowState& base, const Utf8Bytes* page, bool asciiIdentity, int64_t maxColumns,
                      HtmlText& result);

}  // namespace vantrel
