#include "convert/row_groups.h"

namespace vantrel {

namespace {

// A line that takes no row: counted when it held text.
void passOver(RowGroupReader& groups, const LineSpan& line) {
  if (line.length == 0) return;
  if (groups.passedOverLines++ == 0) groups.firstPassedOverLine = line.number;
}

bool isUpperRow(const LineReader& lines, const LineSpan& line) {
  return markOf(lineText(lines, line)) == LineMark::upperRow;
}

}  // namespace

RowGroupLines readRowGroup(RowGroupReader& groups, LineReader& lines) {
  RowGroupLines group;
  // The line carried from the last group, else lines taken one by one,
  // until an upper row; at the end of the text the last line taken stands
  // as the upper row.
  LineSpan upper = groups.carry;
  bool first = true;
  keepLinesFrom(lines, upper.start);
  while (!isUpperRow(lines, upper)) {
    if (atEnd(lines)) break;
    first = first && upper.number == 0;
    passOver(groups, upper);
    upper = takeLine(lines);
    keepLinesFrom(lines, upper.start);
  }
  group.start = upper.start;
  group.followsGroup = first && isUpperRow(lines, upper);
  if (isUpperRow(lines, upper)) ++groups.rowGroups;
  LineSpan base = takeLine(lines);
  // Of several upper rows in a row, the last one counts.
  while (isUpperRow(lines, base)) {
    if (upper.length > 2) passOver(groups, upper);
    upper = base;
    keepLinesFrom(lines, upper.start);
    base = takeLine(lines);
  }
  LineSpan lower = takeLine(lines);
  if (markOf(lineText(lines, lower)) == LineMark::lowerRow) {
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

void finishRowGroups(RowGroupReader& groups, const LineReader& lines) {
  if (!isUpperRow(lines, groups.carry)) passOver(groups, groups.carry);
}

}  // namespace vantrel
