#include "convert/part_boundary.h"

#include "convert/row_groups.h"

namespace vantrel {

namespace {

bool beginsLine(std::string_view text, size_t at) {
  return at == 0 || text[at - 1] == '\r' || (text[at - 1] == '\n' && at >= 2 && text[at - 2] == '\r');
}

// The start of the last line at or before `at` that begins with "\+", or 0.
// Every such line is an upper row (or is dropped for the one after it), so
// the grammar's state after it is known whatever came before.
size_t lastUpperRowLine(std::string_view text, size_t at) {
  for (;; --at) {
    if (at + 1 < text.size() && text[at] == '\\' && text[at + 1] == '+' && beginsLine(text, at)) return at;
    if (at == 0) return 0;
  }
}

}  // namespace

size_t findPartBoundary(std::string_view text, size_t from) {
  LineReader lines;
  return findPartBoundary(text, from, lines);
}

size_t findPartBoundary(std::string_view text, size_t from, LineReader& lines) {
  if (from > text.size()) return std::string_view::npos;
  const size_t start = lastUpperRowLine(text, from);
  startReadingView(lines, text.substr(start));
  RowGroupReader groups;
  for (bool first = true; groupFollows(lines); first = false) {
    const RowGroupLines group = readRowGroup(groups, lines);
    const size_t at = start + static_cast<size_t>(group.start);
    // A part may begin at a group that follows the one before it directly,
    // when the text goes on after its first upper row: as the last line, a
    // line after a group is dropped, not walked.
    const bool textGoesOn = group.upper.start != group.start || group.base.number != 0;
    if (!first && at >= from && group.followsGroup && textGoesOn) return at;
  }
  return std::string_view::npos;
}

}  // namespace vantrel
