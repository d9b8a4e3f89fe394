#pragma once
#include <string>
#include <string_view>

namespace vantrel {

// Cuts `source` at its first byte that occurs in `separators`: returns the
// text before it and leaves the text after it in `source`. Without such a
// byte it returns the whole source and leaves it empty.
std::string splitFirst(std::string& source, std::string_view separators);

}  // namespace vantrel
