#include "support/faults/faults.h"

#include <algorithm>
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

// The reason text of an errno value, from whichever strerror_r the C
// library has (GNU: returns the text; POSIX: fills the buffer).
[[maybe_unused]] const char* chosenText(const char* text, const char*) { return text; }
[[maybe_unused]] const char* chosenText(int failed, const char* buffer) { return failed == 0 ? buffer : ""; }

const char* systemReason(int systemError, char* buffer, size_t size) {
#if defined(_WIN32)
  return strerror_s(buffer, size, systemError) == 0 ? buffer : "";
#else
  return chosenText(strerror_r(systemError, buffer, size), buffer);
#endif
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

Exception::Exception(const char* className, const char* message) noexcept : className_(className) {
  std::snprintf(message_, sizeof message_, "%s", message);
}

const char* Exception::what() const noexcept { return detail_[0] != '\0' ? detail_ : message_; }

std::string_view Exception::cause() const noexcept {
  if (detail_[0] == '\0') return message_;
  return std::string_view(detail_ + causeStart_);
}

void Exception::describe(std::string_view objectName, int64_t line, std::string_view cause) noexcept {
  constexpr size_t capacity = sizeof detail_ - 1;
  size_t length = 0;
  auto put = [&](std::string_view text) {
    size_t count = std::min(text.size(), capacity - length);
    if (count > 0) std::memcpy(detail_ + length, text.data(), count);
    length += count;
  };
  // The name takes at most half the room, cut where a character begins.
  constexpr size_t maxName = capacity / 2;
  if (objectName.size() > maxName) {
    size_t cut = maxName - 3;
    while (cut > 0 && (static_cast<unsigned char>(objectName[cut]) & 0xC0) == 0x80) --cut;
    put(objectName.substr(0, cut));
    put("...");
  } else {
    put(objectName);
  }
  objectLength_ = static_cast<uint16_t>(length);
  line_ = line > 0 ? line : 0;
  char number[32] = "";
  if (line_ > 0) {
    std::snprintf(number, sizeof number, "%s%lld", objectName.empty() ? "line " : ":", static_cast<long long>(line_));
  }
  put(number);
  if (length > 0) put(": ");
  causeStart_ = static_cast<uint16_t>(length);
  put(cause.empty() ? std::string_view(message_) : cause);
  detail_[length] = '\0';
}

EInOutError::EInOutError(IoCode code) noexcept : Exception("EInOutError", ""), code_(code) {
  formatIoMessage(code, message_, sizeof message_);
}

std::string descriptorName(int fd) {
  if (fd == 0) return "standard input";
  if (fd == 1) return "standard output";
  if (fd == 2) return "standard error";
  return "descriptor " + std::to_string(fd);
}

const char* ioReason(IoCode code) {
  // clang-format off
  switch (code) {
    case 2: return "No such file or directory";
#if defined(_WIN32)
    case 3: return "Path not found";
#else
    case 3: return "Not a directory";
#endif
    case 4: return "Too many open files";
    case 5: return "Permission denied";
    case 6: return "Bad file descriptor";
    case 31: return "Input/output error";
    case 32: return "The file is in use by another program";
    case 100: return "Unexpected end of file";
    case 112: return "No space left on device";
    case 223: return "File too large";
    case 232: return "Broken pipe";
    default: return "Input/output error";
  }
  // clang-format on
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

VANTREL_NOINLINE void raiseFileError(IoCode code, std::string_view object, std::string_view action, int systemError) {
  EInOutError fault(code);
  fault.setAddress(faultAddressOf(VANTREL_RETURN_ADDRESS()));
  char reason[256];
  const char* text = systemError != 0 ? systemReason(systemError, reason, sizeof reason) : ioReason(code);
  if (text[0] == '\0') text = ioReason(code);
  char cause[512];
  int length = std::snprintf(cause, sizeof cause, "%.*s: %s", static_cast<int>(std::min<size_t>(action.size(), 200)),
                             action.data(), text);
  size_t used = length < 0 ? 0 : std::min(static_cast<size_t>(length), sizeof cause - 1);
  fault.describe(object, 0, std::string_view(cause, used));
  throw fault;
}

VANTREL_NOINLINE void raiseInOutError(IoCode code, std::string_view object, std::string_view cause) {
  EInOutError fault(code);
  fault.setAddress(faultAddressOf(VANTREL_RETURN_ADDRESS()));
  fault.describe(object, 0, cause);
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
