#pragma once
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "support/files/file_io.h"
#include "support/files/io_code.h"
#include "support/output/held_text.h"
#include "support/text/byte_text.h"

namespace vantrel {

// Where an output goes, decided once by openOutput or openDescriptorOutput
// before anything is written; each destination has one path.
enum class OutputMode {
  replace,  // a file in a folder: a new file beside it replaces it when complete
  inPlace,  // a file the user may write in a folder he may not: written over
            // once the whole text exists, and room for it is reserved
  stream,   // a descriptor (standard output), a FIFO, a terminal, a device:
            // the whole text is written at the commit, where the stream stands
  failed,   // nothing can be written; the commit reports the failure
};

// An output file while it is being written. The text goes to a new file
// beside the target, unnamed where the system allows, and only a complete
// text replaces the target: a failure (disk full, a fault in the conversion)
// or a kill leaves an existing target as it was. A replaced file keeps its
// permission bits and owner; a target the user may not write is not
// replaced. Every symbolic link on the path is followed only where the
// system would follow it for an ordinary open by this user (not a link
// planted by another user in a shared sticky folder); in such a folder an
// existing file, FIFO or device of another user (neither the user's nor
// the folder owner's) is refused; and the output is never the document
// itself. Streams and in-place rewrites hold the text back (HeldText).
struct OutputFile {
  OutputFile() = default;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  ~OutputFile();  // removes the new file unless the commit put it in place

  std::string target;    // the target's name in its folder (symbolic links followed)
  std::string tempName;  // the new file's name in that folder, while it has one
#if defined(_WIN32)
  std::string folder;      // the target's folder part, "" or ending in a separator
  void* handle = nullptr;  // the new file's handle while it is open
#else
  int folderFd = -1;        // the target's folder, held open: names are looked up in it
  int fd = -1;              // the new file beside the target
  int targetFd = -1;        // the target itself: an in-place rewrite's, or a stream's opened by name
  bool systemLink = false;  // a stream reached through a link of the system's: opened by following it
#endif
  int descriptor = -1;   // a stream that is this process's descriptor (not closed here)
  HeldText held;         // in place and stream: the text until the commit
  int pendingSlot = -1;  // the interrupt handler's entry for the named new file, if any
  bool refused = false;  // the target is the document itself
  uint32_t newMode = 0;  // the permission bits the new file gets when complete
  OutputMode mode = OutputMode::failed;
  IoCode failure = 0;    // the first failure; nothing is written after it
  std::string note;      // what the failure concerned beside the output, for a message
  uint64_t length = 0;   // replace: the text's length so far
  uint64_t written = 0;  // replace: how far the new file has been written

  // Windows handed over with appendOutput are written to the new file by a
  // thread of their own while the next window is filled.
  std::thread writer;
  std::mutex lock;
  std::condition_variable changed;
  ByteText window;    // the window being written
  bool busy = false;  // a window is being written
  bool quit = false;
  bool noWriter = false;  // the system gave no thread: windows are written in turn
};

// Prepares writing `fileName`. A failure is kept for the commit to report.
// Where the file a write would land in is `document` (same identity), the
// output is refused (`refused`, access denied) and nothing is written. A
// name that is this process's descriptor by another spelling (/dev/stdout)
// is that descriptor, as openDescriptorOutput takes it.
void openOutput(OutputFile& out, const std::string& fileName, FileIdentity document = {});

// Prepares writing to this process's descriptor `fd` (1: standard output),
// at its own position, as the descriptor's other writers do. One not open
// for writing fails at the commit with "Bad file descriptor"; one that is
// `document` is refused at once.
void openDescriptorOutput(OutputFile& out, int fd, FileIdentity document = {});

// The descriptor that `fileName` is by another spelling (/dev/stdout: 1),
// or -1.
int descriptorNamed(const std::string& fileName);

// Appends bytes to the text.
void writeOutput(OutputFile& out, std::string_view bytes);

// Appends bytes to the text; a new file's are written in the background
// while the caller goes on.
void appendOutput(OutputFile& out, std::string_view bytes);

// Takes back up to the last `count` bytes of the text, copying them to
// `into`; returns how many.
size_t readBackOutput(OutputFile& out, char* into, size_t count);

// Takes back the last `count` bytes passed on.
void retractOutput(OutputFile& out, uint64_t count);

// Appends the rest of the text and puts it where it goes. Returns 0, or the
// I/O code of the first failure.
IoCode commitOutput(OutputFile& out, std::string_view rest);

// Raises EInOutError `code` for the output `name`: "cannot write the
// output", and why (`note` where there is one, else the code's reason).
[[noreturn]] void raiseOutputError(IoCode code, const std::string& name, const std::string& note);

}  // namespace vantrel
