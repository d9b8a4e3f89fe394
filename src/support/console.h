#pragma once
#include <cstddef>
#include <string_view>

#include "support/io_code.h"

namespace vantrel {

// The buffered console channel: everything the program shows goes to
// standard output through it. Bytes collect in a 128-byte buffer that is
// passed on when full, at every flush when standard output is a character
// device (a terminal), and at program end.
struct ConsoleChannel {
  static constexpr size_t bufferSize = 128;

  int target = 1;      // descriptor taken when the channel opens
  int handle = -1;     // descriptor in use once open
  bool open = false;   // opened for output by the first write
  bool flushWrites = false;  // standard output is a character device
  size_t fill = 0;
  char buffer[bufferSize] = {};
};

extern ConsoleChannel consoleOut;

// Pending I/O code: a failed console write stores its code here (a later
// failure overwrites an earlier one); checkIo reads and clears it.
extern IoCode ioStatus;

// Code of a flush on a channel that is not open.
inline constexpr IoCode ioCodeNotOpen = 103;
// Code of a write to a channel that cannot be opened for output.
inline constexpr IoCode ioCodeNotOutput = 105;

// Puts the channel back to closed; the next write opens it on `fd`.
void resetConsole(int fd = 1);

void writeText(std::string_view text);
void writeChar(char c);
// Appends CR LF, then flushOutput.
void writeLine();
// Passes the buffered bytes on when standard output is a character device.
void flushOutput();
// Raises EInOutError when a write has failed since the last check.
void checkIo();
// Program end: passes on what is still buffered. A failure cannot be shown
// any more; the result tells it, so that the exit status can.
bool closeConsole();

}  // namespace vantrel
