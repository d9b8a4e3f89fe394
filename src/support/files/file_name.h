#pragma once
#include <string>
#include <string_view>

namespace vantrel {

// Replaces the extension of a file name: directory part (up to the last
// ":", "\" or "/") + stem + newExt. The extension is the file-name part from
// its last "." on; a name without one gets newExt appended.
std::string changeExt(std::string_view fileName, std::string_view newExt);

// The folder part of a name, up to and with its last "/" or "\" ("" for a
// name in the current folder).
std::string folderPart(std::string_view name);

}  // namespace vantrel
