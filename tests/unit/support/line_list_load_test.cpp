// Loading files into a line list: absent files, failures and their codes,
// pipes (POSIX only: a FIFO fed by a child process).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "helpers/model_views.h"
#include "helpers/test_files.h"
#include "support/text/line_list.h"

namespace vantrel {
namespace {

using namespace std::string_view_literals;

using testing::linesOf;

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
  EXPECT_EQ(loadLines(list, ""), 2);                               // empty name
  EXPECT_EQ(loadLines(list, dir.path()), 5);                       // a folder
  EXPECT_EQ(loadLines(list, dir.file("file") + "/inner"), 3);      // a file used as a folder
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
