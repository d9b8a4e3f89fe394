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
  // Removes bytes from the end of the text written so far, at most `count`,
  // copying them to `into` in their order; returns how many it removed. The
  // converter never asks for more than it has written. A sink may give back
  // fewer than asked (the last of them): the converter asks again for the
  // rest until it has them all. A sink that gives back nothing when asked
  // fails the conversion with EInOutError 100 ("Read beyond end of file"),
  // as the text cannot be made right without those bytes; so a sink that
  // keeps nothing (one that streams the text on at once) may take part only
  // in conversions of documents without "\A".
  virtual size_t takeBack(char* into, size_t count) = 0;
  // The text is complete: a file is put in place, a stream flushed. Raises
  // EInOutError if any write failed.
  virtual void finish() {}
};

}  // namespace vantrel
