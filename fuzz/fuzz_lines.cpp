// The line reader cuts every text into the lines the literal splitter gives,
// whether it holds the text whole (a line list) or reads it in blocks of a
// few bytes, and no line holds a CR or a NUL.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/reference_conversion.h"
#include "small_blocks.h"
#include "support/text/line_list.h"
#include "support/text/line_reader.h"

using namespace vantrel;

namespace {}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string> expected = model::splitLines(text);
  LineList list = createLineList();
  splitLines(list, text);
  SmallBlocks source(text, 1 + size % 7);
  LineReader reader;
  startReading(reader, source);
  if (list.lineCount != static_cast<int64_t>(expected.size())) __builtin_trap();
  for (size_t i = 0; i < expected.size(); ++i) {
    std::string_view line = lineAt(list, static_cast<int64_t>(i));
    if (line != expected[i] || atEnd(reader) || lineText(reader, takeLine(reader)) != line) __builtin_trap();
    if (line.find('\r') != std::string_view::npos || line.find('\0') != std::string_view::npos) __builtin_trap();
  }
  if (!atEnd(reader)) __builtin_trap();
  return 0;
}
