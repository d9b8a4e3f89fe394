// The line table and the line cursor cut every text into the same lines, and
// no line holds a CR or a NUL.
#include <cstdint>
#include <string_view>

#include "support/text/line_cursor.h"
#include "support/text/line_list.h"
#include "support/text/text_block.h"

using namespace vantrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  LineList list = createLineList();
  splitLines(list, text);
  TextBlock block = textBlockOf(text);
  LineCursor cursor = firstLine(block);
  for (int64_t i = 0; i < list.lineCount; ++i) {
    std::string_view line = lineAt(list, i);
    if (atEnd(cursor) || takeLine(cursor) != line) __builtin_trap();
    if (line.find('\r') != std::string_view::npos || line.find('\0') != std::string_view::npos) __builtin_trap();
  }
  if (!atEnd(cursor) || !takeLine(cursor).empty()) __builtin_trap();
  return 0;
}
