#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "support/output/output_file.h"

namespace vantrel {

// The system side of an output file, one implementation per platform. The
// decisions (replace, rewrite in place, refuse) are openOutput's, shared.

// What the target is.
enum class TargetKind { missing, regular, folder, other };

struct TargetFacts {
  TargetKind kind = TargetKind::missing;
  FileIdentity identity;
  uint32_t mode = 0;  // permission bits
  int64_t owner = -1, group = -1;
};

// Finds the file a write to `fileName` lands in and fills `out.target` (and
// the folder it lies in). Returns 0, or the I/O code of the failure.
IoCode findTarget(OutputFile& out, const std::string& fileName, TargetFacts& facts);

// Whether the user may write the existing target itself, not just its
// folder. Returns 0, or the I/O code of the refusal.
IoCode probeTarget(OutputFile& out, const TargetFacts& facts);

// Creates the new file beside the target, giving it the target's owner.
// Returns 0, or the I/O code of the failure (5: the folder may not be written).
IoCode createNewFile(OutputFile& out, const TargetFacts& facts);

// Prepares rewriting the target in place: a spool file takes the text where
// one can be made (`out.spooled`), otherwise it stays in memory.
void prepareInPlace(OutputFile& out);

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

// Writes the text over the target itself: the spool's `out.length` bytes, or
// `text` without a spool. Space for it is reserved first, so that a full
// disk or a size limit leaves the target as it was.
IoCode rewriteInPlace(OutputFile& out, std::string_view text);

// Closes whatever is open and removes the new file if it has a name.
void closeOutputFiles(OutputFile& out);

// The new file's name while it has one, for removal when the program is
// interrupted (the platform's handler reads it).
void setPendingTemp(OutputFile& out);
void clearPendingTemp(OutputFile& out);

// A hidden name for the new file beside `base`, different at every call,
// never longer than a file name may be (255 bytes): "." + base + ".XXXXXX",
// the base shortened where needed.
std::string hiddenNameBeside(std::string_view base);

}  // namespace vantrel
