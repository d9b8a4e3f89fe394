// The HTML written to an open descriptor: on Windows the text is held in
// memory and written when it is complete.
#include <io.h>
#include <windows.h>

#include <string>

#include "support/faults/faults.h"
#include "support/files/file_io.h"
#include "support/files/handle_io_win32.h"
#include "vantrel/vantrel.h"

namespace vantrel {

struct StreamSink::Spool {
  std::string memory;
  std::string note;
};

StreamSink::StreamSink(int fd, const FileSource* document)
    : fd_(fd), name_(descriptorName(fd)), spool_(std::make_unique<Spool>()) {
  // A stream that is the document itself would destroy it before it is read.
  FileIdentity identity = identityOfHandle(reinterpret_cast<HANDLE>(_get_osfhandle(fd)));
  if (document != nullptr && identity.known() && identity == FileIdentity{document->device(), document->inode()}) {
    raiseInOutError(ERROR_ACCESS_DENIED, name_, "cannot write the output: it is the document itself");
  }
}

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

const std::string& StreamSink::failureNote() const { return spool_->note; }

}  // namespace vantrel
