#include "convert/conversion.h"

#include <cstdint>
#include <cstring>

#include "charmap/map_file.h"
#include "convert/escape_codes.h"
#include "convert/plain_run.h"
#include "support/console/console.h"
#include "support/faults/faults.h"
#include "support/text/byte_scan.h"

namespace vantrel {

namespace {

constexpr char formFeed = '\f';

// Whether a row begins with "\\" and `marker` ("+" or "-").
bool beginsWith(std::string_view text, char marker) { return text.size() >= 2 && text[0] == '\\' && text[1] == marker; }

// Reads the lines of the next row group into the three rows.
void readRowGroup(ConversionState& s) {
  std::string_view& upper = s.rows[upperRow].line;
  std::string_view& base = s.rows[baseRow].line;
  std::string_view& lower = s.rows[lowerRow].line;
  // Lines before the next upper row are passed over; at the end of the
  // document the last line read stands as the upper row.
  while (!beginsWith(upper, '+')) {
    if (atEnd(s.lines)) break;
    upper = takeLine(s.lines);
  }
  base = takeLine(s.lines);
  // Of several upper rows in a row, the last one counts.
  while (beginsWith(base, '+')) {
    upper = base;
    base = takeLine(s.lines);
  }
  lower = takeLine(s.lines);
  if (beginsWith(lower, '-')) {
    s.carryLine = {};
  } else {
    s.carryLine = lower;
    lower = {};
  }
  for (RowState& row : s.rows) {
    row.pos = 0;
    row.blankAt = 0;
    row.blankEnd = 0;
  }
  // The prefixes "\+" and "\-" are escapes without effect that take no
  // column: step over them, and a row that holds nothing else yields its
  // blank from the start.
  for (RowState* row : {&s.rows[upperRow], &s.rows[lowerRow]}) {
    if (beginsWith(row->line, '+') || beginsWith(row->line, '-')) row->pos = 2;
    if (static_cast<int64_t>(row->line.size()) == row->pos) {
      row->pos = -1;
      row->piece = ' ';
    }
  }
}

// Byte at 1-based position `pos` of the row, as the walk reads it.
int charAt(const RowState& row, int64_t pos) {
  if (pos == row.blankAt) return ' ';
  return static_cast<unsigned char>(row.line[static_cast<size_t>(pos - 1)]);
}

// Takes the row's next piece: a character, the replacement of an escape,
// a blank once the row is finished, or nothing after a form feed. An escape
// with an empty replacement takes no column: the next character is taken.
void takePiece(ConversionState& s, RowState& row, HtmlText& result) {
  const auto length = static_cast<int64_t>(row.line.size());
  do {
    if (row.pos > -1) {
      if (length > row.pos) {
        ++row.pos;
      } else {
        row.pos = -1;
        row.piece = ' ';
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
        if (length <= row.pos || charAt(row, row.pos + 1) == formFeed) {
          row.piece = ' ';
          row.pos = -1;
        }
      } else if (escape == '[') {
        // The backslash and the "[" become two blank columns.
        row.blankAt = row.pos;
        --row.pos;
        row.piece = ' ';
      }
      if (row.pos > 0) {
        std::string_view replacement;
        decodeEscape(static_cast<uint8_t>(row.piece), result, replacement, s.currentFont);
        row.piece = replacement.empty() ? noPiece : static_cast<unsigned char>(replacement[0]);
      }
    } else if (c == formFeed) {
      rulePending = 1;
      row.piece = noPiece;
      row.pos = -1;
    }
  } while (row.pos > -1 && row.piece == noPiece);
}

// Writes the row's piece in the current font, wrapped for its row.
void emitPiece(ConversionState& s, int row, HtmlText& result) {
  const RowState& state = s.rows[row];
  if (state.pos <= 0 || state.piece == noPiece || state.piece == ' ') return;
  const Utf8Bytes* page = s.fontLanes[s.currentFont].entries;
  if (page == nullptr) page = pageOfFont(s.charMap, s.pages, s.currentFont);  // reports the bad page
  const Utf8Bytes& text = page[state.piece];
  if (s.currentFont != s.spans.openFont) switchSpan(s.spans, s.currentFont, row, result);
  char* out = result.bytes.room(4 + 11);
  size_t length = 0;
  if (row != baseRow) {
    std::memcpy(out, row == lowerRow ? "<sub>" : "<sup>", 5);
    length = 5;
  }
  std::memcpy(out + length, text.bytes, 4);
  length += text.length;
  if (row != baseRow) {
    std::memcpy(out + length, row == lowerRow ? "</sub>" : "</sup>", 6);
    length += 6;
  }
  result.bytes.commit(length);
}

bool unfinished(const ConversionState& s) { return s.rows[0].pos > -1 || s.rows[1].pos > -1 || s.rows[2].pos > -1; }

constexpr int64_t endless = INT64_MAX;

// How many of the next columns the lower or upper row yields a plain blank
// in, while the base row goes on: endless for a row finished with a blank,
// none for one finished by a form feed, else the spaces ahead of it. The end
// of the run is kept, so that no space is counted twice however often the
// walk asks.
int64_t blanksAhead(RowState& row) {
  if (row.pos < 0) return row.piece == ' ' ? endless : 0;
  // A row whose characters are all taken finishes with a blank at its next
  // take; with the base row going on, finishing it now changes nothing.
  if (row.pos == static_cast<int64_t>(row.line.size())) {
    row.pos = -1;
    row.piece = ' ';
    return endless;
  }
  if (row.blankEnd <= row.pos) {
    size_t spaces = leadingSpaces(row.line.data() + row.pos, row.line.size() - static_cast<size_t>(row.pos));
    row.blankEnd = row.pos + static_cast<int64_t>(spaces) + 1;
  }
  return row.blankEnd - 1 - row.pos;
}

// While the lower and upper rows only yield blanks, each column is one base
// character: the fast lane writes them, and the blank rows move along.
void runBaseAlone(ConversionState& s, HtmlText& result) {
  RowState& base = s.rows[baseRow];
  uint8_t font = s.spans.rowFont[baseRow];
  if (base.pos < 0 || s.spans.openFont != font) return;
  int64_t columns = blanksAhead(s.rows[lowerRow]);
  int64_t upper = blanksAhead(s.rows[upperRow]);
  if (upper < columns) columns = upper;
  if (columns == 0) return;
  int64_t taken = writePlainRun(s, columns, result);
  for (int row : {lowerRow, upperRow}) {
    if (s.rows[row].pos >= 0 && taken > 0) {
      s.rows[row].pos += taken;
      s.rows[row].piece = ' ';
    }
  }
  // At the end of the base row with the other rows finished, the next
  // column would only finish the base row: the walk is over.
  if (base.pos == static_cast<int64_t>(base.line.size()) && columns == endless) {
    base.pos = -1;
    base.piece = ' ';
  }
}

// Walks the three rows together, column by column: in each column the base,
// the lower and the upper row in turn.
void walkColumns(ConversionState& s, HtmlText& result) {
  while (unfinished(s)) {
    passOnHtml(result);
    runBaseAlone(s, result);
    for (int row : {baseRow, lowerRow, upperRow}) {
      if (s.rows[row].pos < 0) continue;  // a finished row keeps its piece and writes nothing
      s.currentFont = s.spans.rowFont[row];
      takePiece(s, s.rows[row], result);
      emitPiece(s, row, result);
    }
    const RowState* r = s.rows;
    if (r[0].piece == ' ' && r[1].piece == ' ' && r[2].piece == ' ' && unfinished(s)) result.bytes += ' ';
  }
}

// The common group: the lower and upper rows hold nothing but their
// prefixes, so each column is the base row's alone, and a blank of the base
// row is a blank column.
void walkBaseAlone(ConversionState& s, HtmlText& result) {
  RowState& base = s.rows[baseRow];
  while (base.pos > -1) {
    if (s.spans.openFont == s.spans.rowFont[baseRow]) {
      writePlainRun(s, endless, result);
      // The column after the row's last character would only finish the row.
      if (base.pos == static_cast<int64_t>(base.line.size())) {
        base.pos = -1;
        base.piece = ' ';
        return;
      }
    }
    passOnHtml(result);
    s.currentFont = s.spans.rowFont[baseRow];
    takePiece(s, base, result);
    emitPiece(s, baseRow, result);
    if (base.piece == ' ' && base.pos > -1) result.bytes += ' ';
  }
}

bool finishedWithBlank(const RowState& row) { return row.pos == -1 && row.piece == ' '; }

// Walks the columns of the group read last, then carries the line after it on.
void walkRowGroup(ConversionState& s, HtmlText& result) {
  if (finishedWithBlank(s.rows[lowerRow]) && finishedWithBlank(s.rows[upperRow])) {
    walkBaseAlone(s, result);
  } else {
    walkColumns(s, result);
  }
  s.rows[upperRow].line = s.carryLine;
}

// Sets up the working record for `map`: the pages encoded once, the lanes of the fonts.
void prepareConversion(ConversionState& s, const CharMap& map) {
  s.charMap = map;
  encodePages(s.charMap, s.pages);
  for (int font = 0; font < fontCount; ++font) {
    int32_t page = s.charMap.fontPage[font];
    if (page >= 0 && page < pageCount) {
      s.fontLanes[font] = {s.pages.lane[page], s.pages.asciiIdentity[page], s.pages.entries[page]};
    }
  }
}

}  // namespace

void convertRowGroups(const TextBlock& document, const CharMap& map, HtmlText& result) {
  ConversionState s;
  prepareConversion(s, map);
  s.lines = firstLine(document);
  while (!atEnd(s.lines)) {
    // One progress dot per group, shown at once on a terminal.
    writeChar('.');
    flushOutput();
    checkIo();
    passOnHtml(result);
    flushBreaks(s.spans, result);
    readRowGroup(s);
    walkRowGroup(s, result);
  }
  finishHtml(s.spans, result);
}

void convertDocument(const TextBlock& document, HtmlText& result) {
  CharMap map;
  loadCharMap(map);
  // Without an output file to pass the text on to, it all stays in memory:
  // most documents grow a little in UTF-8. The room is only reserved, so
  // what is not written costs no memory.
  beginHtml(result, document.size + document.size / 2 + 4096);
  convertRowGroups(document, map, result);
  writeLine();
  checkIo();
}

}  // namespace vantrel
