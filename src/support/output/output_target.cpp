#include "support/output/output_target.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "support/files/file_io.h"

namespace vantrel {

namespace {

// The named new files of the outputs being written (one for each document
// converted at once), for the signal handler: a run that is interrupted
// leaves no stray file behind. An unnamed new file needs no handler: the
// system drops it with the process, however it ends. A slot is claimed,
// filled, then marked ready, so that the handler only reads whole entries.
enum SlotState : int { slotFree = 0, slotFilling = 1, slotReady = 2 };
struct PendingSlot {
  std::atomic<int> state{slotFree};
  int folder = -1;
  char name[256] = "";
};
constexpr int pendingSlots = 256;
PendingSlot pending[pendingSlots];
std::atomic<bool> interruptsWatched{false};

extern "C" void removePendingTemp(int signal) {
  for (PendingSlot& slot : pending) {
    if (slot.state.load(std::memory_order_acquire) == slotReady) unlinkat(slot.folder, slot.name, 0);
  }
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

void watchInterrupts() {
  if (interruptsWatched.exchange(true)) return;
  for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
    if (std::signal(signal, removePendingTemp) == SIG_IGN) std::signal(signal, SIG_IGN);
  }
}

mode_t currentUmask() {
  mode_t mask = umask(0);
  umask(mask);
  return mask;
}

void closeFd(int& fd) {
  if (fd >= 0) close(fd);
  fd = -1;
}

// Splits a path into its folder ("." for none) and its last name.
void splitPath(const std::string& path, std::string& folder, std::string& name) {
  size_t slash = path.rfind('/');
  folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  name = slash == std::string::npos ? path : path.substr(slash + 1);
}

// Opens a folder for looking names up in it, relative to `at`.
int openFolder(int at, const std::string& folder) {
  return openat(at, folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
}

// The system's rule for protected symbolic links: in a sticky folder that
// everybody may write, a link is followed only if it belongs to the user
// or to the folder's owner. It holds here even where the system's switch is
// off, since the link is followed by hand.
bool mayFollow(int folder, const struct stat& link) {
  struct stat info {};
  if (fstat(folder, &info) != 0) return false;
  bool shared = (info.st_mode & S_ISVTX) != 0 && (info.st_mode & S_IWOTH) != 0;
  return !shared || link.st_uid == geteuid() || link.st_uid == info.st_uid;
}

bool readLink(int folder, const std::string& name, std::string& text) {
  text.assign(256, '\0');
  for (;;) {
    ssize_t n = readlinkat(folder, name.c_str(), text.data(), text.size());
    if (n < 0) return false;
    if (static_cast<size_t>(n) < text.size()) {
      text.resize(static_cast<size_t>(n));
      return true;
    }
    text.assign(text.size() * 2, '\0');
  }
}

// The system's own limit on links followed in one lookup.
constexpr int maxLinkHops = 40;

// Gives the unnamed new file a hidden name beside the target.
IoCode nameUnnamed(OutputFile& out) {
  char procPath[64];
  std::snprintf(procPath, sizeof procPath, "/proc/self/fd/%d", out.fd);
  watchInterrupts();
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = hiddenNameBeside(out.target);
    bool linked = linkat(AT_FDCWD, procPath, out.folderFd, name.c_str(), AT_SYMLINK_FOLLOW) == 0;
    // Without /proc, a user with the right to it may link the descriptor itself.
    if (!linked && errno == ENOENT) linked = linkat(out.fd, "", out.folderFd, name.c_str(), AT_EMPTY_PATH) == 0;
    if (linked) {
      out.tempName = name;
      setPendingTemp(out);
      return 0;
    }
    if (errno != EEXIST) return lastIoCode();
  }
  return ioCodeFromErrno(EEXIST);
}

// An unnamed file can be given a name later only through /proc or with the
// right to link any descriptor (root's).
bool canNameUnnamed(int fd) {
  char procPath[64];
  std::snprintf(procPath, sizeof procPath, "/proc/self/fd/%d", fd);
  struct stat info {};
  return stat(procPath, &info) == 0 || geteuid() == 0;
}

int createUnnamed(int folder, int flags) {
#if defined(O_TMPFILE)
  return openat(folder, ".", O_TMPFILE | flags | O_CLOEXEC, 0600);
#else
  (void)folder;
  (void)flags;
  errno = EOPNOTSUPP;
  return -1;
#endif
}

// Whether the file system (or the system) has no unnamed files.
bool unnamedRefused(int err) { return err == EOPNOTSUPP || err == EISDIR || err == EINVAL || err == ENOENT; }

// Reserves room for `total` bytes in the target before anything is written
// over it: a size limit or a full disk then fails here, the target untouched.
IoCode reserveSpace(int fd, uint64_t oldSize, uint64_t total) {
  if (total > oldSize) {
    rlimit limit{};
    if (getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY && total > limit.rlim_cur) {
      return ioCodeFromErrno(EFBIG);
    }
  }
#if defined(__linux__)
  // The size is kept: a failure later in the copy leaves no zeros appended.
  if (total > 0 && fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(total)) != 0 && errno != EOPNOTSUPP &&
      errno != ENOSYS) {
    return lastIoCode();
  }
#else
  (void)fd;
#endif
  return 0;
}

// Copies the first `total` bytes of the spool to `fd`.
// The buffer is the call's own: outputs on several threads copy at once.
IoCode copySpool(int spool, int fd, uint64_t total) {
  constexpr size_t bufferSize = size_t{1} << 16;
  std::unique_ptr<char[]> buffer(new char[bufferSize]);
  for (uint64_t at = 0; at < total;) {
    size_t want = total - at < bufferSize ? static_cast<size_t>(total - at) : bufferSize;
    ssize_t n = pread(spool, buffer.get(), want, static_cast<off_t>(at));
    if (n < 0) {
      if (errno == EINTR) continue;
      return lastIoCode();
    }
    if (n == 0) return ioCodeFromErrno(EIO);
    if (IoCode code = writeAll(fd, buffer.get(), static_cast<size_t>(n))) return code;
    at += static_cast<uint64_t>(n);
  }
  return 0;
}

}  // namespace

void setPendingTemp(OutputFile& out) {
  watchInterrupts();
  clearPendingTemp(out);
  if (out.tempName.size() >= sizeof pending[0].name) return;
  for (int i = 0; i < pendingSlots; ++i) {
    int expected = slotFree;
    if (!pending[i].state.compare_exchange_strong(expected, slotFilling, std::memory_order_acquire)) continue;
    pending[i].folder = out.folderFd;
    std::snprintf(pending[i].name, sizeof pending[i].name, "%s", out.tempName.c_str());
    pending[i].state.store(slotReady, std::memory_order_release);
    out.pendingSlot = i;
    return;
  }
}

void clearPendingTemp(OutputFile& out) {
  if (out.pendingSlot < 0) return;
  pending[out.pendingSlot].state.store(slotFree, std::memory_order_release);
  out.pendingSlot = -1;
}

IoCode findTarget(OutputFile& out, const std::string& fileName, TargetFacts& facts) {
  std::string folder, name;
  splitPath(fileName, folder, name);
  if (name.empty()) return ioCodeFromErrno(EISDIR);
  int dir = openFolder(AT_FDCWD, folder);
  if (dir < 0) return lastIoCode();
  struct stat info {};
  bool missing = false;
  for (int hops = 0;; ++hops) {
    if (fstatat(dir, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
      if (errno != ENOENT) {
        IoCode code = lastIoCode();
        close(dir);
        return code;
      }
      missing = true;
      break;
    }
    if (!S_ISLNK(info.st_mode)) break;
    IoCode refusal = !mayFollow(dir, info) ? ioCodeFromErrno(EACCES) : hops == maxLinkHops ? ioCodeFromErrno(ELOOP) : 0;
    if (refusal != 0) {
      close(dir);
      return refusal;
    }
    // The link's target, looked up from the link's own folder. A link to
    // nothing is itself replaced by the new file.
    std::string text, linkFolder, linkName;
    if (!readLink(dir, name, text)) {
      missing = true;
      break;
    }
    splitPath(text, linkFolder, linkName);
    if (linkName.empty()) linkName.push_back('.');
    int next = openFolder(dir, linkFolder);
    struct stat there {};
    if (next < 0 || fstatat(next, linkName.c_str(), &there, AT_SYMLINK_NOFOLLOW) != 0) {
      if (next >= 0) close(next);
      // A link the system alone resolves (/dev/stdout to a pipe) may lead to
      // a device or a pipe: written through the link, as it is.
      if (fstatat(dir, name.c_str(), &there, 0) == 0 && !S_ISREG(there.st_mode) && !S_ISDIR(there.st_mode)) {
        info = there;
        out.throughLink = true;
        break;
      }
      missing = true;
      break;
    }
    close(dir);
    dir = next;
    name = linkName;
  }
  out.folderFd = dir;
  out.target = name;
  if (missing) return 0;
  facts.kind = S_ISDIR(info.st_mode)   ? TargetKind::folder
               : S_ISREG(info.st_mode) ? TargetKind::regular
                                       : TargetKind::other;
  facts.identity = {static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino)};
  facts.mode = info.st_mode & 07777;
  facts.owner = info.st_uid;
  facts.group = info.st_gid;
  return 0;
}

IoCode probeTarget(OutputFile& out, const TargetFacts& facts) {
  // Held open for an in-place rewrite: a name swapped later cannot redirect it.
  out.targetFd = openat(out.folderFd, out.target.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (out.targetFd < 0) return lastIoCode();
  struct stat info {};
  if (fstat(out.targetFd, &info) != 0) return lastIoCode();
  // Another file put at the name since it was looked at is not written.
  if (!(FileIdentity{static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino)} == facts.identity)) {
    return ioCodeFromErrno(EACCES);
  }
  return 0;
}

IoCode createNewFile(OutputFile& out, const TargetFacts& facts) {
  int fd = createUnnamed(out.folderFd, O_RDWR);
  if (fd >= 0 && !canNameUnnamed(fd)) {
    close(fd);
    fd = -1;
    errno = EOPNOTSUPP;
  }
  if (fd < 0 && unnamedRefused(errno)) {
    // A named hidden file instead, removed on an interrupt.
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
      std::string name = hiddenNameBeside(out.target);
      fd = openat(out.folderFd, name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
      if (fd >= 0) {
        out.tempName = name;
        setPendingTemp(out);
      } else if (errno != EEXIST) {
        break;
      }
    }
  }
  if (fd < 0) return lastIoCode();
  out.fd = fd;
  if (facts.kind == TargetKind::regular) {
    (void)!fchown(fd, static_cast<uid_t>(facts.owner), static_cast<gid_t>(facts.group));
    out.newMode = facts.mode;
  } else {
    out.newMode = 0666 & ~currentUmask();
  }
  if (out.targetFd >= 0) closeFd(out.targetFd);
  return 0;
}

void prepareInPlace(OutputFile& out) {
  const char* folder = std::getenv("TMPDIR");
  if (folder == nullptr || *folder == '\0') folder = "/tmp";
  int dir = openFolder(AT_FDCWD, folder);
  int fd = dir >= 0 ? createUnnamed(dir, O_RDWR) : -1;
  if (dir >= 0) close(dir);
  if (fd < 0) {
    std::string path = std::string(folder) + "/.vantrel-XXXXXX";
    fd = mkostemp(path.data(), O_CLOEXEC);
    if (fd >= 0) unlink(path.c_str());
  }
  if (fd >= 0) {
    out.fd = fd;
    out.spooled = true;
  }
}

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
  // Readable by others, as the old file was, only now that it is complete.
  if (code == 0 && fchmod(out.fd, static_cast<mode_t>(out.newMode)) != 0) code = lastIoCode();
  if (code == 0 && out.tempName.empty()) code = nameUnnamed(out);
  int fd = out.fd;
  out.fd = -1;
  if (close(fd) != 0 && code == 0) code = lastIoCode();
  if (code == 0 && renameat(out.folderFd, out.tempName.c_str(), out.folderFd, out.target.c_str()) != 0) {
    code = lastIoCode();
  }
  if (code == 0) {
    out.tempName.clear();
    clearPendingTemp(out);
  }
  return code;
}

IoCode rewriteInPlace(OutputFile& out, std::string_view text) {
  uint64_t total = out.spooled ? out.length : text.size();
  // A device or a pipe is opened only now: opening a pipe waits for a reader.
  if (out.targetFd < 0) {
    int follow = out.throughLink ? 0 : O_NOFOLLOW;
    out.targetFd = openat(out.folderFd, out.target.c_str(), O_WRONLY | follow | O_CLOEXEC);
  }
  if (out.targetFd < 0) return lastIoCode();
  struct stat info {};
  if (fstat(out.targetFd, &info) != 0) return lastIoCode();
  bool regular = S_ISREG(info.st_mode);
  if (regular) {
    if (IoCode code = reserveSpace(out.targetFd, static_cast<uint64_t>(info.st_size), total)) return code;
  }
  // From here on the old bytes are written over.
  IoCode code = out.spooled ? copySpool(out.fd, out.targetFd, total) : writeAll(out.targetFd, text.data(), text.size());
  if (code == 0 && regular && ftruncate(out.targetFd, static_cast<off_t>(total)) != 0) code = lastIoCode();
  return code;
}

void closeOutputFiles(OutputFile& out) {
  closeFd(out.fd);
  if (!out.tempName.empty()) unlinkat(out.folderFd, out.tempName.c_str(), 0);
  out.tempName.clear();
  clearPendingTemp(out);
  closeFd(out.targetFd);
  closeFd(out.folderFd);
  out.spooled = false;
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
