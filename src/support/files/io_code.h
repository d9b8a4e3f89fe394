#pragma once
#include <cstdint>

namespace vantrel {

// An I/O error code as the converter reports it: 0 for success, otherwise
// the code of the classic console platform (2 file not found, 5 access
// denied, 112 disk full, ...), so that every message reads the same on
// every system.
using IoCode = int32_t;

// Translates a POSIX errno value into the converter's I/O code.
IoCode ioCodeFromErrno(int err);

// The I/O code of the last failed system call: errno translated, or on
// Windows the system's last error code as it is.
IoCode lastIoCode();

}  // namespace vantrel
