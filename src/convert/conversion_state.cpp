#include "convert/conversion_state.h"

#include <cstring>
#include <utility>

#include "convert/valid_utf8.h"

namespace vantrel {

std::string standaloneHead(std::string_view title) {
  std::string head = "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>";
  // The page says it is UTF-8: so is its title, whatever bytes a file name holds.
  for (char c : validUtf8(title)) {
    std::string_view entity = markupEntity(c);
    if (entity.empty()) {
      head += c;
    } else {
      head += entity;
    }
  }
  head += "</title>\n</head>\n<body>\n";
  return head;
}

void prepareConversion(ConversionState& s, std::shared_ptr<const EncodedMap> encoded, const std::string& header,
                       const ConversionOptions& options, const Kernel& kernel) {
  s.encoded = std::move(encoded);
  s.map = s.encoded.get();
  s.kernel = &kernel;
  s.lines.kernel = &kernel;
  HtmlWriter& html = s.html;
  html.HtmlHead = options.standalone && header.empty() ? standaloneHead(options.title) : header;
  html.HtmlHead += initialHtmlHead;
  html.spans = SpanState{};
  html.paragraphPending = 0;
  html.rulePending = 0;
  html.text.entitiesWhole = options.escapeMarkup;
  html.text.continuesText = false;
  html.text.reachedStart = false;
  s.currentFont = 1;
  s.report = ConversionReport{};
  s.groupsWalked = 0;
  s.observer = nullptr;
}

void prepareConversion(ConversionState& s, const MapFile& map, const ConversionOptions& options, const Kernel& kernel) {
  std::shared_ptr<const EncodedMap> encoded = s.encoded;
  if (!encoded || encoded->escapeMarkup != options.escapeMarkup ||
      std::memcmp(&encoded->map, &map.map, sizeof map.map) != 0) {
    encoded = encodeMap(map.map, options.escapeMarkup);
  }
  prepareConversion(s, std::move(encoded), map.header, options, kernel);
}

}  // namespace vantrel
