// The map file read from the current folder (POSIX: an unreadable file is
// made with chmod and read by a child process without root rights).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "charmap/map_file.h"
#include "convert/html_writer.h"
#include "helpers/child_process.h"
#include "helpers/model_views.h"
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

}  // namespace
}  // namespace vantrel
