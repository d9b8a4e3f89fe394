#include "support/files/mapped_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "helpers/test_files.h"
#include "support/files/file_io.h"

namespace vantrel {
namespace {

std::string pattern(size_t size) {
  std::string text(size, '\0');
  for (size_t i = 0; i < size; ++i) text[i] = static_cast<char>('a' + i % 23);
  return text;
}

TEST(MappedFile, BytesThenZeros) {
  testing::TempDir dir;
  // A size that fills whole pages, and one that does not.
  for (size_t size : {size_t{8} << 20, (size_t{8} << 20) + 123}) {
    std::string path = dir.file("doc.chi");
    std::string text = pattern(size);
    testing::writeFile(path, text);
    TextBlock block;
    ASSERT_EQ(readWholeFile(path, block), 0);
    ASSERT_EQ(block.size, size);
    EXPECT_EQ(std::string_view(block.bytes.get(), block.size), text);
    for (size_t i = 0; i <= textPadding; ++i) ASSERT_EQ(block.bytes[size + i], '\0') << i;
  }
}

TEST(MappedFile, SmallFilesAreRead) {
  testing::TempDir dir;
  int fd = open("/dev/null", O_RDONLY);
  TextBlock block;
  EXPECT_FALSE(mapWholeFile(fd, 100, block));
  close(fd);
}

TEST(MappedFile, FileThatShrinksReadsAsZeros) {
  testing::TempDir dir;
  std::string path = dir.file("doc.chi");
  size_t size = size_t{8} << 20;
  testing::writeFile(path, pattern(size));
  int fd = open(path.c_str(), O_RDONLY);
  TextBlock block;
  ASSERT_TRUE(mapWholeFile(fd, size, block));
  close(fd);
  // Another program cuts the file while it is converted.
  ASSERT_EQ(truncate(path.c_str(), 4096), 0);
  EXPECT_EQ(block.bytes[0], 'a');
  size_t nonZero = 0;
  for (size_t i = 8192; i < size; i += 4096) nonZero += block.bytes[i] != '\0';
  EXPECT_EQ(nonZero, 0u);
}

}  // namespace
}  // namespace vantrel
