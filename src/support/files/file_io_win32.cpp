#include <io.h>
#include <windows.h>

#include <algorithm>
#include <vector>

#include "support/files/file_io.h"
#include "support/files/handle_io_win32.h"

namespace vantrel {

namespace {

IoCode readDisk(HANDLE file, TextBlock& block) {
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file, &size)) return static_cast<IoCode>(GetLastError());
  if (static_cast<uint64_t>(size.QuadPart) > largestWholeFile) return fileTooLarge;
  TextBlock text = newTextBlock(static_cast<size_t>(size.QuadPart));
  size_t got = 0;
  if (IoCode code = readFromHandle(file, text.bytes.get(), text.size, got)) return code;
  cutTextBlock(text, got);  // the file is shorter than it was
  block = std::move(text);
  return 0;
}

// Pipes and devices report no size: read them to their end, or until there
// is more than a file read whole may hold. The room grows to one byte more
// than that at most: a device that fills it is too large.
IoCode readStream(HANDLE file, TextBlock& block) {
  constexpr size_t most = largestWholeFile + 1;
  std::vector<char> bytes;
  size_t got = 0;
  for (;;) {
    if (got == most) return fileTooLarge;
    if (bytes.size() - got < 65536) bytes.resize((std::min)(most, bytes.size() < 65536 ? 131072 : bytes.size() * 2));
    size_t n = 0;
    if (IoCode code = readFromHandle(file, bytes.data() + got, bytes.size() - got, n)) return code;
    got += n;
    if (got < bytes.size()) break;  // the end came before the room was full
  }
  block = textBlockOf(std::string_view(bytes.data(), got));
  return 0;
}

}  // namespace

IoCode readWholeFile(const std::string& fileName, TextBlock& block) {
  if (fileName.empty()) return ERROR_FILE_NOT_FOUND;
  // Others may read the file while it is read, but not write it. A folder
  // cannot be opened this way: access is denied.
  HandleGuard file(CreateFileA(fileName.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return lastIoCode();
  if (GetFileType(file.get()) == FILE_TYPE_DISK) return readDisk(file.get(), block);
  return readStream(file.get(), block);
}

// The standard handles are not descriptors the program's files can take.
void reserveStandardDescriptors() {}

IoCode writeAll(int fd, const char* data, size_t size) {
  auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
  if (handle == INVALID_HANDLE_VALUE) return ERROR_INVALID_HANDLE;
  return writeToHandle(handle, data, size);
}

}  // namespace vantrel
