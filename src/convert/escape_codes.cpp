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

void decodeEscape(uint8_t escapeChar, HtmlText& result, std::string_view& replacement, uint8_t& currentFont) {
  replacement = {};
  // One case for each row of the table of escape characters.
  // clang-format off
  switch (escapeChar) {
    case ' ':
      replacement = " ";
      break;
    case '!': case '"': case '#': case '$': case '%':
    case '&': case '\'': case '(': case ')': case '*':
      currentFont = checkedFont(fontOfEscape(escapeChar));
      break;
    case ',':
      paragraphPending = 1;
      break;
    case '/':
      replacement = "/";
      break;
    case '1': case '2': case '3': case '4': case '5':
    case '6': case '7': case '8': case '9':
      currentFont = checkedFont(fontOfEscape(escapeChar));
      break;
    case 'A':
      removeLastBodyByte(result);
      break;
    case '\\':
      replacement = "\\";
      break;
    default:
      break;
  }
  // clang-format on
}

}  // namespace vantrel
