#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "support/files/io_code.h"
#include "support/output/spool_file.h"
#include "support/text/byte_text.h"

namespace vantrel {

// Text held back until it is complete, for a destination that can take it
// only then: a stream (a pipe, a FIFO, a terminal, a device, a file already
// open as standard output) or a file rewritten in place. So a failure
// writes nothing there, and an "\A" that reaches back is served here, never
// by writing at an old offset. The newest bytes are in memory; once there
// are more than `heldInMemory` of them they go to a spool file in the
// temporary folder. Where no spool can be made, or it fills up, the text
// stays in memory up to `heldAtMost` bytes; past that the output fails with
// the spool's failure, and `note` names the temporary folder.
inline constexpr size_t heldInMemory = size_t{4} << 20;
inline constexpr size_t heldAtMost = size_t{64} << 20;

struct HeldText {
  HeldText() = default;
  HeldText(const HeldText&) = delete;
  HeldText& operator=(const HeldText&) = delete;
  ~HeldText() { closeSpool(spool); }

  ByteText memory;  // the text after the spool's part
  SystemHandle spool = noHandle;
  std::string folder;       // the temporary folder, once a spool was tried
  uint64_t spooled = 0;     // bytes of the text in the spool
  bool memoryOnly = false;  // the spool failed: the text stays in memory
  IoCode spoolFailure = 0;  // why, for a text that outgrows memory then
  std::string note;         // "temporary folder FOLDER: the system's words"
};

uint64_t heldLength(const HeldText& held);

// Appends `bytes`. Returns 0, or the I/O code of the failure.
IoCode holdText(HeldText& held, std::string_view bytes);

// Takes the last `count` bytes back into `into` (count <= heldLength).
IoCode takeBackHeld(HeldText& held, char* into, size_t count);

// Writes the whole text at the destination's own position.
IoCode sendHeld(HeldText& held, SystemHandle destination);

}  // namespace vantrel
