#pragma once
// Where a conversion reads its document from and writes its HTML to.
#include <cstddef>
#include <cstdint>

#include "vantrel/export.h"

namespace vantrel {

// Bytes of a document, read in blocks.
class VANTREL_API ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Reads up to `size` bytes into `into`; 0 once the document has ended.
  // A failure raises EInOutError.
  virtual size_t read(char* into, size_t size) = 0;
};

// Takes the HTML text of a conversion in pieces, as it grows. The converter
// keeps the newest bytes back and hands the older ones on; an "\A" escape
// may still ask for bytes handed on to be given back.
class VANTREL_API HtmlSink {
 public:
  virtual ~HtmlSink() = default;
  // Appends `size` bytes to the text. A failure raises EInOutError, or is
  // kept and raised by finish().
  virtual void write(const char* data, size_t size) = 0;
  // Removes up to `count` bytes from the end of the text written so far,
  // copying them to `into` (in their order); returns how many it removed.
  virtual size_t takeBack(char* into, size_t count) = 0;
  // The text is complete: a file is put in place, a stream flushed. Raises
  // EInOutError if any write failed.
  virtual void finish() {}
};

}  // namespace vantrel
