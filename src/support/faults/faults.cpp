#include "support/faults/faults.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <new>

#include "support/faults/fault_address.h"

namespace vantrel {

namespace {

// Message of an I/O code, as the fault report shows it.
void formatIoMessage(IoCode code, char* buffer, size_t size) {
  const char* text = nullptr;
  // clang-format off
  switch (code) {
    case 2: text = "File not found"; break;
    case 3: text = "Invalid filename"; break;
    case 4: text = "Too many open files"; break;
    case 5: text = "File access denied"; break;
    case 100: text = "Read beyond end of file"; break;
    case 101: text = "Disk full"; break;
    case 106: text = "Invalid numeric input"; break;
    default: break;
  }
  // clang-format on
  if (text != nullptr) {
    std::snprintf(buffer, size, "%s", text);
  } else {
    std::snprintf(buffer, size, "I/O error %d", static_cast<int>(code));
  }
}

// Where memory ran out last, recorded by the allocation-failure handler (on
// whichever thread): the fault object itself is made when it is reported,
// which needs no heap memory.
std::atomic<uint32_t> outOfMemoryAddress{0};

// Allocation-failure handler: records where memory ran out and lets the
// request fail with std::bad_alloc, which the fault report turns into the
// EOutOfMemory object.
VANTREL_NOINLINE void onAllocationFailure() {
  outOfMemoryAddress.store(faultAddressOf(VANTREL_RETURN_ADDRESS()), std::memory_order_relaxed);
  throw std::bad_alloc();
}

}  // namespace

Exception::Exception(const char* className, const char* message) : className_(className) {
  std::snprintf(message_, sizeof message_, "%s", message);
}

EInOutError::EInOutError(IoCode code) : Exception("EInOutError", ""), code_(code) {
  formatIoMessage(code, message_, sizeof message_);
}

VANTREL_NOINLINE void raiseRangeError() {
  ERangeError fault;
  fault.setAddress(faultAddressOf(VANTREL_RETURN_ADDRESS()));
  throw fault;
}

VANTREL_NOINLINE void raiseIntOverflow() {
  EIntOverflow fault;
  fault.setAddress(faultAddressOf(VANTREL_RETURN_ADDRESS()));
  throw fault;
}

VANTREL_NOINLINE void raiseInOutError(IoCode code) {
  EInOutError fault(code);
  fault.setAddress(faultAddressOf(VANTREL_RETURN_ADDRESS()));
  throw fault;
}

VANTREL_NOINLINE void raiseOutOfMemory() {
  EOutOfMemory fault;
  fault.setAddress(faultAddressOf(VANTREL_RETURN_ADDRESS()));
  outOfMemoryAddress.store(fault.address(), std::memory_order_relaxed);
  throw fault;
}

void prepareOutOfMemory() { std::set_new_handler(onAllocationFailure); }

EOutOfMemory outOfMemoryFault() {
  EOutOfMemory fault;
  fault.setAddress(outOfMemoryAddress.load(std::memory_order_relaxed));
  return fault;
}

}  // namespace vantrel
