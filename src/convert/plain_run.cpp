#include "convert/plain_run.h"

#include <algorithm>
#include <cstring>

#include "convert/escape_codes.h"

namespace vantrel {

namespace {

// Input bytes handled between two requests for output room. A byte gives at
// most four bytes of output, and an escape taken in passing at most a span
// switch and a character (35 bytes) for its three bytes.
constexpr size_t chunkSize = 8192;
constexpr size_t outputPerByte = 12;
static_assert(3 * outputPerByte >= longestSpanSwitch + 4);
constexpr size_t outputSlack = 64;  // also covers a vector store past the last byte

// Where a plain run stands while it goes: the next byte of the base row, the
// bytes it may take, and the escape bytes taken in passing (no column).
struct PlainRun {
  const char* text;
  size_t i;
  size_t limit;
  size_t stopAt;  // the end of what the run may ever take
  size_t escapeBytes = 0;
};

// An escape that takes no column, taken in passing: its two bytes do not
// count against the run's columns.
void stepOverEscape(PlainRun& run) {
  run.i += 2;
  run.escapeBytes += 2;
  run.limit = std::min(run.stopAt, run.limit + 2);
}

// Tries to take the escape at the backslash `run.i`: "\," and a font escape
// followed by a plain character. Returns false for anything the column walk
// must see to. `out` is the output's write position, in the room asked for
// the run.
bool takeEscapeInPassing(ConversionState& s, PlainRun& run, char*& out) {
  const RowState& base = s.rows[baseRow];
  if (run.i + 1 >= run.stopAt) return false;
  Escape escape = decodeEscape(static_cast<unsigned char>(run.text[run.i + 1]));
  if (escape.kind == EscapeKind::paragraph) {
    s.html.paragraphPending = 1;
    stepOverEscape(run);
    return true;
  }
  if (escape.kind != EscapeKind::font) return false;
  if (run.i + 2 == base.line.size()) {
    // A font escape that ends the row changes nothing: no character follows.
    stepOverEscape(run);
    return true;
  }
  if (run.i + 2 >= run.stopAt) return false;
  auto next = static_cast<unsigned char>(run.text[run.i + 2]);
  const EncodedPage* page = s.map->fontPages[escape.value];
  // The font must outlast the column: a blank or a code the walk must see
  // to would leave the decision to it.
  if (page == nullptr || next == ' ' || (page->codes[next] & endsPlainRun) != 0) return false;
  out = putSpanSwitch(s.html.spans, escape.value, baseRow, out);
  putEncoded(out, page->codes[next]);
  out += encodedLength(page->codes[next]);
  stepOverEscape(run);
  ++run.i;
  return true;
}

}  // namespace

int64_t writePlainRun(ConversionState& s, int64_t maxColumns) {
  RowState& base = s.rows[baseRow];
  const size_t first = static_cast<size_t>(base.pos);
  // The "[" of a "\[" reads as a blank: the walk takes it.
  const size_t stopAt = base.blankAt > base.pos ? static_cast<size_t>(base.blankAt - 1) : base.line.size();
  if (s.map->fontPages[s.html.spans.rowFont[baseRow]] == nullptr || first >= stopAt) return 0;
  // Each character is one column, and the two bytes of an escape taken in
  // passing none: the bytes the run may take grow by two for each of them.
  size_t limit = static_cast<uint64_t>(maxColumns) < stopAt - first ? first + static_cast<size_t>(maxColumns) : stopAt;
  PlainRun run{base.line.data(), first, limit, stopAt};
  ByteText& bytes = s.html.text.bytes;
  bool stopped = false;
  while (!stopped && run.i < run.limit) {
    passOnHtml(s.html.text);
    size_t end = run.limit - run.i < chunkSize ? run.limit : run.i + chunkSize;
    char* start = bytes.room((end - run.i) * outputPerByte + outputSlack);
    char* out = start;
    while (run.i < end) {
      const EncodedPage& page = *s.map->fontPages[s.html.spans.rowFont[baseRow]];
      run.i = s.kernel->copyPlain(run.text, run.i, end, page, out);
      if (run.i >= end) break;
      // A run stop, or an escaped entry.
      if (run.text[run.i] != '\\' || !takeEscapeInPassing(s, run, out)) {
        stopped = true;
        break;
      }
    }
    bytes.commit(static_cast<size_t>(out - start));
  }
  if (run.i > first) {
    walkFrom(base, static_cast<int64_t>(run.i));
    base.piece = pieceOf(static_cast<uint8_t>(run.text[run.i - 1]));
  }
  return static_cast<int64_t>(run.i - first - run.escapeBytes);
}

}  // namespace vantrel
