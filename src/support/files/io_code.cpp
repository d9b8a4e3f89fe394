#include "support/files/io_code.h"

#include <cerrno>
#include <system_error>

#include "support/faults/faults.h"

#if defined(_WIN32)
#include <windows.h>
#endif

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

#if defined(_WIN32)
// The system's error codes are the converter's I/O codes as they stand, and
// their words those the faults give, as on every system.
IoCode lastIoCode() { return static_cast<IoCode>(GetLastError()); }
std::string lastFailureText() { return ioReason(lastIoCode()); }
#else
IoCode lastIoCode() { return ioCodeFromErrno(errno); }
std::string lastFailureText() { return std::generic_category().message(errno); }
#endif

}  // namespace vantrel
