#include "support/console/console_device.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "support/files/file_io.h"

namespace vantrel {

namespace {

// The null device takes every write and shows nothing: flushing it at every
// statement, as a terminal is flushed, would only cost a system call each.
bool isNullDevice(const struct stat& info) {
  struct stat null {};
  return S_ISCHR(info.st_mode) && stat("/dev/null", &null) == 0 && S_ISCHR(null.st_mode) &&
         info.st_rdev == null.st_rdev;
}

}  // namespace

void openConsoleDevice(ConsoleChannel& channel) {
  struct stat info {};
  if (fstat(channel.target, &info) != 0) {
    ioStatus = ioCodeFromErrno(errno);
    return;
  }
  channel.handle = channel.target;
  channel.flushWrites = S_ISCHR(info.st_mode) && !isNullDevice(info);
  channel.passOnAt = S_ISREG(info.st_mode) ? ConsoleChannel::fileBlockSize : ConsoleChannel::blockSize;
  channel.open = true;
  channel.fill = 0;
}

IoCode writeConsoleDevice(const ConsoleChannel& channel, const char* data, size_t size) {
  return writeAll(static_cast<int>(channel.handle), data, size);
}

bool isTerminal(int fd) { return isatty(fd) == 1; }

}  // namespace vantrel
