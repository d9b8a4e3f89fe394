#include "convert/html_writer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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

TEST(HtmlWriterTest, RemovalTakesOneByteOfTheBodyOnly) {
  HtmlText result{"<head>\xC3\xA9", 6};
  removeLastBodyByte(result);
  EXPECT_EQ(result.bytes, "<head>\xC3");  // half of a character stays
  removeLastBodyByte(result);
  EXPECT_EQ(result.bytes, "<head>");
  removeLastBodyByte(result);  // the body is empty: nothing goes
  EXPECT_EQ(result.bytes, "<head>");

  HtmlText markup{"x<sub>i</sub>", 0};
  removeLastBodyByte(markup);
  EXPECT_EQ(markup.bytes, "x<sub>i</sub");

  HtmlText empty;
  removeLastBodyByte(empty);
  EXPECT_EQ(empty.bytes, "");
}

}  // namespace
}  // namespace vantrel
