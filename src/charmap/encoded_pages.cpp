#include "charmap/encoded_pages.h"

#include <cstring>

#include "support/faults/faults.h"

namespace vantrel {

void encodePages(const CharMap& map, EncodedPages& encoded) {
  for (int page = 0; page < pageCount; ++page) {
    bool identity = true;
    for (int code = 0; code < 256; ++code) {
      Utf8Bytes bytes = encodeUtf8(map.pages[page][code]);
      encoded.entries[page][code] = bytes;
      uint32_t image = 0;  // the bytes in memory order, whatever the byte order of numbers
      std::memcpy(&image, bytes.bytes, 4);
      uint64_t lane = (uint64_t{bytes.length} << 32) | image;
      if (code == ' ') lane = (uint64_t{1} << 32) | ' ';
      if (code == '\\' || code == '\f') lane = 0;
      encoded.lane[page][code] = lane;
      if (code > 0x20 && code < 0x80 && code != '\\') {
        identity = identity && bytes.length == 1 && bytes.bytes[0] == static_cast<char>(code);
      }
    }
    encoded.asciiIdentity[page] = identity;
  }
}

const Utf8Bytes* pageOfFont(const CharMap& map, const EncodedPages& encoded, uint8_t font) {
  if (font >= fontCount) raiseRangeError();
  int32_t page = map.fontPage[font];
  if (page < 0 || page >= pageCount) raiseRangeError();
  return encoded.entries[page];
}

}  // namespace vantrel
