#include <windows.h>

#include "support/files/handle_io_win32.h"
#include "support/output/spool_file.h"

namespace vantrel {

namespace {

HANDLE handleOf(SystemHandle handle) { return reinterpret_cast<HANDLE>(handle); }

}  // namespace

IoCode createSpool(SystemHandle& spool, std::string& folder) {
  char path[MAX_PATH + 1] = "";
  DWORD length = GetTempPathA(sizeof path, path);
  if (length == 0 || length > MAX_PATH) return lastIoCode();
  folder.assign(path, length);
  char name[MAX_PATH + 1] = "";
  if (GetTempFileNameA(path, "vtr", 0, name) == 0) return lastIoCode();
  // Deleted when it is closed, or when the process ends however it does.
  HANDLE file = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    IoCode code = lastIoCode();
    DeleteFileA(name);
    return code;
  }
  spool = reinterpret_cast<SystemHandle>(file);
  return 0;
}

IoCode writeSpoolAt(SystemHandle spool, const char* data, size_t size, uint64_t at) {
  return writeToHandleAt(handleOf(spool), data, size, at);
}

IoCode readSpoolAt(SystemHandle spool, char* into, size_t size, uint64_t at) {
  return readFromHandleAt(handleOf(spool), into, size, at);
}

IoCode writeToDestination(SystemHandle destination, const char* data, size_t size) {
  return writeToHandle(handleOf(destination), data, size);
}

void closeSpool(SystemHandle& spool) {
  if (spool != noHandle) CloseHandle(handleOf(spool));
  spool = noHandle;
}

}  // namespace vantrel
