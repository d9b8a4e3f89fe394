#include "convert/plain_run.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "convert/escape_codes.h"
#include "support/text/byte_scan.h"

namespace vantrel {

namespace {

// Input bytes handled between two requests for output room. A byte gives at
// most ten bytes of output: four for a character, or a span switch and a
// character for the three bytes of a font escape and its character.
constexpr size_t chunkSize = 16384;
constexpr size_t outputPerByte = 10;
constexpr size_t outputSlack = 64;  // also covers a vector store past the last byte

void put(char* out, uint64_t lane) {
  auto image = static_cast<uint32_t>(lane);
  std::memcpy(out, &image, 4);
}

size_t lengthOf(uint64_t lane) { return static_cast<size_t>(lane >> 32); }

// Writes the characters from `i` up to `end` through the table, until one
// whose entry is empty (a backslash or a form feed); returns where it stopped.
size_t writeTableRun(const char* text, size_t i, size_t end, const uint64_t* codes, char*& out) {
  char* o = out;
  while (i + 4 <= end) {
    uint64_t a = codes[static_cast<unsigned char>(text[i])];
    uint64_t b = codes[static_cast<unsigned char>(text[i + 1])];
    uint64_t c = codes[static_cast<unsigned char>(text[i + 2])];
    uint64_t d = codes[static_cast<unsigned char>(text[i + 3])];
    if (lengthOf(a) == 0 || lengthOf(b) == 0 || lengthOf(c) == 0 || lengthOf(d) == 0) break;
    put(o, a);
    o += lengthOf(a);
    put(o, b);
    o += lengthOf(b);
    put(o, c);
    o += lengthOf(c);
    put(o, d);
    o += lengthOf(d);
    i += 4;
  }
  for (; i < end; ++i) {
    uint64_t code = codes[static_cast<unsigned char>(text[i])];
    if (lengthOf(code) == 0) break;
    put(o, code);
    o += lengthOf(code);
  }
  out = o;
  return i;
}

// The same for a page that leaves ASCII as it is: runs of ASCII characters
// other than the backslash are copied 16 at a time, anything else goes
// through the table. Whole vectors are read and written: the text lies in a
// padded text block, and the output has room to spare.
size_t writeAsciiRun(const char* text, size_t i, size_t end, const uint64_t* codes, char*& out) {
  char* o = out;
  while (i < end) {
    unsigned mask = copy16MarkingSpecials(text + i, o);
    size_t run = mask != 0 ? static_cast<size_t>(std::countr_zero(mask)) : 16;
    if (run >= end - i) {
      o += end - i;
      i = end;
      break;
    }
    i += run;
    o += run;
    if (run == 16) continue;
    uint64_t code = codes[static_cast<unsigned char>(text[i])];
    if (lengthOf(code) == 0) break;
    put(o, code);
    o += lengthOf(code);
    ++i;
  }
  out = o;
  return i;
}

}  // namespace

int64_t writePlainRun(ConversionState& s, int64_t maxColumns, HtmlText& result) {
  RowState& base = s.rows[baseRow];
  const char* text = base.line.data();
  const size_t first = static_cast<size_t>(base.pos);
  // The "[" of a "\[" reads as a blank: the walk takes it.
  const size_t stopAt = base.blankAt > base.pos ? static_cast<size_t>(base.blankAt - 1) : base.line.size();
  uint8_t font = s.spans.rowFont[baseRow];
  FontLane lane = s.fontLanes[font];
  if (lane.codes == nullptr || first >= stopAt) return 0;
  // Each character is one column, and the two bytes of an escape taken in
  // passing none: the bytes the run may take grow by two for each of them.
  size_t limit = static_cast<uint64_t>(maxColumns) < stopAt - first ? first + static_cast<size_t>(maxColumns) : stopAt;
  size_t i = first;
  size_t escapeBytes = 0;  // bytes of escapes, which take no column
  bool stopped = false;
  while (!stopped && i < limit) {
    passOnHtml(result);
    const size_t end = limit - i < chunkSize ? limit : i + chunkSize;
    char* start = result.bytes.room((end - i) * outputPerByte + outputSlack);
    char* out = start;
    while (i < end) {
      i = lane.identity ? writeAsciiRun(text, i, end, lane.codes, out) : writeTableRun(text, i, end, lane.codes, out);
      if (i >= end) break;
      // A backslash or a form feed. Paragraph requests and font escapes
      // before a plain character are taken here; the walk sees to the rest.
      if (text[i] != '\\' || i + 1 >= stopAt) {
        stopped = true;
        break;
      }
      auto escape = static_cast<unsigned char>(text[i + 1]);
      if (escape == ',') {
        paragraphPending = 1;
        i += 2;
        escapeBytes += 2;
        limit = std::min(stopAt, limit + 2);
        continue;
      }
      uint8_t newFont = fontOfEscape(escape);
      if (newFont != 0 && i + 2 == base.line.size()) {
        // A font escape that ends the row changes nothing: no character follows.
        i += 2;
        escapeBytes += 2;
        limit = std::min(stopAt, limit + 2);
        continue;
      }
      if (newFont == 0 || i + 2 >= stopAt) {
        stopped = true;
        break;
      }
      auto next = static_cast<unsigned char>(text[i + 2]);
      FontLane newLane = s.fontLanes[newFont];
      uint64_t nextCode = newLane.codes != nullptr ? newLane.codes[next] : 0;
      if (lengthOf(nextCode) == 0 || next == ' ') {
        stopped = true;  // the font would not outlast the column: the walk decides
        break;
      }
      if (newFont != font) {
        // What switchSpan writes when the open span is the base row's font:
        // the span is closed and one for the new font is opened.
        std::string_view opening = spanOpening(newFont);
        std::memcpy(out, spanClosing.data(), spanClosing.size());
        out += spanClosing.size();
        std::memcpy(out, opening.data(), opening.size());
        out += opening.size();
        s.spans.openFont = newFont;
        s.spans.rowFont[baseRow] = newFont;
        font = newFont;
        lane = newLane;
      }
      put(out, nextCode);
      out += lengthOf(nextCode);
      i += 3;
      escapeBytes += 2;
      limit = std::min(stopAt, limit + 2);
    }
    result.bytes.commit(static_cast<size_t>(out - start));
  }
  if (i > first) {
    base.pos = static_cast<int64_t>(i);
    base.piece = static_cast<unsigned char>(text[i - 1]);
  }
  return static_cast<int64_t>(i - first - escapeBytes);
}

}  // namespace vantrel
