#include "convert/escape_codes.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace vantrel {
namespace {

class EscapeCodes : public ::testing::Test {
 protected:
  void SetUp() override {
    paragraphPending = 0;
    rulePending = 0;
  }
  void TearDown() override { SetUp(); }
};

TEST_F(EscapeCodes, EveryCode) {
  // The fonts the escapes select, written out in full.
  const std::map<int, int> fonts = {{'1', 1},  {'2', 2},   {'3', 3},  {'4', 4},  {'5', 5},  {'6', 6},  {'7', 7},
                                    {'8', 8},  {'9', 9},   {'!', 11}, {'"', 12}, {'#', 13}, {'$', 14}, {'%', 15},
                                    {'&', 16}, {'\'', 17}, {'(', 18}, {')', 19}, {'*', 20}};
  const std::map<int, std::string> replacements = {{' ', " "}, {'/', "/"}, {'\\', "\\"}};
  for (int code = 0; code < 256; ++code) {
    SetUp();
    HtmlText result{"head|body", 5};
    std::string_view replacement = "stale";
    uint8_t font = 7;
    decodeEscape(static_cast<uint8_t>(code), result, replacement, font);

    auto fontIt = fonts.find(code);
    EXPECT_EQ(font, fontIt != fonts.end() ? fontIt->second : 7) << "code " << code;
    auto replacementIt = replacements.find(code);
    EXPECT_EQ(replacement, replacementIt != replacements.end() ? replacementIt->second : "") << "code " << code;
    EXPECT_EQ(paragraphPending, code == ',' ? 1 : 0) << "code " << code;
    EXPECT_EQ(rulePending, 0);
    EXPECT_EQ(result.bytes, code == 'A' ? "head|bod" : "head|body") << "code " << code;
  }
}

TEST_F(EscapeCodes, RemovalTakesOneByteOfTheBodyOnly) {
  HtmlText result{"<head>\xC3\xA9", 6};
  std::string_view replacement;
  uint8_t font = 1;
  decodeEscape('A', result, replacement, font);
  EXPECT_EQ(result.bytes, "<head>\xC3");  // half of a character stays
  decodeEscape('A', result, replacement, font);
  EXPECT_EQ(result.bytes, "<head>");
  decodeEscape('A', result, replacement, font);  // the body is empty: nothing goes
  EXPECT_EQ(result.bytes, "<head>");

  HtmlText markup{"x<sub>i</sub>", 0};
  decodeEscape('A', markup, replacement, font);
  EXPECT_EQ(markup.bytes, "x<sub>i</sub");

  HtmlText empty;
  decodeEscape('A', empty, replacement, font);
  EXPECT_EQ(empty.bytes, "");
}

TEST_F(EscapeCodes, ParagraphRequestsCollapse) {
  HtmlText result;
  std::string_view replacement;
  uint8_t font = 1;
  decodeEscape(',', result, replacement, font);
  decodeEscape(',', result, replacement, font);
  EXPECT_EQ(paragraphPending, 1);
  EXPECT_EQ(result.bytes, "");
}

}  // namespace
}  // namespace vantrel
