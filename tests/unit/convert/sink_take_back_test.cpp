// The sink's take-back contract: a sink that gives back fewer bytes than
// asked is asked again, so the text is the same whatever the sink and the
// thread count; one that gives back nothing fails the conversion.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "convert/html_writer.h"
#include "vantrel/vantrel.h"

namespace vantrel {
namespace {

// Gives back at most `most` bytes at a call.
struct SparingSink : MemorySink {
  size_t most;
  explicit SparingSink(size_t most) : most(most) {}
  size_t takeBack(char* into, size_t count) override { return MemorySink::takeBack(into, std::min(count, most)); }
};

TEST(SinkTakeBack, LittleAtATimeGivesTheSameTextAndNothingFails) {
  // A window's worth of text, then "\A" escapes reaching far into what the sink holds.
  std::string text = "\\+\r\n", doc;
  while (text.size() < htmlWindow) text += "words \xe9 and \\2font\\1 ";
  text += "\r\n\\+\r\n";
  for (int n = 0; n < 600000; ++n) text += "\\A";
  for (int group = 0; group < 3; ++group) doc.append(text).append("z\r\n");
  ConversionOptions options;
  options.threads = 1;
  const std::string expected = convertText(doc, defaultMapFile(), options);
  for (size_t most : {0, 1, 5}) {
    for (unsigned threads : {1u, 2u}) {
      SparingSink sink(most);
      MemorySource source(doc);
      options.threads = threads;
      options.callbacksOnAnyThread = threads > 1;
      try {
        convertDocument(source, defaultMapFile(), sink, {}, options);
        EXPECT_TRUE(most > 0 && sink.text == expected) << most << " bytes at a time, " << threads << " threads";
      } catch (const EInOutError& fault) {
        EXPECT_TRUE(most == 0 && fault.code() == 100) << most << " bytes at a time";
      }
    }
  }
}

}  // namespace
}  // namespace vantrel
