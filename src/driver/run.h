#pragma once

namespace vantrel {

inline constexpr const char* banner =
    "Vantrel converter.     Pelluvar.    v.0.1. 2006-006-26\r\nUsage: Vantrel xyz.chi\r\n";

// The program: reads the command line, then converts its documents (or
// checks them, or shows the usage or the version). Each document's run is
// banner (once), conversion line, load, convert, save and "finish"; a fault
// in one is reported and the others are still converted. Returns the exit
// status: 0, 1 when any document failed, 2 for a usage error.
int runProgram();

}  // namespace vantrel
