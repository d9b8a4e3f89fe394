#include "check/map_check.h"

#include <algorithm>
#include <string>

#include "support/text/line_list.h"
#include "support/text/number_text.h"
#include "support/text/split_first.h"

namespace vantrel {

namespace {

// Lines named one by one; beyond that, only how many more there are.
constexpr size_t linesNamed = 20;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Why a line that stands by itself is passed over; empty if it has an effect.
std::string whyPassedOver(std::string_view line) {
  if (line.rfind("\xEF\xBB\xBF", 0) == 0) return "begins with a byte-order mark";
  if (line[0] == 'F') {
    if (line[1] != 'n') return "begins with F but is no font line (Fn<font>:<page>)";
    std::string rest(line.substr(2));
    int32_t font = strToInt(splitFirst(rest, ":"));
    int32_t page = strToInt(rest);
    if (font < 0 || font > 20 || page < 0 || page > 3) return "font line out of range (fonts 0 to 20, pages 0 to 3)";
    return {};
  }
  if (isDigit(line[0])) return {};  // codes above 255 are told by the caller
  return "is no comment, header, font, page or code line";
}

}  // namespace

std::vector<Finding> checkMapText(std::string_view text) {
  std::vector<Finding> found;
  LineList lines = createLineList();
  splitLines(lines, text);
  for (int64_t i = 0; i < lines.lineCount; ++i) {
    if (lineAt(lines, i).find('\n') != std::string_view::npos) {
      found.push_back({i + 1,
                       "line ends in LF alone; only CR or CR LF ends a line, so the map file is read as one line "
                       "(give it CR LF line ends, e.g. with unix2dos)"});
      break;
    }
  }
  size_t passed = 0;
  for (int64_t i = 0; i < lines.lineCount; ++i) {
    std::string_view line = lineAt(lines, i);
    if (line.empty() || line[0] == ' ' || line[0] == '/') continue;
    std::string why;
    if (line == "HTML header:") {
      while (!lineAt(lines, i + 1).empty()) ++i;
      ++i;
    } else if (line[0] == ':') {
      i += 2;
    } else if (line == "F") {
      continue;  // the map reader refuses it with a fault of its own
    } else if (isDigit(line[0])) {
      if (strToInt(line) > 255) {
        why = "code above 255";
      } else {
        ++i;
      }
    } else {
      why = whyPassedOver(line);
    }
    if (why.empty()) continue;
    if (++passed <= linesNamed) found.push_back({i + 1, "line passed over: " + why});
  }
  std::stable_sort(found.begin(), found.end(), [](const Finding& a, const Finding& b) { return a.line < b.line; });
  if (passed > linesNamed) {
    found.push_back({0, std::to_string(passed - linesNamed) + " more lines passed over"});
  }
  return found;
}

}  // namespace vantrel
