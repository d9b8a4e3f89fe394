#pragma once
#include <array>
#include <cstdint>

namespace vantrel {

// The font an escape character selects ("1" to "9": 1 to 9, "!" to "*": 11
// to 20), or 0 for one that selects none.
constexpr uint8_t fontOfEscape(uint8_t escapeChar) {
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

// What each of the 256 escape characters asks for, worked out once so that
// decoding is one table read on the hot paths.
constexpr std::array<Escape, 256> escapeTable() {
  std::array<Escape, 256> table{};
  for (int c = 0; c < 256; ++c) {
    const auto code = static_cast<uint8_t>(c);
    if (code == ' ' || code == '/' || code == '\\') {
      table[c] = {EscapeKind::character, code};
    } else if (fontOfEscape(code) != 0) {
      table[c] = {EscapeKind::font, fontOfEscape(code)};
    } else if (code == ',') {
      table[c] = {EscapeKind::paragraph, 0};
    } else if (code == 'A') {
      table[c] = {EscapeKind::takeBack, 0};
    }
  }
  return table;
}

inline constexpr std::array<Escape, 256> escapes = escapeTable();

inline Escape decodeEscape(uint8_t escapeChar) { return escapes[escapeChar]; }

}  // namespace vantrel
