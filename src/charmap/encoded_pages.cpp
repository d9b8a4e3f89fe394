#include "charmap/encoded_pages.h"

#include "support/faults.h"

namespace vantrel {

void encodePages(const CharMap& map, EncodedPages& encoded) {
  for (int page = 0; page < pageCount; ++page) {
    bool identity = true;
    for (int code = 0; code < 256; ++code) {
      Utf8Bytes bytes = encodeUtf8(map.pages[page][code]);
      encoded.entries[page][code] = bytes;
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
