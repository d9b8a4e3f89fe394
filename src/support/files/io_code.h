#pragma once
#include <cstdint>
#include <string>

#include "vantrel/faults.h"

namespace vantrel {

// The I/O codes the converter raises by name.
inline constexpr IoCode fileNotFound = 2;
inline constexpr IoCode accessDenied = 5;
inline constexpr IoCode documentChanged = 32;  // "sharing violation", as a writer would meet
inline constexpr IoCode readBeyondEnd = 100;   // also a sink that gives nothing back
inline constexpr IoCode fileTooLarge = 223;    // a file past the whole-file limit

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
