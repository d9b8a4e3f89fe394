#include "charmap/map_file.h"

#include <cerrno>
#include <cstdio>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "support/faults/faults.h"
#include "support/text/number_text.h"
#include "support/text/split_first.h"

namespace vantrel {

namespace {

constexpr int64_t firstLine = 1;  // lines are counted from 1 in faults

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

// A line as a fault quotes it: in quotes, at most 40 bytes, bytes outside
// printable ASCII as \xHH.
std::string quoted(std::string_view line) {
  constexpr size_t shown = 40;
  std::string text = "'";
  for (size_t i = 0; i < line.size() && i < shown; ++i) {
    auto c = static_cast<unsigned char>(line[i]);
    if (c >= 0x20 && c < 0x7F) {
      text += static_cast<char>(c);
    } else {
      constexpr const char* digits = "0123456789ABCDEF";
      text += {'\\', 'x', digits[c >> 4], digits[c & 15]};
    }
  }
  if (line.size() > shown) text += "...";
  return text + "'";
}

// Whether the first character of a text line holds all the bytes its lead
// byte asks for (as assignRun reads them).
bool firstCharacterComplete(std::string_view text) {
  if (text.empty()) return true;
  auto lead = static_cast<unsigned char>(text[0]);
  size_t length = lead < 0x80 ? 1 : (lead & 0xE0) == 0xC0 ? 2 : (lead & 0xF0) == 0xE0 ? 3 : 4;
  return length <= text.size();
}

// Names the line and the cause of a range fault raised by the construct
// that begins at line `i`: a lone "F", a page block whose page is out of
// range, or a text line that ends within a character.
void describeRangeFault(Exception& fault, const LineList& lines, int64_t i, std::string_view fileName) {
  std::string_view line = lineAt(lines, i);
  if (line[0] == 'F') {
    fault.describe(fileName, i + firstLine, "font line cut short: " + quoted(line));
    return;
  }
  int64_t textLine = line[0] == ':' ? i + 2 : i + 1;
  if (line[0] == ':') {
    int32_t page = strToInt(line.substr(1));
    bool pageFirst = page < 0 || page > 255 || (page >= pageCount && firstCharacterComplete(lineAt(lines, textLine)));
    if (pageFirst) {
      fault.describe(fileName, i + firstLine, "page number out of range: " + quoted(line));
      return;
    }
  }
  fault.describe(fileName, textLine + firstLine, "UTF-8 character cut short: " + quoted(lineAt(lines, textLine)));
}

// Reads a map file of at most maxMapFileSize bytes. Returns 0, or the I/O
// code of the failure with the system's error in `systemError`.
IoCode readMapFile(const std::string& fileName, std::string& text, int& systemError) {
#if defined(_WIN32)
  const char* mode = "rb";
#else
  const char* mode = "rbe";  // e: closed on exec
#endif
  struct Closer {
    void operator()(std::FILE* file) const { std::fclose(file); }
  };
  std::unique_ptr<std::FILE, Closer> file(std::fopen(fileName.c_str(), mode));
  if (!file) {
    systemError = errno;
    return fileName.empty() ? fileNotFound : lastIoCode();
  }
  char block[65536];
  for (;;) {
    size_t got = std::fread(block, 1, sizeof block, file.get());
    if (text.size() + got > maxMapFileSize) return fileTooLarge;
    text.append(block, got);
    if (got == sizeof block) continue;
    if (std::ferror(file.get()) == 0) return 0;
    systemError = errno;
    return lastIoCode();
  }
}

// Applies the lines after line `i` on, leaving `i` at the line where the
// construct being applied begins.
std::string applyLinesFrom(CharMap& map, const LineList& lines, int64_t& i) {
  // The blocks are collected and joined once, as putting each in front at
  // once would move the whole head for every block.
  std::vector<std::string> headers;
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

}  // namespace

std::string applyMapLines(CharMap& map, const LineList& lines, std::string_view fileName) {
  int64_t i = -1;
  try {
    return applyLinesFrom(map, lines, i);
  } catch (ERangeError& fault) {
    describeRangeFault(fault, lines, i, fileName);
    throw;
  }
}

MapFile defaultMapFile() {
  MapFile file;
  resetCharMap(file.map);
  return file;
}

MapFile readMapText(std::string_view text, std::string_view fileName) {
  try {
    MapFile file = defaultMapFile();
    LineList lines = createLineList();
    splitLines(lines, text);
    file.header = applyMapLines(file.map, lines, fileName);
    return file;
  } catch (const std::bad_alloc&) {
    raiseOutOfMemory();
  } catch (const std::length_error&) {
    raiseOutOfMemory();
  }
}

MapFile loadMapFile(const std::string& fileName, bool* found) {
  std::string text;
  int systemError = 0;
  IoCode code = 0;
  try {
    code = readMapFile(fileName, text, systemError);
  } catch (const std::bad_alloc&) {
    raiseOutOfMemory();
  } catch (const std::length_error&) {
    raiseOutOfMemory();
  }
  if (found != nullptr) *found = code != fileNotFound;
  if (code == fileNotFound) return defaultMapFile();
  if (code == fileTooLarge) raiseInOutError(code, fileName, "cannot read the map file: larger than 64 MiB");
  if (code != 0) raiseFileError(code, fileName, "cannot read the map file", systemError);
  return readMapText(text, fileName);
}

}  // namespace vantrel
