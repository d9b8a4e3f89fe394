#include "convert/html_writer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "vantrel/vantrel.h"

namespace vantrel {
namespace {

TEST(HtmlWriterTest, SwitchSpan) {
  struct Case {
    uint8_t openFont;
    uint8_t font;
    int row;
    std::string written;
    uint8_t openAfter;
    std::vector<uint8_t> rowFontsAfter;
  };
  const std::vector<Case> cases = {
      {0, 5, 1, "<span class=\"Fn5\">", 5, {1, 5, 1}},
      {5, 5, 2, "", 5, {1, 1, 1}},
      {5, 11, 0, "</span><span class=\"Fn11\">", 11, {11, 1, 1}},
      {0, 0, 1, "", 0, {1, 1, 1}},
      {12, 0, 1, "</span>", 0, {1, 1, 1}},
      {3, 20, 2, "</span><span class=\"Fn20\">", 20, {1, 1, 20}},
      {0, 1, 0, "<span class=\"Fn1\">", 1, {1, 1, 1}},
  };
  for (const Case& c : cases) {
    HtmlWriter html;
    html.spans.openFont = c.openFont;
    switchSpan(html, c.font, c.row);
    EXPECT_EQ(html.text.bytes, c.written);
    EXPECT_EQ(html.spans.openFont, c.openAfter);
    EXPECT_EQ(std::vector<uint8_t>(html.spans.rowFont, html.spans.rowFont + 3), c.rowFontsAfter);
  }
}

TEST(HtmlWriterTest, FlushBreaks) {
  struct Case {
    uint8_t paragraph;
    uint8_t rule;
    uint8_t openFont;
    std::string written;
  };
  const std::vector<Case> cases = {
      {1, 0, 1, "</span></p>\n<p>"},
      {1, 1, 0, "</p>\n<hr>\n<p>"},
      {0, 1, 4, "</span></p>\n<hr>\n<p>"},
      {1, 0, 0, "</p>\n<p>"},
      {0, 0, 7, ""},
      {0, 0, 0, ""},
  };
  for (const Case& c : cases) {
    HtmlWriter html;
    html.paragraphPending = c.paragraph;
    html.rulePending = c.rule;
    html.spans.openFont = c.openFont;
    html.spans.rowFont[1] = 9;
    flushBreaks(html);
    EXPECT_EQ(html.text.bytes, c.written);
    EXPECT_EQ(html.paragraphPending, 0);
    EXPECT_EQ(html.rulePending, 0);
    EXPECT_EQ(html.spans.openFont, (c.paragraph || c.rule) ? 0 : c.openFont);
    EXPECT_EQ(html.spans.rowFont[1], 9);  // fonts carry across breaks
  }
}

TEST(HtmlWriterTest, WrappedBodies) {
  HtmlWriter html;
  beginHtml(html, nullptr);
  finishHtml(html);
  EXPECT_EQ(html.text.bytes, "\n<p>\n\n\n\n</p>\n</body></html>");

  beginHtml(html, nullptr);
  html.text.bytes += "<span class=\"Fn1\">ab";
  html.spans.openFont = 1;
  finishHtml(html);
  EXPECT_EQ(html.text.bytes, "\n<p>\n\n<span class=\"Fn1\">ab</span>\n\n</p>\n</body></html>");
  EXPECT_EQ(html.spans.openFont, 0);

  html.HtmlHead = "<html>\n" + html.HtmlHead;
  beginHtml(html, nullptr);
  EXPECT_EQ(html.text.bodyStart, 13u);
  html.paragraphPending = 1;  // pending breaks are not written by the closing step
  finishHtml(html);
  EXPECT_EQ(html.text.bytes, "<html>\n\n<p>\n\n\n\n</p>\n</body></html>");
}

TEST(HtmlWriterTest, RemovalTakesOneCharacterOfTheBodyOnly) {
  struct Case {
    std::string text;
    uint64_t bodyStart;
    size_t passedOn;  // of `text`, already in the sink
    bool entities;
    int removals;
    std::string left;
  };
  const std::vector<Case> cases = {
      {"<head>\xC3\xA9", 6, 0, false, 1, "<head>"},
      {"<head>ab\xC3\xA9", 6, 0, false, 2, "<head>a"},
      {"<head>a", 6, 0, false, 3, "<head>"},  // the body is empty: nothing more goes
      {"x<sub>i</sub>", 0, 0, false, 1, "x<sub>i</sub"},
      {"x<sub>i</sub>", 0, 0, true, 2, "x<sub>i</sub>"},  // escaped: mark-up stays
      {"<head>a</span>", 6, 10, true, 1, "<head>a</span>"},
      {"h\xE2\x82\xAC\xE2\x82\xAC", 1, 0, false, 1, "h\xE2\x82\xAC"},
      {"h\xF0\x9F\x98\x80", 1, 0, false, 1, "h"},
      {"a\xC3\xC3", 0, 0, false, 1, "a\xC3"},                        // a lead byte alone
      {"a\xA9\xA9", 0, 0, false, 1, "a\xA9"},                        // no lead byte
      {"\xC3\xA9\xA9", 0, 0, false, 1, "\xC3\xA9"},                  // one continuation too many
      {"\xE2\x82\xAC\xAC", 0, 0, false, 1, "\xE2\x82\xAC"},          // for a three-byte lead too
      {"\xF0\x80\x80\x80\x80", 0, 0, false, 1, "\xF0\x80\x80\x80"},  // four continuations
      {"\xE2\x82\xAC", 0, 0, false, 1, ""},                          // a lead at the body's start
      {"h\xE2\x82\xAC", 2, 0, false, 1, "h\xE2\x82"},                // the lead lies in the head
      {"a&lt;b&quot;", 0, 0, true, 3, "a"},
      {"a&gt;&amp;", 0, 0, true, 1, "a&gt;"},
      {"a&amp;", 0, 0, false, 1, "a&amp"},  // a map's own entity: not escaped text
      {"x&nbsp;", 0, 0, true, 1, "x&nbsp"},
      {"&gt;", 1, 0, true, 1, "&gt"},  // the "&" lies in the head
      {"<head>abc\xE2\x82\xAC", 6, 10, false, 2, "<head>ab"},
      {"<head>abc\xE2\x82\xAC", 6, 12, false, 1, "<head>abc"},  // all passed on
      {"<head>\xC3\xA9", 6, 3, false, 1, "<head>"},             // the head partly passed on
      {"<head>x&quot;", 6, 9, true, 1, "<head>x"},
      {"<head>", 6, 6, false, 1, "<head>"},
  };
  for (const Case& c : cases) {
    MemorySink sink;
    sink.text = c.text.substr(0, c.passedOn);
    HtmlText out{std::string_view(c.text).substr(c.passedOn), c.bodyStart, c.passedOn, &sink, c.entities};
    for (int n = 0; n < c.removals; ++n) removeLastBodyChar(out);
    EXPECT_EQ(sink.text + std::string(out.bytes.view()), c.left) << ::testing::PrintToString(c.text);
    EXPECT_EQ(out.passedOn, sink.text.size());
  }
}

}  // namespace
}  // namespace vantrel
