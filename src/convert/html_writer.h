#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "support/output/output_file.h"
#include "support/text/byte_text.h"

namespace vantrel {

// Program-wide output state. The map file puts its header lines in front of
// HtmlHead; the escape "," and a form feed set the pending flags, and the
// break is written at the start of the next row group.
extern std::string HtmlHead;
extern uint8_t paragraphPending;
extern uint8_t rulePending;

inline constexpr std::string_view initialHtmlHead = "\n<p>\n\n";
inline constexpr std::string_view closingText = "\n\n</p>\n</body></html>";
inline constexpr std::string_view paragraphText = "</p>\n<p>";
inline constexpr std::string_view ruleText = "</p>\n<hr>\n<p>";

// The output text being built. The head goes in first, so the finished text
// needs no copy; the body is what follows `bodyStart`. With an output file,
// full windows of text are passed on to it as the text grows (passOnHtml),
// and `bytes` holds only what has not been passed on yet.
struct HtmlText {
  ByteText bytes;
  uint64_t bodyStart = 0;
  OutputFile* output = nullptr;
  uint64_t passedOn = 0;
};

// Text is passed on in windows of this size; the last bytes of a window stay
// behind, so that removing bytes seldom reaches text already passed on.
inline constexpr size_t htmlWindow = size_t{1} << 20;
inline constexpr size_t htmlWindowTail = 4096;

// Passes a full window of text on to the output file, if there is one.
inline void passOnHtml(HtmlText& out) {
  if (out.output != nullptr && out.bytes.size() >= htmlWindow && streamsOutput(*out.output)) {
    size_t count = out.bytes.size() - htmlWindowTail;
    passOnOutput(*out.output, out.bytes, count);
    out.passedOn += count;
  }
}

// The font spans of a conversion: `openFont` is the font of the open span
// (0: none), `rowFont` the font in effect for each row (0 lower, 1 base,
// 2 upper) between columns.
struct SpanState {
  uint8_t openFont = 0;
  uint8_t rowFont[3] = {1, 1, 1};
};

// "<span class=\"Fn<font>\">".
std::string_view spanOpening(uint8_t font);
inline constexpr std::string_view spanClosing = "</span>";

// Closes the open span and opens one for `font` unless it is already open;
// font 0 only closes. Opening records the font as the row's font.
void switchSpan(SpanState& spans, uint8_t font, int row, HtmlText& out);

// Writes a pending rule or paragraph break (closing the open span first)
// and clears both requests.
void writeBreak(SpanState& spans, HtmlText& out);
inline void flushBreaks(SpanState& spans, HtmlText& out) {
  if (paragraphPending != 0 || rulePending != 0) writeBreak(spans, out);
}

// Starts the output with HtmlHead, with room for a body of about `bodySize` bytes.
void beginHtml(HtmlText& out, size_t bodySize = 0);

// The closing step: closes the open span and appends the closing text.
void finishHtml(SpanState& spans, HtmlText& out);

// Removes the last byte of the body, if the body has one.
void removeLastBodyByte(HtmlText& out);

// Program end: HtmlHead is reset to empty.
void clearHtmlHead();

}  // namespace vantrel
