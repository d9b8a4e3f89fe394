#include "support/text/line_list.h"

#include <cstring>
#include <utility>

#include "support/files/file_io.h"
#include "support/text/line_reader.h"

namespace vantrel {

LineList createLineList() { return LineList{}; }

void freeLineList(LineList& list) {
  list.lines = std::vector<std::string_view>();
  list.storage = TextBlock{};
  list.lineCount = 0;
}

void takeLines(LineList& list, TextBlock&& block) {
  freeLineList(list);
  if (block.size == 0) return;
  // The document's line reader cuts the lines, in place: the block's final
  // NUL and padding are the zero bytes it wants after the text.
  HeldBytes held{std::move(block.bytes), block.size, block.size + 1 + textPadding};
  LineReader reader;
  startReadingHeld(reader, held);
  while (!atEnd(reader)) list.lines.push_back(lineText(reader, takeLine(reader)));
  returnHeldBytes(reader, held);
  list.storage.bytes = std::move(held.bytes);
  list.storage.size = held.size;
  list.lineCount = static_cast<int64_t>(list.lines.size());
}

void splitLines(LineList& list, std::string_view text) { takeLines(list, textBlockOf(text)); }

IoCode loadLines(LineList& list, const std::string& fileName) {
  TextBlock block;
  if (IoCode code = readWholeFile(fileName, block)) return code;
  takeLines(list, std::move(block));
  return 0;
}

std::string_view lineAt(const LineList& list, int64_t index) {
  if (index < 0 || index >= list.lineCount) return {};
  return list.lines[static_cast<size_t>(index)];
}

}  // namespace vantrel
