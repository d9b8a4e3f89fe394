// The sink's take-back contract: a sink may give back fewer bytes than asked
// and is asked again, so the text is the same whatever the sink and however
// many threads convert; one that gives back nothing fails the conversion.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "convert/html_writer.h"
#include "vantrel/vantrel.h"

namespace vantrel {
namespace {

// Gives back at most `most` bytes at a call.
class SparingSink : public MemorySink {
 public:
  explicit SparingSink(size_t most) : most_(most) {}
  size_t takeBack(char* into, size_t count) override { return MemorySink::takeBack(into, std::min(count, most_)); }

 private:
  size_t most_;
};

// Groups of a window's worth of text, each followed by a group of "\A"
// escapes that reach far into the text handed to the sink.
std::string reachingDocument() {
  std::string text;
  while (text.size() < htmlWindow) text += "words \xe9 and \\2font\\1 ";
  std::string doc;
  for (int group = 0; group < 3; ++group) {
    doc += "\\+\r\n" + text + "\r\n\\+\r\n";
    for (int n = 0; n < 20000 + group; ++n) doc += "\\A";
    doc += "z\r\n";
  }
  return doc;
}

TEST(SinkTakeBack, SinksGivingBackLittleGetTheSameText) {
  const std::string doc = reachingDocument();
  const MapFile map = defaultMapFile();
  ConversionOptions options;
  options.threads = 1;
  const std::string expected = convertText(doc, map, options);
  for (size_t most : {size_t{1}, size_t{5}}) {
    for (unsigned threads : {1u, 2u}) {
      SparingSink sink(most);
      MemorySource source(doc);
      options.threads = threads;
      options.callbacksOnAnyThread = threads > 1;
      convertDocument(source, map, sink, {}, options);
      EXPECT_TRUE(sink.text == expected) << most << " bytes at a time, " << threads << " threads";
    }
  }
}

TEST(SinkTakeBack, SinkGivingBackNothingFails) {
  SparingSink sink(0);
  const std::string doc = reachingDocument();
  MemorySource source(doc);
  try {
    convertDocument(source, defaultMapFile(), sink);
    FAIL() << "no failure";
  } catch (const EInOutError& fault) {
    EXPECT_EQ(fault.code(), 100);
  }
}

}  // namespace
}  // namespace vantrel
