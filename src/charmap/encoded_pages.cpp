#include "charmap/encoded_pages.h"

#include "support/faults/faults.h"

namespace vantrel {

void encodePages(const CharMap& map, EncodedPages& encoded) {
  for (int page = 0; page < pageCount; ++page) {
    bool identity = true;
    for (int code = 0; code < 256; ++code) {
      Utf8Bytes bytes = code == ' ' ? Utf8Bytes{{' ', 0, 0, 0}, 1} : encodeUtf8(map.pages[page][code]);
      uint32_t image = 0;  // the bytes in memory order, whatever the byte order of numbers
      std::memcpy(&image, bytes.bytes, 4);
      EncodedChar encodedChar = (uint64_t{bytes.length} << 32) | image;
      if (code == '\\' || code == '\f') encodedChar |= endsPlainRun;
      encoded.codes[page][code] = encodedChar;
      if (code > 0x20 && code < 0x80 && code != '\\') {
        identity = identity && bytes.length == 1 && bytes.bytes[0] == static_cast<char>(code);
      }
    }
    encoded.asciiIdentity[page] = identity;
  }
}

const EncodedChar* pageOfFont(const CharMap& map, const EncodedPages& encoded, uint8_t font) {
  if (font >= fontCount) raiseRangeError();
  int32_t page = map.fontPage[font];
  if (page < 0 || page >= pageCount) raiseRangeError();
  return encoded.codes[page];
}

}  // namespace vantrel
