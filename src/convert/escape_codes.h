#pragma once
#include <cstdint>
#include <string_view>

#include "convert/html_writer.h"

namespace vantrel {

// The font an escape character selects ("1" to "9": 1 to 9, "!" to "*": 11
// to 20), or 0 for one that selects none.
inline uint8_t fontOfEscape(uint8_t escapeChar) {
  if (escapeChar >= '1' && escapeChar <= '9') return static_cast<uint8_t>((escapeChar - 49) + 1);
  if (escapeChar >= '!' && escapeChar <= '*') return static_cast<uint8_t>((escapeChar - 33) + 11);
  return 0;
}

// Interprets the character after a backslash. Font escapes ("1" to "9",
// "!" to "*") set `currentFont`; "," requests a paragraph break; "A" removes
// the last byte of the body; " ", "/" and the backslash stand for
// themselves. `replacement` is what takes the escape's place in its row's
// column: empty for all but those three. Every other code is ignored.
void decodeEscape(uint8_t escapeChar, HtmlText& result, std::string_view& replacement, uint8_t& currentFont);

}  // namespace vantrel
