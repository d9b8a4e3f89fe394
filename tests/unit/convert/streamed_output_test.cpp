// The converter passes its text on to its sink in windows while it goes;
// what lands there must be exactly the text kept in memory, also when "\A"
// escapes take back bytes already passed on.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <memory>
#include <string>

#include "convert/row_walk.h"
#include "helpers/test_files.h"
#include "vantrel/vantrel.h"

namespace vantrel {
namespace {

class StreamedOutput : public ::testing::Test {
 protected:
  void SetUp() override { map = MapFile{defaultMapFile().map, "<head line>\n"}; }

  // The whole text held in memory, never passed on.
  std::string inMemory(const std::string& doc) {
    auto s = std::make_unique<ConversionState>();
    prepareConversion(*s, map);
    beginHtml(s->html, nullptr);
    MemorySource source(doc);
    convertRowGroups(*s, source, {});
    return std::string(s->html.text.bytes.view());
  }

  // The text through each kind of sink: the output file, a regular file
  // written as it grows, and a file open for appending, which like a pipe
  // cannot give bytes back and so is spooled.
  void expectEverySinkGives(const std::string& doc, const std::string& expected) {
    testing::TempDir dir;
    {
      FileSink sink(dir.file("out.htm"));
      MemorySource source(doc);
      convertDocument(source, map, sink);
      sink.finish();
    }
    EXPECT_EQ(testing::readFile(dir.file("out.htm")), expected) << "file sink";
    for (int flags : {O_WRONLY | O_CREAT | O_TRUNC, O_WRONLY | O_CREAT | O_TRUNC | O_APPEND}) {
      int fd = open(dir.file("stream.htm").c_str(), flags, 0600);
      ASSERT_GE(fd, 0);
      ASSERT_EQ(write(fd, "before|", 7), 7);
      {
        StreamSink sink(fd);
        MemorySource source(doc);
        convertDocument(source, map, sink);
        sink.finish();
      }
      close(fd);
      EXPECT_EQ(testing::readFile(dir.file("stream.htm")), "before|" + expected) << "stream sink, flags " << flags;
    }
  }

  MapFile map;
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
  expectEverySinkGives(doc, expected);
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
  expectEverySinkGives(doc, expected);
}

TEST_F(StreamedOutput, RemovalsStopAtTheHead) {
  std::string doc = "\\+\r\n" + plainText(3 * htmlWindow) + "\r\n\\+\r\n";
  for (size_t n = 0; n < 12 * htmlWindow; ++n) doc += "\\A";  // more than the whole body
  doc += "end\r\n";
  std::string expected = inMemory(doc);
  const std::string head = "<head line>\n" + std::string(initialHtmlHead);
  ASSERT_EQ(expected.substr(0, head.size()), head);
  EXPECT_EQ(expected.substr(head.size(), 3), "end");
  expectEverySinkGives(doc, expected);
}

}  // namespace
}  // namespace vantrel
