#include "support/text/number_text.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace vantrel {
namespace {

TEST(StrToInt, Table) {
  const std::vector<std::pair<std::string, int32_t>> cases = {
      {"", 0},
      {"-", 0},
      {"+", 0},
      {" 5", 0},
      {"x5", 0},
      {"12abc", 12},
      {"+7", 7},
      {"-7", -7},
      {"+-7", 0},
      {"--7", 0},
      {"007", 7},
      {"2147483647", 2147483647},
      {"2147483648", INT32_MIN},
      {"4294967296", 0},
      {"4294967297", 1},
      {"-2147483648", INT32_MIN},
      {"-4294967295", 1},
      {"5 6", 5},
      {"255", 255},
      {"99999999999999999999", static_cast<int32_t>(1661992959u)},
  };
  for (const auto& [text, value] : cases) EXPECT_EQ(strToInt(text), value) << '"' << text << '"';
}

TEST(IntToStr, Table) {
  const std::vector<std::pair<int32_t, std::string>> cases = {
      {0, "0"},     {7, "7"}, {12, "12"}, {20, "20"}, {-5, "-5"}, {INT32_MAX, "2147483647"}, {INT32_MIN, "-2147483648"},
      {100, "100"},
  };
  for (const auto& [value, text] : cases) EXPECT_EQ(intToStr(value), text);
}

}  // namespace
}  // namespace vantrel
