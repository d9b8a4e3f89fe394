#pragma once
#include "support/console/console.h"
#include "support/faults/fault_report.h"
#include "support/faults/faults.h"

namespace vantrel {

// Start-up of a program built on these routines: records the command line
// and the module name, prepares the console channel and the out-of-memory
// fault, and ignores SIGPIPE so that a closed pipe on standard output is a
// failed write (I/O error 232) rather than a killed process (SIGXFSZ alike).
void startProgram(int argc, const char* const* argv);

// Runs `body`; a fault that leaves it is reported through the fault report.
// Returns the exit status: 0 when `body` ends, 1 after a fault report.
template <class Body>
int runReported(Body body) {
  return runCatchingFaults(body, [](const Exception& fault) { reportFault(fault); }) ? 0 : 1;
}

}  // namespace vantrel
