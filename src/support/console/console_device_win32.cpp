#include <io.h>
#include <windows.h>

#include "support/console/console_device.h"
#include "support/files/handle_io_win32.h"

namespace vantrel {

namespace {

// Descriptor 1 is standard output as the system hands it over; any other
// descriptor (a test's file) is the C runtime's, with its own handle.
HANDLE targetHandle(int target) {
  if (target == 1) return GetStdHandle(STD_OUTPUT_HANDLE);
  return reinterpret_cast<HANDLE>(_get_osfhandle(target));
}

}  // namespace

void openConsoleDevice(ConsoleChannel& channel) {
  HANDLE handle = targetHandle(channel.target);
  if (handle == INVALID_HANDLE_VALUE) {
    DWORD code = GetLastError();
    ioStatus = code != 0 ? static_cast<IoCode>(code) : static_cast<IoCode>(ERROR_INVALID_HANDLE);
    return;
  }
  // No standard output at all (a null handle) is of the unknown type too:
  // the channel stays closed, and the write that opened it fails.
  DWORD type = GetFileType(handle);
  if (type == FILE_TYPE_UNKNOWN) return;
  channel.handle = reinterpret_cast<intptr_t>(handle);
  channel.flushWrites = type == FILE_TYPE_CHAR;
  channel.passOnAt = type == FILE_TYPE_DISK ? ConsoleChannel::fileBlockSize : ConsoleChannel::blockSize;
  channel.open = true;
  channel.fill = 0;
}

IoCode writeConsoleDevice(const ConsoleChannel& channel, const char* data, size_t size) {
  return writeToHandle(reinterpret_cast<HANDLE>(channel.handle), data, size);
}

bool isTerminal(int fd) {
  DWORD mode = 0;
  return GetConsoleMode(targetHandle(fd), &mode) != 0;
}

}  // namespace vantrel
