#include "convert/row_walk.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#include "convert/escape_codes.h"
#include "convert/plain_run.h"
#include "convert/run_stops.h"

namespace vantrel {

namespace {

constexpr char formFeed = '\f';

// The rows of the group just read, each at its start. The prefixes "\+"
// and "\-" are escapes without effect that take no column: they are stepped
// over, and a row that holds nothing else yields its blank from the start.
// Nothing more is read while the group is walked: the views stay valid.
void startRow(ConversionState& s, int row, const LineSpan& line) {
  RowState& state = s.rows[row];
  state.line = lineText(s.lines, line);
  state.lineNumber = line.number;
  state.index = row;
  state.phase = RowPhase::notStarted;
  state.pos = 0;
  state.piece = {};
  state.blankAt = 0;
  state.blankEnd = 0;
  if (row == baseRow) return;
  if (markOf(state.line) != LineMark::none) walkFrom(state, 2);
  if (static_cast<int64_t>(state.line.size()) == state.pos) finishWithBlank(state);
}

void startRows(ConversionState& s, const RowGroupLines& group) {
  startRow(s, lowerRow, group.lower);
  startRow(s, baseRow, group.base);
  startRow(s, upperRow, group.upper);
}

// Byte at 1-based position `pos` of the row, as the walk reads it.
uint8_t charAt(const RowState& row, int64_t pos) {
  if (pos == row.blankAt) return ' ';
  return static_cast<uint8_t>(row.line[static_cast<size_t>(pos - 1)]);
}

// Applies an escape met in the column walk; gives the piece it leaves in
// the column (nothing for one that takes no column).
Piece applyEscape(ConversionState& s, Escape escape) {
  switch (escape.kind) {
    case EscapeKind::character:
      return pieceOf(escape.value);
    case EscapeKind::font:
      s.currentFont = escape.value;
      break;
    case EscapeKind::paragraph:
      s.html.paragraphPending = 1;
      break;
    case EscapeKind::takeBack:
      removeLastBodyChar(s.html.text);
      break;
    case EscapeKind::nothing:
      break;
  }
  return {};
}

// Whether the row's next byte is an ordinary character (not a run stop or
// the blank of a "\["); `byte` gets it.
bool ordinaryNext(const RowState& row, uint8_t& byte) {
  if (isFinished(row) || row.pos >= static_cast<int64_t>(row.line.size()) || row.pos + 1 == row.blankAt) return false;
  byte = static_cast<uint8_t>(row.line[static_cast<size_t>(row.pos)]);
  return !isRunStop(byte);
}

// Takes the row's next piece: a character, the replacement of an escape,
// a blank once the row is finished, or nothing after a form feed. An escape
// with no replacement takes no column: the next character is taken.
void takePiece(ConversionState& s, RowState& row) {
  const auto length = static_cast<int64_t>(row.line.size());
  // The common piece: the next byte is an ordinary character.
  if (uint8_t c = 0; ordinaryNext(row, c)) {
    takeNext(row);
    row.piece = pieceOf(c);
    return;
  }
  do {
    if (!isFinished(row)) {
      if (length > row.pos) {
        takeNext(row);
      } else {
        finishWithBlank(row);
      }
    }
    if (isFinished(row)) continue;
    const uint8_t c = charAt(row, row.pos);
    row.piece = pieceOf(c);
    if (c == '\\') {
      ++row.pos;
      if (row.pos > length) {
        row.piece = {};  // a lone backslash ends the row: it yields nothing
        continue;
      }
      uint8_t escape = charAt(row, row.pos);
      if (escape == '/') {
        // A "/" at the end of the row or before a form feed ends the row without a rule.
        if (length <= row.pos || charAt(row, row.pos + 1) == formFeed) finishWithBlank(row);
      } else if (escape == '[') {
        // The backslash and the "[" become two blank columns.
        row.blankAt = row.pos;
        --row.pos;
        escape = ' ';
      }
      if (!isFinished(row)) row.piece = applyEscape(s, decodeEscape(escape));
    } else if (c == formFeed) {
      s.html.rulePending = 1;
      row.piece = {};
      row.phase = RowPhase::endedByFormFeed;
    }
  } while (!isFinished(row) && row.piece.kind == PieceKind::nothing);
}

// The bytes of an entry, for an observer.
struct EntryText {
  char bytes[4];
  size_t length;
  operator std::string_view() const { return {bytes, length}; }  // NOLINT: reads as text
};
EntryText entryText(EncodedChar code) {
  EntryText text{};
  putEncoded(text.bytes, code);
  text.length = encodedLength(code);
  return text;
}

// Writes the character `piece` of the row in the current font, wrapped for its row.
void writePiece(ConversionState& s, int row, uint8_t piece) {
  const EncodedPage* page = s.map->fontPages[s.currentFont];
  if (page == nullptr) page = &pageOfFont(*s.map, s.currentFont);  // reports the bad page
  const EncodedChar code = page->codes[piece];
  ByteText& bytes = s.html.text.bytes;
  char* out = bytes.room(longestSpanSwitch + longestEscapedChar + 11);
  char* const start = out;
  out = putSpanSwitch(s.html.spans, s.currentFont, row, out);
  size_t length = 0;
  if (row != baseRow) {
    std::memcpy(out, row == lowerRow ? "<sub>" : "<sup>", 5);
    length = 5;
  }
  if ((code & escapedMarkup) != 0) {
    if (s.observer != nullptr) [[unlikely]]
      s.observer->escapedMarkup(s.rows[row], entryText(code));
    length += putEscapedMarkup(out + length, code);
  } else {
    putEncoded(out + length, code);
    length += encodedLength(code);
  }
  if (row != baseRow) {
    std::memcpy(out + length, row == lowerRow ? "</sub>" : "</sup>", 6);
    length += 6;
  }
  bytes.commit(static_cast<size_t>(out - start) + length);
}

// Writes the row's piece, unless it has none to write.
void emitPiece(ConversionState& s, int row) {
  const RowState& state = s.rows[row];
  if (state.phase != RowPhase::walking || state.piece.kind != PieceKind::character) return;
  writePiece(s, row, state.piece.byte);
}

bool unfinished(const ConversionState& s) {
  return !isFinished(s.rows[0]) || !isFinished(s.rows[1]) || !isFinished(s.rows[2]);
}

// Takes and writes one column: the base, the lower and the upper row in turn.
void walkOneColumn(ConversionState& s) {
  for (int row : {baseRow, lowerRow, upperRow}) {
    if (isFinished(s.rows[row])) continue;  // a finished row keeps its piece and writes nothing
    s.currentFont = s.html.spans.rowFont[row];
    takePiece(s, s.rows[row]);
    emitPiece(s, row);
  }
}

constexpr int64_t endless = INT64_MAX;

// How many of the next columns the lower or upper row yields a plain blank
// in, while the base row goes on: endless for a row finished with a blank,
// none for one finished by a form feed, else the spaces ahead of it. The end
// of the run is kept, so that no space is counted twice however often the
// walk asks.
int64_t blanksAhead(const Kernel& kernel, RowState& row) {
  if (isFinished(row)) return row.phase == RowPhase::finishedWithBlank ? endless : 0;
  // A row whose characters are all taken finishes with a blank at its next
  // take; with the base row going on, finishing it now changes nothing.
  if (row.pos == static_cast<int64_t>(row.line.size())) {
    finishWithBlank(row);
    return endless;
  }
  if (row.blankEnd <= row.pos) {
    size_t spaces = leadingSpaces(kernel, row.line.data() + row.pos, row.line.size() - static_cast<size_t>(row.pos));
    row.blankEnd = row.pos + static_cast<int64_t>(spaces) + 1;
  }
  return row.blankEnd - 1 - row.pos;
}

// Takes and writes the base row's next column by the general steps.
void walkBaseColumn(ConversionState& s) {
  passOnHtml(s.html.text);
  s.currentFont = s.html.spans.rowFont[baseRow];
  takePiece(s, s.rows[baseRow]);
  emitPiece(s, baseRow);
}

// At the end of the base row with nothing left beside it, the next column
// would only finish the base row: finish it now.
void finishBaseAtItsEnd(RowState& base) {
  if (base.pos == static_cast<int64_t>(base.line.size())) finishWithBlank(base);
}

// Whether the plain run can take the base row's next column: the span of
// the base row's font is open. It is opened here when that column is a plain
// character, as the column walk would open it to write that character.
bool baseSpanOpen(ConversionState& s) {
  const uint8_t font = s.html.spans.rowFont[baseRow];
  if (s.html.spans.openFont == font) return true;
  uint8_t c = 0;
  if (!ordinaryNext(s.rows[baseRow], c) || c == ' ' || s.map->fontPages[font] == nullptr) return false;
  switchSpan(s.html, font, baseRow);
  return true;
}

// While the lower and upper rows only yield blanks, each column is one base
// character: the plain run writes them, and the blank rows move along.
void writeBaseBesideBlanks(ConversionState& s) {
  RowState& base = s.rows[baseRow];
  if (isFinished(base)) return;
  int64_t columns = blanksAhead(*s.kernel, s.rows[lowerRow]);
  int64_t upper = blanksAhead(*s.kernel, s.rows[upperRow]);
  if (upper < columns) columns = upper;
  if (columns == 0 || !baseSpanOpen(s)) return;
  int64_t taken = writePlainRun(s, columns);
  for (int row : {lowerRow, upperRow}) {
    if (!isFinished(s.rows[row]) && taken > 0) {
      walkFrom(s.rows[row], s.rows[row].pos + taken);
      s.rows[row].piece = blankPiece;
    }
  }
  if (columns == endless) finishBaseAtItsEnd(base);
}

// Walks the three rows together, column by column.
void walkColumns(ConversionState& s) {
  while (unfinished(s)) {
    passOnHtml(s.html.text);
    writeBaseBesideBlanks(s);
    walkOneColumn(s);
    const RowState* r = s.rows;
    if (r[0].piece.kind == PieceKind::blank && r[1].piece.kind == PieceKind::blank &&
        r[2].piece.kind == PieceKind::blank && unfinished(s)) {
      s.html.text.bytes += ' ';
    }
  }
}

// A group whose lower and upper rows hold nothing but their prefixes: each
// column is the base row's alone, and a blank of the base row is a blank
// column.
void walkBaseOnly(ConversionState& s) {
  RowState& base = s.rows[baseRow];
  while (!isFinished(base)) {
    if (baseSpanOpen(s)) {
      writePlainRun(s, endless);
      finishBaseAtItsEnd(base);
      if (isFinished(base)) return;
    }
    walkBaseColumn(s);
    if (base.piece.kind == PieceKind::blank && !isFinished(base)) s.html.text.bytes += ' ';
  }
}

// A lower or upper row that holds only plain characters and spaces (no
// escape, no form feed), as the walk beside its marks reads it: column k is
// text[k - 1], and a blank after `length`. `next` is the column of its next
// character other than a space.
struct MarkRow {
  const Kernel* kernel = nullptr;
  const char* text = nullptr;
  int64_t start = 0;  // the row's position before its first column
  int64_t length = 0;
  int64_t next = endless;
  // For a row of up to 64 columns: bit k set where column k + 1 holds a
  // character other than a space.
  uint64_t marked = 0;
};

// The column of the row's first character other than a space after column `from`.
int64_t nextMark(const MarkRow& marks, int64_t from) {
  if (from >= marks.length) return endless;
  if (marks.length <= 64) {
    const uint64_t ahead = marks.marked & (~uint64_t{0} << from);
    return ahead == 0 ? endless : std::countr_zero(ahead) + 1;
  }
  auto size = static_cast<size_t>(marks.length - from);
  size_t spaces = leadingSpaces(*marks.kernel, marks.text + from, size);
  return spaces == size ? endless : from + static_cast<int64_t>(spaces) + 1;
}

// Reads a lower or upper row for the walk beside its marks; false for one
// the column walk must take.
bool readMarkRow(const Kernel& kernel, const RowState& row, MarkRow& marks) {
  if (row.phase == RowPhase::finishedWithBlank) return true;
  if (isFinished(row)) return false;
  marks.kernel = &kernel;
  marks.text = row.line.data() + row.pos;
  marks.start = row.pos;
  marks.length = static_cast<int64_t>(row.line.size()) - row.pos;
  if (marks.length <= 64) {
    // Most rows of marks are short: one block of the padded line tells all.
    const uint64_t inRow = marks.length == 64 ? ~uint64_t{0} : (uint64_t{1} << marks.length) - 1;
    uint64_t escapes = 0;
    marks.marked = kernel.markRow(marks.text, escapes) & inRow;
    if ((escapes & inRow) != 0) return false;
  } else if (holdsRunStop(kernel, marks.text, static_cast<size_t>(marks.length))) {
    return false;
  }
  marks.next = nextMark(marks, 0);
  return true;
}

// Writes `count` spaces, a window at a time.
void writeSpaces(HtmlText& text, int64_t count) {
  while (count > 0) {
    const auto n = static_cast<size_t>(std::min<int64_t>(count, 4096));
    std::memset(text.bytes.room(n), ' ', n);
    text.bytes.commit(n);
    passOnHtml(text);
    count -= static_cast<int64_t>(n);
  }
}

// The base row's next `columns` columns, the last of them one where the
// lower or upper row has a character; in the others they yield blanks and go
// on after them. The plain run takes what it can; each other column is the
// base row's piece, or a space where that is a blank. The base row's blank
// in the last column is not written.
void walkBaseToMark(ConversionState& s, int64_t columns) {
  RowState& base = s.rows[baseRow];
  while (columns > 0) {
    if (isFinished(base)) {
      if (base.phase == RowPhase::finishedWithBlank) writeSpaces(s.html.text, columns - 1);
      return;
    }
    if (baseSpanOpen(s)) {
      columns -= writePlainRun(s, columns);
      if (columns == 0) {
        if (base.piece.kind == PieceKind::blank) s.html.text.bytes.pop_back();  // the run wrote it as a space
        return;
      }
    }
    walkBaseColumn(s);
    --columns;
    if (base.piece.kind == PieceKind::blank && columns > 0) s.html.text.bytes += ' ';
  }
}

// A group whose lower and upper rows hold only plain characters and spaces:
// the walk goes from one of their characters to the next, the base row
// running plain in between, then the rest of the group is the base row's
// alone. Gives the same text as the column walk.
void walkBesideMarks(ConversionState& s, MarkRow (&marks)[2]) {
  constexpr int markRows[2] = {lowerRow, upperRow};
  int64_t column = 0;  // columns walked
  for (;;) {
    const int64_t next = std::min(marks[0].next, marks[1].next);
    if (next == endless) break;
    walkBaseToMark(s, next - column);
    passOnHtml(s.html.text);
    for (int k = 0; k < 2; ++k) {
      if (marks[k].next != next) continue;
      s.currentFont = s.html.spans.rowFont[markRows[k]];
      writePiece(s, markRows[k], static_cast<uint8_t>(marks[k].text[next - 1]));
      marks[k].next = nextMark(marks[k], next);
    }
    column = next;
  }
  // Only blanks are left beside the base row. Spaces left in a row still
  // count as columns when the base row ends first: the column walk sees to
  // that case.
  bool spacesLeft = false;
  for (int k = 0; k < 2; ++k) {
    RowState& row = s.rows[markRows[k]];
    if (isFinished(row)) continue;
    if (column < marks[k].length) {
      walkFrom(row, marks[k].start + column);
      row.blankEnd = 0;
      spacesLeft = true;
    } else {
      finishWithBlank(row);
    }
  }
  if (spacesLeft) {
    walkColumns(s);
  } else {
    walkBaseOnly(s);
  }
}

// Walks the columns of the group read last, then carries the line after it on.
void walkRowGroup(ConversionState& s) {
  MarkRow marks[2];
  if (s.rows[lowerRow].phase == RowPhase::finishedWithBlank && s.rows[upperRow].phase == RowPhase::finishedWithBlank) {
    walkBaseOnly(s);
  } else if (readMarkRow(*s.kernel, s.rows[lowerRow], marks[0]) && readMarkRow(*s.kernel, s.rows[upperRow], marks[1])) {
    walkBesideMarks(s, marks);
  } else {
    walkColumns(s);
  }
}

}  // namespace

void walkRowGroups(ConversionState& s, const std::function<void()>& onRowGroup) {
  s.groups = RowGroupReader{};
  s.report = ConversionReport{};
  s.groupsWalked = 0;
  while (groupFollows(s.lines)) {
    ++s.groupsWalked;
    if (onRowGroup) onRowGroup();
    passOnHtml(s.html.text);
    flushBreaks(s.html);
    startRows(s, readRowGroup(s.groups, s.lines));
    if (s.observer != nullptr) s.observer->rowGroup(s.rows);
    walkRowGroup(s);
  }
  finishRowGroups(s.groups, s.lines);
  s.report.lines = s.lines.lineCount;
  s.report.rowGroups = s.groups.rowGroups;
  s.report.passedOverLines = s.groups.passedOverLines;
  s.report.firstPassedOverLine = s.groups.firstPassedOverLine;
  s.report.firstLoneLfLine = s.lines.firstLoneLfLine;
}

void convertRowGroups(ConversionState& s, ByteSource& document, const std::function<void()>& onRowGroup) {
  startReading(s.lines, document);
  walkRowGroups(s, onRowGroup);
  finishHtml(s.html);
  drainSource(s.lines);
}

}  // namespace vantrel
