#include "check/document_check.h"

#include <algorithm>
#include <cstdio>

#include "convert/escape_codes.h"

namespace vantrel {

namespace {

// A code whose text is a control character prints nothing (a tab aside; a
// line feed is told as a line end of its own).
bool isControlText(PackedUtf8 text) {
  return (text < 0x20 && text != '\t' && text != '\n') || text == 0x7F || (text >= 0xC280 && text <= 0xC29F);
}

bool isKnownEscape(uint8_t c) {
  return decodeEscape(c).kind != EscapeKind::nothing || c == '[' || c == '+' || c == '-';
}

std::string plural(int64_t count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

void sortByLine(std::vector<Finding>& found) {
  std::stable_sort(found.begin(), found.end(), [](const Finding& a, const Finding& b) { return a.line < b.line; });
}

}  // namespace

void DocumentCheck::rowGroup(const RowState (&rows)[3]) {
  rawMarkup_.rowGroup(rows);
  // In the order of the lines.
  for (int row : {upperRow, baseRow, lowerRow}) {
    if (rows[row].lineNumber != 0) takeRow(rows[row]);
  }
}

void DocumentCheck::escapedMarkup(const RowState& row, std::string_view entry) { rawMarkup_.escapedMarkup(row, entry); }

void DocumentCheck::takeRow(const RowState& state) {
  const std::string_view row = state.line;
  uint8_t& font = rowFont_[state.index];
  for (size_t i = 0; i < row.size(); ++i) {
    auto c = static_cast<uint8_t>(row[i]);
    if (c == '\f') return;  // a form feed ends its row
    if (c == '\\') {
      if (++i == row.size()) return;
      auto code = static_cast<uint8_t>(row[i]);
      if (uint8_t escapeFont = fontOfEscape(code); escapeFont != 0) {
        font = escapeFont;
      } else if (!isKnownEscape(code) && unknownEscapes_++ == 0) {
        firstUnknownLine_ = state.lineNumber;
        firstUnknown_ = static_cast<char>(code);
      }
      continue;
    }
    int32_t page = map_.fontPage[font];
    if (page < 0 || page >= pageCount || !isControlText(map_.pages[page][c])) continue;
    if (unmapped_++ == 0) {
      firstUnmappedLine_ = state.lineNumber;
      firstUnmappedCode_ = c;
      firstUnmappedFont_ = font;
    }
  }
}

std::vector<Finding> shapeFindings(const ConversionReport& report) {
  std::vector<Finding> found;
  if (report.firstLoneLfLine != 0) {
    found.push_back({report.firstLoneLfLine,
                     "line ends in LF alone; only CR or CR LF ends a line, so the lines from here on run together "
                     "(give the file CR LF line ends, e.g. with unix2dos)"});
  }
  if (report.lines > 0 && report.rowGroups == 0) {
    found.push_back({0, "no row group: no line begins with \\+, so only the last line is converted, as superscripts"});
  } else if (report.passedOverLines > 0) {
    found.push_back({report.firstPassedOverLine, "text outside any row group is passed over (" +
                                                     plural(report.passedOverLines, "line", "lines") +
                                                     "); a row group begins with a line that starts with \\+"});
  }
  sortByLine(found);
  return found;
}

std::vector<Finding> DocumentCheck::finish(const ConversionReport& report) {
  std::vector<Finding> found = shapeFindings(report);
  if (unknownEscapes_ > 0) {
    found.push_back({firstUnknownLine_, std::string("unknown escape code \\") + firstUnknown_ + " is dropped (" +
                                            plural(unknownEscapes_, "unknown escape", "unknown escapes") + " in all)"});
  }
  if (unmapped_ > 0) {
    char text[160];
    std::snprintf(text, sizeof text,
                  "code %d in font %d has no printable text in its code page %d (%lld such characters in all); "
                  "give it one in the map file",
                  firstUnmappedCode_, firstUnmappedFont_, map_.fontPage[firstUnmappedFont_],
                  static_cast<long long>(unmapped_));
    found.push_back({firstUnmappedLine_, text});
  }
  if (const RawMarkupRows& markup = rawMarkup_.rows; markup.count > 0) {
    found.push_back({static_cast<int64_t>(markup.firstLine),
                     std::to_string(markup.count) + (markup.count == 1 ? " row yields" : " rows yield") +
                         " raw mark-up (\"<\" or \"&\"), which a browser reads as HTML; --escape shows it as "
                         "written"});
  }
  sortByLine(found);
  return found;
}

}  // namespace vantrel
