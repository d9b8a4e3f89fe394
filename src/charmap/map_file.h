#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "charmap/char_map.h"
#include "support/text/line_list.h"
#include "vantrel/vantrel.h"

namespace vantrel {

inline constexpr const char* mapFileName = "Runemap.txt";

// Applies the lines of a map file to `map`: comment lines, header blocks,
// font lines (Fn<font>:<page>), page blocks (:<page>, a codes line, a text
// line) and code blocks (<code>, a text line). Returns the header blocks'
// lines in the order they open the output (the last block first). A range
// fault names `fileName`, the line and the cause.
std::string applyMapLines(CharMap& map, const LineList& lines, std::string_view fileName = {});

}  // namespace vantrel
