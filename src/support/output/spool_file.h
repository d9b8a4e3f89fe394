#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "support/files/io_code.h"

namespace vantrel {

// The system side of a spool: an unnamed file in the temporary folder that
// nobody else can open, gone with the process however it ends. A spool or a
// destination is a descriptor (on Windows, a handle).
using SystemHandle = intptr_t;
inline constexpr SystemHandle noHandle = -1;

// Makes a spool in the temporary folder ($TMPDIR, else /tmp; on Windows the
// system's), whose name goes to `folder`. Returns 0, or the I/O code.
IoCode createSpool(SystemHandle& spool, std::string& folder);

// Writes or reads `size` bytes at byte `at` of the spool.
IoCode writeSpoolAt(SystemHandle spool, const char* data, size_t size, uint64_t at);
IoCode readSpoolAt(SystemHandle spool, char* into, size_t size, uint64_t at);

// Writes `size` bytes at the destination's own position, however many calls it
// takes (a regular file shared with other writers gets them where they left it).
IoCode writeToDestination(SystemHandle destination, const char* data, size_t size);

void closeSpool(SystemHandle& spool);

}  // namespace vantrel
