#include "support/files/handle_io_win32.h"

namespace vantrel {

namespace {

constexpr size_t maxRequest = size_t{1} << 30;

DWORD requestSize(size_t size) { return static_cast<DWORD>(size < maxRequest ? size : maxRequest); }

IoCode lastError() {
  DWORD code = GetLastError();
  return static_cast<IoCode>(code != 0 ? code : ERROR_WRITE_FAULT);
}

}  // namespace

IoCode writeToHandle(HANDLE handle, const char* data, size_t size) {
  while (size > 0) {
    DWORD done = 0;
    if (!WriteFile(handle, data, requestSize(size), &done, nullptr)) return lastError();
    if (done == 0) return static_cast<IoCode>(ERROR_WRITE_FAULT);
    data += done;
    size -= done;
  }
  return 0;
}

IoCode writeToHandleAt(HANDLE handle, const char* data, size_t size, uint64_t offset) {
  while (size > 0) {
    // On a handle opened for synchronous use, the offset of an OVERLAPPED
    // record places the write, and the call waits for it.
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD done = 0;
    if (!WriteFile(handle, data, requestSize(size), &done, &at)) return lastError();
    if (done == 0) return static_cast<IoCode>(ERROR_WRITE_FAULT);
    data += done;
    size -= done;
    offset += done;
  }
  return 0;
}

IoCode readFromHandleAt(HANDLE handle, char* data, size_t size, uint64_t offset) {
  while (size > 0) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD done = 0;
    if (!ReadFile(handle, data, requestSize(size), &done, &at)) return lastError();
    if (done == 0) return 100;  // read beyond the end of the file
    data += done;
    size -= done;
    offset += done;
  }
  return 0;
}

IoCode readFromHandle(HANDLE handle, char* data, size_t size, size_t& got) {
  got = 0;
  while (got < size) {
    DWORD done = 0;
    if (!ReadFile(handle, data + got, requestSize(size - got), &done, nullptr)) {
      if (GetLastError() == ERROR_BROKEN_PIPE) break;
      return lastError();
    }
    if (done == 0) break;  // the end of the file
    got += done;
  }
  return 0;
}

FileIdentity identityOfHandle(HANDLE handle) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(handle, &info)) return {};
  return {info.dwVolumeSerialNumber, (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
}

HANDLE openForAttributes(const char* fileName) {
  return CreateFileA(fileName, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                     OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

}  // namespace vantrel
