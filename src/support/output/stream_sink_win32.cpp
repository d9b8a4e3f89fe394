// The HTML written to an open descriptor: on Windows the text is held in
// memory and written when it is complete.
#include <string>

#include "support/faults/faults.h"
#include "support/files/file_io.h"
#include "vantrel/vantrel.h"

namespace vantrel {

struct StreamSink::Spool {
  std::string memory;
};

StreamSink::StreamSink(int fd) : fd_(fd), name_(descriptorName(fd)), spool_(std::make_unique<Spool>()) {}

StreamSink::~StreamSink() = default;

void StreamSink::write(const char* data, size_t size) { spool_->memory.append(data, size); }

size_t StreamSink::takeBack(char* into, size_t count) {
  std::string& memory = spool_->memory;
  if (count > memory.size()) count = memory.size();
  memory.copy(into, count, memory.size() - count);
  memory.resize(memory.size() - count);
  return count;
}

void StreamSink::finish() {
  if (IoCode code = writeAll(fd_, spool_->memory.data(), spool_->memory.size())) {
    raiseFileError(code, name_, "cannot write the output");
  }
  spool_->memory.clear();
}

}  // namespace vantrel
