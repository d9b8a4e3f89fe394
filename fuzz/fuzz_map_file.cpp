// Any map file either applies or ends in a range fault that names one of
// its lines; nothing else.
#include <cstdint>
#include <string_view>

#include "charmap/char_map.h"
#include "charmap/map_file.h"
#include "support/faults/faults.h"
#include "support/text/line_list.h"

using namespace vantrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CharMap map;
  resetCharMap(map);
  LineList lines = createLineList();
  splitLines(lines, std::string_view(reinterpret_cast<const char*>(data), size));
  try {
    applyMapLines(map, lines);
  } catch (const ERangeError& fault) {
    if (fault.line() < 1 || fault.line() > lines.lineCount) __builtin_trap();
    return 0;
  }
  for (int32_t page : map.fontPage) {
    if (page < 0 || page > 3) __builtin_trap();
  }
  return 0;
}
