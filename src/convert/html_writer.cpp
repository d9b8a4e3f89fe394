#include "convert/html_writer.h"

namespace vantrel {

void passOnWindow(HtmlText& out) {
  size_t count = out.bytes.size() - htmlWindowTail;
  out.sink->write(out.bytes.data(), count);
  out.bytes.dropFront(count);
  out.passedOn += count;
}

void passOnAll(HtmlText& out) {
  if (out.sink == nullptr) return;
  out.sink->write(out.bytes.data(), out.bytes.size());
  out.passedOn += out.bytes.size();
  out.bytes.clear();
}

void removeLastBodyByte(HtmlText& out) {
  if (out.passedOn + out.bytes.size() <= out.bodyStart) return;
  if (out.bytes.empty()) {
    // Everything held went on: the sink gives back a tail's worth of the body.
    uint64_t body = out.passedOn - out.bodyStart;
    size_t want = body < htmlWindowTail ? static_cast<size_t>(body) : htmlWindowTail;
    char* into = out.bytes.room(want);
    size_t got = out.sink->takeBack(into, want);
    out.bytes.commit(got);
    out.passedOn -= got;
    if (got == 0) return;
  }
  out.bytes.pop_back();
}

void writeBreak(HtmlWriter& html) {
  switchSpan(html, 0, 1);
  html.text.bytes += html.rulePending != 0 ? ruleText : paragraphText;
  html.paragraphPending = 0;
  html.rulePending = 0;
}

void beginHtml(HtmlWriter& html, HtmlSink* sink, size_t bodySize) {
  HtmlText& out = html.text;
  out.sink = sink;
  out.bytes.reserve(sink != nullptr ? htmlWindow * 2 : html.HtmlHead.size() + bodySize + closingText.size());
  out.bytes = html.HtmlHead;
  out.passedOn = 0;
  out.bodyStart = out.bytes.size();
}

void finishHtml(HtmlWriter& html) {
  switchSpan(html, 0, 1);
  html.text.bytes += closingText;
}

}  // namespace vantrel
