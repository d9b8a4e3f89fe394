#include "charmap/encoded_pages.h"

#include "support/faults/faults.h"

namespace vantrel {

std::string_view markupEntity(char byte) {
  switch (byte) {
    case '&':
      return "&amp;";
    case '<':
      return "&lt;";
    case '>':
      return "&gt;";
    case '"':
      return "&quot;";
    default:
      return {};
  }
}

size_t putEscapedMarkup(char* out, EncodedChar code) {
  char bytes[4];
  putEncoded(bytes, code);
  size_t length = 0;
  for (size_t i = 0; i < encodedLength(code); ++i) {
    std::string_view entity = markupEntity(bytes[i]);
    if (entity.empty()) {
      out[length++] = bytes[i];
    } else {
      std::memcpy(out + length, entity.data(), entity.size());
      length += entity.size();
    }
  }
  return length;
}

namespace {

// The two bytes of the UTF-8 form of U+0080 to U+00FF, in memory order.
uint32_t latin1Utf8(uint8_t code) {
  const unsigned char bytes[4] = {static_cast<unsigned char>(0xC0 | (code >> 6)),
                                  static_cast<unsigned char>(0x80 | (code & 0x3F)), 0, 0};
  uint32_t image = 0;
  std::memcpy(&image, bytes, 4);
  return image;
}

}  // namespace

void encodePages(const CharMap& map, EncodedPages& encoded, bool escapeMarkup) {
  for (int page = 0; page < pageCount; ++page) {
    bool identity = true;
    bool latin1 = true;
    bool escapesStopOnly = true;
    for (int code = 0; code < 256; ++code) {
      Utf8Bytes bytes = code == ' ' ? Utf8Bytes{{' ', 0, 0, 0}, 1} : encodeUtf8(map.pages[page][code]);
      uint32_t image = 0;  // the bytes in memory order, whatever the byte order of numbers
      std::memcpy(&image, bytes.bytes, 4);
      EncodedChar encodedChar = (uint64_t{bytes.length} << 32) | image;
      if (code == '\\' || code == '\f') encodedChar |= endsPlainRun;
      // An escaped entry ends plain runs: the fast paths copy entries as they stand.
      bool escaped = false;
      for (char byte : bytes.view()) escaped = escaped || (escapeMarkup && !markupEntity(byte).empty());
      if (escaped) encodedChar |= endsPlainRun | escapedMarkup;
      encoded.codes[page][code] = encodedChar;
      for (int k = 0; k < 4; ++k) encoded.planes[page].plane[k][code] = static_cast<uint8_t>(bytes.bytes[k]);
      const bool stop = (encodedChar & endsPlainRun) != 0;
      escapesStopOnly = escapesStopOnly && (!stop || code == '\\' || code == '\f');
      encoded.planes[page].plane[4][code] = static_cast<uint8_t>(bytes.length | (stop ? 0x80 : 0));
      if (code < 0x80) {
        latin1 = latin1 &&
                 (code == '\\' || code == '\f' || (!stop && bytes.length == 1 && image == static_cast<uint32_t>(code)));
      } else {
        const bool same = !stop && bytes.length == 2 && image == latin1Utf8(static_cast<uint8_t>(code));
        encoded.planes[page].notLatin1[code - 0x80] = same ? 0 : 0x80;
      }
      if (code > 0x20 && code < 0x80 && code != '\\') {
        identity = identity && !escaped && bytes.length == 1 && bytes.bytes[0] == static_cast<char>(code);
      }
    }
    encoded.asciiIdentity[page] = identity;
    encoded.planes[page].latin1 = latin1;
    encoded.planes[page].escapesStopOnly = escapesStopOnly;
  }
}

const EncodedChar* pageOfFont(const CharMap& map, const EncodedPages& encoded, uint8_t font) {
  if (font >= fontCount) raiseRangeError();
  int32_t page = map.fontPage[font];
  if (page < 0 || page >= pageCount) raiseRangeError();
  return encoded.codes[page];
}

}  // namespace vantrel
