#pragma once
#include "charmap/char_map.h"
#include "support/text/line_list.h"

namespace vantrel {

inline constexpr const char* mapFileName = "Runemap.txt";

// Prepares the map of a conversion: the defaults, then the map file
// "Runemap.txt" of the current folder, which may also put header lines in
// front of HtmlHead. An absent map file keeps the defaults; one that exists
// but cannot be read is an I/O fault.
void loadCharMap(CharMap& map);

// Applies the lines of a map file: comment lines, header blocks, font lines
// (Fn<font>:<page>), page blocks (:<page>, a codes line, a text line) and
// code blocks (<code>, a text line).
void applyMapLines(CharMap& map, const LineList& lines);

}  // namespace vantrel
