#pragma once
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "support/files/file_io.h"
#include "support/files/io_code.h"
#include "support/text/byte_text.h"

namespace vantrel {

enum class OutputMode {
  replace,  // written to a new file beside the target, which then replaces it
  inPlace,  // a device or pipe, or a file in a folder the user may not write:
            // the target is written over only once the whole text exists
  failed,   // nothing can be written; the commit reports the failure
};

// An output file while it is being written. The text goes to a new file
// beside the target, unnamed where the system allows, and only a complete
// text replaces the target: a failure (disk full, a fault in the conversion)
// or a kill leaves an existing target as it was. A replaced file keeps its
// permission bits and owner; a target the user may not write is not
// replaced. A symbolic link at the output name is followed only where the
// system would follow it for an ordinary open by this user (not a link
// planted by another user in a shared sticky folder), and the output is
// never the document itself.
struct OutputFile {
  OutputFile() = default;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  ~OutputFile();  // removes the new file unless the commit put it in place

  std::string target;    // the target's name in its folder (a symbolic link followed)
  std::string tempName;  // the new file's name in that folder, while it has one
#if defined(_WIN32)
  std::string folder;      // the target's folder part, "" or ending in a separator
  void* handle = nullptr;  // the new file's handle while it is open
#else
  int folderFd = -1;         // the target's folder, held open: names are looked up in it
  int fd = -1;               // the new file: beside the target, or an in-place rewrite's spool
  int targetFd = -1;         // the target itself, for an in-place rewrite
  bool throughLink = false;  // a device or pipe reached only through a link the system resolves
#endif
  bool spooled = false;  // an in-place rewrite's text goes to a spool file
  int pendingSlot = -1;  // the interrupt handler's entry for the named new file, if any
  bool refused = false;  // the target is the document itself
  uint32_t newMode = 0;  // the permission bits the new file gets when complete
  OutputMode mode = OutputMode::failed;
  IoCode failure = 0;    // the first failure; nothing is written after it
  uint64_t length = 0;   // the text's length so far
  uint64_t written = 0;  // how far the new file has been written

  // Windows handed over with appendOutput are written by a thread of their
  // own while the next window is filled.
  std::thread writer;
  std::mutex lock;
  std::condition_variable changed;
  ByteText window;       // the window being written
  ByteText inPlaceText;  // in place: the text so far, written at the commit
  bool busy = false;     // a window is being written
  bool quit = false;
  bool noWriter = false;  // the system gave no thread: windows are written in turn
};

// Prepares writing `fileName`. A failure is kept for the commit to report.
// Where the file a write would land in is `document` (same identity), the
// output is refused (`refused`, access denied) and nothing is written.
void openOutput(OutputFile& out, const std::string& fileName, FileIdentity document = {});

// Whether text may be passed on before it is complete (writeOutput); in
// place without a spool file, the whole text comes with the commit.
inline bool streamsOutput(const OutputFile& out) { return out.mode != OutputMode::inPlace || out.spooled; }

// Appends bytes to the text.
void writeOutput(OutputFile& out, std::string_view bytes);

// Appends bytes to the text, written in the background while the caller
// goes on (in place: kept until the commit).
void appendOutput(OutputFile& out, std::string_view bytes);

// Takes back up to the last `count` bytes of the text, copying them to
// `into`; returns how many.
size_t readBackOutput(OutputFile& out, char* into, size_t count);

// Takes back the last `count` bytes passed on.
void retractOutput(OutputFile& out, uint64_t count);

// Appends the rest of the text and puts the file in place. Returns 0, or
// the I/O code of the first failure.
IoCode commitOutput(OutputFile& out, std::string_view rest);

}  // namespace vantrel
