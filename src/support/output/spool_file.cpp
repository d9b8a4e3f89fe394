#include "support/output/spool_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "support/files/file_io.h"

namespace vantrel {

IoCode createSpool(SystemHandle& spool, std::string& folder) {
  const char* tmp = std::getenv("TMPDIR");
  folder = tmp != nullptr && *tmp != '\0' ? tmp : "/tmp";
  int fd = -1;
#if defined(O_TMPFILE)
  fd = open(folder.c_str(), O_TMPFILE | O_RDWR | O_EXCL | O_CLOEXEC, 0600);
#endif
  if (fd < 0) {
    std::string name = folder + "/.vantrel-spool.XXXXXX";
    fd = mkostemp(name.data(), O_CLOEXEC);
    if (fd >= 0) unlink(name.c_str());
  }
  if (fd < 0) return lastIoCode();
  spool = fd;
  return 0;
}

IoCode writeSpoolAt(SystemHandle spool, const char* data, size_t size, uint64_t at) {
  while (size > 0) {
    ssize_t n = pwrite(static_cast<int>(spool), data, size, static_cast<off_t>(at));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return lastIoCode();
    data += n;
    size -= static_cast<size_t>(n);
    at += static_cast<uint64_t>(n);
  }
  return 0;
}

IoCode readSpoolAt(SystemHandle spool, char* into, size_t size, uint64_t at) {
  while (size > 0) {
    ssize_t n = pread(static_cast<int>(spool), into, size, static_cast<off_t>(at));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return lastIoCode();
    if (n == 0) return 100;  // read beyond the end of the file
    into += n;
    size -= static_cast<size_t>(n);
    at += static_cast<uint64_t>(n);
  }
  return 0;
}

IoCode writeToDestination(SystemHandle destination, const char* data, size_t size) {
  return writeAll(static_cast<int>(destination), data, size);
}

void closeSpool(SystemHandle& spool) {
  if (spool != noHandle) close(static_cast<int>(spool));
  spool = noHandle;
}

}  // namespace vantrel
