#pragma once
#include <cstdint>

#include "support/files/io_code.h"

namespace vantrel {

// The fault objects. A fault is never handled where it arises: it leaves the
// run sequence and ends the program through the fault report. The objects
// own no heap memory, so raising and reporting them works when memory is
// exhausted.
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

class ERangeError : public EIntError {
 public:
  ERangeError() : EIntError("ERangeError", "Range check error") {}
};

class EIntOverflow : public EIntError {
 public:
  EIntOverflow() : EIntError("EIntOverflow", "Integer overflow") {}
};

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

// Raise the faults; the fault address is the caller's return address.
[[noreturn]] void raiseRangeError();
[[noreturn]] void raiseIntOverflow();
[[noreturn]] void raiseInOutError(IoCode code);
// Raises the one EOutOfMemory object made at start-up (see prepareOutOfMemory).
[[noreturn]] void raiseOutOfMemory();

// Installs the allocation-failure handler that records the fault address in
// the one EOutOfMemory object, which exists from start-up on, so that
// reporting exhausted memory needs no memory.
void prepareOutOfMemory();
const EOutOfMemory& outOfMemoryFault();

}  // namespace vantrel
