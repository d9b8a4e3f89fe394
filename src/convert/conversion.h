#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "charmap/char_map.h"
#include "convert/html_writer.h"
#include "support/line_list.h"

namespace vantrel {

// Row indexes: each printed line is a group of a lower, a base and an upper row.
enum Row : int { lowerRow = 0, baseRow = 1, upperRow = 2 };

// The converter's working record for one conversion.
struct ConversionState {
  CharMap charMap;
  std::string rowLine[3];      // the rows of the current group
  int64_t rowPos[3] = {0, 0, 0};  // last position taken (1-based); 0 none yet; -1 finished
  std::string_view rowPiece[3];   // what each row yields in the current column
  SpanState spans;
  uint8_t currentFont = 1;
  std::string carryLine;       // line read after the base row that was no lower row
  int64_t lineIndex = 0;       // next document line to read
};

// Converts the document into HTML: the map file's head, the body, the
// closing text. Writes one progress dot per row group, then a line break.
void convertDocument(const LineList& document, HtmlText& result);

}  // namespace vantrel
