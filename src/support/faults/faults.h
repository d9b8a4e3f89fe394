#pragma once
#include <cstdint>
#include <new>
#include <stdexcept>
#include <string>
#include <string_view>

#include "support/files/io_code.h"
#include "vantrel/faults.h"

namespace vantrel {

// Raise the faults; the fault address is the caller's return address.
[[noreturn]] void raiseRangeError();
[[noreturn]] void raiseIntOverflow();
[[noreturn]] void raiseInOutError(IoCode code);
[[noreturn]] void raiseOutOfMemory();

// Raise an I/O fault that names its file, `object`, and its cause: "<action>:
// <reason>", the reason being the system's text for the errno value
// `systemError` or, for 0, the text of `code`:
//   raiseFileError(2, "doc.chi", "cannot read the document", ENOENT)
//   -> "doc.chi: cannot read the document: No such file or directory"
[[noreturn]] void raiseFileError(IoCode code, std::string_view object, std::string_view action, int systemError = 0);
// The same with the whole cause given.
[[noreturn]] void raiseInOutError(IoCode code, std::string_view object, std::string_view cause);

// A descriptor's name in a fault: "standard output", "descriptor 5".
std::string descriptorName(int fd);

// Why an I/O code failed, in the words of the system's error texts:
// "No such file or directory" for 2, "Permission denied" for 5.
const char* ioReason(IoCode code);

// Installs the allocation-failure handler, which records where memory ran
// out (safe from any thread); outOfMemoryFault makes the fault object to
// report, which needs no heap memory.
void prepareOutOfMemory();
EOutOfMemory outOfMemoryFault();

// Runs `body`; a fault that leaves it goes to `onFault(const Exception&)`,
// memory that ran out (std::bad_alloc, std::length_error) as
// outOfMemoryFault(). `onFault` runs inside the handler, so
// std::current_exception() is the fault. Returns whether `body` ended
// without one.
template <class Body, class OnFault>
bool runCatchingFaults(Body body, OnFault onFault) {
  try {
    body();
    return true;
  } catch (const Exception& fault) {
    onFault(fault);
  } catch (const std::bad_alloc&) {
    onFault(outOfMemoryFault());
  } catch (const std::length_error&) {
    onFault(outOfMemoryFault());
  }
  return false;
}

}  // namespace vantrel
