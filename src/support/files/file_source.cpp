// A document read from a file or from standard input, block by block.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>

#include "support/faults/faults.h"
#include "vantrel/vantrel.h"

namespace vantrel {

namespace {

constexpr std::string_view cannotRead = "cannot read the document";

// The document's name in a fault: standard input is named so.
std::string nameOf(const std::string& fileName) { return fileName == "-" ? "standard input" : fileName; }

int64_t nanoseconds(const struct timespec& time) {
  return static_cast<int64_t>(time.tv_sec) * 1000000000 + time.tv_nsec;
}

}  // namespace

FileSource::FileSource(const std::string& fileName) : name_(nameOf(fileName)) {
  if (fileName == "-") {
    handle_ = 0;
  } else {
    if (fileName.empty()) raiseInOutError(2, "", "no document named");
    int fd = open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) raiseFileError(lastIoCode(), name_, cannotRead, errno);
    handle_ = fd;
    ownsHandle_ = true;
  }
  struct stat info {};
  if (fstat(static_cast<int>(handle_), &info) != 0) raiseFileError(lastIoCode(), name_, cannotRead, errno);
  if (S_ISDIR(info.st_mode)) raiseFileError(ioCodeFromErrno(EISDIR), name_, cannotRead, EISDIR);
  regular_ = S_ISREG(info.st_mode);
  if (regular_) {
    device_ = static_cast<uint64_t>(info.st_dev);
    inode_ = static_cast<uint64_t>(info.st_ino);
    size_ = static_cast<int64_t>(info.st_size);
    modified_ = nanoseconds(info.st_mtim);
    // A rewrite whose modification time is put back (touch -d) still
    // changes the inode's change time, which no program can set.
    changed_ = nanoseconds(info.st_ctim);
  }
}

FileSource::~FileSource() {
  if (ownsHandle_) close(static_cast<int>(handle_));
}

size_t FileSource::read(char* into, size_t size) {
  // Requests stay well below the kernel's limit of a little under 2 GiB.
  constexpr size_t maxRequest = size_t{1} << 30;
  for (;;) {
    ssize_t n = ::read(static_cast<int>(handle_), into, size < maxRequest ? size : maxRequest);
    if (n > 0) return static_cast<size_t>(n);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) raiseFileError(lastIoCode(), name_, cannotRead, errno);
    break;
  }
  // The end: a regular file must still be what it was when it was opened.
  if (regular_) {
    struct stat info {};
    if (fstat(static_cast<int>(handle_), &info) != 0) raiseFileError(lastIoCode(), name_, cannotRead, errno);
    if (static_cast<int64_t>(info.st_size) != size_ || nanoseconds(info.st_mtim) != modified_ ||
        nanoseconds(info.st_ctim) != changed_) {
      raiseInOutError(documentChanged, name_, "the document changed while it was read");
    }
  }
  return 0;
}

}  // namespace vantrel
