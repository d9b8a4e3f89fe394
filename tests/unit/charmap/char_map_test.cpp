#include "charmap/char_map.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/faults/faults.h"

namespace vantrel {
namespace {

using namespace std::string_literals;

// UTF-8 of a Unicode code point, written out from the encoding's definition.
std::string utf8Of(uint32_t codePoint) {
  std::string bytes;
  if (codePoint < 0x80) {
    bytes += static_cast<char>(codePoint);
  } else if (codePoint < 0x800) {
    bytes += static_cast<char>(0xC0 | (codePoint >> 6));
    bytes += static_cast<char>(0x80 | (codePoint & 0x3F));
  } else {
    bytes += static_cast<char>(0xE0 | (codePoint >> 12));
    bytes += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    bytes += static_cast<char>(0x80 | (codePoint & 0x3F));
  }
  return bytes;
}

std::string encoded(PackedUtf8 value) { return std::string(encodeUtf8(value).view()); }

TEST(DefaultMap, EveryCodeIsLatin1InEveryFont) {
  CharMap map;
  resetCharMap(map);
  for (int font = 0; font < fontCount; ++font) {
    EXPECT_EQ(map.fontPage[font], 0);
    for (int code = 0; code < 256; ++code) {
      EXPECT_EQ(encoded(lookupChar(map, static_cast<uint8_t>(font), static_cast<uint8_t>(code))), utf8Of(code))
          << "font " << font << " code " << code;
    }
  }
  for (int page = 0; page < pageCount; ++page) {
    EXPECT_EQ(map.pages[page][65], 0x41u);
    EXPECT_EQ(map.pages[page][128], 0xC280u);
    EXPECT_EQ(map.pages[page][233], 0xC3A9u);
    EXPECT_EQ(map.pages[page][255], 0xC3BFu);
    EXPECT_EQ(map.pages[page][0], 0u);
  }
  EXPECT_EQ(encoded(map.pages[0][0]), "\0"s);
}

TEST(EncodeUtf8, Table) {
  const std::vector<std::pair<PackedUtf8, std::string>> cases = {
      {0x41, "\x41"},
      {0xC341, "\x41"},        // lowest byte below 0x80: one byte
      {0x41C3A9, "\xC3\xA9"},  // bits 16 to 31 not examined
      {0xC3A9, "\xC3\xA9"},
      {0xE282AC, "\xE2\x82\xAC"},
      {0xFFE282AC, "\xE2\x82\xAC"},  // bits 24 to 31 not examined
      {0xF09F9880, "\xF0\x9F\x98\x80"},
      {0xC3C3, "\0\0\xC3\xC3"s},  // no pattern fits: four bytes
      {0xC3, "\0\0\0\xC3"s},
      {0, "\0"s},
      {0x80414243, "\x43"},
      {0xFFFFFFFF, "\xFF\xFF\xFF\xFF"},
  };
  for (const auto& [value, bytes] : cases) EXPECT_EQ(encoded(value), bytes) << std::hex << value;
}

struct RunCase {
  const char* name;
  uint8_t page;
  std::string codes;
  std::string utf8;
  std::vector<std::pair<int, PackedUtf8>> stored;  // code -> value on `page`
  int storedCount;                                 // entries that differ from the defaults
};

TEST(AssignRun, StoresCharactersAtTheirCodes) {
  const std::vector<RunCase> cases = {
      {"codes go on upward", 1, "\x41", "\x78\x79\x7A", {{0x41, 0x78}, {0x42, 0x79}, {0x43, 0x7A}}, 3},
      {"codes in any order", 1, "\x63\x61", "\x31\x32\x33", {{0x63, 0x31}, {0x61, 0x32}, {0x62, 0x33}}, 3},
      {"stops after 255", 0, "\xFE", "xyz", {{254, 'x'}, {255, 'y'}}, 2},
      {"255 named, then more codes", 2, "\xFF\x10", "xyz", {{255, 'x'}, {16, 'y'}, {17, 'z'}}, 3},
      {"two-byte character", 3, "\x41", "\xC3\xA9\x41", {{0x41, 0xC3A9}, {0x42, 0x41}}, 2},
      {"four-byte character", 0, "\x41", "\xF0\x9F\x98\x80", {{0x41, 0xF09F9880}}, 1},
      {"continuation not checked", 0, "\x41", "\xC3\x41", {{0x41, 0xC341}}, 1},
      {"stray continuation as lead", 0, "\x41", "\x80\x41\x42\x43", {{0x41, 0x80414243}}, 1},
      {"repeated code: later wins", 0, "\x41\x41", "xy", {{0x41, 'y'}}, 1},
      {"extra code bytes ignored", 0, "\x41\x42\x43", "x", {{0x41, 'x'}}, 1},
      {"empty codes", 0, "", "xyz", {}, 0},
      {"empty text", 0, "\x41", "", {}, 0},
      {"page 5, empty codes", 5, "", "x", {}, 0},
      {"page 5, empty text", 5, "\x41", "", {}, 0},
      {"cut short after 255: dropped, no fault", 0, "\xFF", "x\xC3", {{255, 'x'}}, 1},
  };
  for (const RunCase& c : cases) {
    CharMap map;
    resetCharMap(map);
    CharMap defaults = map;
    assignRun(map, c.page, c.codes, c.utf8);
    for (const auto& [code, value] : c.stored) EXPECT_EQ(map.pages[c.page][code], value) << c.name << " code " << code;
    int changed = 0;
    for (int page = 0; page < pageCount; ++page) {
      for (int code = 0; code < 256; ++code) changed += map.pages[page][code] != defaults.pages[page][code];
    }
    EXPECT_EQ(changed, c.storedCount) << c.name;
  }
}

TEST(AssignRun, RangeFaults) {
  struct FaultCase {
    const char* name;
    uint8_t page;
    std::string utf8;
    bool firstStored;  // 'x' reached code 0x41 before the fault
  };
  const std::vector<FaultCase> cases = {
      {"two-byte lead at the end", 0, "x\xC3", true},
      {"three-byte lead cut short", 0, "x\xE2\x82", true},
      {"four-byte lead cut short", 0, "x\xF0\x9F\x98", true},
      {"three-byte lead alone", 0, "\xE2\x82", false},
      {"page above 3", 5, "x", false},
      {"page 255", 255, "x", false},
  };
  for (const FaultCase& c : cases) {
    CharMap map;
    resetCharMap(map);
    EXPECT_THROW(assignRun(map, c.page, "\x41", c.utf8), ERangeError) << c.name;
    EXPECT_EQ(map.pages[0][0x41], c.firstStored ? PackedUtf8{'x'} : PackedUtf8{0x41}) << c.name;
  }
}

TEST(LookupChar, FontsSelectTheirPage) {
  CharMap map;
  resetCharMap(map);
  map.fontPage[2] = 1;
  map.pages[1]['a'] = 0xCEB1;
  EXPECT_EQ(lookupChar(map, 2, 'a'), 0xCEB1u);
  EXPECT_EQ(lookupChar(map, 1, 'a'), static_cast<PackedUtf8>('a'));
  EXPECT_THROW(lookupChar(map, 21, 'a'), ERangeError);
  map.fontPage[3] = 4;  // cannot come from a map file; the lookup checks it all the same
  EXPECT_THROW(lookupChar(map, 3, 'a'), ERangeError);
}

}  // namespace
}  // namespace vantrel
