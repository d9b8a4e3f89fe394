#pragma once
#include <cstdint>

#include "vantrel/faults.h"

namespace vantrel {

// Translates a POSIX errno value into the converter's I/O code.
IoCode ioCodeFromErrno(int err);

// The I/O code of the last failed system call: errno translated, or on
// Windows the system's last error code as it is.
IoCode lastIoCode();

}  // namespace vantrel
