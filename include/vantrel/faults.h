#pragma once
// The faults a conversion raises. They own no heap memory, so raising and
// reporting them works when memory is exhausted.
#include <cstdint>

namespace vantrel {

// An I/O error code: 0 for success, otherwise the code of the classic
// console platform (2 file not found, 5 access denied, 112 disk full, ...),
// the same on every system.
using IoCode = int32_t;

class Exception {
 public:
  const char* className() const { return className_; }
  const char* message() const { return message_; }
  // Code address of the raise site, relative to the executable's load address.
  uint32_t address() const { return address_; }
  void setAddress(uint32_t address) { address_ = address; }

 protected:
  Exception(const char* className, const char* message);

  const char* className_;
  char message_[40];
  uint32_t address_ = 0;
};

class EExternal : public Exception {
 protected:
  using Exception::Exception;
};

class EIntError : public EExternal {
 protected:
  using EExternal::EExternal;
};

// A map file or document asked for something out of range (a page above 3,
// a character cut short).
class ERangeError : public EIntError {
 public:
  ERangeError() : EIntError("ERangeError", "Range check error") {}
};

class EIntOverflow : public EIntError {
 public:
  EIntOverflow() : EIntError("EIntOverflow", "Integer overflow") {}
};

// A file could not be opened, read or written; `code` says why.
class EInOutError : public Exception {
 public:
  explicit EInOutError(IoCode code);
  IoCode code() const { return code_; }

 private:
  IoCode code_;
};

class EHeapException : public Exception {
 protected:
  using Exception::Exception;
};

class EOutOfMemory : public EHeapException {
 public:
  EOutOfMemory() : EHeapException("EOutOfMemory", "Out of memory") {}
};

}  // namespace vantrel
