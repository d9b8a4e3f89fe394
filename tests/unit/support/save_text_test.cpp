#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <string>
#include <vector>

#include "helpers/child_process.h"
#include "helpers/test_files.h"
#include "support/files/file_io.h"

namespace vantrel {
namespace {

using namespace std::string_view_literals;
using testing::TempDir;

mode_t modeOf(const std::string& path) {
  struct stat info {};
  stat(path.c_str(), &info);
  return info.st_mode & 07777;
}

TEST(SaveText, WritesTheBytesAsTheyAre) {
  TempDir dir;
  const std::vector<std::string> texts = {"", "plain", std::string("nul\0inside\r\n\xff\x80", 15),
                                          std::string(1 << 20, '\xe9')};
  for (const std::string& text : texts) {
    EXPECT_EQ(saveText(dir.file("out.htm"), text), 0);
    EXPECT_EQ(testing::readFile(dir.file("out.htm")), text);
    EXPECT_EQ(testing::listFolder(dir.path()), std::vector<std::string>{"out.htm"});
  }
}

TEST(SaveText, ReplacesAFileAndKeepsItsPermissionBits) {
  TempDir dir;
  std::string out = dir.file("out.htm");
  testing::writeFile(out, "old and longer content");
  chmod(out.c_str(), 0640);
  EXPECT_EQ(saveText(out, "new"), 0);
  EXPECT_EQ(testing::readFile(out), "new");
  EXPECT_EQ(modeOf(out), 0640u);
  EXPECT_EQ(saveText(out, ""), 0);
  EXPECT_EQ(testing::readFile(out), "");
}

TEST(SaveText, NewFileFollowsTheUmask) {
  TempDir dir;
  mode_t old = umask(027);
  EXPECT_EQ(saveText(dir.file("new.htm"), "x"), 0);
  umask(old);
  EXPECT_EQ(modeOf(dir.file("new.htm")), 0640u);
}

TEST(SaveText, WritesThroughASymbolicLink) {
  TempDir dir;
  testing::writeFile(dir.file("real.htm"), "old");
  ASSERT_EQ(symlink("real.htm", dir.file("link.htm").c_str()), 0);
  EXPECT_EQ(saveText(dir.file("link.htm"), "new"), 0);
  EXPECT_EQ(testing::readFile(dir.file("real.htm")), "new");
  struct stat info {};
  lstat(dir.file("link.htm").c_str(), &info);
  EXPECT_TRUE(S_ISLNK(info.st_mode));
}

TEST(SaveText, FailuresGiveTheirCodesAndLeaveNothingBehind) {
  TempDir dir;
  mkdir(dir.file("folder.htm").c_str(), 0755);
  EXPECT_EQ(saveText(dir.file("folder.htm"), "x"), 5);
  EXPECT_EQ(saveText(dir.file("missing/out.htm"), "x"), 2);
  EXPECT_EQ(saveText("", "x"), 2);
  EXPECT_EQ(saveText("/dev/full", "x"), 112);
  EXPECT_EQ(testing::listFolder(dir.path()), std::vector<std::string>{"folder.htm"});
}

TEST(SaveText, FailedWriteKeepsTheOldFile) {
  TempDir dir;
  std::string out = dir.file("out.htm");
  testing::writeFile(out, "old bytes");
  // A file-size limit makes the write fail part way, as a full disk would.
  int code = testing::runInChild(
      [&] {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{4096, 4096};
        setrlimit(RLIMIT_FSIZE, &limit);
        return static_cast<int>(saveText(out, std::string(100000, 'x')));
      },
      false);
  EXPECT_EQ(code, 31);  // EFBIG has no code of its own
  EXPECT_EQ(testing::readFile(out), "old bytes");
  EXPECT_EQ(testing::listFolder(dir.path()), std::vector<std::string>{"out.htm"});
}

TEST(SaveText, ReadOnlyFileIsNotReplaced) {
  TempDir dir;
  testing::openFolderToAll(dir.path());
  std::string out = dir.file("out.htm");
  testing::writeFile(out, "protected");
  chmod(out.c_str(), 0444);
  int code = testing::runInChild([&] { return static_cast<int>(saveText(out, "new")); }, true);
  EXPECT_EQ(code, 5);
  EXPECT_EQ(testing::readFile(out), "protected");
  EXPECT_EQ(testing::listFolder(dir.path()), std::vector<std::string>{"out.htm"});
}

TEST(SaveText, ReadOnlyFolder) {
  TempDir dir;
  std::string out = dir.file("out.htm");
  testing::writeFile(out, "old");
  chmod(out.c_str(), 0666);
  chmod(dir.path().c_str(), 0555);
  // No new file can be made there; a file the user may write is rewritten in place.
  int created = testing::runInChild([&] { return static_cast<int>(saveText(dir.file("new.htm"), "x")); }, true);
  int replaced = testing::runInChild([&] { return static_cast<int>(saveText(out, "new")); }, true);
  chmod(dir.path().c_str(), 0700);
  EXPECT_EQ(created, 5);
  EXPECT_EQ(replaced, 0);
  EXPECT_EQ(testing::readFile(out), "new");
  EXPECT_EQ(testing::listFolder(dir.path()), std::vector<std::string>{"out.htm"});
}

}  // namespace
}  // namespace vantrel
