#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

#include "charmap/char_map.h"
#include "convert/encoded_map.h"
#include "convert/html_writer.h"
#include "kernels/kernel.h"
#include "support/text/line_reader.h"
#include "vantrel/vantrel.h"

namespace vantrel {

// How the converter reads a document.
//
// Each printed line is a row group: an upper row (superscripts, after "\+"),
// the base row and a lower row (subscripts, after "\-"). The rows of a group
// are walked together, column by column: in each column the base, the lower
// and the upper row each take one piece. A piece is what a row yields in a
// column: a character, the character an escape stands for ("\\", "\ ",
// "\/"), or a blank. Escapes that stand for no character (fonts, "\,",
// "\A", unknown codes) take no column. A row whose text is used up yields a
// blank in every later column, and a form feed ends its row yielding nothing
// (and asks for a rule). A column in which all three rows yield a blank is
// written as one space; a blank is never written otherwise.
//
// The common case is a base row beside lower and upper rows that yield
// blanks: then each column is one base character, and the plain run
// (plain_run.h) writes such characters many at a time, until something the
// column walk must see to (an escape other than a font or "\,", a form feed,
// a "\[") or the end of the run of blanks beside it.

// Row indexes: each printed line is a group of a lower, a base and an upper row.
enum Row : int { lowerRow = 0, baseRow = 1, upperRow = 2 };

// A row's piece in the current column: nothing, or the byte it yields (" "
// being a blank, which is never written by itself).
inline constexpr int noPiece = -1;

// Row positions: before the first character, and finished (the row only
// yields its last piece from now on).
inline constexpr int64_t notStarted = 0;
inline constexpr int64_t finished = -1;

// One row of the current group as the column walk takes it.
struct RowState {
  std::string_view line;
  int64_t pos = notStarted;  // last position taken (1-based), or notStarted / finished
  int piece = noPiece;
  int64_t blankAt = 0;   // after "\[": the position of the "[", which now reads as a blank
  int64_t blankEnd = 0;  // known end of a run of spaces: position of its first non-space
};

inline bool isFinished(const RowState& row) { return row.pos < 0; }
inline bool finishedWithBlank(const RowState& row) { return row.pos == finished && row.piece == ' '; }
// The row is done: it yields a blank in every column from now on.
inline void finishWithBlank(RowState& row) {
  row.pos = finished;
  row.piece = ' ';
}

// Everything one conversion works with. The caller owns it; nothing of a
// conversion lives anywhere else. The rows are views of the reader's lines.
struct ConversionState {
  // The map's encoded pages, shared with every other conversion of the map.
  std::shared_ptr<const EncodedMap> encoded;
  const EncodedMap* map = nullptr;  // encoded.get()
  const Kernel* kernel = nullptr;
  RowState rows[3];
  uint8_t currentFont = 1;
  HtmlWriter html;
  LineReader lines;
  LineSpan carryLine;  // line read after the base row that was no lower row
  ConversionReport report;
  int64_t groupsWalked = 0;  // by walkRowGroups: one for each call of its onRowGroup
  // Line numbers (1-based) for the markup scan: each row's, and whether a
  // row was counted already.
  uint64_t rowLineNumber[3] = {};
  bool rowReported[3] = {};
  RawMarkupRows* markupScan = nullptr;  // set: the rows yielding raw mark-up are counted
};

// Sets the state up for a conversion with `map` and `kernel`: the pages
// encoded (with mark-up escaped if the options ask), the map's header
// lines, or the standalone HTML5 head, in front of the head.
void prepareConversion(ConversionState& s, const MapFile& map, const ConversionOptions& options = {},
                       const Kernel& kernel = processKernel());

// The minimal HTML5 head that a standalone text opens with, up to <body>.
std::string standaloneHead(std::string_view title);

// Converts the row groups read from `document` into `s.html` (begun with
// beginHtml), calling `onRowGroup` before each, then the closing step.
void convertRowGroups(ConversionState& s, ByteSource& document, const std::function<void()>& onRowGroup);

// Converts the row groups of what `s.lines` reads, from the first line to
// the end of the text, into `s.html`, calling `onRowGroup` before each: no
// closing step. `s.report` tells what was read.
void walkRowGroups(ConversionState& s, const std::function<void()>& onRowGroup);

// convertDocument with `kernel` instead of the process's own.
ConversionReport convertWithKernel(const Kernel& kernel, ByteSource& document, const MapFile& map, HtmlSink& output,
                                   const std::function<void()>& onRowGroup, const ConversionOptions& options);

// All that one row group leaves to the next: the spans and the pending
// breaks. A part of a document that begins with a row group converts the
// same from the same boundary state.
struct BoundaryState {
  SpanState spans;
  uint8_t paragraphPending = 0;
  uint8_t rulePending = 0;
  bool operator==(const BoundaryState&) const = default;
};

inline BoundaryState boundaryOf(const HtmlWriter& html) {
  return {html.spans, html.paragraphPending, html.rulePending};
}
inline void setBoundary(HtmlWriter& html, const BoundaryState& state) {
  html.spans = state.spans;
  html.paragraphPending = state.paragraphPending;
  html.rulePending = state.rulePending;
}

}  // namespace vantrel
