// The C interface: one conversion held in memory, its faults turned into
// status codes and texts, so that no exception reaches a C caller.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string_view>

#include "support/faults/faults.h"
#include "vantrel/vantrel.h"
#include "vantrel/vantrel_c.h"

namespace vantrel {
namespace {

constexpr unsigned knownFlags = VANTREL_ESCAPE_MARKUP | VANTREL_STANDALONE | VANTREL_ONE_THREAD;

// The HTML in a block from malloc, which the caller releases with
// vantrel_free (free() of the library's own C runtime).
class MallocSink : public HtmlSink {
 public:
  MallocSink() = default;
  MallocSink(const MallocSink&) = delete;
  MallocSink& operator=(const MallocSink&) = delete;
  ~MallocSink() override { std::free(data_); }

  void write(const char* data, size_t size) override {
    if (size == 0) return;
    reserve(size);
    std::memcpy(data_ + size_, data, size);
    size_ += size;
  }
  size_t takeBack(char* into, size_t count) override {
    count = std::min(count, size_);
    if (count > 0) std::memcpy(into, data_ + size_ - count, count);
    size_ -= count;
    return count;
  }
  // The text, followed by a NUL byte; the sink keeps nothing.
  char* release(size_t& size) {
    reserve(1);
    data_[size_] = '\0';
    size = size_;
    char* data = data_;
    data_ = nullptr;
    size_ = capacity_ = 0;
    return data;
  }

 private:
  // Room for `more` bytes after the text, growing by half at least.
  void reserve(size_t more) {
    if (more <= capacity_ - size_) return;
    if (more > SIZE_MAX / 2 - size_) raiseOutOfMemory();
    size_t capacity = std::max({size_ + more, capacity_ + capacity_ / 2, size_t{4096}});
    void* grown = std::realloc(data_, capacity);
    if (grown == nullptr) raiseOutOfMemory();
    data_ = static_cast<char*>(grown);
    capacity_ = capacity;
  }

  char* data_ = nullptr;
  size_t size_ = 0;
  size_t capacity_ = 0;
};

void setMessage(char* message, size_t size, std::string_view text) {
  if (message == nullptr || size == 0) return;
  size_t count = std::min(text.size(), size - 1);
  if (count > 0) std::memcpy(message, text.data(), count);
  message[count] = '\0';
}

// Runs `body`; a fault becomes a status and its text, `failure` the status
// of a fault of the library's own (ERangeError, EInOutError).
template <class Body>
int guarded(int failure, char* message, size_t messageSize, Body body) {
  try {
    body();
    return VANTREL_OK;
  } catch (const EOutOfMemory& fault) {
    setMessage(message, messageSize, fault.what());
    return VANTREL_ERROR_MEMORY;
  } catch (const Exception& fault) {
    setMessage(message, messageSize, fault.what());
    return failure;
  } catch (const std::bad_alloc&) {
    setMessage(message, messageSize, EOutOfMemory().what());
    return VANTREL_ERROR_MEMORY;
  } catch (const std::length_error&) {
    setMessage(message, messageSize, EOutOfMemory().what());
    return VANTREL_ERROR_MEMORY;
  } catch (const std::exception& fault) {
    setMessage(message, messageSize, fault.what());
    return VANTREL_ERROR_OTHER;
  } catch (...) {
    setMessage(message, messageSize, "unknown failure");
    return VANTREL_ERROR_OTHER;
  }
}

}  // namespace
}  // namespace vantrel

int vantrel_convert(const char* document, size_t document_size, const char* map_text, size_t map_text_size,
                    unsigned flags, const char* title, char** html, size_t* html_size, char* message,
                    size_t message_size) {
  using namespace vantrel;
  setMessage(message, message_size, "");
  if (html != nullptr) *html = nullptr;
  if (html_size != nullptr) *html_size = 0;
  if (html == nullptr || html_size == nullptr) {
    setMessage(message, message_size, "no place for the HTML (html or html_size is NULL)");
    return VANTREL_ERROR_ARGUMENT;
  }
  if (document == nullptr && document_size > 0) {
    setMessage(message, message_size, "the document is NULL");
    return VANTREL_ERROR_ARGUMENT;
  }
  if ((flags & ~knownFlags) != 0) {
    setMessage(message, message_size, "unknown flags");
    return VANTREL_ERROR_ARGUMENT;
  }
  MapFile map;
  int status = guarded(VANTREL_ERROR_MAP, message, message_size, [&] {
    map = map_text == nullptr ? defaultMapFile() : readMapText({map_text, map_text_size}, "map text");
  });
  if (status != VANTREL_OK) return status;
  return guarded(VANTREL_ERROR_DOCUMENT, message, message_size, [&] {
    ConversionOptions options;
    options.escapeMarkup = (flags & VANTREL_ESCAPE_MARKUP) != 0;
    options.standalone = (flags & VANTREL_STANDALONE) != 0;
    if (title != nullptr) options.title = title;
    if ((flags & VANTREL_ONE_THREAD) != 0) options.threads = 1;
    MemorySource source(document == nullptr ? std::string_view() : std::string_view(document, document_size));
    MallocSink sink;
    convertDocument(source, map, sink, {}, options);
    sink.finish();
    *html = sink.release(*html_size);
  });
}

void vantrel_free(char* html) { std::free(html); }
