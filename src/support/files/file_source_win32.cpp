// A document read from a file or from standard input, block by block.
#include <windows.h>

#include <string_view>

#include "support/faults/faults.h"
#include "support/files/handle_io_win32.h"
#include "vantrel/vantrel.h"

namespace vantrel {

namespace {

constexpr std::string_view cannotRead = "cannot read the document";

// The document's name in a fault: standard input is named so.
std::string nameOf(const std::string& fileName) { return fileName == "-" ? "standard input" : fileName; }

}  // namespace

FileSource::FileSource(const std::string& fileName) : name_(nameOf(fileName)) {
  HANDLE file = INVALID_HANDLE_VALUE;
  if (fileName == "-") {
    file = GetStdHandle(STD_INPUT_HANDLE);
  } else {
    if (fileName.empty()) raiseInOutError(ERROR_FILE_NOT_FOUND, "", "no document named");
    // Others may read the file while it is read, but not write it. A folder
    // cannot be opened this way: access is denied.
    file = CreateFileA(fileName.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
    if (file == INVALID_HANDLE_VALUE) raiseFileError(lastIoCode(), name_, cannotRead);
    ownsHandle_ = true;
  }
  handle_ = reinterpret_cast<intptr_t>(file);
  BY_HANDLE_FILE_INFORMATION info{};
  if (GetFileType(file) == FILE_TYPE_DISK && GetFileInformationByHandle(file, &info)) {
    regular_ = true;
    device_ = info.dwVolumeSerialNumber;
    inode_ = (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
    size_ = static_cast<int64_t>((uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow);
    modified_ = static_cast<int64_t>((uint64_t{info.ftLastWriteTime.dwHighDateTime} << 32) |
                                     info.ftLastWriteTime.dwLowDateTime);
  }
}

FileSource::~FileSource() {
  if (ownsHandle_) CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

size_t FileSource::read(char* into, size_t size) {
  constexpr size_t maxRequest = size_t{1} << 30;
  size_t got = 0;
  if (IoCode code =
          readFromHandle(reinterpret_cast<HANDLE>(handle_), into, size < maxRequest ? size : maxRequest, got)) {
    raiseFileError(code, name_, cannotRead);
  }
  if (got > 0) return got;
  if (regular_) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(reinterpret_cast<HANDLE>(handle_), &info)) {
      raiseFileError(lastIoCode(), name_, cannotRead);
    }
    auto size = static_cast<int64_t>((uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow);
    auto modified = static_cast<int64_t>((uint64_t{info.ftLastWriteTime.dwHighDateTime} << 32) |
                                         info.ftLastWriteTime.dwLowDateTime);
    if (size != size_ || modified != modified_)
      raiseInOutError(documentChanged, name_, "the document changed while it was read");
  }
  return 0;
}

}  // namespace vantrel
