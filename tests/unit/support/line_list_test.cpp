#include "support/text/line_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "helpers/model_views.h"

namespace vantrel {
namespace {

using namespace std::string_view_literals;

using testing::linesOf;

struct SplitCase {
  std::string_view bytes;
  std::vector<std::string> lines;
};

void PrintTo(const SplitCase& c, std::ostream* os) { *os << ::testing::PrintToString(std::string(c.bytes)); }

class SplitLines : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitLines, CutsAtCrAndCrLf) {
  const SplitCase& c = GetParam();
  LineList list = createLineList();
  splitLines(list, c.bytes);
  EXPECT_EQ(list.lineCount, static_cast<int64_t>(c.lines.size()));
  EXPECT_EQ(linesOf(list), c.lines);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SplitLines,
    ::testing::Values(SplitCase{""sv, {}}, SplitCase{"a"sv, {"a"}}, SplitCase{"a\r"sv, {"a"}},
                      SplitCase{"a\r\n"sv, {"a"}}, SplitCase{"a\n"sv, {"a\n"}}, SplitCase{"a\nb\n"sv, {"a\nb\n"}},
                      SplitCase{"a\rb"sv, {"a", "b"}}, SplitCase{"a\r\nb\r\n"sv, {"a", "b"}},
                      SplitCase{"a\r\n\r\n"sv, {"a", ""}}, SplitCase{"\r"sv, {""}}, SplitCase{"\r\na"sv, {"", "a"}},
                      SplitCase{"a\r\r\nb"sv, {"a", "", "b"}}, SplitCase{"a\r\n\nb"sv, {"a", "\nb"}},
                      SplitCase{"a\n\rb"sv, {"a\n", "b"}}, SplitCase{"\0a\rb"sv, {}},
                      SplitCase{"a\0b\rc"sv, {"a", "c"}}, SplitCase{"a\r\n\0b\rc"sv, {"a"}},
                      // A NUL after a lone CR ends the list too; one after CR LF LF does not.
                      SplitCase{"a\r\0b"sv, {"a"}}, SplitCase{"a\r\n\n\0"sv, {"a", "\n"}},
                      SplitCase{"\xff\xfe\r\x80"sv, {"\xff\xfe", "\x80"}}),
    [](const ::testing::TestParamInfo<SplitCase>& info) { return "Case" + std::to_string(info.index); });

TEST(LineAt, OutsideTheListGivesEmptyText) {
  LineList list = createLineList();
  for (int64_t index : {-1, 0, 1, 1000}) EXPECT_EQ(lineAt(list, index), "");
  splitLines(list, "x\ry"sv);
  EXPECT_EQ(lineAt(list, -1), "");
  EXPECT_EQ(lineAt(list, 1), "y");
  EXPECT_EQ(lineAt(list, 2), "");
  EXPECT_EQ(lineAt(list, INT64_MAX), "");
  EXPECT_EQ(lineAt(list, INT64_MIN), "");
}

}  // namespace
}  // namespace vantrel
