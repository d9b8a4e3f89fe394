#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "support/files/io_code.h"

namespace vantrel {

// The buffered console channel: everything the program shows goes to
// standard output through it. Bytes collect in a buffer of 128 bytes that is
// passed on when full, at every flush when standard output is a character
// device (a terminal), and at program end.
//
// To a regular file the buffer holds 512 such blocks, passed on in one
// write: a progress dot per row group would otherwise cost a system call per
// 128 of them. The file gets the same bytes; the whole blocks still held are
// passed on by passOnWholeBlocks, before any step that a failed console
// write must stop.
struct ConsoleChannel {
  static constexpr size_t blockSize = 128;
  static constexpr size_t fileBlockSize = 512 * blockSize;

  int target = 1;               // descriptor taken when the channel opens
  intptr_t handle = -1;         // the descriptor (on Windows, the handle) in use once open
  bool open = false;            // opened for output by the first write
  bool flushWrites = false;     // standard output is a character device
  size_t passOnAt = blockSize;  // fileBlockSize for a regular file
  size_t fill = 0;
  std::string failure;  // the system's words for the first failed write, if any
  char buffer[fileBlockSize] = {};
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
void writeBytes(const char* data, size_t size);
// Appends CR LF, then flushOutput.
void writeLine();
void flushOutputNow();
[[noreturn]] void raisePendingIo();

// The statements are inline for their common case, as a progress dot per row
// group is written with them.
inline void writeChar(char c) {
  ConsoleChannel& channel = consoleOut;
  if (channel.open && channel.fill + 1 < channel.passOnAt) {
    channel.buffer[channel.fill++] = c;
  } else {
    writeBytes(&c, 1);
  }
}

// Passes on the whole blocks of 128 bytes that the buffer of a regular file
// still holds, as they would have gone had each been passed on when full; a
// failure is found by the next checkIo.
void passOnWholeBlocks();

// Passes the buffered bytes on when standard output is a character device.
inline void flushOutput() {
  if (!consoleOut.open || consoleOut.flushWrites) flushOutputNow();
}

// Raises EInOutError when a write has failed since the last check; the fault
// address is the place of the check.
inline void checkIo() {
  if (ioStatus != 0) raisePendingIo();
}
// Program end: passes on what is still buffered. A failure cannot be shown
// any more; the result tells it, so that the exit status can.
bool closeConsole();

}  // namespace vantrel
