#include "convert/html_writer.h"

#include <cstring>
#include <string>

#include "support/faults/faults.h"

namespace vantrel {

void passOnWindow(HtmlText& out) {
  if (out.sink == nullptr) throw TextTooLong{};
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

namespace {

// The longest text one "\A" may take back: "&quot;".
constexpr size_t longestTakeBack = 6;

// Takes the last `count` bytes back from the sink into `into`, asking again
// while it gives back fewer; each answer is the end of what is still missing.
void takeBackExactly(HtmlSink& sink, char* into, size_t count) {
  while (count > 0) {
    size_t got = sink.takeBack(into, count);
    if (got == 0 || got > count) raiseInOutError(readBeyondEnd);
    std::memmove(into + count - got, into, got);
    count -= got;
  }
}

// Makes the front hold at least `longestTakeBack` bytes of the body, or the
// whole body, asking the sink to give back a tail's worth when it holds fewer.
void holdBodyTail(HtmlText& out) {
  if (out.bytes.size() >= longestTakeBack || out.passedOn <= out.bodyStart || out.sink == nullptr) return;
  uint64_t body = out.passedOn - out.bodyStart;
  size_t want = body < htmlWindowTail ? static_cast<size_t>(body) : htmlWindowTail;
  std::string held(out.bytes.view());
  out.bytes.clear();
  takeBackExactly(*out.sink, out.bytes.room(want + held.size()), want);
  out.bytes.commit(want);
  out.bytes += held;
  out.passedOn -= want;
}

bool isContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// The length of the UTF-8 sequence that a lead byte opens (0: no lead byte).
size_t sequenceLength(unsigned char lead) {
  if ((lead & 0xE0) == 0xC0) return 2;
  if ((lead & 0xF0) == 0xE0) return 3;
  if ((lead & 0xF8) == 0xF0) return 4;
  return 0;
}

// How many bytes at the end of `body` one "\A" removes: a whole multi-byte
// UTF-8 sequence that ends there, with `entities` a whole entity that the
// converter writes for an escaped character and nothing of mark-up (all of
// it ends in ">", which escaped text never holds), else one byte.
size_t takeBackLength(std::string_view body, bool entities) {
  if (entities && !body.empty() && body.back() == '>') return 0;
  if (entities && !body.empty() && body.back() == ';') {
    for (std::string_view entity : {"&amp;", "&lt;", "&gt;", "&quot;"}) {
      if (body.size() >= entity.size() && body.substr(body.size() - entity.size()) == entity) return entity.size();
    }
  }
  size_t continuations = 0;
  while (continuations < 4 && continuations < body.size() &&
         isContinuation(static_cast<unsigned char>(body[body.size() - 1 - continuations]))) {
    ++continuations;
  }
  if (continuations == 0 || continuations == 4 || continuations == body.size()) return 1;
  auto lead = static_cast<unsigned char>(body[body.size() - 1 - continuations]);
  return sequenceLength(lead) == continuations + 1 ? continuations + 1 : 1;
}

}  // namespace

void removeLastBodyChar(HtmlText& out) {
  if (out.continuesText && out.bytes.size() < longestTakeBack) {
    out.reachedStart = true;
    return;
  }
  if (out.passedOn + out.bytes.size() <= out.bodyStart) return;
  holdBodyTail(out);
  // The body's bytes that the front holds: a sequence that would reach
  // into the head is not a character of the body, and one byte goes.
  std::string_view body = out.bytes.view();
  if (out.bodyStart > out.passedOn) body.remove_prefix(static_cast<size_t>(out.bodyStart - out.passedOn));
  out.bytes.truncate(out.bytes.size() - takeBackLength(body, out.entitiesWhole));
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
  out.passOnAt = sink != nullptr ? htmlWindow : SIZE_MAX;
  out.bytes.reserve(sink != nullptr ? html.HtmlHead.size() : html.HtmlHead.size() + bodySize + closingText.size());
  out.bytes = html.HtmlHead;
  out.passedOn = 0;
  out.bodyStart = out.bytes.size();
}

void finishHtml(HtmlWriter& html) {
  switchSpan(html, 0, 1);
  html.text.bytes += closingText;
}

}  // namespace vantrel
