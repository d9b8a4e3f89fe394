#pragma once
#include <cstddef>

#include "support/console/console.h"

namespace vantrel {

// The system side of the console channel.

// Opens the channel on its target: takes the handle and whether standard
// output is a character device, and marks the channel open. A failure
// leaves it closed; where the system reports a code, it is put in ioStatus.
void openConsoleDevice(ConsoleChannel& channel);

// Writes `size` bytes to the open channel's handle, however many requests
// it takes. Returns 0, or the I/O code of the failure.
IoCode writeConsoleDevice(const ConsoleChannel& channel, const char* data, size_t size);

// Whether descriptor `fd` (1 or 2) is a terminal, where names are shown safe.
bool isTerminal(int fd);

}  // namespace vantrel
