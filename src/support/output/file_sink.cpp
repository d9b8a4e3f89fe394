// The HTML written to a file: a new file that replaces the old one only
// when the text is complete.
#include "support/faults/faults.h"
#include "support/output/output_file.h"
#include "vantrel/vantrel.h"

namespace vantrel {

FileSink::FileSink(const std::string& fileName, const FileSource* document)
    : file_(std::make_unique<OutputFile>()), name_(fileName) {
  FileIdentity identity;
  if (document != nullptr) identity = FileIdentity{document->device(), document->inode()};
  openOutput(*file_, fileName, identity);
  if (file_->refused) raiseInOutError(file_->failure, name_, "cannot write the output: it is the document itself");
}

FileSink::~FileSink() = default;

void FileSink::write(const char* data, size_t size) { appendOutput(*file_, std::string_view(data, size)); }

size_t FileSink::takeBack(char* into, size_t count) { return readBackOutput(*file_, into, count); }

void FileSink::finish() {
  if (IoCode code = commitOutput(*file_, {})) raiseOutputError(code, name_, file_->note);
}

const std::string& FileSink::failureNote() const { return file_->note; }

}  // namespace vantrel
