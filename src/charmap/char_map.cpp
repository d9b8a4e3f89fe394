#include "charmap/char_map.h"

#include "support/faults/faults.h"

namespace vantrel {

void resetCharMap(CharMap& map) {
  for (int32_t& page : map.fontPage) page = 0;
  for (auto& page : map.pages) {
    for (uint32_t c = 0; c < 256; ++c) {
      page[c] = c < 0x80 ? c : ((0xC0u | (c >> 6)) << 8) | (0x80u | (c & 0x3Fu));
    }
  }
}

Utf8Bytes encodeUtf8(PackedUtf8 v) {
  if ((v & 0x80u) == 0) {
    return {{static_cast<char>(v & 0xFF), 0, 0, 0}, 1};
  }
  if ((v & 0xE0C0u) == 0xC080u) {
    return {{static_cast<char>((v >> 8) & 0xFF), static_cast<char>(v & 0xFF), 0, 0}, 2};
  }
  if ((v & 0xF0C0C0u) == 0xE08080u) {
    return {{static_cast<char>((v >> 16) & 0xFF), static_cast<char>((v >> 8) & 0xFF), static_cast<char>(v & 0xFF), 0},
            3};
  }
  return {{static_cast<char>((v >> 24) & 0xFF), static_cast<char>((v >> 16) & 0xFF), static_cast<char>((v >> 8) & 0xFF),
           static_cast<char>(v & 0xFF)},
          4};
}

namespace {

// Byte `pos` (0-based) of `text`; past the end is a range fault.
uint32_t byteAt(std::string_view text, size_t pos) {
  if (pos >= text.size()) raiseRangeError();
  return static_cast<unsigned char>(text[pos]);
}

}  // namespace

void assignRun(CharMap& map, uint8_t page, std::string_view codes, std::string_view utf8) {
  if (codes.empty()) return;
  uint32_t code = static_cast<unsigned char>(codes[0]);
  size_t used = 0;  // code bytes used so far
  size_t pos = 0;
  while (pos < utf8.size()) {
    ++used;
    if (used <= codes.size()) {
      code = static_cast<unsigned char>(codes[used - 1]);
    } else if (code == 255) {
      return;  // no code is left for the rest of the text
    } else {
      ++code;
    }
    uint32_t lead = byteAt(utf8, pos);
    PackedUtf8 value = 0;
    size_t length = 0;
    if (lead < 0x80) {
      value = lead;
      length = 1;
    } else if ((lead & 0xE0) == 0xC0) {
      value = lead << 8;
      value |= byteAt(utf8, pos + 1);
      length = 2;
    } else if ((lead & 0xF0) == 0xE0) {
      value = lead << 16;
      value |= byteAt(utf8, pos + 1) << 8;
      value |= byteAt(utf8, pos + 2);
      length = 3;
    } else {
      value = lead << 24;
      value |= byteAt(utf8, pos + 1) << 16;
      value |= byteAt(utf8, pos + 2) << 8;
      value |= byteAt(utf8, pos + 3);
      length = 4;
    }
    if (page >= pageCount) raiseRangeError();
    map.pages[page][code] = value;
    pos += length;
  }
}

PackedUtf8 lookupChar(const CharMap& map, uint8_t font, uint8_t code) {
  if (font >= fontCount) raiseRangeError();
  int32_t page = map.fontPage[font];
  if (page < 0 || page >= pageCount) raiseRangeError();
  return map.pages[page][code];
}

}  // namespace vantrel
