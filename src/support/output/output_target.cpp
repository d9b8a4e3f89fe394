#include "support/output/output_target.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>

#include "support/faults/faults.h"
#include "support/files/file_io.h"
#include "support/output/path_walk.h"

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

constexpr int handledSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

// A thread that makes a hidden name and puts it in place (or creates a named
// new file) does so inside a naming window: the handler, once it has begun,
// lets no window open and waits for the open ones to close, so that every
// name that exists is registered when it removes them. Another thread might
// otherwise make a name just after the handler looked at its slot.
std::atomic<bool> interrupted{false};
std::atomic<int> namingWindows{0};

extern "C" void removePendingTemp(int signal) {
  interrupted.store(true);
  while (namingWindows.load() > 0) {
    // a thread is between two calls; the handled signals are held there
  }
  for (PendingSlot& slot : pending) {
    if (slot.state.load(std::memory_order_acquire) == slotReady) unlinkat(slot.folder, slot.name, 0);
  }
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

void watchInterrupts() {
  if (interruptsWatched.exchange(true)) return;
  for (int signal : handledSignals) {
    if (std::signal(signal, removePendingTemp) == SIG_IGN) std::signal(signal, SIG_IGN);
  }
}

// The handled signals are held on the thread while its window is open, so
// that the handler never runs there and waits for itself.
class NamingWindow {
 public:
  NamingWindow() {
    watchInterrupts();
    sigset_t held;
    sigemptyset(&held);
    for (int signal : handledSignals) sigaddset(&held, signal);
    pthread_sigmask(SIG_BLOCK, &held, &before_);
    namingWindows.fetch_add(1);
    open_ = !interrupted.load();
  }
  NamingWindow(const NamingWindow&) = delete;
  NamingWindow& operator=(const NamingWindow&) = delete;
  ~NamingWindow() {
    namingWindows.fetch_sub(1);
    pthread_sigmask(SIG_SETMASK, &before_, nullptr);
  }
  // False once an interrupt has begun: no new name may be made.
  bool open() const { return open_; }

 private:
  sigset_t before_;
  bool open_ = false;
};

mode_t currentUmask() {
  mode_t mask = umask(0);
  umask(mask);
  return mask;
}

void closeFd(int& fd) {
  if (fd >= 0) close(fd);
  fd = -1;
}

FileIdentity identityOf(const struct stat& info) {
  return {static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino)};
}

// Registers a fresh hidden name for the new file, before anything has it.
void registerHiddenName(OutputFile& out) {
  out.tempName = hiddenNameBeside(out.target);
  setPendingTemp(out);
}

void dropHiddenName(OutputFile& out) {
  clearPendingTemp(out);
  out.tempName.clear();
}

// Gives the unnamed new file a hidden name beside the target and at once
// puts it in the target's place, with no other call between the two: the
// name is registered for the interrupt handler before it exists.
IoCode linkInPlace(OutputFile& out) {
  char procPath[64];
  std::snprintf(procPath, sizeof procPath, "/proc/self/fd/%d", out.fd);
  for (int attempt = 0; attempt < 100; ++attempt) {
    NamingWindow window;
    if (!window.open()) return ioCodeFromErrno(EINTR);
    registerHiddenName(out);
    const char* name = out.tempName.c_str();
    bool linked = linkat(AT_FDCWD, procPath, out.folderFd, name, AT_SYMLINK_FOLLOW) == 0;
    // Without /proc, a user with the right to it may link the descriptor itself.
    if (!linked && errno == ENOENT) linked = linkat(out.fd, "", out.folderFd, name, AT_EMPTY_PATH) == 0;
    if (linked) return renameat(out.folderFd, name, out.folderFd, out.target.c_str()) == 0 ? 0 : lastIoCode();
    int err = errno;
    dropHiddenName(out);
    if (err != EEXIST) return ioCodeFromErrno(err);
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

// A named hidden new file, where the file system has no unnamed ones.
int createNamed(OutputFile& out) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    NamingWindow window;
    if (!window.open()) {
      errno = EINTR;
      return -1;
    }
    registerHiddenName(out);
    int fd = openat(out.folderFd, out.tempName.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd >= 0) return fd;
    int err = errno;
    dropHiddenName(out);
    errno = err;
    if (err != EEXIST) break;
  }
  return -1;
}

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
  PathWalk walk;
  if (IoCode code = walkPath(fileName, walk)) return code;
  if (walk.end == WalkEnd::descriptor) {
    out.descriptor = walk.descriptor;
    facts.kind = TargetKind::descriptor;
    return 0;
  }
  out.folderFd = walk.folder;
  out.target = walk.name;
  out.systemLink = walk.systemLink;
  if (walk.end == WalkEnd::missing) return 0;
  const struct stat& info = walk.info;
  facts.kind = S_ISDIR(info.st_mode)   ? TargetKind::folder
               : S_ISREG(info.st_mode) ? TargetKind::regular
                                       : TargetKind::other;
  facts.identity = identityOf(info);
  facts.mode = info.st_mode & 07777;
  facts.owner = info.st_uid;
  facts.group = info.st_gid;
  uid_t folderOwner = 0;
  facts.plantedByOther = facts.kind != TargetKind::folder && isSharedFolder(out.folderFd, folderOwner) &&
                         info.st_uid != geteuid() && info.st_uid != folderOwner;
  return 0;
}

IoCode probeDescriptor(int fd, TargetFacts& facts) {
  int flags = fcntl(fd, F_GETFL);
  struct stat info {};
  if (flags < 0 || fstat(fd, &info) != 0) return lastIoCode();
    // A descriptor open for reading only, or for no more than its name (what
    // the program puts where a standard stream was closed), cannot be written.
#if defined(O_PATH)
  const bool noWrites = (flags & O_PATH) != 0 || (flags & O_ACCMODE) == O_RDONLY;
#else
  const bool noWrites = (flags & O_ACCMODE) == O_RDONLY;
#endif
  if (noWrites) {
    errno = EBADF;
    return lastIoCode();
  }
  facts.kind = S_ISREG(info.st_mode) ? TargetKind::regular : TargetKind::other;
  facts.identity = identityOf(info);
  return 0;
}

int descriptorNamed(const std::string& fileName) {
  PathWalk walk;
  if (walkPath(fileName, walk) != 0) return -1;
  if (walk.folder >= 0) close(walk.folder);
  return walk.end == WalkEnd::descriptor ? walk.descriptor : -1;
}

IoCode probeTarget(OutputFile& out, const TargetFacts& facts) {
  // Held open for an in-place rewrite: a name swapped later cannot redirect it.
  out.targetFd = openat(out.folderFd, out.target.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (out.targetFd < 0) return lastIoCode();
  struct stat info {};
  if (fstat(out.targetFd, &info) != 0) return lastIoCode();
  // Another file put at the name since it was looked at is not written.
  if (!(identityOf(info) == facts.identity)) return ioCodeFromErrno(EACCES);
  return 0;
}

IoCode createNewFile(OutputFile& out, const TargetFacts& facts) {
  int fd = createUnnamed(out.folderFd, O_RDWR);
  if (fd >= 0 && !canNameUnnamed(fd)) {
    close(fd);
    fd = -1;
    errno = EOPNOTSUPP;
  }
  // A named hidden file instead, removed on an interrupt.
  if (fd < 0 && unnamedRefused(errno)) fd = createNamed(out);
  if (fd < 0) return lastIoCode();
  out.fd = fd;
  if (facts.kind == TargetKind::regular) {
    (void)!fchown(fd, static_cast<uid_t>(facts.owner), static_cast<gid_t>(facts.group));
    out.newMode = facts.mode;
  } else {
    out.newMode = 0666 & ~currentUmask();
  }
  return 0;
}

IoCode writeTargetAt(OutputFile& out, std::string_view bytes) {
  if (out.length == out.written) return writeAll(out.fd, bytes.data(), bytes.size());
  if (IoCode code = writeSpoolAt(out.fd, bytes.data(), bytes.size(), out.length)) return code;
  if (lseek(out.fd, 0, SEEK_END) < 0) return lastIoCode();
  return 0;
}

IoCode readTargetAt(OutputFile& out, char* into, size_t count, uint64_t at) {
  return readSpoolAt(out.fd, into, count, at);
}

IoCode putTargetInPlace(OutputFile& out) {
  IoCode code = 0;
  if (out.written > out.length && ftruncate(out.fd, static_cast<off_t>(out.length)) != 0) code = lastIoCode();
  // Readable by others, as the old file was, only now that it is complete.
  if (code == 0 && fchmod(out.fd, static_cast<mode_t>(out.newMode)) != 0) code = lastIoCode();
  if (code == 0 && out.tempName.empty()) {
    code = linkInPlace(out);
  } else if (code == 0 && renameat(out.folderFd, out.tempName.c_str(), out.folderFd, out.target.c_str()) != 0) {
    code = lastIoCode();
  }
  if (code == 0) dropHiddenName(out);
  // Closed only once it is in place: nothing comes between naming and renaming.
  if (close(out.fd) != 0 && code == 0) code = lastIoCode();
  out.fd = -1;
  return code;
}

IoCode rewriteInPlace(OutputFile& out) {
  uint64_t total = heldLength(out.held);
  struct stat info {};
  if (fstat(out.targetFd, &info) != 0) return lastIoCode();
  bool regular = S_ISREG(info.st_mode);
  if (regular) {
    if (IoCode code = reserveSpace(out.targetFd, static_cast<uint64_t>(info.st_size), total)) return code;
  }
  // From here on the old bytes are written over.
  IoCode code = sendHeld(out.held, out.targetFd);
  if (code == 0 && regular && ftruncate(out.targetFd, static_cast<off_t>(total)) != 0) code = lastIoCode();
  return code;
}

IoCode writeStream(OutputFile& out) {
  int fd = out.descriptor;
  if (fd < 0) {
    int follow = out.systemLink ? 0 : O_NOFOLLOW;
    out.targetFd = openat(out.folderFd, out.target.c_str(), O_WRONLY | follow | O_CLOEXEC);
    if (out.targetFd < 0) return lastIoCode();
    fd = out.targetFd;
  }
  IoCode code = sendHeld(out.held, fd);
  if (code != 0) out.note = out.held.note;
  return code;
}

void closeOutputFiles(OutputFile& out) {
  closeFd(out.fd);
  if (!out.tempName.empty()) unlinkat(out.folderFd, out.tempName.c_str(), 0);
  dropHiddenName(out);
  closeFd(out.targetFd);
  closeFd(out.folderFd);
  closeSpool(out.held.spool);
}

namespace {

// Makes the folder `path` unless there is one: its parent is walked to as
// an output's path is, and the folder made in it.
IoCode makeFolder(const std::string& path) {
  for (int attempt = 0; attempt < 2; ++attempt) {
    PathWalk walk;
    if (IoCode code = walkPath(path, walk)) return code;
    const int folder = walk.folder;
    if (walk.end == WalkEnd::found) {
      close(folder);
      return S_ISDIR(walk.info.st_mode) ? 0 : ioCodeFromErrno(ENOTDIR);
    }
    if (walk.end == WalkEnd::descriptor) return ioCodeFromErrno(ENOTDIR);
    const int made = mkdirat(folder, walk.name.c_str(), 0777);
    const int err = errno;
    close(folder);
    if (made == 0) return 0;
    // Another thread or program made it meanwhile: look again. A link that
    // leads nowhere stays in the way.
    if (err != EEXIST) return ioCodeFromErrno(err);
  }
  return ioCodeFromErrno(ENOTDIR);
}

}  // namespace

IoCode makeFolders(const std::string& path, std::string& failedAt) {
  for (size_t at = path.find_first_not_of('/'); at != std::string::npos && at < path.size();) {
    size_t end = path.find('/', at);
    if (end == std::string::npos) end = path.size();
    const std::string prefix = path.substr(0, end);
    if (IoCode code = makeFolder(prefix)) {
      failedAt = prefix;
      return code;
    }
    at = path.find_first_not_of('/', end);
  }
  return 0;
}

}  // namespace vantrel
