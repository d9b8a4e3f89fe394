#pragma once
#include <string_view>

#include "support/output/output_file.h"

namespace vantrel {

// The system side of an output file: the new file beside the target, and
// the target itself. openOutput is the system side's too.

// Writes `bytes` at byte `out.length` of the new file (before its end after
// a retraction). Returns 0, or the I/O code of the failure.
IoCode writeTargetAt(OutputFile& out, std::string_view bytes);

// Reads `count` bytes at byte `at` of the new file. Returns 0, or the I/O
// code of the failure.
IoCode readTargetAt(OutputFile& out, char* into, size_t count, uint64_t at);

// Cuts the new file to `out.length` bytes, closes it and puts it in place of
// the target; `out.tempPath` is cleared once it is there. The file is
// closed whatever happens. Returns 0, or the I/O code of the first failure.
IoCode putTargetInPlace(OutputFile& out);

// Closes and removes the new file.
void removeTemp(OutputFile& out);

// Writes `text` as the whole content of the target itself.
IoCode writeWholeInPlace(const OutputFile& out, std::string_view text);

}  // namespace vantrel
