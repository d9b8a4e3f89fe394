#pragma once
#include <sys/stat.h>

#include <string>

#include "support/files/io_code.h"

namespace vantrel {

// Finds where a write to a path lands, one name at a time, each looked up
// in the folder before it with openat and O_NOFOLLOW. A symbolic link on
// the way, a folder's as well as the last name's, is followed by hand and
// only where the system's protected-symlink rule lets an ordinary open
// follow it (in a sticky folder everybody may write, only a link of the
// user's or of the folder owner's), whether the system's switch is on or
// not. The system's own links under /proc are resolved by the system: one
// that is a descriptor of this process (/dev/stdout, /dev/fd/1,
// /proc/self/fd/1) ends the walk with that descriptor.
enum class WalkEnd {
  missing,     // nothing has the last name (a link to nothing: the link itself)
  found,       // `info` tells what the last name is
  descriptor,  // the path names this process's descriptor `descriptor`
};

struct PathWalk {
  WalkEnd end = WalkEnd::missing;
  int folder = -1;          // the folder the last name lies in, held open: the caller closes it
  std::string name;         // the last name
  struct stat info {};      // found: what it is (a link followed)
  bool systemLink = false;  // found through a link of the system's: opened by following it
  int descriptor = -1;
};

// Walks `path` from the current folder, or from the root for an absolute
// one. Returns 0 with `walk` filled, or the I/O code of the failure (5 for
// a link the rule does not let be followed).
IoCode walkPath(const std::string& path, PathWalk& walk);

// Whether `folder` is sticky and everybody may write it, and its owner.
bool isSharedFolder(int folder, uid_t& owner);

}  // namespace vantrel
