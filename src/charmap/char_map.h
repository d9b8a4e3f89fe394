#pragma once
#include <cstdint>
#include <string_view>

#include "vantrel/char_map.h"

namespace vantrel {

// Every font on page 0; all pages hold the Latin-1 defaults (code c stands
// for U+00c).
void resetCharMap(CharMap& map);

// The bytes of a packed value, held in place (no heap).
struct Utf8Bytes {
  char bytes[4];
  uint8_t length;
  std::string_view view() const { return {bytes, length}; }
};

// The bytes of `value`. Its length comes from the bit patterns alone: a
// lowest byte below 0x80 is one byte, 110xxxxx 10xxxxxx two bytes, 1110xxxx
// 10xxxxxx 10xxxxxx three bytes, and anything else four bytes, leading zero
// bytes included. No other check is made.
Utf8Bytes encodeUtf8(PackedUtf8 value);

// Stores the UTF-8 characters of `utf8` into page `page`, at the codes that
// the bytes of `codes` name, one per character; when they are used up the
// codes go on upward from the last one, and the run stops after code 255.
// A page above 3, or a sequence cut short by the end of `utf8`, is a range
// fault at the character that needs it.
void assignRun(CharMap& map, uint8_t page, std::string_view codes, std::string_view utf8);

// The value that code `code` stands for in font `font` (0 to 20).
PackedUtf8 lookupChar(const CharMap& map, uint8_t font, uint8_t code);

}  // namespace vantrel
