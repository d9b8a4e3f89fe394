#pragma once
// The faults the library raises. Each is a std::exception:
//
//   what()     the detailed text, naming the file and the cause:
//              "nosuch.chi: cannot read the document: No such file or directory",
//              "Runemap.txt:12: page number out of range: ':7'"
//   message()  the short text of the fault report: "File not found"
//
// The parts of what() can be had one by one (objectName(), line(), cause()),
// so that a program may print them in its own form. The faults own no heap
// memory (their texts are held in fixed buffers, long names cut), so raising
// and reporting them works when memory is exhausted.
#include <cstdint>
#include <exception>
#include <string_view>

#include "vantrel/export.h"

namespace vantrel {

// An I/O error code: 0 for success, otherwise a code that is the same on
// every system (2 file not found, 5 access denied, 112 disk full, ...).
using IoCode = int32_t;

class VANTREL_API Exception : public std::exception {
 public:
  const char* className() const noexcept { return className_; }
  // The short text, without a full stop: "Range check error".
  const char* message() const noexcept { return message_; }
  // "<object>:<line>: <cause>", "<object>: <cause>" without a line,
  // "line <line>: <cause>" without an object; message() where the fault
  // names neither an object nor a cause.
  const char* what() const noexcept override;
  // The file the fault concerns, as it was named ("standard input" for
  // "-"); empty where there is none.
  std::string_view objectName() const noexcept { return {detail_, objectLength_}; }
  // The line of that file, counted from 1; 0 for none.
  int64_t line() const noexcept { return line_; }
  // What went wrong: "cannot write the output: Permission denied"; the
  // message where the raise site said nothing more.
  std::string_view cause() const noexcept;
  // Code address of the raise site, relative to the executable's load address.
  uint32_t address() const noexcept { return address_; }
  void setAddress(uint32_t address) noexcept { address_ = address; }
  // Names the object, its line (0: none) and the cause; an empty cause
  // keeps the message. The library does this where it raises a fault; a
  // caller may do it too. A name longer than half the buffer is cut and
  // ends in "...".
  void describe(std::string_view objectName, int64_t line, std::string_view cause) noexcept;

 protected:
  Exception(const char* className, const char* message) noexcept;

  const char* className_;
  char message_[40];
  uint32_t address_ = 0;

 private:
  int64_t line_ = 0;
  uint16_t objectLength_ = 0;  // detail_ begins with the object's name
  uint16_t causeStart_ = 0;    // where the cause begins in detail_
  char detail_[1024] = {};     // what(), or empty
};

class VANTREL_API EExternal : public Exception {
 protected:
  using Exception::Exception;
};

class VANTREL_API EIntError : public EExternal {
 protected:
  using EExternal::EExternal;
};

// A map file or document asked for something out of range (a page above 3,
// a character cut short).
class VANTREL_API ERangeError : public EIntError {
 public:
  ERangeError() noexcept : EIntError("ERangeError", "Range check error") {}
};

class VANTREL_API EIntOverflow : public EIntError {
 public:
  EIntOverflow() noexcept : EIntError("EIntOverflow", "Integer overflow") {}
};

// A file could not be opened, read or written; `code` says why.
class VANTREL_API EInOutError : public Exception {
 public:
  explicit EInOutError(IoCode code) noexcept;
  IoCode code() const noexcept { return code_; }

 private:
  IoCode code_;
};

class VANTREL_API EHeapException : public Exception {
 protected:
  using Exception::Exception;
};

class VANTREL_API EOutOfMemory : public EHeapException {
 public:
  EOutOfMemory() noexcept : EHeapException("EOutOfMemory", "Out of memory") {}
};

}  // namespace vantrel
