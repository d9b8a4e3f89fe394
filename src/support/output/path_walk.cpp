#include "support/output/path_walk.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#if defined(__linux__)
#include <linux/magic.h>
#include <sys/vfs.h>
#endif

namespace vantrel {

namespace {

// The system's own limit on links followed in one lookup.
constexpr int maxLinkHops = 40;

// A folder held open while the walk goes on.
class Folder {
 public:
  Folder() = default;
  Folder(const Folder&) = delete;
  Folder& operator=(const Folder&) = delete;
  ~Folder() { reset(-1); }
  int get() const { return fd_; }
  void reset(int fd) {
    if (fd_ >= 0) close(fd_);
    fd_ = fd;
  }
  int release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
  }

 private:
  int fd_ = -1;
};

// Puts the names of `path` on the stack `names`, the first one last.
void pushNames(std::vector<std::string>& names, const std::string& path) {
  std::vector<std::string> found;
  for (size_t at = 0; at <= path.size();) {
    size_t slash = path.find('/', at);
    if (slash == std::string::npos) slash = path.size();
    if (slash > at) found.push_back(path.substr(at, slash - at));
    at = slash + 1;
  }
  names.insert(names.end(), found.rbegin(), found.rend());
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

// The system's rule for protected symbolic links: in a sticky folder that
// everybody may write, a link is followed only if it belongs to the user
// or to the folder's owner.
bool mayFollow(int folder, const struct stat& link) {
  uid_t owner = 0;
  return !isSharedFolder(folder, owner) || link.st_uid == geteuid() || link.st_uid == owner;
}

// Whether `folder` holds the system's own files (/proc), whose links the
// system resolves itself.
bool holdsSystemLinks(int folder) {
#if defined(__linux__)
  struct statfs info {};
  return fstatfs(folder, &info) == 0 && info.f_type == PROC_SUPER_MAGIC;
#else
  (void)folder;
  return false;
#endif
}

// The descriptor `name` in `folder`, if `folder` is this process's own
// descriptor folder; -1 otherwise.
int ownDescriptor(int folder, const std::string& name) {
  if (name.empty() || name.size() > 9 || name.find_first_not_of("0123456789") != std::string::npos) return -1;
  struct stat here {
  }, own{};
  if (fstat(folder, &here) != 0 || stat("/proc/self/fd", &own) != 0) return -1;
  if (here.st_dev != own.st_dev || here.st_ino != own.st_ino) return -1;
  return std::stoi(name);
}

IoCode failure(int err) { return ioCodeFromErrno(err); }

}  // namespace

bool isSharedFolder(int folder, uid_t& owner) {
  struct stat info {};
  if (fstat(folder, &info) != 0) return false;
  owner = info.st_uid;
  return (info.st_mode & S_ISVTX) != 0 && (info.st_mode & S_IWOTH) != 0;
}

IoCode walkPath(const std::string& path, PathWalk& walk) {
  if (path.empty()) return failure(ENOENT);
  if (path.back() == '/') return failure(EISDIR);
  std::vector<std::string> names;
  pushNames(names, path);
  Folder folder;
  folder.reset(open(path[0] == '/' ? "/" : ".", O_PATH | O_DIRECTORY | O_CLOEXEC));
  if (folder.get() < 0) return lastIoCode();
  if (names.empty()) return failure(EISDIR);
  // The last link met in the last place: where what it leads to is missing,
  // the link itself is the name (a new file replaces it).
  Folder linkFolder;
  std::string linkName;
  for (int hops = 0; !names.empty();) {
    std::string name = std::move(names.back());
    names.pop_back();
    const bool last = names.empty();
    struct stat info {};
    if (fstatat(folder.get(), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
      if (errno != ENOENT || (!last && linkFolder.get() < 0)) return lastIoCode();
      bool throughLink = linkFolder.get() >= 0;
      walk.end = WalkEnd::missing;
      walk.folder = throughLink ? linkFolder.release() : folder.release();
      walk.name = throughLink ? linkName : name;
      return 0;
    }
    if (S_ISLNK(info.st_mode)) {
      if (!mayFollow(folder.get(), info)) return failure(EACCES);
      if (++hops > maxLinkHops) return failure(ELOOP);
      if (holdsSystemLinks(folder.get())) {
        int own = last ? ownDescriptor(folder.get(), name) : -1;
        if (own >= 0) {
          walk.end = WalkEnd::descriptor;
          walk.descriptor = own;
          return 0;
        }
        // The system follows its own link (a process's folder, its working folder, ...).
        int next = openat(folder.get(), name.c_str(), O_PATH | O_CLOEXEC);
        if (next < 0 || fstat(next, &info) != 0) {
          IoCode code = lastIoCode();
          if (next >= 0) close(next);
          return code;
        }
        if (!last && S_ISDIR(info.st_mode)) {
          folder.reset(next);
          continue;
        }
        close(next);
        if (!last) return failure(ENOTDIR);
        walk.end = WalkEnd::found;
        walk.folder = folder.release();
        walk.name = name;
        walk.info = info;
        walk.systemLink = true;
        return 0;
      }
      std::string text;
      if (!readLink(folder.get(), name, text)) return lastIoCode();
      if (last) {
        linkFolder.reset(dup(folder.get()));
        if (linkFolder.get() < 0) return lastIoCode();
        linkName = name;
      }
      pushNames(names, text);
      if (!text.empty() && text[0] == '/') folder.reset(open("/", O_PATH | O_DIRECTORY | O_CLOEXEC));
      if (folder.get() < 0) return lastIoCode();
      if (names.empty()) return failure(EISDIR);  // a link to "/"
      continue;
    }
    if (last) {
      walk.end = WalkEnd::found;
      walk.folder = folder.release();
      walk.name = name;
      walk.info = info;
      return 0;
    }
    if (!S_ISDIR(info.st_mode)) return failure(ENOTDIR);
    folder.reset(openat(folder.get(), name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (folder.get() < 0) return lastIoCode();
  }
  return failure(EISDIR);
}

}  // namespace vantrel
