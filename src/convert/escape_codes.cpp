#include "convert/escape_codes.h"

#include "support/faults/faults.h"

namespace vantrel {

namespace {

// Font arithmetic is checked: the number must fit the font range.
uint8_t checkedFont(int32_t font) {
  if (font < 0 || font > 20) raiseRangeError();
  return static_cast<uint8_t>(font);
}

}  // namespace

Escape decodeEscape(uint8_t escapeChar) {
  // One case for each row of the table of escape characters.
  // clang-format off
  switch (escapeChar) {
    case ' ': case '/': case '\\':
      return {EscapeKind::character, escapeChar};
    case '!': case '"': case '#': case '$': case '%':
    case '&': case '\'': case '(': case ')': case '*':
    case '1': case '2': case '3': case '4': case '5':
    case '6': case '7': case '8': case '9':
      return {EscapeKind::font, checkedFont(fontOfEscape(escapeChar))};
    case ',':
      return {EscapeKind::paragraph, 0};
    case 'A':
      return {EscapeKind::takeBack, 0};
    default:
      return {};
  }
  // clang-format on
}

}  // namespace vantrel
