#include "support/line_list.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "helpers/test_files.h"

namespace vantrel {
namespace {

using namespace std::string_view_literals;

std::vector<std::string> linesOf(const LineList& list) {
  std::vector<std::string> lines;
  for (int64_t i = 0; i < list.lineCount; ++i) lines.emplace_back(lineAt(list, i));
  return lines;
}

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
                      SplitCase{"a\r\n"sv, {"a"}}, SplitCase{"a\n"sv, {"a\n"}},
                      SplitCase{"a\nb\n"sv, {"a\nb\n"}}, SplitCase{"a\rb"sv, {"a", "b"}},
                      SplitCase{"a\r\nb\r\n"sv, {"a", "b"}}, SplitCase{"a\r\n\r\n"sv, {"a", ""}},
                      SplitCase{"\r"sv, {""}}, SplitCase{"\r\na"sv, {"", "a"}},
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

TEST(LoadLines, AbsentFileLeavesTheListAsItWas) {
  testing::TempDir dir;
  LineList list = createLineList();
  EXPECT_EQ(loadLines(list, dir.file("absent.chi")), 2);
  EXPECT_EQ(list.lineCount, 0);

  splitLines(list, "kept\rlines"sv);
  EXPECT_EQ(loadLines(list, dir.file("absent.chi")), 2);
  EXPECT_EQ(linesOf(list), (std::vector<std::string>{"kept", "lines"}));
}

TEST(LoadLines, FailuresGiveTheirCodes) {
  testing::TempDir dir;
  LineList list = createLineList();
  testing::writeFile(dir.file("file"), "x");
  EXPECT_EQ(loadLines(list, ""), 2);                            // empty name
  EXPECT_EQ(loadLines(list, dir.path()), 5);                    // a folder
  EXPECT_EQ(loadLines(list, dir.file("file") + "/inner"), 3);   // a file used as a folder
  EXPECT_EQ(loadLines(list, dir.file(std::string(300, 'n'))), 3);  // name too long
  EXPECT_EQ(list.lineCount, 0);
}

TEST(LoadLines, SecondLoadReplacesTheFirst) {
  testing::TempDir dir;
  testing::writeFile(dir.file("one"), "1\r\n2\r\n3");
  testing::writeFile(dir.file("two"), "only\r\n");
  testing::writeFile(dir.file("empty"), "");
  LineList list = createLineList();
  ASSERT_EQ(loadLines(list, dir.file("one")), 0);
  EXPECT_EQ(list.lineCount, 3);
  ASSERT_EQ(loadLines(list, dir.file("two")), 0);
  EXPECT_EQ(linesOf(list), std::vector<std::string>{"only"});
  ASSERT_EQ(loadLines(list, dir.file("empty")), 0);
  EXPECT_EQ(list.lineCount, 0);
  freeLineList(list);
  EXPECT_EQ(list.lineCount, 0);
  EXPECT_EQ(lineAt(list, 0), "");
}

TEST(LoadLines, ReadsAPipeToItsEnd) {
  testing::TempDir dir;
  std::string fifo = dir.file("fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  std::string text;
  for (int i = 0; i < 20000; ++i) text += "line " + std::to_string(i) + "\r\n";
  pid_t writer = fork();
  ASSERT_GE(writer, 0);
  if (writer == 0) {
    testing::writeFile(fifo, text);
    _exit(0);
  }
  LineList list = createLineList();
  EXPECT_EQ(loadLines(list, fifo), 0);
  EXPECT_EQ(list.lineCount, 20000);
  EXPECT_EQ(lineAt(list, 19999), "line 19999");
  int status = 0;
  waitpid(writer, &status, 0);
}

}  // namespace
}  // namespace vantrel
