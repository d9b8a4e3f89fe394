#include "charmap/map_file.h"

#include <string>
#include <utility>
#include <vector>

#include "support/faults/faults.h"
#include "support/text/number_text.h"
#include "support/text/split_first.h"

namespace vantrel {

namespace {

constexpr IoCode fileNotFound = 2;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The header blocks in the order they open the output: each block goes in
// front of what is there, so the last block comes first.
std::string joinHeaders(const std::vector<std::string>& headers) {
  std::string head;
  size_t size = 0;
  for (const std::string& header : headers) size += header.size();
  head.reserve(size);
  for (auto header = headers.rbegin(); header != headers.rend(); ++header) head += *header;
  return head;
}

// "Fn<font>:<page>": a font outside 0 to 20 or a page outside 0 to 3 changes nothing.
void applyFontLine(CharMap& map, std::string_view line) {
  std::string rest(line.substr(2));
  int32_t font = strToInt(splitFirst(rest, ":"));
  int32_t page = strToInt(rest);
  if (font >= 0 && font < fontCount && page >= 0 && page < pageCount) map.fontPage[font] = page;
}

}  // namespace

std::string applyMapLines(CharMap& map, const LineList& lines) {
  // The blocks are collected and joined once, as putting each in front at
  // once would move the whole head for every block.
  std::vector<std::string> headers;
  int64_t i = -1;
  while (i + 1 < lines.lineCount) {
    ++i;
    std::string_view line = lineAt(lines, i);
    if (line.empty() || line[0] == ' ' || line[0] == '/') continue;

    if (line == "HTML header:") {
      // The block runs to the first empty line, which it takes too.
      std::string header;
      for (++i; !lineAt(lines, i).empty(); ++i) {
        header += lineAt(lines, i);
        header += '\n';
      }
      headers.push_back(std::move(header));
      continue;
    }

    if (line[0] == 'F') {
      if (line.size() < 2) raiseRangeError();  // a lone "F" has no second character to read
      if (line[1] == 'n') applyFontLine(map, line);
      continue;
    }

    if (line[0] == ':') {
      int32_t page = strToInt(line.substr(1));
      std::string_view codes = lineAt(lines, i + 1);
      std::string_view text = lineAt(lines, i + 2);
      if (page < 0 || page > 255) raiseRangeError();
      assignRun(map, static_cast<uint8_t>(page), codes, text);
      i += 2;
      continue;
    }

    if (isDigit(line[0])) {
      int32_t code = strToInt(line);
      if (code > 255) continue;  // only this line is passed over
      const char codeByte = static_cast<char>(code & 0xFF);
      std::string_view text = lineAt(lines, i + 1);
      for (uint8_t page = 0; page < pageCount; ++page) assignRun(map, page, std::string_view(&codeByte, 1), text);
      i += 1;
    }
  }
  return joinHeaders(headers);
}

MapFile defaultMapFile() {
  MapFile file;
  resetCharMap(file.map);
  return file;
}

MapFile readMapText(std::string_view text) {
  MapFile file = defaultMapFile();
  LineList lines = createLineList();
  splitLines(lines, text);
  file.header = applyMapLines(file.map, lines);
  return file;
}

MapFile loadMapFile(const std::string& fileName, bool* found) {
  MapFile file = defaultMapFile();
  LineList lines = createLineList();
  IoCode code = loadLines(lines, fileName);
  if (found != nullptr) *found = code != fileNotFound;
  if (code == fileNotFound) return file;
  if (code != 0) raiseInOutError(code);
  file.header = applyMapLines(file.map, lines);
  return file;
}

}  // namespace vantrel
