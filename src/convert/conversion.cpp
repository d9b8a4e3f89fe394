#include "convert/conversion.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>
#include <thread>

#include "convert/escape_codes.h"
#include "convert/parted_conversion.h"
#include "convert/plain_run.h"
#include "convert/wide_page_copy.h"
#include "support/text/byte_scan.h"

namespace vantrel {

namespace {

constexpr char formFeed = '\f';

// Whether a row begins with "\\" and `marker` ("+" or "-").
bool beginsWith(std::string_view text, char marker) { return text.size() >= 2 && text[0] == '\\' && text[1] == marker; }

// A line dropped outside any row group: counted for the report when it held text.
void passOver(ConversionState& s, const LineSpan& line) {
  if (line.length == 0) return;
  if (s.report.passedOverLines++ == 0) s.report.firstPassedOverLine = line.number;
}

// Reads the lines of the next row group into the three rows.
void readRowGroup(ConversionState& s) {
  LineReader& reader = s.lines;
  LineSpan upper = s.carryLine;
  // Lines before the next upper row are passed over; at the end of the
  // document the last line read stands as the upper row.
  keepLinesFrom(reader, upper.start);
  while (!beginsWith(lineText(reader, upper), '+')) {
    if (atEnd(reader)) break;
    passOver(s, upper);
    upper = takeLine(reader);
    keepLinesFrom(reader, upper.start);
  }
  if (beginsWith(lineText(reader, upper), '+')) ++s.report.rowGroups;
  LineSpan base = takeLine(reader);
  // Of several upper rows in a row, the last one counts.
  while (beginsWith(lineText(reader, base), '+')) {
    if (upper.length > 2) passOver(s, upper);
    upper = base;
    keepLinesFrom(reader, upper.start);
    base = takeLine(reader);
  }
  LineSpan lower = takeLine(reader);
  if (beginsWith(lineText(reader, lower), '-')) {
    s.carryLine = LineSpan{lower.start + lower.length, 0, 0};
  } else {
    s.carryLine = lower;
    lower = LineSpan{lower.start, 0, 0};
  }
  s.rowLineNumber[upperRow] = static_cast<uint64_t>(upper.number);
  s.rowLineNumber[baseRow] = static_cast<uint64_t>(base.number);
  s.rowLineNumber[lowerRow] = static_cast<uint64_t>(lower.number);
  s.rowReported[upperRow] = s.rowReported[baseRow] = s.rowReported[lowerRow] = false;
  // Nothing more is read while the group is walked: the views stay valid.
  s.rows[upperRow].line = lineText(reader, upper);
  s.rows[baseRow].line = lineText(reader, base);
  s.rows[lowerRow].line = lineText(reader, lower);
  for (RowState& row : s.rows) {
    row.pos = notStarted;
    row.blankAt = 0;
    row.blankEnd = 0;
  }
  // The prefixes "\+" and "\-" are escapes without effect that take no
  // column: step over them, and a row that holds nothing else yields its
  // blank from the start.
  for (RowState* row : {&s.rows[upperRow], &s.rows[lowerRow]}) {
    if (beginsWith(row->line, '+') || beginsWith(row->line, '-')) row->pos = 2;
    if (static_cast<int64_t>(row->line.size()) == row->pos) finishWithBlank(*row);
  }
}

// Byte at 1-based position `pos` of the row, as the walk reads it.
int charAt(const RowState& row, int64_t pos) {
  if (pos == row.blankAt) return ' ';
  return static_cast<unsigned char>(row.line[static_cast<size_t>(pos - 1)]);
}

// Applies an escape met in the column walk; gives the piece it leaves in
// the column (noPiece for one that takes no column).
int applyEscape(ConversionState& s, Escape escape) {
  switch (escape.kind) {
    case EscapeKind::character:
      return escape.value;
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
  return noPiece;
}

// The row's next byte when it is an ordinary character (not a backslash,
// a form feed or the blank of a "\["), else noPiece.
int ordinaryNext(const RowState& row) {
  if (row.pos < 0 || row.pos >= static_cast<int64_t>(row.line.size()) || row.pos + 1 == row.blankAt) return noPiece;
  auto c = static_cast<unsigned char>(row.line[static_cast<size_t>(row.pos)]);
  return c == '\\' || c == formFeed ? noPiece : c;
}

// Takes the row's next piece: a character, the replacement of an escape,
// a blank once the row is finished, or nothing after a form feed. An escape
// with no replacement takes no column: the next character is taken.
void takePiece(ConversionState& s, RowState& row) {
  const auto length = static_cast<int64_t>(row.line.size());
  // The common piece: the next byte is an ordinary character.
  if (int c = ordinaryNext(row); c != noPiece) {
    ++row.pos;
    row.piece = c;
    return;
  }
  do {
    if (!isFinished(row)) {
      if (length > row.pos) {
        ++row.pos;
      } else {
        finishWithBlank(row);
      }
    }
    if (row.pos <= 0) continue;
    int c = charAt(row, row.pos);
    row.piece = c;
    if (c == '\\') {
      ++row.pos;
      if (row.pos > length) {
        row.piece = noPiece;  // a lone backslash ends the row: it yields nothing
        continue;
      }
      int escape = charAt(row, row.pos);
      row.piece = escape;
      if (escape == '/') {
        // A "/" at the end of the row or before a form feed ends the row without a rule.
        if (length <= row.pos || charAt(row, row.pos + 1) == formFeed) finishWithBlank(row);
      } else if (escape == '[') {
        // The backslash and the "[" become two blank columns.
        row.blankAt = row.pos;
        --row.pos;
        row.piece = ' ';
      }
      if (row.pos > 0) row.piece = applyEscape(s, decodeEscape(static_cast<uint8_t>(row.piece)));
    } else if (c == formFeed) {
      s.html.rulePending = 1;
      row.piece = noPiece;
      row.pos = finished;
    }
  } while (!isFinished(row) && row.piece == noPiece);
}

// For the markup scan: notes the row's line once if the code's entry holds
// a raw "<" or "&". Out of line: only the markup scan comes here.
[[gnu::noinline, gnu::cold]] void noteRawMarkup(ConversionState& s, int row, EncodedChar code) {
  char bytes[4];
  putEncoded(bytes, code);
  std::string_view entry(bytes, encodedLength(code));
  if (s.rowReported[row] || entry.find_first_of("<&") == std::string_view::npos) return;
  s.rowReported[row] = true;
  RawMarkupRows& scan = *s.markupScan;
  const uint64_t line = s.rowLineNumber[row];
  if (scan.count == 0 || line < scan.firstLine) scan.firstLine = line;
  ++scan.count;
}

// Writes the character `piece` of the row in the current font, wrapped for its row.
void writePiece(ConversionState& s, int row, int piece) {
  const EncodedChar* page = s.fontPages[s.currentFont].codes;
  if (page == nullptr) page = pageOfFont(s.charMap, s.pages, s.currentFont);  // reports the bad page
  const EncodedChar code = page[piece];
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
    if (s.markupScan != nullptr) noteRawMarkup(s, row, code);
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
  if (state.pos <= 0 || state.piece == noPiece || state.piece == ' ') return;
  writePiece(s, row, state.piece);
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
int64_t blanksAhead(RowState& row) {
  if (isFinished(row)) return row.piece == ' ' ? endless : 0;
  // A row whose characters are all taken finishes with a blank at its next
  // take; with the base row going on, finishing it now changes nothing.
  if (row.pos == static_cast<int64_t>(row.line.size())) {
    finishWithBlank(row);
    return endless;
  }
  if (row.blankEnd <= row.pos) {
    size_t spaces = leadingSpaces(row.line.data() + row.pos, row.line.size() - static_cast<size_t>(row.pos));
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
  const int c = ordinaryNext(s.rows[baseRow]);
  if (c == noPiece || c == ' ' || s.fontPages[font].codes == nullptr) return false;
  switchSpan(s.html, font, baseRow);
  return true;
}

// While the lower and upper rows only yield blanks, each column is one base
// character: the plain run writes them, and the blank rows move along.
void writeBaseBesideBlanks(ConversionState& s) {
  RowState& base = s.rows[baseRow];
  if (isFinished(base)) return;
  int64_t columns = blanksAhead(s.rows[lowerRow]);
  int64_t upper = blanksAhead(s.rows[upperRow]);
  if (upper < columns) columns = upper;
  if (columns == 0 || !baseSpanOpen(s)) return;
  int64_t taken = writePlainRun(s, columns);
  for (int row : {lowerRow, upperRow}) {
    if (!isFinished(s.rows[row]) && taken > 0) {
      s.rows[row].pos += taken;
      s.rows[row].piece = ' ';
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
    if (r[0].piece == ' ' && r[1].piece == ' ' && r[2].piece == ' ' && unfinished(s)) s.html.text.bytes += ' ';
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
    if (base.piece == ' ' && !isFinished(base)) s.html.text.bytes += ' ';
  }
}

// A lower or upper row that holds only plain characters and spaces (no
// escape, no form feed), as the walk beside its marks reads it: column k is
// text[k - 1], and a blank after `length`. `next` is the column of its next
// character other than a space.
struct MarkRow {
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
  size_t spaces = leadingSpaces(marks.text + from, size);
  return spaces == size ? endless : from + static_cast<int64_t>(spaces) + 1;
}

// Reads a lower or upper row for the walk beside its marks; false for one
// the column walk must take.
bool readMarkRow(const RowState& row, MarkRow& marks) {
  if (finishedWithBlank(row)) return true;
  if (row.pos < 0) return false;
  marks.text = row.line.data() + row.pos;
  marks.start = row.pos;
  marks.length = static_cast<int64_t>(row.line.size()) - row.pos;
  if (marks.length <= 64) {
    // Most rows of marks are short: one block of the padded line tells all.
    const uint64_t inRow = marks.length == 64 ? ~uint64_t{0} : (uint64_t{1} << marks.length) - 1;
    uint64_t escapes = 0;
    marks.marked = nonSpaceMask64(marks.text, escapes) & inRow;
    if ((escapes & inRow) != 0) return false;
  } else if (holdsBackslashOrFormFeed(marks.text, static_cast<size_t>(marks.length))) {
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
      if (base.piece == ' ') writeSpaces(s.html.text, columns - 1);
      return;
    }
    if (baseSpanOpen(s)) {
      columns -= writePlainRun(s, columns);
      if (columns == 0) {
        if (base.piece == ' ') s.html.text.bytes.pop_back();  // the run wrote it as a space
        return;
      }
    }
    walkBaseColumn(s);
    --columns;
    if (base.piece == ' ' && columns > 0) s.html.text.bytes += ' ';
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
      writePiece(s, markRows[k], static_cast<unsigned char>(marks[k].text[next - 1]));
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
      row.pos = marks[k].start + column;
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
  if (finishedWithBlank(s.rows[lowerRow]) && finishedWithBlank(s.rows[upperRow])) {
    walkBaseOnly(s);
  } else if (readMarkRow(s.rows[lowerRow], marks[0]) && readMarkRow(s.rows[upperRow], marks[1])) {
    walkBesideMarks(s, marks);
  } else {
    walkColumns(s);
  }
}

}  // namespace

std::string standaloneHead(std::string_view title) {
  std::string head = "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>";
  for (char c : title) {
    std::string_view entity = markupEntity(c);
    if (entity.empty()) {
      head += c;
    } else {
      head += entity;
    }
  }
  head += "</title>\n</head>\n<body>\n";
  return head;
}

void prepareConversion(ConversionState& s, const MapFile& map, const ConversionOptions& options) {
  s.charMap = map.map;
  s.html.HtmlHead = options.standalone && map.header.empty() ? standaloneHead(options.title) : map.header;
  s.html.HtmlHead += initialHtmlHead;
  s.html.text.entitiesWhole = options.escapeMarkup;
  encodePages(s.charMap, s.pages, options.escapeMarkup);
  for (int font = 0; font < fontCount; ++font) {
    int32_t page = s.charMap.fontPage[font];
    if (page >= 0 && page < pageCount) {
      s.fontPages[font] = {s.pages.codes[page], &s.pages.planes[page], s.pages.asciiIdentity[page]};
    }
  }
  s.wideVectors = wideVectorsUsable();
  s.lines.wideVectors = s.wideVectors;
}

void walkRowGroups(ConversionState& s, const std::function<void()>& onRowGroup) {
  s.carryLine = LineSpan{};
  s.report = ConversionReport{};
  s.groupsWalked = 0;
  while (!atEnd(s.lines)) {
    ++s.groupsWalked;
    if (onRowGroup) onRowGroup();
    passOnHtml(s.html.text);
    flushBreaks(s.html);
    readRowGroup(s);
    walkRowGroup(s);
  }
  // A line carried after the last group is dropped; one that begins an
  // upper row counts as an empty group's.
  if (!beginsWith(lineText(s.lines, s.carryLine), '+')) passOver(s, s.carryLine);
  s.report.lines = s.lines.lineCount;
  s.report.firstLoneLfLine = s.lines.firstLoneLfLine;
}

void convertRowGroups(ConversionState& s, ByteSource& document, const std::function<void()>& onRowGroup) {
  startReading(s.lines, document);
  walkRowGroups(s, onRowGroup);
  finishHtml(s.html);
  drainSource(s.lines);
}

ConversionReport convertDocument(ByteSource& document, const MapFile& map, HtmlSink& output,
                                 const std::function<void()>& onRowGroup, const ConversionOptions& options) {
  auto s = std::make_unique<ConversionState>();
  prepareConversion(*s, map, options);
  beginHtml(s->html, &output);
  PartPlan plan;
  plan.threads = options.threads != 0 ? options.threads : std::min(2u, std::thread::hardware_concurrency());
  if (plan.threads > 1) {
    convertInParts(*s, map, options, document, onRowGroup, plan);
  } else {
    convertRowGroups(*s, document, onRowGroup);
  }
  passOnAll(s->html.text);
  return s->report;
}

namespace {

// Takes the text and keeps nothing: a scan needs no output. Bytes asked
// back are blanks, as their text does not matter to the scan.
class DiscardSink : public HtmlSink {
 public:
  void write(const char*, size_t) override {}
  size_t takeBack(char* into, size_t count) override {
    std::memset(into, ' ', count);
    return count;
  }
};

}  // namespace

RawMarkupRows findRawMarkupRows(ByteSource& document, const MapFile& map) {
  RawMarkupRows scan;
  auto s = std::make_unique<ConversionState>();
  ConversionOptions options;
  options.escapeMarkup = true;  // so that every such character goes through the walk's note
  prepareConversion(*s, map, options);
  s->markupScan = &scan;
  DiscardSink sink;
  beginHtml(s->html, &sink);
  convertRowGroups(*s, document, {});
  return scan;
}

std::string convertText(std::string_view document, const MapFile& map, const ConversionOptions& options) {
  MemorySource source(document);
  MemorySink sink;
  convertDocument(source, map, sink, {}, options);
  sink.finish();
  return std::move(sink.text);
}

}  // namespace vantrel
