#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "support/output/output_file.h"

namespace vantrel {

// The system side of an output file, one implementation per platform. The
// decisions (replace, rewrite in place, stream, refuse) are openOutput's,
// shared.

// What the target is.
enum class TargetKind { missing, regular, folder, other, descriptor };

struct TargetFacts {
  TargetKind kind = TargetKind::missing;
  FileIdentity identity;
  uint32_t mode = 0;  // permission bits
  int64_t owner = -1, group = -1;
  // In a sticky folder everybody may write, the target belongs to neither
  // the user nor the folder's owner: the system's protected-regular and
  // protected-FIFO rules, applied here whatever the system's switches say.
  bool plantedByOther = false;
};

// Finds the file a write to `fileName` lands in and fills `out.target` (and
// the folder it lies in), or `out.descriptor` for a name that is this
// process's descriptor. Returns 0, or the I/O code of the failure.
IoCode findTarget(OutputFile& out, const std::string& fileName, TargetFacts& facts);

// Whether descriptor `fd` is open for writing, and what it is. Returns 0, or
// the I/O code of the failure (6, "Bad file descriptor": not open for writing).
IoCode probeDescriptor(int fd, TargetFacts& facts);

// Whether the user may write the existing target itself, not just its
// folder. Returns 0, or the I/O code of the refusal.
IoCode probeTarget(OutputFile& out, const TargetFacts& facts);

// Creates the new file beside the target, giving it the target's owner.
// Returns 0, or the I/O code of the failure (5: the folder may not be written).
IoCode createNewFile(OutputFile& out, const TargetFacts& facts);

// Writes `bytes` at byte `out.length` of the new file (before its end after
// a retraction). Returns 0, or the I/O code of the failure.
IoCode writeTargetAt(OutputFile& out, std::string_view bytes);

// Reads `count` bytes at byte `at` of the new file. Returns 0, or the I/O
// code of the failure.
IoCode readTargetAt(OutputFile& out, char* into, size_t count, uint64_t at);

// Cuts the new file to `out.length` bytes, gives it `out.newMode` and puts it
// in place of the target; `out.tempName` is cleared once it is there. The
// file is closed whatever happens. Returns 0, or the I/O code of the first
// failure.
IoCode putTargetInPlace(OutputFile& out);

// Writes the held text over the target itself. Space for it is reserved
// first, so that a full disk or a size limit leaves the target as it was.
IoCode rewriteInPlace(OutputFile& out);

// Writes the held text to the stream: the descriptor at its own position, or
// the FIFO or device, opened only now (opening a FIFO waits for a reader).
IoCode writeStream(OutputFile& out);

// Closes whatever is open and removes the new file if it has a name.
void closeOutputFiles(OutputFile& out);

// The new file's name while it has one, for removal when the program is
// interrupted (the platform's handler reads it). A name is registered
// before it is made, so that no interrupt finds it unregistered.
void setPendingTemp(OutputFile& out);
void clearPendingTemp(OutputFile& out);

// Makes the folder `path` and the folders on the way to it that are missing
// (as `mkdir -p`), each looked up as the outputs' own path is: a symbolic
// link is followed only where an ordinary open by this user would follow
// it. Returns 0, or the I/O code of the failure with the path of the folder
// that failed in `failedAt`.
IoCode makeFolders(const std::string& path, std::string& failedAt);

// A hidden name for the new file beside `base`, different at every call,
// never longer than a file name may be (255 bytes): "." + base + ".XXXXXX",
// the base shortened where needed.
std::string hiddenNameBeside(std::string_view base);

}  // namespace vantrel
