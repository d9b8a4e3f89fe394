// The HTML written to an open descriptor. A regular file takes the text as
// it grows and gives bytes back by position; anything else (a pipe, a
// terminal, a file open for appending) gets the text only when it is
// complete, as it cannot give bytes back: until then the text is spooled to
// an unnamed temporary file, or kept in memory where none can be made.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "support/faults/faults.h"
#include "support/files/file_io.h"
#include "vantrel/vantrel.h"

namespace vantrel {

struct StreamSink::Spool {
  int file = -1;    // where the text grows: the descriptor itself or a temporary file
  int reader = -1;  // where bytes given back are read: `file`, or the same file opened for reading
  bool temporary = false;
  uint64_t start = 0;    // the text's offset in `file`
  uint64_t length = 0;   // the text's length
  uint64_t written = 0;  // how far `file` has been written
  bool inMemory = false;
  std::string memory;
};

namespace {

constexpr std::string_view cannotWrite = "cannot write the output";
constexpr std::string_view cannotReadBack = "cannot read back the output";

// An unnamed file in the system's temporary folder, readable by nobody else;
// -1 if none can be made.
int unnamedTemporaryFile() {
  int fd = -1;
  const char* folder = std::getenv("TMPDIR");
  std::string dir = folder != nullptr && folder[0] != '\0' ? folder : "/tmp";
#if defined(O_TMPFILE)
  fd = open(dir.c_str(), O_TMPFILE | O_RDWR | O_EXCL | O_CLOEXEC, 0600);
  if (fd >= 0) return fd;
#endif
  std::string name = dir + "/vantrel-spool.XXXXXX";
  fd = mkstemp(name.data());
  if (fd >= 0) unlink(name.c_str());
  return fd;
}

// A regular file open for writing at a position can take the text as it
// grows, given a way to read bytes back: the descriptor itself, or (for one
// open for writing only) the same file opened anew for reading.
bool writableInPlace(int fd, uint64_t& start, int& reader) {
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return false;
  int flags = fcntl(fd, F_GETFL);
  if (flags < 0 || (flags & O_APPEND) != 0) return false;
  off_t at = lseek(fd, 0, SEEK_CUR);
  if (at < 0) return false;
  start = static_cast<uint64_t>(at);
  if ((flags & O_ACCMODE) == O_RDWR) {
    reader = fd;
    return true;
  }
  reader = open(("/proc/self/fd/" + std::to_string(fd)).c_str(), O_RDONLY | O_CLOEXEC);
  struct stat same {};
  if (reader >= 0 && fstat(reader, &same) == 0 && same.st_dev == info.st_dev && same.st_ino == info.st_ino) return true;
  if (reader >= 0) close(reader);
  reader = -1;
  return false;
}

void writeAt(int fd, const char* data, size_t size, uint64_t at, std::string_view name) {
  while (size > 0) {
    ssize_t n = pwrite(fd, data, size, static_cast<off_t>(at));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) raiseFileError(lastIoCode(), name, cannotWrite, errno);
    data += n;
    size -= static_cast<size_t>(n);
    at += static_cast<uint64_t>(n);
  }
}

void readAt(int fd, char* into, size_t size, uint64_t at, std::string_view name) {
  while (size > 0) {
    ssize_t n = pread(fd, into, size, static_cast<off_t>(at));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) raiseFileError(lastIoCode(), name, cannotReadBack, errno);
    if (n == 0) raiseFileError(100, name, cannotReadBack);
    into += n;
    size -= static_cast<size_t>(n);
    at += static_cast<uint64_t>(n);
  }
}

}  // namespace

StreamSink::StreamSink(int fd) : fd_(fd), name_(descriptorName(fd)), spool_(std::make_unique<Spool>()) {
  Spool& spool = *spool_;
  if (writableInPlace(fd, spool.start, spool.reader)) {
    spool.file = fd;
    return;
  }
  spool.file = unnamedTemporaryFile();
  spool.reader = spool.file;
  spool.temporary = spool.file >= 0;
  spool.inMemory = spool.file < 0;
}

StreamSink::~StreamSink() {
  if (spool_->reader >= 0 && spool_->reader != spool_->file) close(spool_->reader);
  if (spool_->temporary) close(spool_->file);
}

void StreamSink::write(const char* data, size_t size) {
  Spool& spool = *spool_;
  if (spool.inMemory) {
    spool.memory.append(data, size);
    return;
  }
  writeAt(spool.file, data, size, spool.start + spool.length, name_);
  spool.length += size;
  if (spool.length > spool.written) spool.written = spool.length;
}

size_t StreamSink::takeBack(char* into, size_t count) {
  Spool& spool = *spool_;
  if (spool.inMemory) {
    if (count > spool.memory.size()) count = spool.memory.size();
    spool.memory.copy(into, count, spool.memory.size() - count);
    spool.memory.resize(spool.memory.size() - count);
    return count;
  }
  if (count > spool.length) count = static_cast<size_t>(spool.length);
  readAt(spool.reader, into, count, spool.start + spool.length - count, name_);
  spool.length -= count;
  return count;
}

void StreamSink::finish() {
  Spool& spool = *spool_;
  if (spool.inMemory) {
    if (IoCode code = writeAll(fd_, spool.memory.data(), spool.memory.size())) raiseFileError(code, name_, cannotWrite);
    spool.memory.clear();
    return;
  }
  if (!spool.temporary) {
    // Bytes given back after they were written lie past the text's end.
    uint64_t end = spool.start + spool.length;
    if (spool.written > spool.length && ftruncate(fd_, static_cast<off_t>(end)) != 0) {
      raiseFileError(lastIoCode(), name_, cannotWrite, errno);
    }
    if (lseek(fd_, static_cast<off_t>(end), SEEK_SET) < 0) raiseFileError(lastIoCode(), name_, cannotWrite, errno);
    return;
  }
  std::string block(size_t{1} << 20, '\0');
  for (uint64_t at = 0; at < spool.length;) {
    size_t count = spool.length - at < block.size() ? static_cast<size_t>(spool.length - at) : block.size();
    readAt(spool.reader, block.data(), count, at, name_);
    if (IoCode code = writeAll(fd_, block.data(), count)) raiseFileError(code, name_, cannotWrite);
    at += count;
  }
  spool.length = 0;
}

}  // namespace vantrel
