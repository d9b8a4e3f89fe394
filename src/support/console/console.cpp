#include "support/console/console.h"

#include <cstring>

#include "support/console/console_device.h"
#include "support/faults/fault_address.h"
#include "support/faults/faults.h"

namespace vantrel {

ConsoleChannel consoleOut;
IoCode ioStatus = 0;

namespace {

// Passes the buffer on. The buffer is emptied before the write, so its bytes
// are gone whether the write succeeds or not.
bool passOn(ConsoleChannel& channel) {
  size_t size = channel.fill;
  channel.fill = 0;
  IoCode code = writeConsoleDevice(channel, channel.buffer, size);
  if (code != 0) {
    ioStatus = code;
    return false;
  }
  return true;
}

}  // namespace

void writeBytes(const char* data, size_t size) {
  ConsoleChannel& channel = consoleOut;
  if (!channel.open) {
    openConsoleDevice(channel);
    if (!channel.open) {
      ioStatus = ioCodeNotOutput;
      return;
    }
  }
  while (size > 0) {
    size_t room = channel.passOnAt - channel.fill;
    size_t chunk = size < room ? size : room;
    std::memcpy(channel.buffer + channel.fill, data, chunk);
    channel.fill += chunk;
    data += chunk;
    size -= chunk;
    if (channel.fill == channel.passOnAt && !passOn(channel)) {
      return;  // the rest of the text is dropped
    }
  }
}

void passOnWholeBlocks() {
  ConsoleChannel& channel = consoleOut;
  const size_t whole = channel.fill - channel.fill % ConsoleChannel::blockSize;
  if (!channel.open || whole == 0) return;
  const size_t rest = channel.fill - whole;
  // Like a full buffer, the blocks are gone whether the write succeeds or
  // not; after a failure the rest of the text is dropped too.
  channel.fill = 0;
  IoCode code = writeConsoleDevice(channel, channel.buffer, whole);
  if (code != 0) {
    ioStatus = code;
    return;
  }
  std::memmove(channel.buffer, channel.buffer + whole, rest);
  channel.fill = rest;
}

void resetConsole(int fd) {
  consoleOut = ConsoleChannel{};
  consoleOut.target = fd;
}

void writeText(std::string_view text) { writeBytes(text.data(), text.size()); }

void writeLine() {
  writeBytes("\r\n", 2);
  flushOutput();
}

void flushOutputNow() {
  ConsoleChannel& channel = consoleOut;
  if (!channel.open) {
    ioStatus = ioCodeNotOpen;
    return;
  }
  if (channel.flushWrites && channel.fill > 0) {
    passOn(channel);
  }
}

VANTREL_NOINLINE void raisePendingIo() {
  EInOutError fault(ioStatus);
  ioStatus = 0;
  fault.setAddress(faultAddressOf(VANTREL_RETURN_ADDRESS()));
  throw fault;
}

bool closeConsole() {
  ConsoleChannel& channel = consoleOut;
  if (channel.open && channel.fill > 0) {
    return passOn(channel);
  }
  return true;
}

}  // namespace vantrel
