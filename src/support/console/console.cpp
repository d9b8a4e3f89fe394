#include "support/console/console.h"

#include <cstring>

#include "support/console/console_device.h"
#include "support/faults/fault_address.h"
#include "support/faults/faults.h"

namespace vantrel {

ConsoleChannel consoleOut;
IoCode ioStatus = 0;

namespace {

// Passes the first `count` buffered bytes on (all of them by default) and
// keeps the rest. The buffer is emptied before the write, so its bytes are
// gone whether the write succeeds or not; after a failure the rest is dropped too.
bool passOn(ConsoleChannel& channel, size_t count) {
  const size_t rest = channel.fill - count;
  channel.fill = 0;
  IoCode code = writeConsoleDevice(channel, channel.buffer, count);
  if (code != 0) {
    if (channel.failure.empty()) channel.failure = lastFailureText();
    ioStatus = code;
    return false;
  }
  if (rest > 0) std::memmove(channel.buffer, channel.buffer + count, rest);
  channel.fill = rest;
  return true;
}

bool passOn(ConsoleChannel& channel) { return passOn(channel, channel.fill); }

}  // namespace

void writeBytes(const char* data, size_t size) {
  ConsoleChannel& channel = consoleOut;
  if (!channel.open) {
    openConsoleDevice(channel);
    if (!channel.open) {
      if (channel.failure.empty()) channel.failure = lastFailureText();
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
  if (channel.open && whole > 0) passOn(channel, whole);
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
