#pragma once
// The row-group grammar, in one place. Each printed line of a document is a
// group of lines: an upper row (a line that begins with "\+"), the base row
// (the line after it), and a lower row (the line after that, when it begins
// with "\-"). Every line takes one of four roles:
//
//   upper row    a line that begins with "\+"; of several in a row the last
//                one counts, the others are dropped
//   base row     the line after an upper row
//   lower row    the line after a base row, when it begins with "\-"
//   passed over  any other line: one before an upper row, or one after a
//                base row that is neither a lower nor an upper row
//
// At the end of the text two rules close the grammar: a line taken while an
// upper row is sought stands as the upper row of a last group (with no base
// row), and a line taken after a base row that begins with "\+" is dropped.
//
// The walk reads its groups here; the search for the places where a
// document may be cut into parts reads the same groups; the checks see the
// groups the walk reads.
#include <cstdint>
#include <string_view>

#include "support/text/line_reader.h"

namespace vantrel {

// What a line's first two bytes make of it.
enum class LineMark : uint8_t { upperRow, lowerRow, none };

inline LineMark markOf(std::string_view line) {
  if (line.size() < 2 || line[0] != '\\') return LineMark::none;
  return line[1] == '+' ? LineMark::upperRow : line[1] == '-' ? LineMark::lowerRow : LineMark::none;
}

// The lines of one row group, as spans of the reader (a span of length 0 and
// number 0 is no line: a row group at the end of the text may lack its base
// or lower row).
struct RowGroupLines {
  LineSpan upper, base, lower;
  uint64_t start = 0;  // where the group's first upper row begins (several may precede `upper`)
  // The upper row is the first line taken after the group before it (none
  // passed over or dropped between): a part of the document may begin here.
  bool followsGroup = false;
};

// Reads the row groups of a line reader's text one after the other, and
// counts what it passes over.
struct RowGroupReader {
  LineSpan carry;                   // the line taken after the last base row, when it was no lower row
  int64_t rowGroups = 0;            // groups whose upper row begins with "\+"
  int64_t passedOverLines = 0;      // lines with text that take no row
  int64_t firstPassedOverLine = 0;  // the first of them (0: none)
};

// Whether another row group follows: whether lines remain (it reads as far
// as it needs to tell).
inline bool groupFollows(LineReader& lines) { return !atEnd(lines); }

// A line that takes no row: counted when it held text.
inline void passOver(RowGroupReader& groups, const LineSpan& line) {
  if (line.length == 0) return;
  if (groups.passedOverLines++ == 0) groups.firstPassedOverLine = line.number;
}

inline LineMark markOf(const LineReader& lines, const LineSpan& line) { return markOf(lineText(lines, line)); }

// Reads the next row group; call while groupFollows. The rows' texts stay
// valid until the reader reads again. (Inline: the walk reads a group this
// way for every printed line.)
inline RowGroupLines readRowGroup(RowGroupReader& groups, LineReader& lines) {
  RowGroupLines group;
  // The line carried from the last group, else lines taken one by one,
  // until an upper row; at the end of the text the last line taken stands
  // as the upper row.
  LineSpan upper = groups.carry;
  LineMark mark = markOf(lines, upper);
  bool first = true;
  keepLinesFrom(lines, upper.start);
  while (mark != LineMark::upperRow) {
    if (atEnd(lines)) break;
    first = first && upper.number == 0;
    passOver(groups, upper);
    upper = takeLine(lines);
    keepLinesFrom(lines, upper.start);
    mark = markOf(lines, upper);
  }
  group.start = upper.start;
  group.followsGroup = first && mark == LineMark::upperRow;
  groups.rowGroups += mark == LineMark::upperRow ? 1 : 0;
  LineSpan base = takeLine(lines);
  // Of several upper rows in a row, the last one counts.
  while (markOf(lines, base) == LineMark::upperRow) {
    if (upper.length > 2) passOver(groups, upper);
    upper = base;
    keepLinesFrom(lines, upper.start);
    base = takeLine(lines);
  }
  LineSpan lower = takeLine(lines);
  if (markOf(lines, lower) == LineMark::lowerRow) {
    groups.carry = LineSpan{lower.start + lower.length, 0, 0};
  } else {
    groups.carry = lower;
    lower = LineSpan{lower.start, 0, 0};
  }
  group.upper = upper;
  group.base = base;
  group.lower = lower;
  return group;
}

// After the last group: a carried line that is no upper row counts as
// passed over.
inline void finishRowGroups(RowGroupReader& groups, const LineReader& lines) {
  if (markOf(lines, groups.carry) != LineMark::upperRow) passOver(groups, groups.carry);
}

}  // namespace vantrel
