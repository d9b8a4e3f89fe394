#include "support/files/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

namespace vantrel {

namespace {

// Largest single read or write request; the kernel caps a request near 2 GiB.
constexpr size_t maxRequest = size_t{1} << 30;

// Reads until `size` bytes are in or the file ends; sets `got`.
IoCode readFully(int fd, char* data, size_t size, size_t& got) {
  got = 0;
  while (got < size) {
    size_t want = size - got < maxRequest ? size - got : maxRequest;
    ssize_t n = read(fd, data + got, want);
    if (n < 0) {
      if (errno == EINTR) continue;
      return lastIoCode();
    }
    if (n == 0) break;  // the file is shorter than it was
    got += static_cast<size_t>(n);
  }
  return 0;
}

IoCode readRegular(int fd, size_t size, TextBlock& block) {
  TextBlock text = newTextBlock(size);
  size_t got = 0;
  if (IoCode code = readFully(fd, text.bytes.get(), size, got)) return code;
  cutTextBlock(text, got);
  block = std::move(text);
  return 0;
}

// Pipes and devices report no size: read them to their end, or until there
// is more than a file read whole may hold. The room grows to one byte more
// than that at most: a device that fills it is too large.
IoCode readStream(int fd, TextBlock& block) {
  constexpr size_t most = largestWholeFile + 1;
  std::vector<char> bytes;
  size_t got = 0;
  for (;;) {
    if (got == most) return fileTooLarge;
    if (bytes.size() - got < 65536) bytes.resize(std::min(most, bytes.size() < 65536 ? 131072 : bytes.size() * 2));
    ssize_t n = read(fd, bytes.data() + got, bytes.size() - got);
    if (n < 0) {
      if (errno == EINTR) continue;
      return lastIoCode();
    }
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  block = textBlockOf(std::string_view(bytes.data(), got));
  return 0;
}

class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor() {
    if (fd_ >= 0) close(fd_);
  }
  int get() const { return fd_; }

 private:
  int fd_;
};

}  // namespace

IoCode readWholeFile(const std::string& fileName, TextBlock& block) {
  if (fileName.empty()) return 2;
  Descriptor file(open(fileName.c_str(), O_RDONLY | O_CLOEXEC));
  if (file.get() < 0) return lastIoCode();
  struct stat info {};
  if (fstat(file.get(), &info) != 0) return lastIoCode();
  if (S_ISDIR(info.st_mode)) return ioCodeFromErrno(EISDIR);
  if (S_ISREG(info.st_mode)) {
    if (static_cast<uint64_t>(info.st_size) > largestWholeFile) return fileTooLarge;
    auto size = static_cast<size_t>(info.st_size);
    return readRegular(file.get(), size, block);
  }
  return readStream(file.get(), block);
}

void reserveStandardDescriptors() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (fcntl(fd, F_GETFD) >= 0 || errno != EBADF) continue;
      // The lowest free descriptor is taken: this one.
#if defined(O_PATH)
    int placeholder = open("/dev/null", O_PATH);
#else
    int placeholder = open("/dev/null", O_RDONLY);
#endif
    if (placeholder >= 0 && placeholder != fd) close(placeholder);
  }
}

IoCode writeAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    size_t want = size < maxRequest ? size : maxRequest;
    ssize_t n = write(fd, data, want);
    if (n < 0) {
      if (errno == EINTR) continue;
      return lastIoCode();
    }
    data += n;
    size -= static_cast<size_t>(n);
  }
  return 0;
}

}  // namespace vantrel
