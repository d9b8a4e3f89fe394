#include "convert/html_writer.h"

#include "support/text/number_text.h"

namespace vantrel {

std::string HtmlHead(initialHtmlHead);
uint8_t paragraphPending = 0;
uint8_t rulePending = 0;

namespace {

// "<span class=\"Fn<font>\">" for every font a row can be in.
struct SpanOpenings {
  std::string text[256];
  SpanOpenings() {
    for (int font = 0; font < 256; ++font) text[font] = "<span class=\"Fn" + intToStr(font) + "\">";
  }
};

const SpanOpenings spanOpenings;

}  // namespace

std::string_view spanOpening(uint8_t font) { return spanOpenings.text[font]; }

void switchSpan(SpanState& spans, uint8_t font, int row, HtmlText& out) {
  if (font == spans.openFont) return;
  if (spans.openFont != 0) out.bytes += "</span>";
  spans.openFont = font;
  if (font != 0) {
    spans.rowFont[row] = font;
    out.bytes += spanOpening(font);
  }
}

void writeBreak(SpanState& spans, HtmlText& out) {
  switchSpan(spans, 0, 1, out);
  out.bytes += rulePending != 0 ? ruleText : paragraphText;
  paragraphPending = 0;
  rulePending = 0;
}

void beginHtml(HtmlText& out, size_t bodySize) {
  bool streams = out.output != nullptr && streamsOutput(*out.output);
  out.bytes.reserve(streams ? htmlWindow * 2 : HtmlHead.size() + bodySize + closingText.size());
  out.bytes = HtmlHead;
  out.passedOn = 0;
  out.bodyStart = out.bytes.size();
}

void finishHtml(SpanState& spans, HtmlText& out) {
  switchSpan(spans, 0, 1, out);
  out.bytes += closingText;
}

void removeLastBodyByte(HtmlText& out) {
  if (out.passedOn + out.bytes.size() <= out.bodyStart) return;
  if (!out.bytes.empty()) {
    out.bytes.pop_back();
  } else {
    retractOutput(*out.output, 1);
    --out.passedOn;
  }
}

void clearHtmlHead() { HtmlHead.clear(); }

}  // namespace vantrel
