#include "support/text/split_first.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

namespace vantrel {
namespace {

TEST(SplitFirst, Table) {
  // source, separators, result, source afterwards
  const std::vector<std::tuple<std::string, std::string, std::string, std::string>> cases = {
      {"5:2", ":", "5", "2"}, {"5:", ":", "5", ""}, {":2", ":", "", "2"},        {"1:2:3", ":", "1", "2:3"},
      {"5", ":", "5", ""},    {"", ":", "", ""},    {"a,b;c", ";,", "a", "b;c"}, {"ab", "", "ab", ""},
  };
  for (const auto& [source, separators, head, rest] : cases) {
    std::string text = source;
    EXPECT_EQ(splitFirst(text, separators), head) << source;
    EXPECT_EQ(text, rest) << source;
  }
}

}  // namespace
}  // namespace vantrel
