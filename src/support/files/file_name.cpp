#include "support/files/file_name.h"

namespace vantrel {

std::string changeExt(std::string_view fileName, std::string_view newExt) {
  size_t separator = fileName.find_last_of(":\\/");
  size_t nameStart = separator == std::string_view::npos ? 0 : separator + 1;
  size_t dot = fileName.rfind('.');
  size_t stemEnd = (dot == std::string_view::npos || dot < nameStart) ? fileName.size() : dot;
  std::string result(fileName.substr(0, stemEnd));
  result += newExt;
  return result;
}

std::string folderPart(std::string_view name) {
  const size_t slash = name.find_last_of("/\\");
  return slash == std::string_view::npos ? std::string() : std::string(name.substr(0, slash + 1));
}

}  // namespace vantrel
