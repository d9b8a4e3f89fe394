#include "support/output/output_target.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "support/files/file_io.h"

namespace vantrel {

namespace {

// The new file of the output being written, for the signal handler: a run
// that is interrupted leaves no stray file behind.
char pendingTemp[4096] = "";

extern "C" void removePendingTemp(int signal) {
  if (pendingTemp[0] != '\0') unlink(pendingTemp);
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

void watchInterrupts() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
    if (std::signal(signal, removePendingTemp) == SIG_IGN) std::signal(signal, SIG_IGN);
  }
}

void setPendingTemp(const std::string& path) {
  if (path.size() < sizeof pendingTemp) std::snprintf(pendingTemp, sizeof pendingTemp, "%s", path.c_str());
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

void fail(OutputFile& out, IoCode code) {
  if (out.failure == 0) out.failure = code;
}

}  // namespace

IoCode writeTargetAt(OutputFile& out, std::string_view bytes) {
  if (out.length == out.written) return writeAll(out.fd, bytes.data(), bytes.size());
  const char* data = bytes.data();
  size_t size = bytes.size();
  uint64_t at = out.length;
  while (size > 0) {
    ssize_t n = pwrite(out.fd, data, size, static_cast<off_t>(at));
    if (n < 0) {
      if (errno != EINTR) return lastIoCode();
      continue;
    }
    data += n;
    size -= static_cast<size_t>(n);
    at += static_cast<uint64_t>(n);
  }
  if (lseek(out.fd, 0, SEEK_END) < 0) return lastIoCode();
  return 0;
}

IoCode putTargetInPlace(OutputFile& out) {
  IoCode code = 0;
  if (out.written > out.length && ftruncate(out.fd, static_cast<off_t>(out.length)) != 0) code = lastIoCode();
  int fd = out.fd;
  out.fd = -1;
  if (close(fd) != 0 && code == 0) code = lastIoCode();
  if (code == 0 && rename(out.tempPath.c_str(), out.target.c_str()) != 0) code = lastIoCode();
  if (code == 0) {
    out.tempPath.clear();
    pendingTemp[0] = '\0';
  }
  return code;
}

void removeTemp(OutputFile& out) {
  if (out.fd >= 0) close(out.fd);
  out.fd = -1;
  if (!out.tempPath.empty()) unlink(out.tempPath.c_str());
  out.tempPath.clear();
  pendingTemp[0] = '\0';
}

IoCode writeWholeInPlace(const OutputFile& out, std::string_view text) {
  int fd = open(out.target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return lastIoCode();
  IoCode code = writeAll(fd, text.data(), text.size());
  if (close(fd) != 0 && code == 0) code = lastIoCode();
  return code;
}

void openOutput(OutputFile& out, const std::string& fileName) {
  out.mode = OutputMode::failed;
  if (fileName.empty()) {
    fail(out, 2);
    return;
  }
  out.target = resolveTarget(fileName);
  struct stat info {};
  mode_t mode = 0666 & ~currentUmask();
  bool exists = stat(out.target.c_str(), &info) == 0;
  if (exists) {
    if (S_ISDIR(info.st_mode)) {
      fail(out, ioCodeFromErrno(EISDIR));
      return;
    }
    // A device or a pipe cannot be replaced: it is written as it is.
    if (!S_ISREG(info.st_mode)) {
      out.mode = OutputMode::inPlace;
      return;
    }
    // The user must be allowed to write the file itself, not just the folder.
    int probe = open(out.target.c_str(), O_WRONLY | O_CLOEXEC);
    if (probe < 0) {
      fail(out, lastIoCode());
      return;
    }
    close(probe);
    mode = info.st_mode & 07777;
  }

  size_t slash = out.target.rfind('/');
  std::string folder = slash == std::string::npos ? std::string() : out.target.substr(0, slash + 1);
  std::string base = slash == std::string::npos ? out.target : out.target.substr(slash + 1);
  out.tempPath = folder + "." + base + ".XXXXXX";
  watchInterrupts();
  out.fd = mkstemp(out.tempPath.data());
  if (out.fd < 0) {
    int err = errno;
    out.tempPath.clear();
    // A folder the user may not write, holding a file the user may write:
    // the file can still be rewritten in place.
    if (exists && (err == EACCES || err == EPERM)) {
      out.mode = OutputMode::inPlace;
    } else {
      fail(out, ioCodeFromErrno(err));
    }
    return;
  }
  setPendingTemp(out.tempPath);
  if (exists) (void)!fchown(out.fd, info.st_uid, info.st_gid);
  if (fchmod(out.fd, mode) != 0) fail(out, lastIoCode());
  out.mode = OutputMode::replace;
}

}  // namespace vantrel

namespace vantrel {

IoCode readTargetAt(OutputFile& out, char* into, size_t count, uint64_t at) {
  while (count > 0) {
    ssize_t n = pread(out.fd, into, count, static_cast<off_t>(at));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return lastIoCode();
    if (n == 0) return 100;  // read beyond the end of the file
    into += n;
    count -= static_cast<size_t>(n);
    at += static_cast<uint64_t>(n);
  }
  return 0;
}

}  // namespace vantrel
