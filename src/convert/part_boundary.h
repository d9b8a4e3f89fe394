#pragma once
#include <cstddef>
#include <string_view>

#include "support/text/line_reader.h"

namespace vantrel {

// Where a document may be cut into parts that convert on their own, each
// from the state the part before it leaves: before a line that begins an
// upper row ("\+"), right after a line that ends a row group (a base row
// after an upper row, or a lower row after such a base row), with more text
// after the upper row's line. There the line grouping of the whole
// document and of the parts agree.
//
// Returns the offset of the first such cut at or after `from`, or npos.
// The row groups are those the walk reads (row_groups.h). `text` begins at
// a cut or at the start of the document, the lines before a cut must lie in
// it whole, and it must be followed by linePadding zero bytes.
// `lines` is a reader to read with (its memory serves search after search).
size_t findPartBoundary(std::string_view text, size_t from, LineReader& lines);
size_t findPartBoundary(std::string_view text, size_t from);

}  // namespace vantrel
