#include "convert/html_writer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vantrel {
namespace {

class HtmlWriter : public ::testing::Test {
 protected:
  void SetUp() override {
    HtmlHead = initialHtmlHead;
    paragraphPending = 0;
    rulePending = 0;
  }
  void TearDown() override { SetUp(); }
};

TEST_F(HtmlWriter, SwitchSpan) {
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
    SpanState spans;
    spans.openFont = c.openFont;
    HtmlText out;
    switchSpan(spans, c.font, c.row, out);
    EXPECT_EQ(out.bytes, c.written);
    EXPECT_EQ(spans.openFont, c.openAfter);
    EXPECT_EQ(std::vector<uint8_t>(spans.rowFont, spans.rowFont + 3), c.rowFontsAfter);
  }
}

TEST_F(HtmlWriter, FlushBreaks) {
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
    paragraphPending = c.paragraph;
    rulePending = c.rule;
    SpanState spans;
    spans.openFont = c.openFont;
    spans.rowFont[1] = 9;
    HtmlText out;
    flushBreaks(spans, out);
    EXPECT_EQ(out.bytes, c.written);
    EXPECT_EQ(paragraphPending, 0);
    EXPECT_EQ(rulePending, 0);
    EXPECT_EQ(spans.openFont, (c.paragraph || c.rule) ? 0 : c.openFont);
    EXPECT_EQ(spans.rowFont[1], 9);  // fonts carry across breaks
  }
}

TEST_F(HtmlWriter, WrappedBodies) {
  SpanState spans;
  HtmlText out;
  beginHtml(out);
  finishHtml(spans, out);
  EXPECT_EQ(out.bytes, "\n<p>\n\n\n\n</p>\n</body></html>");

  beginHtml(out);
  out.bytes += "<span class=\"Fn1\">ab";
  spans.openFont = 1;
  finishHtml(spans, out);
  EXPECT_EQ(out.bytes, "\n<p>\n\n<span class=\"Fn1\">ab</span>\n\n</p>\n</body></html>");
  EXPECT_EQ(spans.openFont, 0);

  HtmlHead = "<html>\n" + HtmlHead;
  beginHtml(out);
  EXPECT_EQ(out.bodyStart, 13u);
  paragraphPending = 1;  // pending breaks are not written by the closing step
  finishHtml(spans, out);
  EXPECT_EQ(out.bytes, "<html>\n\n<p>\n\n\n\n</p>\n</body></html>");
}

}  // namespace
}  // namespace vantrel
