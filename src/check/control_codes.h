#pragma once
// Without a map file every code stands for the Latin-1 character of its
// number, and the codes 0x80 to 0x9F become the C1 control characters
// U+0080 to U+009F, which a browser shows as boxes. The count is taken from
// the document's bytes as the conversion reads them, so that the conversion
// itself does no more work.
#include <atomic>
#include <cstdint>
#include <vector>

#include "check/finding.h"
#include "vantrel/streams.h"

namespace vantrel {

// The bytes from 0x80 to 0x9F among `size` bytes at `bytes`.
uint64_t countControlCodes(const char* bytes, size_t size);

// A source that counts the bytes from 0x80 to 0x9F of the source it reads.
class ControlCodeCount : public ByteSource {
 public:
  explicit ControlCodeCount(ByteSource& source) : source_(source) {}
  size_t read(char* into, size_t size) override;
  // Read once the conversion is over (its reads may come from another thread).
  uint64_t count() const { return count_.load(std::memory_order_relaxed); }

 private:
  ByteSource& source_;
  std::atomic<uint64_t> count_{0};
};

// The warning for `count` such characters converted without a map file
// (none for 0).
std::vector<Finding> controlCodeFindings(uint64_t count);

}  // namespace vantrel
