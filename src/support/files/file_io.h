#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "support/files/io_code.h"
#include "support/text/text_block.h"

namespace vantrel {

// Which file a name stands for: its device (volume) and inode (file index).
// Two names with the same identity are one file. Zero means unknown.
struct FileIdentity {
  uint64_t device = 0, inode = 0;
  bool known() const { return device != 0 || inode != 0; }
  bool operator==(const FileIdentity& other) const { return device == other.device && inode == other.inode; }
};

// The most a file read whole (a map file) may hold: 64 MiB, as loadMapFile
// allows (maxMapFileSize).
inline constexpr size_t largestWholeFile = size_t{64} << 20;

// Reads the whole file into `block` (size from the file, then reads until the
// file is in or ends early; a file that is not a regular file is read to its
// end). A file of more than `largestWholeFile` bytes, or a device that gives
// more (/dev/zero), is refused with `fileTooLarge` once that many are read.
// Returns 0, or the I/O code of the failure; `block` is then untouched.
IoCode readWholeFile(const std::string& fileName, TextBlock& block);

// Puts a placeholder that takes no reads or writes (/dev/null opened for its
// name only) at each of descriptors 0, 1 and 2 that is closed, so that no
// file the program opens becomes a standard stream: a closed standard
// output stays one that fails with "Bad file descriptor".
void reserveStandardDescriptors();

// Writes `size` bytes to a descriptor, however many write calls it takes.
IoCode writeAll(int fd, const char* data, size_t size);

// Writes `text` as the whole content of `fileName`, byte for byte. The bytes
// go to a new file beside it that then replaces it, so that a failed write
// (disk full, no permission) leaves an existing file as it was and no stray
// file behind. A replaced file keeps its permission bits; a file the user may
// not write is not replaced. Returns 0, or the I/O code of the failure.
IoCode saveText(const std::string& fileName, std::string_view text);

}  // namespace vantrel
