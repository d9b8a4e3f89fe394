#pragma once
#include <cstdint>
#include <string_view>

#include "charmap/char_map.h"
#include "charmap/encoded_pages.h"
#include "convert/html_writer.h"
#include "support/text/line_cursor.h"
#include "support/text/text_block.h"

namespace vantrel {

// Row indexes: each printed line is a group of a lower, a base and an upper row.
enum Row : int { lowerRow = 0, baseRow = 1, upperRow = 2 };

// A row's piece in the current column: nothing, or the byte it yields (" "
// being a blank, which is never written by itself).
inline constexpr int noPiece = -1;

// One row of the current group as the column walk takes it.
struct RowState {
  std::string_view line;
  int64_t pos = 0;  // last position taken (1-based); 0 none yet; -1 finished
  int piece = noPiece;
  int64_t blankAt = 0;   // after "\[": the position of the "[", which now reads as a blank
  int64_t blankEnd = 0;  // known end of a run of spaces: position of its first non-space
};

// What the fast lane needs of a font: the lane table of its page (none for
// a page outside the map, which the full walk then reports), and whether
// the page leaves ASCII as it is.
struct FontLane {
  const uint64_t* codes = nullptr;
  bool identity = false;
  const Utf8Bytes* entries = nullptr;  // the font's encoded page
};

// The converter's working record for one conversion. The rows are views of
// the document's lines: nothing is copied.
struct ConversionState {
  CharMap charMap;
  EncodedPages pages;
  FontLane fontLanes[fontCount];
  RowState rows[3];
  SpanState spans;
  uint8_t currentFont = 1;
  std::string_view carryLine;  // line read after the base row that was no lower row
  LineCursor lines;            // the next document line to read
};

// Converts the document into HTML: loads the map file, then writes the
// head, the body and the closing text into `result`, with one progress dot
// per row group and a line break after them.
void convertDocument(const TextBlock& document, HtmlText& result);

// The conversion with a map already loaded: the row groups with their
// progress dots, and the closing step.
void convertRowGroups(const TextBlock& document, const CharMap& map, HtmlText& result);

}  // namespace vantrel
