// A document rewritten while it is read is noticed at its end, also when
// its size and modification time are put back as they were.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "helpers/test_files.h"
#include "vantrel/vantrel.h"

namespace vantrel {
namespace {

TEST(FileSource, RewriteWithTheOldTimesIsNoticed) {
  testing::TempDir dir;
  const std::string path = dir.file("doc.chi");
  testing::writeFile(path, "\\+\r\nold text\r\n");
  struct stat before {};
  ASSERT_EQ(stat(path.c_str(), &before), 0);
  FileSource source(path);
  char block[64];
  ASSERT_GT(source.read(block, 4), 0u);
  testing::writeFile(path, "\\+\r\nnew text\r\n");
  const timespec times[2] = {before.st_atim, before.st_mtim};
  ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
  auto readToEnd = [&] {
    while (source.read(block, sizeof block) > 0) continue;
  };
  EXPECT_THROW(readToEnd(), EInOutError);
}

}  // namespace
}  // namespace vantrel
