#pragma once
// Vantrel as a library: converts row-group documents to UTF-8 HTML.
//
//   vantrel::MapFile map = vantrel::loadMapFile("Runemap.txt");
//   vantrel::MemorySource document(text);
//   vantrel::MemorySink html;
//   vantrel::convertDocument(document, map, html);
//   html.finish();   // html.text now holds the page
//
// Every call raises the faults of <vantrel/faults.h>, all std::exceptions:
// EInOutError when a file fails, ERangeError for a faulty map file,
// EOutOfMemory. Their what() names the file and the cause:
//
//   } catch (const std::exception& fault) {
//     std::fprintf(stderr, "app: %s\n", fault.what());
//     // app: Runemap.txt:12: page number out of range: ':7'
//
// One conversion's state lives inside convertDocument: conversions on
// several threads at once are fine, each with its own source and sink.
// The headers need C++20; <vantrel/vantrel_c.h> is the interface for C and
// other languages. docs/library.md tells more.
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "vantrel/char_map.h"
#include "vantrel/export.h"
#include "vantrel/faults.h"
#include "vantrel/streams.h"
#include "vantrel/version.h"

namespace vantrel {

// The library's version, "0.1.0": that of the library the program runs
// with, where VANTREL_VERSION_STRING is that of the headers it was built with.
VANTREL_API const char* version() noexcept;

// What a map file gives a conversion: the character map and the header
// lines that open the HTML (empty without a header block).
struct MapFile {
  CharMap map;
  std::string header;
};

// The map without a map file: every font on page 0, each code c standing
// for the Latin-1 character c.
VANTREL_API MapFile defaultMapFile();

// The map read from the text of a map file. A faulty line raises
// ERangeError, whose what() gives `fileName` (the name to show for the
// text; may be empty), the line and the cause:
// "Runemap.txt:12: page number out of range: ':7'".
VANTREL_API MapFile readMapText(std::string_view text, std::string_view fileName = {});

// The largest map file loadMapFile reads: 64 MiB, far more than the
// largest useful map. A longer file (or a device such as /dev/zero that
// never ends) raises EInOutError with code 223.
inline constexpr uint64_t maxMapFileSize = uint64_t{64} << 20;

// The map read from a map file; an absent file gives the defaults (and
// `found` false), one that exists but cannot be read raises EInOutError.
VANTREL_API MapFile loadMapFile(const std::string& fileName, bool* found = nullptr);

// A document held in memory.
class VANTREL_API MemorySource : public ByteSource {
 public:
  explicit MemorySource(std::string_view text) : text_(text) {}
  size_t read(char* into, size_t size) override;

 private:
  std::string_view text_;
};

// A document read from a file, or from standard input for the name "-".
// A document that cannot be opened raises EInOutError at once ("doc.chi:
// cannot read the document: No such file or directory"); one that changes
// while it is read (another program writes it: its size, its modification
// time or its inode's change time differ at the end) raises EInOutError
// with code 32 when its end is reached.
class VANTREL_API FileSource : public ByteSource {
 public:
  explicit FileSource(const std::string& fileName);
  ~FileSource() override;
  FileSource(const FileSource&) = delete;
  FileSource& operator=(const FileSource&) = delete;
  size_t read(char* into, size_t size) override;
  // The file's identity (device and inode; zeros for standard input).
  uint64_t device() const { return device_; }
  uint64_t inode() const { return inode_; }

 private:
  intptr_t handle_ = -1;
  bool ownsHandle_ = false;
  bool regular_ = false;
  uint64_t device_ = 0;
  uint64_t inode_ = 0;
  int64_t size_ = 0;
  int64_t modified_ = 0;
  int64_t changed_ = 0;  // the inode's change time, where the system keeps one
  std::string name_;     // as faults name it
};

// The HTML kept in memory.
class VANTREL_API MemorySink : public HtmlSink {
 public:
  std::string text;
  void write(const char* data, size_t size) override { text.append(data, size); }
  size_t takeBack(char* into, size_t count) override;
};

struct OutputFile;

// The HTML written to a file. The text goes to a new file that replaces the
// file of that name when finish() is called: a failure, a kill, or a sink
// destroyed before finish() leaves an existing file as it was. A replaced
// file keeps its owner and permission bits. A symbolic link anywhere on the
// path is followed only where the system would follow it for an ordinary
// open (not one planted by another user in a shared sticky folder), and in
// such a folder another user's file at the name is refused. A FIFO or a
// device gets the whole text at finish(), as StreamSink writes it; a name
// that is a descriptor of the process (/dev/stdout) is that descriptor. A
// file that is `document` itself is refused at once (EInOutError, access
// denied); other failures to open or write raise EInOutError at finish()
// ("out/x.htm: cannot write the output: Permission denied").
class VANTREL_API FileSink : public HtmlSink {
 public:
  explicit FileSink(const std::string& fileName, const FileSource* document = nullptr);
  ~FileSink() override;
  FileSink(const FileSink&) = delete;
  FileSink& operator=(const FileSink&) = delete;
  void write(const char* data, size_t size) override;
  size_t takeBack(char* into, size_t count) override;
  void finish() override;
  // After a failure, what it concerned beside the file, for a message
  // ("temporary folder /tmp: No space left on device"); empty if nothing.
  const std::string& failureNote() const;

 private:
  std::unique_ptr<OutputFile> file_;
  std::string name_;  // as faults name it
};

// The HTML written to an open descriptor (standard output: 1) at finish(),
// at the descriptor's own position, as `cat` would write it: text that other
// writers put before or after it stays. Until then the text is held back (in
// memory, then in an unnamed file in the temporary folder), so that a
// failure writes nothing. A descriptor not open for writing fails at
// finish() ("Bad file descriptor"); one that is `document` is refused at
// once (EInOutError, access denied). Its faults name the descriptor:
// "standard output", "descriptor 5".
class VANTREL_API StreamSink : public HtmlSink {
 public:
  explicit StreamSink(int fd, const FileSource* document = nullptr);
  ~StreamSink() override;
  StreamSink(const StreamSink&) = delete;
  StreamSink& operator=(const StreamSink&) = delete;
  void write(const char* data, size_t size) override;
  size_t takeBack(char* into, size_t count) override;
  void finish() override;
  // After a failure, what it concerned ("standard output: Broken pipe").
  const std::string& failureNote() const;

 private:
  struct Spool;
  int fd_;
  std::string name_;  // as faults name it
  std::unique_ptr<Spool> spool_;
};

// What a conversion may do beyond writing each character as the bytes of
// its code-page entry.
struct ConversionOptions {
  // Every "&", "<", ">" and '"' that a character's entry yields in the body
  // is written as "&amp;", "&lt;", "&gt;", "&quot;", and an "\A" right after
  // such a character takes back its whole entity. The converter's own
  // mark-up and the map file's header lines stay as they are.
  bool escapeMarkup = false;
  // Without a header block in the map file the text opens with an HTML5
  // head (doctype, charset, `title` with its mark-up escaped, a stylesheet)
  // in front of the usual head; a map file's header block is used as it is.
  // Bytes of the title that are not valid UTF-8, and control characters
  // such as NUL, become U+FFFD.
  bool standalone = false;
  std::string title;
  // The standalone head's stylesheet: empty for a small one of its own (a
  // serif in a column of about 40em, sub- and superscripts that keep the
  // lines evenly spaced, paragraph spacing and rules) in a <style> element;
  // otherwise the URL of one to link instead (<link rel="stylesheet">), its
  // mark-up escaped and made valid UTF-8 as the title is.
  std::string stylesheet;
  // Threads that convert one document, the caller's own among them: a long
  // document is cut at row-group boundaries and its parts converted at once.
  // 0 takes two where the machine has two cores or more; 1 converts on the
  // caller's thread alone. The text is the same either way. With more than
  // one, the source's read() may be called on the other thread (never two
  // calls at once); the sink and onRowGroup are called on the caller's.
  unsigned threads = 0;
  // With more than one thread, the sink and onRowGroup may be called on the
  // other thread too: still in order and never two calls at once, but a part
  // then goes to the sink from the thread that converted it, while its text
  // is in that core's cache (about 10% less work for a long document).
  bool callbacksOnAnyThread = false;
};

// Converts the document read from `document` with `map` and writes the HTML
// (header, body, closing text) into `output`; then call output.finish().
// `onRowGroup`, if given, is called once for each row group, before it is
// converted (a program draws a progress dot there).
// What a conversion saw of its document's shape, for warnings: lines are
// numbered from 1, a number 0 means none.
struct ConversionReport {
  int64_t lines = 0;                // lines read, up to the end of the text
  int64_t rowGroups = 0;            // groups with an upper row beginning with "\+"
  int64_t firstLoneLfLine = 0;      // the first line holding an LF that ends no CR LF
  int64_t passedOverLines = 0;      // lines with text outside any row group, dropped
  int64_t firstPassedOverLine = 0;  // the first of them
  bool operator==(const ConversionReport&) const = default;
};

VANTREL_API ConversionReport convertDocument(ByteSource& document, const MapFile& map, HtmlSink& output,
                                             const std::function<void()>& onRowGroup = {},
                                             const ConversionOptions& options = {});

struct Kernel;

// Converts documents one after the other with one map: the map's pages are
// encoded once, and the buffers of one document serve the next, so that a
// batch of small documents costs little more than their bytes. For one
// thread at a time: make one converter per thread.
class VANTREL_API Converter {
 public:
  explicit Converter(const MapFile& map);
  ~Converter();
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  // convertDocument with this converter's map; then call output.finish().
  ConversionReport convert(ByteSource& document, HtmlSink& output, const std::function<void()>& onRowGroup = {},
                           const ConversionOptions& options = {});

 private:
  friend Converter converterWithKernel(const MapFile& map, const Kernel& kernel);
  Converter(const MapFile& map, const Kernel& kernel);
  struct State;
  std::unique_ptr<State> state_;
};

// The rows of a document whose characters yield a raw "<" or "&" through
// the map (mark-up a browser would read): how many, and the first one's line
// (1-based, as the lines are split; 0 with none). A row counts once however
// many such characters it holds; characters an "\A" takes back count too.
struct RawMarkupRows {
  uint64_t firstLine = 0;
  uint64_t count = 0;
};
VANTREL_API RawMarkupRows findRawMarkupRows(ByteSource& document, const MapFile& map);

// The HTML of a document held in memory.
VANTREL_API std::string convertText(std::string_view document, const MapFile& map,
                                    const ConversionOptions& options = {});

}  // namespace vantrel
