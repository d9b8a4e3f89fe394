#pragma once
#include <cstdint>

#include "support/files/io_code.h"
#include "vantrel/faults.h"

namespace vantrel {

// Raise the faults; the fault address is the caller's return address.
[[noreturn]] void raiseRangeError();
[[noreturn]] void raiseIntOverflow();
[[noreturn]] void raiseInOutError(IoCode code);
[[noreturn]] void raiseOutOfMemory();

// Installs the allocation-failure handler, which records where memory ran
// out (safe from any thread); outOfMemoryFault makes the fault object to
// report, which needs no heap memory.
void prepareOutOfMemory();
EOutOfMemory outOfMemoryFault();

}  // namespace vantrel
