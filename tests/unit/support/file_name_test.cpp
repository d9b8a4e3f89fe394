#include "support/files/file_name.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace vantrel {
namespace {

TEST(ChangeExt, Table) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"doc", "doc.htm"},
      {"doc.chi", "doc.htm"},
      {"a.b.chi", "a.b.htm"},
      {"file.", "file.htm"},
      {".chi", ".htm"},
      {"", ".htm"},
      {"c:x.chi", "c:x.htm"},
      {"dir.bak\\doc", "dir.bak\\doc.htm"},
      {"dir\\", "dir\\.htm"},
      {"docs/x.y/file", "docs/x.y/file.htm"},  // "/" ends the folder part
      {"docs/x.y/file.chi", "docs/x.y/file.htm"},
      {"./doc.chi", "./doc.htm"},
      {"../up/", "../up/.htm"},
      {"/abs/path.d/name", "/abs/path.d/name.htm"},
  };
  for (const auto& [name, expected] : cases) EXPECT_EQ(changeExt(name, ".htm"), expected) << name;
}

}  // namespace
}  // namespace vantrel
