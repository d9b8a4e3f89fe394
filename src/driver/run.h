#pragma once

namespace vantrel {

inline constexpr const char* banner =
    "Vantrel converter.     Pelluvar.    v.0.1. 2006-006-26\r\nUsage: Vantrel xyz.chi\r\n";
inline constexpr const char* defaultInputName = "x.chi";

// The run sequence: names, banner and conversion line, then load, convert,
// save and "finish". Any fault leaves it for the fault report.
void runConverter();

}  // namespace vantrel
