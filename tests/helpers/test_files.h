#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace vantrel::testing {

// A fresh temporary folder, removed with everything in it at the end.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  std::string file(std::string_view name) const { return path_ + "/" + std::string(name); }

 private:
  std::string path_;
};

std::string readFile(const std::string& path);
void writeFile(const std::string& path, std::string_view bytes);
bool fileExists(const std::string& path);
// Names of the entries of a folder, sorted; "." and ".." left out.
std::vector<std::string> listFolder(const std::string& path);
// Removes a file or a folder with everything in it.
void removeTree(const std::string& path);

}  // namespace vantrel::testing

namespace vantrel::testing {

// Replaces the eight hex digits of every " at XXXXXXXX.\n" in a fault report
// by "XXXXXXXX": the fault address differs from build to build.
std::string maskFaultAddresses(std::string text);

}  // namespace vantrel::testing
