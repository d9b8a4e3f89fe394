#pragma once
#include <string_view>
#include <vector>

#include "check/finding.h"

namespace vantrel {

// What a map file's text leaves without effect, line by line as the map
// reader classifies it: line ends in LF alone, and lines passed over (of no
// known kind, a byte-order mark, font lines out of range, codes above 255).
std::vector<Finding> checkMapText(std::string_view text);

}  // namespace vantrel
