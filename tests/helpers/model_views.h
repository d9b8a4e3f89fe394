#pragma once
// Views of the program's records that tests compare: the lines of a line
// list, and how far a character map has moved from another.
#include <string>
#include <vector>

#include "charmap/char_map.h"
#include "support/text/line_list.h"

namespace vantrel::testing {

inline std::vector<std::string> linesOf(const LineList& list) {
  std::vector<std::string> lines;
  for (int64_t i = 0; i < list.lineCount; ++i) lines.emplace_back(lineAt(list, i));
  return lines;
}

// Entries of all pages of `map` that differ from those of `defaults`.
inline int changedEntries(const CharMap& map, const CharMap& defaults) {
  int changed = 0;
  for (int page = 0; page < pageCount; ++page) {
    for (int code = 0; code < 256; ++code) changed += map.pages[page][code] != defaults.pages[page][code];
  }
  return changed;
}

// Fonts of `map` that use another page than page 0.
inline int changedFonts(const CharMap& map) {
  int changed = 0;
  for (int font = 0; font < fontCount; ++font) changed += map.fontPage[font] != 0;
  return changed;
}

}  // namespace vantrel::testing
