// Loading files into a line list: absent files, failures and their codes,
// pipes (POSIX only: a FIFO fed by a child process).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "helpers/model_views.h"
#include "helpers/test_files.h"
#include "support/text/line_list.h"
#include "vantrel/vantrel.h"

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

namespace vantrel {
namespace {

// A document that another program changes while it is read ends the read
// with code 32 at its end, whichever way it changed.
TEST(FileSourceTest, DocumentChangedWhileReadIsAFailure) {
  const std::vector<std::pair<const char*, void (*)(const std::string&)>> changes = {
      {"appended", [](const std::string& path) { testing::writeFile(path, std::string(9000, 'a') + "more"); }},
      {"cut short", [](const std::string& path) { ASSERT_EQ(truncate(path.c_str(), 10), 0); }},
      {"rewritten, same size",
       [](const std::string& path) {
         struct timespec later[2] = {{0, UTIME_OMIT}, {1, 0}};
         ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), later, 0), 0);
       }},
  };
  for (const auto& [name, change] : changes) {
    testing::TempDir dir;
    const std::string path = dir.file("doc.chi");
    testing::writeFile(path, std::string(9000, 'a'));
    FileSource source(path);
    char block[4096];
    EXPECT_EQ(source.read(block, sizeof block), sizeof block) << name;
    change(path);
    try {
      while (source.read(block, sizeof block) > 0) {
      }
      ADD_FAILURE() << name << ": the change was not seen";
    } catch (const EInOutError& fault) {
      EXPECT_EQ(fault.code(), 32) << name;
    }
  }
  testing::TempDir dir;
  testing::writeFile(dir.file("same.chi"), "unchanged");
  FileSource source(dir.file("same.chi"));
  char block[64];
  EXPECT_EQ(source.read(block, sizeof block), 9u);
  EXPECT_EQ(source.read(block, sizeof block), 0u);
}

}  // namespace
}  // namespace vantrel
