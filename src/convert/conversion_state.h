#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "convert/encoded_map.h"
#include "convert/html_writer.h"
#include "convert/row_groups.h"
#include "kernels/kernel.h"
#include "support/text/line_reader.h"
#include "vantrel/vantrel.h"

namespace vantrel {

// How the converter reads a document.
//
// Each printed line is a row group (row_groups.h): an upper row
// (superscripts, after "\+"), the base row and a lower row (subscripts,
// after "\-"). The rows of a group are walked together, column by column:
// in each column the base, the lower and the upper row each take one piece.
// A piece is what a row yields in a column: a character, the character an
// escape stands for ("\\", "\ ", "\/"), or a blank. Escapes that stand for
// no character (fonts, "\,", "\A", unknown codes) take no column. A row
// whose text is used up yields a blank in every later column, and a form
// feed ends its row yielding nothing (and asks for a rule). A column in
// which all three rows yield a blank is written as one space; a blank is
// never written otherwise.
//
// The common case is a base row beside lower and upper rows that yield
// blanks: then each column is one base character, and the plain run
// (plain_run.h) writes such characters many at a time, until something the
// column walk must see to (an escape other than a font or "\,", a form feed,
// a "\[") or the end of the run of blanks beside it.

// Row indexes: each printed line is a group of a lower, a base and an upper row.
enum Row : int { lowerRow = 0, baseRow = 1, upperRow = 2 };

// Where a row stands in the walk of its group (the finished phases last).
enum class RowPhase : uint8_t {
  notStarted,         // no character taken yet
  walking,            // `pos` is the position of the last character taken
  finishedWithBlank,  // the text is used up: a blank in every later column
  endedByFormFeed,    // a form feed ended it: nothing in every later column
};

// What a row yields in the current column.
enum class PieceKind : uint8_t { nothing, blank, character };
struct Piece {
  PieceKind kind = PieceKind::nothing;
  uint8_t byte = 0;  // the character
};
inline constexpr Piece blankPiece{PieceKind::blank, ' '};

// The piece of a byte the row yields as it stands: a space is a blank.
inline Piece pieceOf(uint8_t byte) { return byte == ' ' ? blankPiece : Piece{PieceKind::character, byte}; }

// One row of the current group as the column walk takes it.
struct RowState {
  std::string_view line;
  RowPhase phase = RowPhase::notStarted;
  int64_t pos = 0;  // 1-based position of the last character taken, while walking
  Piece piece;
  int64_t blankAt = 0;     // after "\[": the position of the "[", which now reads as a blank
  int64_t blankEnd = 0;    // known end of a run of spaces: position of its first non-space
  int64_t lineNumber = 0;  // the row's line, from 1 (0: no line)
  int index = 0;           // lowerRow, baseRow or upperRow
};

inline bool isFinished(const RowState& row) { return row.phase >= RowPhase::finishedWithBlank; }
// The row is done: it yields a blank in every column from now on.
inline void finishWithBlank(RowState& row) {
  row.phase = RowPhase::finishedWithBlank;
  row.piece = blankPiece;
}
// The characters up to position `pos` are taken: the row is walked from there.
inline void walkFrom(RowState& row, int64_t pos) {
  row.phase = pos > 0 ? RowPhase::walking : RowPhase::notStarted;
  row.pos = pos;
}
// The next character is taken.
inline void takeNext(RowState& row) {
  row.phase = RowPhase::walking;
  ++row.pos;
}

// What a scan beside a conversion is shown (--check): each row group the
// walk reads, and each character it writes as escaped mark-up. Called on
// the converting thread; a conversion with an observer runs on one.
class ConversionObserver {
 public:
  virtual ~ConversionObserver() = default;
  // The group's rows (lower, base, upper), with their line numbers (0: no line).
  virtual void rowGroup(const RowState (&rows)[3]) = 0;
  // A character of the row whose entry, `entry`, holds mark-up, written as
  // entities.
  virtual void escapedMarkup(const RowState& row, std::string_view entry) = 0;
};

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
  RowGroupReader groups;
  ConversionReport report;
  int64_t groupsWalked = 0;  // by walkRowGroups: one for each call of its onRowGroup
  ConversionObserver* observer = nullptr;
};

// Sets the state up for a conversion with `map` and `kernel`: the pages
// encoded (with mark-up escaped if the options ask; pages the state holds
// for the same map and escaping are used again), and the map's header
// lines, or the standalone HTML5 head, in front of the head.
void prepareConversion(ConversionState& s, const MapFile& map, const ConversionOptions& options = {},
                       const Kernel& kernel = processKernel());

// The same with pages encoded already (shared, read only).
void prepareConversion(ConversionState& s, std::shared_ptr<const EncodedMap> encoded, const std::string& header,
                       const ConversionOptions& options, const Kernel& kernel);

// The HTML5 head that a standalone text opens with, up to <body>: the
// title, and the built-in stylesheet (empty `stylesheet`) or a link to it.
std::string standaloneHead(std::string_view title, std::string_view stylesheet = {});

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
