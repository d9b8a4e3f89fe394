#include "convert/encoded_map.h"

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

void encodePage(const PackedUtf8 (&entries)[256], EncodedPage& page, bool escapeMarkup) {
  std::memset(page.notLatin1Bits, 0, sizeof page.notLatin1Bits);
  bool identity = true;
  bool latin1 = true;
  bool exactLatin1 = true;
  bool escapesStopOnly = true;
  for (int code = 0; code < 256; ++code) {
    const auto byte = static_cast<uint8_t>(code);
    Utf8Bytes bytes = code == ' ' ? Utf8Bytes{{' ', 0, 0, 0}, 1} : encodeUtf8(entries[code]);
    uint32_t image = 0;  // the bytes in memory order, whatever the byte order of numbers
    std::memcpy(&image, bytes.bytes, 4);
    EncodedChar encodedChar = (uint64_t{bytes.length} << 32) | image;
    if (isRunStop(byte)) encodedChar |= endsPlainRun;
    // An escaped entry ends plain runs: the kernels copy entries as they stand.
    bool escaped = false;
    for (char c : bytes.view()) escaped = escaped || (escapeMarkup && !markupEntity(c).empty());
    if (escaped) encodedChar |= endsPlainRun | escapedMarkup;
    page.codes[code] = encodedChar;
    for (int k = 0; k < 4; ++k) page.plane[k][code] = static_cast<uint8_t>(bytes.bytes[k]);
    const bool stop = (encodedChar & endsPlainRun) != 0;
    escapesStopOnly = escapesStopOnly && (!stop || isRunStop(byte));
    page.plane[4][code] = static_cast<uint8_t>(bytes.length | (stop ? 0x80 : 0));
    if (code < 0x80) {
      latin1 = latin1 && (isRunStop(byte) || (!stop && bytes.length == 1 && image == static_cast<uint32_t>(code)));
    } else {
      const bool same = !stop && bytes.length == 2 && image == latin1Utf8(byte);
      page.notLatin1[code - 0x80] = same ? 0 : 0x80;
      if (!same) page.notLatin1Bits[(code >> 3) & 15] |= static_cast<uint8_t>(1u << (code & 7));
      exactLatin1 = exactLatin1 && same;
    }
    if (code > 0x20 && code < 0x80 && !isRunStop(byte)) {
      identity = identity && !escaped && bytes.length == 1 && bytes.bytes[0] == static_cast<char>(code);
    }
  }
  page.asciiIdentity = identity;
  page.latin1 = latin1;
  page.exactLatin1 = latin1 && exactLatin1;
  page.escapesStopOnly = escapesStopOnly;
}

std::shared_ptr<const EncodedMap> encodeMap(const CharMap& map, bool escapeMarkup) {
  auto encoded = std::make_shared<EncodedMap>();
  encoded->map = map;
  encoded->escapeMarkup = escapeMarkup;
  for (int page = 0; page < pageCount; ++page) {
    // A page like one before it (as all four are without a map file) is
    // copied, not encoded again.
    int same = 0;
    while (same < page && std::memcmp(map.pages[same], map.pages[page], sizeof map.pages[page]) != 0) ++same;
    if (same < page) {
      encoded->pages[page] = encoded->pages[same];
    } else {
      encodePage(map.pages[page], encoded->pages[page], escapeMarkup);
    }
  }
  for (int font = 0; font < fontCount; ++font) {
    const int32_t page = map.fontPage[font];
    encoded->fontPages[font] = page >= 0 && page < pageCount ? &encoded->pages[page] : nullptr;
  }
  return encoded;
}

const EncodedPage& pageOfFont(const EncodedMap& encoded, uint8_t font) {
  if (font >= fontCount) raiseRangeError();
  const EncodedPage* page = encoded.fontPages[font];
  if (page == nullptr) raiseRangeError();
  return *page;
}

}  // namespace vantrel
