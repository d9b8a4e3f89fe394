#include "support/output/held_text.h"

#include <cstring>
#include <memory>

namespace vantrel {

namespace {

// The spool failed (it could not be made, or it is full): what it holds
// comes back into memory, where the text stays from now on if it fits.
IoCode spoolFailed(HeldText& held, IoCode code) {
  held.note = "temporary folder " + held.folder + ": " + lastFailureText();
  held.spoolFailure = code;
  held.memoryOnly = true;
  if (held.spooled + held.memory.size() > heldAtMost) return code;
  if (held.spooled > 0) {
    ByteText text;
    char* front = text.room(static_cast<size_t>(held.spooled) + held.memory.size());
    if (IoCode read = readSpoolAt(held.spool, front, static_cast<size_t>(held.spooled), 0)) return read;
    std::memcpy(front + held.spooled, held.memory.data(), held.memory.size());
    text.commit(static_cast<size_t>(held.spooled) + held.memory.size());
    held.memory = std::move(text);
    held.spooled = 0;
  }
  closeSpool(held.spool);
  return 0;
}

IoCode appendToSpool(HeldText& held, std::string_view bytes) {
  IoCode code = writeSpoolAt(held.spool, bytes.data(), bytes.size(), held.spooled);
  if (code == 0) held.spooled += bytes.size();
  return code;
}

}  // namespace

uint64_t heldLength(const HeldText& held) { return held.spooled + held.memory.size(); }

IoCode holdText(HeldText& held, std::string_view bytes) {
  if (held.memoryOnly || held.memory.size() + bytes.size() <= heldInMemory) {
    held.memory.append(bytes);
    return held.memoryOnly && held.memory.size() > heldAtMost ? held.spoolFailure : 0;
  }
  // Past memory's share: what memory holds goes to the spool, and the new bytes after it.
  IoCode code = held.spool == noHandle ? createSpool(held.spool, held.folder) : 0;
  if (code == 0) code = appendToSpool(held, held.memory.view());
  if (code == 0) held.memory.clear();
  if (code == 0) code = appendToSpool(held, bytes);
  if (code == 0) return 0;
  if (IoCode failure = spoolFailed(held, code)) return failure;
  return holdText(held, bytes);  // in memory from now on
}

IoCode takeBackHeld(HeldText& held, char* into, size_t count) {
  size_t fromMemory = count < held.memory.size() ? count : held.memory.size();
  std::memcpy(into + count - fromMemory, held.memory.data() + held.memory.size() - fromMemory, fromMemory);
  held.memory.truncate(held.memory.size() - fromMemory);
  count -= fromMemory;
  if (count == 0) return 0;
  held.spooled -= count;
  return readSpoolAt(held.spool, into, count, held.spooled);
}

IoCode sendHeld(HeldText& held, SystemHandle destination) {
  constexpr size_t blockSize = size_t{1} << 18;
  std::unique_ptr<char[]> block(held.spooled > 0 ? new char[blockSize] : nullptr);
  for (uint64_t at = 0; at < held.spooled;) {
    size_t count = held.spooled - at < blockSize ? static_cast<size_t>(held.spooled - at) : blockSize;
    if (IoCode code = readSpoolAt(held.spool, block.get(), count, at)) {
      held.note = "the spool in the temporary folder: " + lastFailureText();
      return code;
    }
    if (IoCode code = writeToDestination(destination, block.get(), count)) return code;
    at += count;
  }
  return writeToDestination(destination, held.memory.data(), held.memory.size());
}

}  // namespace vantrel
