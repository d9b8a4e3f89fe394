#include "support/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "support/file_io.h"

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

// Waits until the window being written, if any, is written.
void waitForWriter(OutputFile& out) {
  std::unique_lock<std::mutex> guard(out.lock);
  out.changed.wait(guard, [&] { return !out.busy; });
}

void stopWriter(OutputFile& out) {
  if (!out.writer.joinable()) return;
  {
    std::lock_guard<std::mutex> guard(out.lock);
    out.quit = true;
  }
  out.changed.notify_all();
  out.writer.join();
}

// Writes at the text's end, which lies before the file's end after a retraction.
void writeAt(OutputFile& out, std::string_view bytes) {
  IoCode code = 0;
  if (out.length == out.written) {
    code = writeAll(out.fd, bytes.data(), bytes.size());
  } else {
    const char* data = bytes.data();
    size_t size = bytes.size();
    uint64_t at = out.length;
    while (size > 0 && code == 0) {
      ssize_t n = pwrite(out.fd, data, size, static_cast<off_t>(at));
      if (n < 0) {
        if (errno != EINTR) code = lastIoCode();
        continue;
      }
      data += n;
      size -= static_cast<size_t>(n);
      at += static_cast<uint64_t>(n);
    }
    if (code == 0 && lseek(out.fd, 0, SEEK_END) < 0) code = lastIoCode();
  }
  if (code != 0) {
    fail(out, code);
    return;
  }
  out.length += bytes.size();
  if (out.length > out.written) out.written = out.length;
}

void writeWindows(OutputFile& out) {
  std::unique_lock<std::mutex> guard(out.lock);
  for (;;) {
    out.changed.wait(guard, [&] { return out.busy || out.quit; });
    if (!out.busy) return;
    guard.unlock();
    if (out.failure == 0) writeAt(out, out.window.view());
    guard.lock();
    out.busy = false;
    out.changed.notify_all();
  }
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

}  // namespace

OutputFile::~OutputFile() {
  stopWriter(*this);
  if (!tempPath.empty()) removeTemp(*this);
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

void writeOutput(OutputFile& out, std::string_view bytes) {
  waitForWriter(out);
  if (out.mode != OutputMode::replace || out.failure != 0 || bytes.empty()) return;
  writeAt(out, bytes);
}

void passOnOutput(OutputFile& out, ByteText& bytes, size_t count) {
  if (out.mode != OutputMode::replace) {
    bytes.dropFront(count);
    return;
  }
  if (!out.writer.joinable()) out.writer = std::thread(writeWindows, std::ref(out));
  waitForWriter(out);
  // The full text becomes the window to write; `bytes` takes over the
  // storage of the window written before and keeps the rest of the text.
  std::swap(out.window, bytes);
  bytes.clear();
  bytes.append(out.window.view().substr(count));
  out.window.truncate(count);
  {
    std::lock_guard<std::mutex> guard(out.lock);
    out.busy = true;
  }
  out.changed.notify_all();
}

void retractOutput(OutputFile& out, uint64_t count) {
  waitForWriter(out);
  out.length = count < out.length ? out.length - count : 0;
}

IoCode commitOutput(OutputFile& out, std::string_view rest) {
  waitForWriter(out);
  stopWriter(out);
  if (out.mode == OutputMode::inPlace && out.failure == 0) fail(out, writeWholeInPlace(out, rest));
  if (out.mode == OutputMode::replace && out.failure == 0) {
    writeAt(out, rest);
    if (out.failure == 0 && out.written > out.length && ftruncate(out.fd, static_cast<off_t>(out.length)) != 0) {
      fail(out, lastIoCode());
    }
    int fd = out.fd;
    out.fd = -1;
    if (close(fd) != 0) fail(out, lastIoCode());
    if (out.failure == 0 && rename(out.tempPath.c_str(), out.target.c_str()) != 0) fail(out, lastIoCode());
    if (out.failure == 0) {
      out.tempPath.clear();
      pendingTemp[0] = '\0';
    }
  }
  if (!out.tempPath.empty()) removeTemp(out);
  return out.failure;
}

}  // namespace vantrel
