#pragma once
#include <cstdint>
#include <string>

#include "vantrel/faults.h"

namespace vantrel {

// Translates a POSIX errno value into the converter's I/O code.
IoCode ioCodeFromErrno(int err);

// The I/O code of the last failed system call: errno translated, or on
// Windows the system's last error code as it is.
IoCode lastIoCode();

// The words for the last failed system call ("No space left on device"), for
// a line on standard error: the system's own, or on Windows those the faults
// give for its code. Taken right after the failure.
std::string lastFailureText();

}  // namespace vantrel
