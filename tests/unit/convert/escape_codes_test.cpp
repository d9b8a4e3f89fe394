#include "convert/escape_codes.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace vantrel {
namespace {

TEST(EscapeCodes, EveryCode) {
  // The fonts the escapes select, written out in full.
  const std::map<int, int> fonts = {{'1', 1},  {'2', 2},   {'3', 3},  {'4', 4},  {'5', 5},  {'6', 6},  {'7', 7},
                                    {'8', 8},  {'9', 9},   {'!', 11}, {'"', 12}, {'#', 13}, {'$', 14}, {'%', 15},
                                    {'&', 16}, {'\'', 17}, {'(', 18}, {')', 19}, {'*', 20}};
  const std::string characters = " /\\";
  for (int code = 0; code < 256; ++code) {
    Escape escape = decodeEscape(static_cast<uint8_t>(code));
    EscapeKind expected = EscapeKind::nothing;
    uint8_t value = 0;
    if (auto font = fonts.find(code); font != fonts.end()) {
      expected = EscapeKind::font;
      value = static_cast<uint8_t>(font->second);
    } else if (characters.find(static_cast<char>(code)) != std::string::npos) {
      expected = EscapeKind::character;
      value = static_cast<uint8_t>(code);
    } else if (code == ',') {
      expected = EscapeKind::paragraph;
    } else if (code == 'A') {
      expected = EscapeKind::takeBack;
    }
    EXPECT_EQ(escape.kind, expected) << "code " << code;
    EXPECT_EQ(escape.value, value) << "code " << code;
  }
}

}  // namespace
}  // namespace vantrel
