#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "support/files/file_io.h"
#include "support/files/io_code.h"

namespace vantrel {

// Reads and writes on Win32 handles, in requests of at most 1 GiB (a request
// counts its bytes in 32 bits). Each returns 0, or the system's error code.

// Writes `size` bytes at the handle's position, however many requests it takes.
IoCode writeToHandle(HANDLE handle, const char* data, size_t size);

// Writes `size` bytes at byte `offset` of a file.
IoCode writeToHandleAt(HANDLE handle, const char* data, size_t size, uint64_t offset);

// Reads `size` bytes at byte `offset` of a file; 100 (read beyond the end
// of the file) where it ends first.
IoCode readFromHandleAt(HANDLE handle, char* data, size_t size, uint64_t offset);

// Reads until `size` bytes are in or the file ends; sets `got`. A pipe whose
// writer has gone has ended.
IoCode readFromHandle(HANDLE handle, char* data, size_t size, size_t& got);

// The identity of an open file: volume serial number and file index; unknown
// where the system gives none (a device, a pipe).
FileIdentity identityOfHandle(HANDLE handle);

// Opens `fileName` for no more than its attributes, sharing everything; a
// folder opens too.
HANDLE openForAttributes(const char* fileName);

// Closes a handle when it goes out of scope.
class HandleGuard {
 public:
  explicit HandleGuard(HANDLE handle) : handle_(handle) {}
  HandleGuard(const HandleGuard&) = delete;
  HandleGuard& operator=(const HandleGuard&) = delete;
  ~HandleGuard() {
    if (valid()) CloseHandle(handle_);
  }
  HANDLE get() const { return handle_; }
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }

 private:
  HANDLE handle_;
};

}  // namespace vantrel
