#pragma once
#include <string>
#include <string_view>

namespace vantrel {

// Text as a terminal may be shown it, as `ls` shows names there: control
// characters (C0, DEL, and C1 as UTF-8 encodes them) and bytes that are not
// part of valid UTF-8 each become "?", so that a file name cannot send
// escape sequences to the terminal. Everything else stays as it is.
std::string terminalSafe(std::string_view text);

}  // namespace vantrel
