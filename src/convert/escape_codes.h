#pragma once
#include <cstdint>

namespace vantrel {

// The font an escape character selects ("1" to "9": 1 to 9, "!" to "*": 11
// to 20), or 0 for one that selects none.
inline uint8_t fontOfEscape(uint8_t escapeChar) {
  if (escapeChar >= '1' && escapeChar <= '9') return static_cast<uint8_t>((escapeChar - 49) + 1);
  if (escapeChar >= '!' && escapeChar <= '*') return static_cast<uint8_t>((escapeChar - 33) + 11);
  return 0;
}

// What the character after a backslash asks for. The walk and its fast path
// both decode escapes here and apply the result themselves.
enum class EscapeKind : uint8_t {
  nothing,    // an unknown code: ignored, takes no column
  character,  // " ", "/" and the backslash stand for themselves in the column
  font,       // "1" to "9", "!" to "*": the row goes on in another font
  paragraph,  // ",": a paragraph break before the next row group
  takeBack,   // "A": the last character of the body is removed
};

struct Escape {
  EscapeKind kind = EscapeKind::nothing;
  uint8_t value = 0;  // the character, or the font
};

Escape decodeEscape(uint8_t escapeChar);

}  // namespace vantrel
