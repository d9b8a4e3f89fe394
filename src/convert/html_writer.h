#pragma once
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "support/text/byte_text.h"
#include "vantrel/streams.h"

namespace vantrel {

inline constexpr std::string_view initialHtmlHead = "\n<p>\n\n";
inline constexpr std::string_view closingText = "\n\n</p>\n</body></html>";
inline constexpr std::string_view paragraphText = "</p>\n<p>";
inline constexpr std::string_view ruleText = "</p>\n<hr>\n<p>";

// The output text of one conversion as it grows. The newest bytes are held
// in `bytes`; once they fill a window, all but a tail go on to the sink, so
// that memory stays bounded. An "\A" that reaches past the tail asks the
// sink to give bytes back. Without a sink everything stays in `bytes`.
struct HtmlText {
  ByteText bytes;
  uint64_t bodyStart = 0;  // the head's length: the body starts there
  uint64_t passedOn = 0;   // bytes handed to the sink so far
  HtmlSink* sink = nullptr;
  // Markup in characters is escaped (--escape): the body's entities and
  // its "<" and ">" are all the converter's own, so "\A" takes an entity
  // back whole and never takes back mark-up.
  bool entitiesWhole = false;
  // Held bytes are passed on once there are this many (none without a sink).
  size_t passOnAt = SIZE_MAX;
  // The text goes on from one written elsewhere (a part of a document
  // converted on its own): an "\A" that would look at bytes before its start
  // removes nothing and sets `reachedStart` instead.
  bool continuesText = false;
  bool reachedStart = false;
};

// Raised when a text without a sink grows past its `passOnAt`.
struct TextTooLong {};

// Text is passed on in windows of this size; the last bytes of a window stay
// behind, so that removing bytes seldom reaches text already passed on.
inline constexpr size_t htmlWindow = size_t{1} << 20;
inline constexpr size_t htmlWindowTail = 4096;

// Hands all but the tail of the held bytes to the sink; without a sink
// raises TextTooLong.
void passOnWindow(HtmlText& out);

// Passes a full window of text on to the sink, if there is one.
inline void passOnHtml(HtmlText& out) {
  if (out.bytes.size() >= out.passOnAt) passOnWindow(out);
}

// Hands everything held to the sink (the text is complete).
void passOnAll(HtmlText& out);

// The take-back of "\A": removes the last character of the body, if the
// body has one. That is a whole multi-byte UTF-8 sequence when the body
// ends in one (a lead byte followed by exactly its continuation bytes), else
// one byte: an ASCII character, a byte of mark-up, a stray byte. With
// `entitiesWhole` set, text the document produced goes and mark-up stays: a
// whole entity ("&amp;", "&lt;", "&gt;", "&quot;") goes as one, and a body
// that ends in mark-up (its last byte a ">") loses nothing. Bytes of the
// head are never removed. Bytes handed to the sink are asked back as the
// sink's contract says (vantrel/streams.h).
void removeLastBodyChar(HtmlText& out);

// The font spans of a conversion: `openFont` is the font of the open span
// (0: none), `rowFont` the font in effect for each row (0 lower, 1 base,
// 2 upper) between columns.
struct SpanState {
  uint8_t openFont = 0;
  uint8_t rowFont[3] = {1, 1, 1};
  bool operator==(const SpanState&) const = default;
};

// What the HTML side of one conversion keeps: the text, the spans, the
// head that opens the text (the map file's header lines in front of the
// initial head), and the breaks that the escape "," and a form feed ask for,
// written at the start of the next row group.
struct HtmlWriter {
  HtmlText text;
  SpanState spans;
  std::string HtmlHead{initialHtmlHead};
  uint8_t paragraphPending = 0;
  uint8_t rulePending = 0;
};

// "<span class=\"Fn<font>\">" for every font a row can be in, built at compile time.
struct SpanOpenings {
  char text[256][24] = {};
  uint8_t length[256] = {};
  constexpr SpanOpenings() {
    constexpr std::string_view open = "<span class=\"Fn";
    for (int font = 0; font < 256; ++font) {
      size_t n = 0;
      for (char c : open) text[font][n++] = c;
      if (font >= 100) text[font][n++] = static_cast<char>('0' + font / 100);
      if (font >= 10) text[font][n++] = static_cast<char>('0' + font / 10 % 10);
      text[font][n++] = static_cast<char>('0' + font % 10);
      text[font][n++] = '"';
      text[font][n++] = '>';
      length[font] = static_cast<uint8_t>(n);
    }
  }
};
inline constexpr SpanOpenings spanOpenings;

inline std::string_view spanOpening(uint8_t font) { return {spanOpenings.text[font], spanOpenings.length[font]}; }
inline constexpr std::string_view spanClosing = "</span>";

// The most bytes putSpanSwitch writes (it may write whole entries past them).
inline constexpr size_t longestSpanSwitch = spanClosing.size() + sizeof spanOpenings.text[0];

// Writes at `out`, which has room for longestSpanSwitch bytes, the closing of
// the open span and the opening of one for `font`, unless `font` is open
// already; font 0 only closes. Opening records the font as the row's font.
// Returns the end of what it wrote.
inline char* putSpanSwitch(SpanState& spans, uint8_t font, int row, char* out) {
  if (font == spans.openFont) return out;
  if (spans.openFont != 0) {
    std::memcpy(out, spanClosing.data(), spanClosing.size());
    out += spanClosing.size();
  }
  spans.openFont = font;
  if (font != 0) {
    spans.rowFont[row] = font;
    // The whole entry is copied (a fixed size copies fastest); its length counts.
    std::memcpy(out, spanOpenings.text[font], sizeof spanOpenings.text[font]);
    out += spanOpenings.length[font];
  }
  return out;
}

// putSpanSwitch at the end of the text.
inline void switchSpan(HtmlWriter& html, uint8_t font, int row) {
  if (font == html.spans.openFont) return;
  char* out = html.text.bytes.room(longestSpanSwitch);
  html.text.bytes.commit(static_cast<size_t>(putSpanSwitch(html.spans, font, row, out) - out));
}

// Writes a pending rule or paragraph break (closing the open span first)
// and clears both requests.
void writeBreak(HtmlWriter& html);
inline void flushBreaks(HtmlWriter& html) {
  if (html.paragraphPending != 0 || html.rulePending != 0) writeBreak(html);
}

// Starts the text with HtmlHead, for `sink` (none: all stays in memory),
// with room for a body of about `bodySize` bytes.
void beginHtml(HtmlWriter& html, HtmlSink* sink, size_t bodySize = 0);

// The closing step: closes the open span and appends the closing text.
void finishHtml(HtmlWriter& html);

}  // namespace vantrel
