#include "support/io_code.h"

#include <cerrno>

namespace vantrel {

IoCode ioCodeFromErrno(int err) {
  switch (err) {
    case 0:
      return 0;
    case ENOENT:
      return 2;
    case ENOTDIR:
    case ENAMETOOLONG:
      return 3;
    case EMFILE:
    case ENFILE:
      return 4;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
      return 5;
    case EBADF:
      return 6;
    case ENOSPC:
#if defined(EDQUOT)
    case EDQUOT:
#endif
      return 112;
    case EPIPE:
      return 232;
    default:
      return 31;
  }
}

IoCode lastIoCode() { return ioCodeFromErrno(errno); }

}  // namespace vantrel
