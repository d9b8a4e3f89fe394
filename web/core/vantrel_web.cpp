// The library seen from JavaScript (web/vantrel.js is the only caller): a
// map read from its text, a document read in slices from a JavaScript
// reader and its HTML handed to a JavaScript writer, and what the
// conversion saw. Everything runs on the caller's thread.
#include <emscripten.h>
#include <vantrel/vantrel.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <string_view>

#include "check/control_codes.h"

// The JavaScript side: the functions the caller put on the module object.
// Pointers and sizes stay below 2 GiB (the module's memory limit). They
// never throw: a failure comes back as minus an I/O code.
// clang-format off
EM_JS(double, jsRead, (char* into, size_t size), {
  return Module['vantrelRead'](into, size);
});
EM_JS(double, jsWrite, (const char* data, size_t size), {
  return Module['vantrelWrite'](data, size);
});
EM_JS(double, jsTakeBack, (char* into, size_t count), {
  return Module['vantrelTakeBack'](into, count);
});
EM_JS(void, jsProgress, (double rowGroups), {
  Module['vantrelProgress'](rowGroups);
});
// clang-format on

namespace {

// What the last call found; vantrel_result reads it field by field.
enum Field {
  fieldFault,  // 0: none, or one of the Fault values
  fieldIoCode,
  fieldLines,
  fieldRowGroups,
  fieldFirstLoneLfLine,
  fieldPassedOverLines,
  fieldFirstPassedOverLine,
  fieldRawMarkupRows,
  fieldFirstRawMarkupLine,
  fieldControlCodes,  // converted without a map file: the codes 0x80 to 0x9F
  fieldCount
};

enum Fault { noFault, rangeError, intOverflow, inOutError, outOfMemory, otherFault };

double result[fieldCount];

// The map of the last vantrel_read_map, used by the conversions after it.
std::unique_ptr<vantrel::MapFile> currentMap;
bool currentMapIsDefaults = false;  // read without a map file

// What a JavaScript function returned: a count, or minus an I/O code.
size_t countOrRaise(double got) {
  if (got < 0) throw vantrel::EInOutError(static_cast<vantrel::IoCode>(-got));
  return static_cast<size_t>(got);
}

// A document read through the JavaScript reader: how many bytes it put at
// `into`, 0 at the end.
class JsSource : public vantrel::ByteSource {
 public:
  size_t read(char* into, size_t size) override { return countOrRaise(jsRead(into, size)); }
};

// The HTML handed to the JavaScript writer in pieces of about a mebibyte.
// The newest bytes stay here until the next piece is full, so that most
// take-backs never reach the writer; the rest are asked back from it.
class JsSink : public vantrel::HtmlSink {
 public:
  JsSink() : buffer_(new char[capacity]) {}

  void write(const char* data, size_t size) override {
    while (size > 0) {
      if (used_ == capacity) flush();
      size_t part = std::min(size, capacity - used_);
      std::memcpy(buffer_.get() + used_, data, part);
      used_ += part;
      data += part;
      size -= part;
    }
  }

  size_t takeBack(char* into, size_t count) override {
    size_t fromWriter = 0;
    if (count > used_) fromWriter = countOrRaise(jsTakeBack(into, count - used_));
    size_t here = std::min(count, used_);
    std::memcpy(into + fromWriter, buffer_.get() + used_ - here, here);
    used_ -= here;
    return fromWriter + here;
  }

  void finish() override { flush(); }

 private:
  static constexpr size_t capacity = size_t{1} << 20;

  void flush() {
    size_t size = used_;
    used_ = 0;
    if (size > 0) countOrRaise(jsWrite(buffer_.get(), size));
  }

  std::unique_ptr<char[]> buffer_;
  size_t used_ = 0;
};

void clearResult() { std::fill(std::begin(result), std::end(result), 0.0); }

// Runs `body` and notes the fault it raised, if any. Returns whether it
// ended without one.
template <class Body>
bool noteFault(Body body) {
  try {
    body();
    return true;
  } catch (const vantrel::ERangeError&) {
    result[fieldFault] = rangeError;
  } catch (const vantrel::EIntOverflow&) {
    result[fieldFault] = intOverflow;
  } catch (const vantrel::EInOutError& fault) {
    result[fieldFault] = inOutError;
    result[fieldIoCode] = fault.code();
  } catch (const vantrel::EOutOfMemory&) {
    result[fieldFault] = outOfMemory;
  } catch (const std::bad_alloc&) {
    result[fieldFault] = outOfMemory;
  } catch (const std::length_error&) {
    result[fieldFault] = outOfMemory;
  } catch (const vantrel::Exception&) {
    result[fieldFault] = otherFault;
  }
  return false;
}

}  // namespace

extern "C" {

// Reads the map from the text of a map file (`hasMap` 0: the defaults).
// Returns 0, or the fault (see vantrel_result).
EMSCRIPTEN_KEEPALIVE int vantrel_read_map(const char* text, size_t size, int hasMap) {
  clearResult();
  currentMap.reset();
  currentMapIsDefaults = hasMap == 0;
  noteFault([&] {
    currentMap = std::make_unique<vantrel::MapFile>(hasMap != 0 ? vantrel::readMapText(std::string_view(text, size))
                                                                : vantrel::defaultMapFile());
  });
  return static_cast<int>(result[fieldFault]);
}

// Converts the document that the reader gives, with the last map read, and
// hands the HTML to the writer. `progressEvery` row groups (0: never) the
// progress function hears how many have begun. Returns 0, or the fault.
EMSCRIPTEN_KEEPALIVE int vantrel_convert(int escape, int standalone, const char* title, size_t titleSize,
                                         double progressEvery) {
  clearResult();
  if (currentMap == nullptr) {
    result[fieldFault] = otherFault;
    return otherFault;
  }
  noteFault([&] {
    vantrel::ConversionOptions options;
    options.escapeMarkup = escape != 0;
    options.standalone = standalone != 0;
    options.title.assign(title, titleSize);
    // One thread: the page's module has no threads of its own.
    options.threads = 1;
    double groups = 0;
    double nextReport = progressEvery;
    std::function<void()> onRowGroup;
    if (progressEvery > 0) {
      onRowGroup = [&] {
        if (++groups >= nextReport) {
          jsProgress(groups);
          nextReport += progressEvery;
        }
      };
    }
    JsSource document;
    vantrel::ControlCodeCount counted(document);
    JsSink html;
    vantrel::ByteSource& source = currentMapIsDefaults ? static_cast<vantrel::ByteSource&>(counted) : document;
    vantrel::ConversionReport report = vantrel::convertDocument(source, *currentMap, html, onRowGroup, options);
    html.finish();
    result[fieldControlCodes] = static_cast<double>(counted.count());
    result[fieldLines] = static_cast<double>(report.lines);
    result[fieldRowGroups] = static_cast<double>(report.rowGroups);
    result[fieldFirstLoneLfLine] = static_cast<double>(report.firstLoneLfLine);
    result[fieldPassedOverLines] = static_cast<double>(report.passedOverLines);
    result[fieldFirstPassedOverLine] = static_cast<double>(report.firstPassedOverLine);
  });
  return static_cast<int>(result[fieldFault]);
}

// Finds the rows of the document that the reader gives (once more, from its
// start) whose characters yield a raw "<" or "&" through the last map read.
// Returns 0, or the fault.
EMSCRIPTEN_KEEPALIVE int vantrel_raw_markup() {
  clearResult();
  if (currentMap == nullptr) {
    result[fieldFault] = otherFault;
    return otherFault;
  }
  noteFault([&] {
    JsSource document;
    vantrel::RawMarkupRows rows = vantrel::findRawMarkupRows(document, *currentMap);
    result[fieldRawMarkupRows] = static_cast<double>(rows.count);
    result[fieldFirstRawMarkupLine] = static_cast<double>(rows.firstLine);
  });
  return static_cast<int>(result[fieldFault]);
}

// One field of what the last call found (the Field values above).
EMSCRIPTEN_KEEPALIVE double vantrel_result(int field) { return field >= 0 && field < fieldCount ? result[field] : 0.0; }

}  // extern "C"
