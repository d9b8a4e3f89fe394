// The converter against the literal reference walk, on any document and any
// map file. Input: a map file, the bytes FF FE FD, then the document (or just
// a document, converted with the default map).
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <string_view>

#include "charmap/char_map.h"
#include "charmap/map_file.h"
#include "convert/conversion.h"
#include "convert/html_writer.h"
#include "model/reference_conversion.h"
#include "support/console/console.h"
#include "support/faults/faults.h"
#include "support/text/line_list.h"
#include "support/text/text_block.h"

using namespace vantrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const int sink = [] {
    int fd = open("/dev/null", O_WRONLY);
    resetConsole(fd);
    return fd;
  }();
  (void)sink;
  std::string_view input(reinterpret_cast<const char*>(data), size);
  std::string_view mapText;
  std::string_view document = input;
  size_t separator = input.find("\xff\xfe\xfd");
  if (separator != std::string_view::npos) {
    mapText = input.substr(0, separator);
    document = input.substr(separator + 3);
  }

  CharMap map;
  resetCharMap(map);
  HtmlHead = initialHtmlHead;
  try {
    LineList lines = createLineList();
    splitLines(lines, mapText);
    applyMapLines(map, lines);
  } catch (const ERangeError&) {
    return 0;  // the map file is faulty: the run would end here
  }

  LineList list = createLineList();
  splitLines(list, document);
  paragraphPending = rulePending = 0;
  HtmlText expected;
  model::referenceConvert(list, map, expected);

  paragraphPending = rulePending = 0;
  HtmlText actual;
  beginHtml(actual);
  convertRowGroups(textBlockOf(document), map, actual);
  if (actual.bytes.view() != expected.bytes.view()) __builtin_trap();
  return 0;
}
