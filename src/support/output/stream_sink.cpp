// The HTML written to an open descriptor: a stream output, held back until
// it is complete and then written where the descriptor stands.
#include "support/faults/faults.h"
#include "support/output/output_file.h"
#include "vantrel/vantrel.h"

namespace vantrel {

struct StreamSink::Spool {
  OutputFile file;
};

StreamSink::StreamSink(int fd, const FileSource* document)
    : fd_(fd), name_(descriptorName(fd)), spool_(std::make_unique<Spool>()) {
  FileIdentity identity;
  if (document != nullptr) identity = FileIdentity{document->device(), document->inode()};
  openDescriptorOutput(spool_->file, fd, identity);
  if (spool_->file.refused) {
    raiseInOutError(spool_->file.failure, name_, "cannot write the output: it is the document itself");
  }
}

StreamSink::~StreamSink() = default;

void StreamSink::write(const char* data, size_t size) { appendOutput(spool_->file, std::string_view(data, size)); }

size_t StreamSink::takeBack(char* into, size_t count) { return readBackOutput(spool_->file, into, count); }

void StreamSink::finish() {
  if (IoCode code = commitOutput(spool_->file, {})) raiseOutputError(code, name_, spool_->file.note);
}

const std::string& StreamSink::failureNote() const { return spool_->file.note; }

}  // namespace vantrel
