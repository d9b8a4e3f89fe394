#include "convert/conversion_state.h"

#include <cstring>
#include <utility>

#include "convert/valid_utf8.h"

namespace vantrel {

namespace {

// The standalone head's own stylesheet: a serif in a column of about 40em;
// sub- and superscripts that take no line height of their own, so that a
// line holding one stands as far from its neighbours as any other; spacing
// between paragraphs, and quiet rules.
constexpr std::string_view builtInStyle =
    "<style>\n"
    "body { max-width: 40em; margin: 2em auto; padding: 0 1em; color: #222; background: #fff;\n"
    "  font-family: Charter, \"Bitstream Charter\", Georgia, Cambria, \"Times New Roman\", serif;\n"
    "  line-height: 1.5; }\n"
    "p { margin: 0 0 1em; }\n"
    "sub, sup { font-size: 75%; line-height: 0; position: relative; vertical-align: baseline; }\n"
    "sup { top: -0.5em; }\n"
    "sub { bottom: -0.25em; }\n"
    "hr { border: 0; border-top: 1px solid #bbb; margin: 1.5em 0; }\n"
    "</style>\n";

// Appends `text` as valid UTF-8 (the page says it is UTF-8, whatever bytes a
// file name or a URL holds) with its mark-up as entities.
void appendEscaped(std::string& head, std::string_view text) {
  for (char c : validUtf8(text)) {
    std::string_view entity = markupEntity(c);
    if (entity.empty()) {
      head += c;
    } else {
      head += entity;
    }
  }
}

}  // namespace

std::string standaloneHead(std::string_view title, std::string_view stylesheet) {
  std::string head = "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>";
  appendEscaped(head, title);
  head += "</title>\n";
  if (stylesheet.empty()) {
    head += builtInStyle;
  } else {
    head += "<link rel=\"stylesheet\" href=\"";
    appendEscaped(head, stylesheet);
    head += "\">\n";
  }
  head += "</head>\n<body>\n";
  return head;
}

void prepareConversion(ConversionState& s, std::shared_ptr<const EncodedMap> encoded, const std::string& header,
                       const ConversionOptions& options, const Kernel& kernel) {
  s.encoded = std::move(encoded);
  s.map = s.encoded.get();
  s.kernel = &kernel;
  s.lines.kernel = &kernel;
  HtmlWriter& html = s.html;
  html.HtmlHead = options.standalone && header.empty() ? standaloneHead(options.title, options.stylesheet) : header;
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
