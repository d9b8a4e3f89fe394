#include "support/text/line_list.h"

#include <cstring>
#include <utility>

#include "support/files/file_io.h"
#include "support/text/line_cursor.h"

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
  list.storage = std::move(block);
  // Two passes: count first, so that the table is allocated once.
  int64_t count = 0;
  for (LineCursor cursor = firstLine(list.storage); !atEnd(cursor); takeLine(cursor)) ++count;
  list.lines.reserve(static_cast<size_t>(count));
  for (LineCursor cursor = firstLine(list.storage); !atEnd(cursor);) list.lines.push_back(takeLine(cursor));
  list.lineCount = count;
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
