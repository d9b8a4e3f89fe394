#include "support/line_list.h"

#include <cstring>
#include <utility>

#include "support/file_io.h"

namespace vantrel {

namespace {

// Walks the lines of `text` (`size` bytes, the last of them the final NUL):
// calls onLine with the first byte of each line and onEnd with each CR that
// ends a line. The search for a CR does not stop at NUL bytes inside a line.
template <class OnLine, class OnEnd>
void walkLines(char* text, size_t size, OnLine onLine, OnEnd onEnd) {
  char* cursor = text;
  char* end = text + size;
  while (*cursor != '\0') {
    onLine(cursor);
    auto* cr = static_cast<char*>(std::memchr(cursor, '\r', static_cast<size_t>(end - cursor)));
    if (cr == nullptr) return;
    cursor = cr + 1;
    onEnd(cr);
    if (*cursor == '\n') ++cursor;
  }
}

}  // namespace

LineList createLineList() { return LineList{}; }

void freeLineList(LineList& list) {
  list.lines = std::vector<const char*>();
  list.storage = TextBlock{};
  list.lineCount = 0;
}

void takeLines(LineList& list, TextBlock&& block) {
  freeLineList(list);
  if (block.size == 0) return;
  list.storage = std::move(block);
  char* text = list.storage.bytes.get();
  size_t size = list.storage.size + 1;

  // Two passes: count first, so that the table is allocated once.
  int64_t count = 0;
  walkLines(text, size, [&](char*) { ++count; }, [](char*) {});
  list.lines.reserve(static_cast<size_t>(count));
  walkLines(text, size, [&](char* line) { list.lines.push_back(line); }, [](char* cr) { *cr = '\0'; });
  list.lineCount = count;
}

void splitLines(LineList& list, std::string_view text) {
  TextBlock block;
  block.bytes.reset(new char[text.size() + 1]);
  if (!text.empty()) std::memcpy(block.bytes.get(), text.data(), text.size());
  block.bytes[text.size()] = '\0';
  block.size = text.size();
  takeLines(list, std::move(block));
}

IoCode loadLines(LineList& list, const std::string& fileName) {
  TextBlock block;
  if (IoCode code = readWholeFile(fileName, block)) return code;
  takeLines(list, std::move(block));
  return 0;
}

std::string_view lineAt(const LineList& list, int64_t index) {
  if (index < 0 || index >= list.lineCount) return {};
  const char* line = list.lines[static_cast<size_t>(index)];
  return std::string_view(line, std::strlen(line));
}

}  // namespace vantrel
