// The converter passes its text on to the output file in windows while it
// goes; what lands in the file must be exactly the text kept in memory,
// also when "\A" escapes take back bytes already passed on.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "charmap/char_map.h"
#include "convert/conversion.h"
#include "convert/html_writer.h"
#include "helpers/test_files.h"
#include "support/console/console.h"
#include "support/output/output_file.h"
#include "support/text/text_block.h"

namespace vantrel {
namespace {

class StreamedOutput : public ::testing::Test {
 protected:
  void SetUp() override {
    // The progress dots go to a file of their own (the same on every system).
    sink = open(sinkDir.file("console").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(sink, 0);
    resetConsole(sink);
    HtmlHead = "<head line>\n" + std::string(initialHtmlHead);
    resetCharMap(map);
  }
  void TearDown() override {
    resetConsole(1);
    close(sink);
    HtmlHead = initialHtmlHead;
    paragraphPending = 0;
    rulePending = 0;
  }

  std::string inMemory(const std::string& doc) {
    paragraphPending = rulePending = 0;
    HtmlText result;
    beginHtml(result);
    convertRowGroups(textBlockOf(doc), map, result);
    return std::string(result.bytes.view());
  }

  std::string streamed(const std::string& doc) {
    paragraphPending = rulePending = 0;
    testing::TempDir dir;
    OutputFile output;
    openOutput(output, dir.file("out.htm"));
    HtmlText result;
    result.output = &output;
    beginHtml(result);
    convertRowGroups(textBlockOf(doc), map, result);
    EXPECT_GT(result.passedOn, 0u) << "the text should have been passed on in windows";
    EXPECT_EQ(commitOutput(output, result.bytes), 0);
    return testing::readFile(dir.file("out.htm"));
  }

  testing::TempDir sinkDir;
  int sink = -1;
  CharMap map;
};

std::string plainText(size_t size) {
  std::string text;
  while (text.size() < size) text += "plain words and \xe9 accents \\2in another font \\1back, ";
  return text;
}

TEST_F(StreamedOutput, ManyWindows) {
  std::string doc;
  for (int i = 0; i < 3000; ++i) doc += "\\+ 1\r\n" + plainText(1000) + "\\,\r\n\\-  2\r\n";
  std::string expected = inMemory(doc);
  ASSERT_GT(expected.size(), 3 * htmlWindow);
  EXPECT_EQ(streamed(doc), expected);
}

TEST_F(StreamedOutput, RemovalsReachTextPassedOn) {
  // Each group writes a window's worth and then takes back more than what
  // can still be in memory: the bytes that stay behind when a window is
  // passed on, and all that the fast lane wrote since.
  std::string doc;
  for (int i = 0; i < 6; ++i) {
    doc += "\\+\r\n" + plainText(htmlWindow) + "\r\n\\+\r\n";
    for (size_t n = 0; n < htmlWindow / 4; ++n) doc += "\\A";
    doc += "z\r\n";
  }
  std::string expected = inMemory(doc);
  EXPECT_EQ(streamed(doc), expected);
}

TEST_F(StreamedOutput, RemovalsStopAtTheHead) {
  std::string doc = "\\+\r\n" + plainText(3 * htmlWindow) + "\r\n\\+\r\n";
  for (size_t n = 0; n < 12 * htmlWindow; ++n) doc += "\\A";  // more than the whole body
  doc += "end\r\n";
  std::string expected = inMemory(doc);
  ASSERT_EQ(expected.substr(0, HtmlHead.size()), HtmlHead);
  EXPECT_EQ(expected.substr(HtmlHead.size(), 3), "end");
  EXPECT_EQ(streamed(doc), expected);
}

}  // namespace
}  // namespace vantrel
