// The map file read from the current folder (POSIX: an unreadable file is
// made with chmod and read by a child process without root rights).
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "charmap/map_file.h"
#include "convert/html_writer.h"
#include "helpers/child_process.h"
#include "helpers/model_views.h"
#include "helpers/sanitizers.h"
#include "helpers/test_files.h"
#include "support/faults/faults.h"

namespace vantrel {
namespace {

// loadMapFile reads "Runemap.txt" from the current folder.
class MapFileOnDisk : public ::testing::Test {
 protected:
  void SetUp() override {
    resetCharMap(map);
    resetCharMap(defaults);
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(chdir(dir.path().c_str()), 0);
  }
  void TearDown() override { ASSERT_EQ(chdir(previous), 0); }
  void loadCharMap(CharMap& into) {
    MapFile file = loadMapFile(mapFileName);
    into = file.map;
    HtmlHead = file.header + std::string(initialHtmlHead);
  }
  int changedEntries() const { return testing::changedEntries(map, defaults); }
  int changedFonts() const { return testing::changedFonts(map); }

  CharMap map;
  CharMap defaults;
  std::string HtmlHead;
  testing::TempDir dir;
  char previous[4096] = {};
};

TEST_F(MapFileOnDisk, AbsentFileKeepsTheDefaults) {
  map.fontPage[3] = 2;
  map.pages[0]['a'] = 0;
  loadCharMap(map);
  EXPECT_EQ(changedEntries(), 0);
  EXPECT_EQ(changedFonts(), 0);
  EXPECT_EQ(HtmlHead, initialHtmlHead);
}

TEST_F(MapFileOnDisk, FileIsRead) {
  testing::writeFile(dir.file("Runemap.txt"), "Fn2:1\r\n:1\r\nab\r\n\xCE\xB1\xCE\xB2\r\nHTML header:\r\n<h>\r\n");
  loadCharMap(map);
  EXPECT_EQ(lookupChar(map, 2, 'b'), 0xCEB2u);
  EXPECT_EQ(HtmlHead, "<h>\n" + std::string(initialHtmlHead));
}

TEST_F(MapFileOnDisk, UnreadableFileIsAnIoFault) {
  mkdir(dir.file("Runemap.txt").c_str(), 0755);
  try {
    loadCharMap(map);
    ADD_FAILURE() << "a folder named Runemap.txt was taken for a map file";
  } catch (const EInOutError& fault) {
    EXPECT_EQ(fault.code(), 5);
    EXPECT_STREQ(fault.what(), "Runemap.txt: cannot read the map file: Is a directory");
  }
  rmdir(dir.file("Runemap.txt").c_str());

  testing::writeFile(dir.file("Runemap.txt"), "Fn2:1\r\n");
  chmod(dir.file("Runemap.txt").c_str(), 0);
  testing::openFolderToAll(dir.path());
  int code = testing::runInChild(
      [&] {
        try {
          loadCharMap(map);
        } catch (const EInOutError& fault) {
          return static_cast<int>(fault.code());
        }
        return 0;
      },
      true);
  EXPECT_EQ(code, 5);
}

// A device that never ends, or a file past the limit, is refused once the
// limit is read; the last byte within it is still read.
TEST_F(MapFileOnDisk, SizeLimit) {
  try {
    loadMapFile("/dev/zero");
    ADD_FAILURE() << "/dev/zero was read as a map file";
  } catch (const EInOutError& fault) {
    EXPECT_EQ(fault.code(), 223);
    EXPECT_STREQ(fault.what(), "/dev/zero: cannot read the map file: larger than 64 MiB");
  }
  // A map that ends where the limit is, then one byte more (the rest of
  // the file is NUL bytes, which end the map's lines).
  testing::writeFile(dir.file("Runemap.txt"), "Fn2:1\r\n");
  ASSERT_EQ(truncate(dir.file("Runemap.txt").c_str(), static_cast<off_t>(maxMapFileSize)), 0);
  EXPECT_EQ(loadMapFile(mapFileName).map.fontPage[2], 1);
  ASSERT_EQ(truncate(dir.file("Runemap.txt").c_str(), static_cast<off_t>(maxMapFileSize + 1)), 0);
  EXPECT_THROW(loadMapFile(mapFileName), EInOutError);
}

// Memory that runs out while a map is read is EOutOfMemory, as the header
// promises, never std::bad_alloc.
TEST_F(MapFileOnDisk, OutOfMemoryIsAFault) {
  if (testing::underAddressSanitizer) GTEST_SKIP() << "the address sanitizer needs more address space than the limit";
  // 8 million lines: their table alone takes 128 MiB.
  std::string text;
  for (int i = 0; i < 1 << 23; ++i) text += "/\r\n";
  testing::writeFile(dir.file("Runemap.txt"), text);
  for (bool fromFile : {false, true}) {
    int outcome = testing::runInChild(
        [&] {
          long pages = 0;
          std::ifstream("/proc/self/statm") >> pages;
          rlimit limit{};
          limit.rlim_cur = limit.rlim_max = static_cast<rlim_t>(pages * sysconf(_SC_PAGESIZE) + (64L << 20));
          if (setrlimit(RLIMIT_AS, &limit) != 0) return 9;
          // An emulator (qemu-user) leaves the limit to its host process.
          void* probe = std::malloc(size_t{256} << 20);
          std::free(probe);
          if (probe != nullptr) return 8;
          try {
            if (fromFile) loadMapFile(mapFileName);
            if (!fromFile) readMapText(text);
          } catch (const EOutOfMemory&) {
            return 1;
          } catch (const std::bad_alloc&) {
            return 2;
          }
          return 0;
        },
        false);
    if (outcome == 8) GTEST_SKIP() << "the address-space limit does not hold here";
    EXPECT_EQ(outcome, 1) << (fromFile ? "loadMapFile" : "readMapText") << ": 0 converted, 2 std::bad_alloc";
  }
}

}  // namespace
}  // namespace vantrel
