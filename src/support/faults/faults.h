#pragma once
#include <cstdint>

#include "support/files/io_code.h"
#include "vantrel/faults.h"

namespace vantrel {

// Raise the faults; the fault address is the caller's return address.
[[noreturn]] void raiseRangeError();
[[noreturn]] void raiseIntOverflow();
[[noreturn]] void raiseInOutError(IoCode code);
// Raises the one EOutOfMemory object made at start-up (see prepareOutOfMemory).
[[noreturn]] void raiseOutOfMemory();

// Installs the allocation-failure handler that records the fault address in
// the one EOutOfMemory object, which exists from start-up on, so that
// reporting exhausted memory needs no memory.
void prepareOutOfMemory();
const EOutOfMemory& outOfMemoryFault();

}  // namespace vantrel
