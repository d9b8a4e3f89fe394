#include "support/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace vantrel {

namespace {

// Largest single read or write request; the kernel caps a request near 2 GiB.
constexpr size_t maxRequest = size_t{1} << 30;

IoCode lastError() { return ioCodeFromErrno(errno); }

// Reads until `size` bytes are in or the file ends; sets `got`.
IoCode readFully(int fd, char* data, size_t size, size_t& got) {
  got = 0;
  while (got < size) {
    size_t want = size - got < maxRequest ? size - got : maxRequest;
    ssize_t n = read(fd, data + got, want);
    if (n < 0) {
      if (errno == EINTR) continue;
      return lastError();
    }
    if (n == 0) break;  // the file is shorter than it was
    got += static_cast<size_t>(n);
  }
  return 0;
}

IoCode readRegular(int fd, size_t size, TextBlock& block) {
  std::unique_ptr<char[]> bytes(new char[size + 1]);
  size_t got = 0;
  if (IoCode code = readFully(fd, bytes.get(), size, got)) return code;
  bytes[got] = '\0';
  block.bytes = std::move(bytes);
  block.size = got;
  return 0;
}

// Pipes and devices report no size: read them to their end.
IoCode readStream(int fd, TextBlock& block) {
  std::vector<char> bytes;
  size_t got = 0;
  for (;;) {
    if (bytes.size() - got < 65536) bytes.resize(bytes.size() < 65536 ? 131072 : bytes.size() * 2);
    ssize_t n = read(fd, bytes.data() + got, bytes.size() - got);
    if (n < 0) {
      if (errno == EINTR) continue;
      return lastError();
    }
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  std::unique_ptr<char[]> result(new char[got + 1]);
  std::memcpy(result.get(), bytes.data(), got);
  result[got] = '\0';
  block.bytes = std::move(result);
  block.size = got;
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
  // Closes now and reports what close reports (some file systems only
  // report a failed write there).
  IoCode closeNow() {
    int fd = fd_;
    fd_ = -1;
    return close(fd) == 0 ? 0 : lastError();
  }

 private:
  int fd_;
};

IoCode writeInPlace(const std::string& fileName, std::string_view text) {
  Descriptor file(open(fileName.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
  if (file.get() < 0) return lastError();
  if (IoCode code = writeAll(file.get(), text.data(), text.size())) return code;
  return file.closeNow();
}

// The file a write to `fileName` lands in: a symbolic link is followed.
std::string resolveTarget(const std::string& fileName) {
  struct stat info {};
  if (lstat(fileName.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
    if (char* real = realpath(fileName.c_str(), nullptr)) {
      std::string target(real);
      std::free(real);
      return target;
    }
  }
  return fileName;
}

mode_t currentUmask() {
  mode_t mask = umask(0);
  umask(mask);
  return mask;
}

}  // namespace

IoCode readWholeFile(const std::string& fileName, TextBlock& block) {
  if (fileName.empty()) return 2;
  Descriptor file(open(fileName.c_str(), O_RDONLY | O_CLOEXEC));
  if (file.get() < 0) return lastError();
  struct stat info {};
  if (fstat(file.get(), &info) != 0) return lastError();
  if (S_ISDIR(info.st_mode)) return ioCodeFromErrno(EISDIR);
  if (S_ISREG(info.st_mode)) return readRegular(file.get(), static_cast<size_t>(info.st_size), block);
  return readStream(file.get(), block);
}

IoCode writeAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    size_t want = size < maxRequest ? size : maxRequest;
    ssize_t n = write(fd, data, want);
    if (n < 0) {
      if (errno == EINTR) continue;
      return lastError();
    }
    data += n;
    size -= static_cast<size_t>(n);
  }
  return 0;
}

IoCode saveText(const std::string& fileName, std::string_view text) {
  if (fileName.empty()) return 2;
  std::string target = resolveTarget(fileName);
  struct stat info {};
  mode_t mode = 0666 & ~currentUmask();
  bool exists = stat(target.c_str(), &info) == 0;
  if (exists) {
    if (S_ISDIR(info.st_mode)) return ioCodeFromErrno(EISDIR);
    // A device or a pipe cannot be replaced: write to it as it is.
    if (!S_ISREG(info.st_mode)) return writeInPlace(target, text);
    // The user must be allowed to write the file itself, not just the folder.
    Descriptor probe(open(target.c_str(), O_WRONLY | O_CLOEXEC));
    if (probe.get() < 0) return lastError();
    mode = info.st_mode & 07777;
  }

  size_t slash = target.rfind('/');
  std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
  std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
  std::string temp = folder + "." + base + ".XXXXXX";
  Descriptor file(mkstemp(temp.data()));
  if (file.get() < 0) {
    int err = errno;
    // A folder the user may not write, holding a file the user may write:
    // the file can still be rewritten in place.
    if (exists && (err == EACCES || err == EPERM)) return writeInPlace(target, text);
    return ioCodeFromErrno(err);
  }
  IoCode code = 0;
  if (exists) (void)!fchown(file.get(), info.st_uid, info.st_gid);
  if (fchmod(file.get(), mode) != 0) code = lastError();
  if (code == 0) code = writeAll(file.get(), text.data(), text.size());
  IoCode closed = file.closeNow();
  if (code == 0) code = closed;
  if (code == 0 && rename(temp.c_str(), target.c_str()) != 0) code = lastError();
  if (code != 0) unlink(temp.c_str());
  return code;
}

}  // namespace vantrel
