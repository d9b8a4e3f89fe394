// The converter's walk, with its fast lane, must write exactly what the
// literal reference walk writes, on every document and every map.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "charmap/char_map.h"
#include "convert/converter.h"
#include "convert/part_boundary.h"
#include "convert/parted_conversion.h"
#include "helpers/kernels.h"
#include "helpers/random_documents.h"
#include "model/reference_conversion.h"
#include "support/faults/faults.h"
#include "support/text/line_list.h"
#include "vantrel/vantrel.h"

namespace vantrel {
namespace {

using testing::ChoppedSource;
using testing::Random;
using testing::randomDocument;
using testing::randomMap;
using testing::randomTextDocument;

// Hands out a document, then fails after `failAfter` bytes.
class FailingSource : public ByteSource {
 public:
  FailingSource(std::string_view text, size_t failAfter) : text_(text.substr(0, failAfter)) {}
  size_t read(char* into, size_t size) override {
    if (text_.empty()) raiseInOutError(5);
    size_t count = std::min(size, text_.size());
    text_.copy(into, count);
    text_.remove_prefix(count);
    return count;
  }

 private:
  std::string_view text_;
};

struct Converted {
  std::string text;
  ConversionReport report;
  int64_t groups = 0;  // calls of onRowGroup
  bool failed = false;
};

// Converts on one thread, or on two in parts of about `partSize` bytes; the
// progress call for row group `failAt` fails, as a console may.
Converted convertWith(const Kernel& kernel, ByteSource& source, const MapFile& map, ConversionOptions options,
                      size_t partSize, int64_t failAt = 0) {
  Converted result;
  MemorySink sink;
  auto count = [&result, failAt] {
    if (++result.groups == failAt) raiseInOutError(5);
  };
  try {
    if (partSize == 0) {
      options.threads = 1;
      result.report = convertWithKernel(kernel, source, map, sink, count, options);
    } else {
      auto s = std::make_unique<ConversionState>();
      prepareConversion(*s, map, options, kernel);
      beginHtml(s->html, &sink);
      // One thread is the thread that races ahead of the joins: each part is
      // converted from its guess.
      convertInParts(*s, map, options, source, count, PartPlan{partSize, 1 + unsigned(partSize % 2), partSize / 3});
      passOnAll(s->html.text);
      result.report = s->report;
    }
    sink.finish();
  } catch (const EInOutError&) {
    result.failed = true;
  }
  result.text = std::move(sink.text);
  return result;
}

template <class Slot>
class FastWalk : public testing::KernelTest<Slot> {
 protected:
  void expectSameAsReference(const std::string& doc, const CharMap& map, bool escape, Random* chop = nullptr) {
    const Kernel& kernel = this->kernel();
    std::string expected = model::referenceConvert(doc, map, "<h>\n", escape);
    MapFile mapFile{map, "<h>\n"};
    ConversionOptions options;
    options.escapeMarkup = escape;
    options.callbacksOnAnyThread = chop != nullptr && chop->below(4) != 0;
    ASSERT_EQ(convertTextWithKernel(kernel, doc, mapFile, options), expected)
        << ::testing::PrintToString(doc) << " escape " << escape;
    if (chop == nullptr) return;
    // The same bytes whatever blocks the document comes in, on one thread
    // or cut into parts of any size, with the same report.
    ChoppedSource source(doc, *chop);
    Converted single = convertWith(kernel, source, mapFile, options, 0);
    ASSERT_EQ(single.text, expected) << "in blocks: " << ::testing::PrintToString(doc);
    ChoppedSource again(doc, *chop);
    Converted parted = convertWith(kernel, again, mapFile, options, 1 + chop->below(chop->below(2) == 0 ? 8 : 300));
    ASSERT_EQ(parted.text, expected) << "in parts: " << ::testing::PrintToString(doc);
    ASSERT_TRUE(parted.report == single.report && parted.groups == single.groups) << ::testing::PrintToString(doc);
    // A console that fails at some row group's progress, whichever thread joins it.
    const int64_t failAt = 1 + static_cast<int64_t>(chop->below(static_cast<uint64_t>(parted.groups) + 1));
    ChoppedSource consoleFails(doc, *chop), consoleFailsAgain(doc, *chop);
    single = convertWith(kernel, consoleFails, mapFile, options, 0, failAt);
    parted = convertWith(kernel, consoleFailsAgain, mapFile, options, 1 + chop->below(100), failAt);
    ASSERT_TRUE(single.failed == parted.failed && single.groups == parted.groups) << ::testing::PrintToString(doc);
    // A source that fails: the same fault after the same row groups.
    size_t failAfter = chop->below(doc.size() + 1);
    FailingSource failing(doc, failAfter), failingAgain(doc, failAfter);
    single = convertWith(kernel, failing, mapFile, options, 0);
    parted = convertWith(kernel, failingAgain, mapFile, options, 1 + chop->below(100));
    ASSERT_TRUE(single.failed && parted.failed && single.groups == parted.groups) << ::testing::PrintToString(doc);
  }
};

TYPED_TEST_SUITE(FastWalk, testing::KernelSlots, testing::KernelNames);

TYPED_TEST(FastWalk, RandomDocuments) {
  Random rng{0x5EED1234ABCDull};
  for (int i = 0; i < 20000; ++i) {
    std::string doc = randomDocument(rng);
    this->expectSameAsReference(doc, randomMap(rng), rng.below(3) == 0, rng.below(4) == 0 ? &rng : nullptr);
    if (this->HasFatalFailure()) return;
  }
}

TYPED_TEST(FastWalk, RandomTextDocuments) {
  Random rng{0xC0FFEE12345ull};
  for (int i = 0; i < 5000; ++i) {
    std::string doc = randomTextDocument(rng);
    this->expectSameAsReference(doc, randomMap(rng), rng.below(3) == 0, &rng);
    if (this->HasFatalFailure()) return;
  }
}

// Megabytes read in small blocks: lines cross the reads while the reader
// drops and moves the bytes it holds, and the same text comes out.
TYPED_TEST(FastWalk, LongDocumentInSmallBlocks) {
  Random rng{0x10C4B10Cull};
  std::string doc;
  while (doc.size() < (3u << 20)) doc += randomTextDocument(rng);
  std::erase(doc, '\0');  // a NUL would end the text early
  const MapFile map{randomMap(rng), "<h>\n"};
  ChoppedSource source(doc, rng);
  EXPECT_TRUE(convertWith(this->kernel(), source, map, {}, 0).text ==
              model::referenceConvert(doc, map.map, map.header));
}

// The options on whole conversions with the default map.
TEST(ConversionOptionsTest, EscapedMarkupAndStandaloneHead) {
  struct Case {
    std::string doc;
    std::string header;
    bool escape;
    bool standalone;
    std::string title;
    std::string head;  // up to the body
    std::string body;
    std::string stylesheet = {};
  };
  const std::string formula = "\\+\r\nif a<b and c>d & \"q\"\r\n";
  const std::string html5 = "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>";
  const std::string ownStyle = "<style>\nbody { max-width: 40em;";
  const std::vector<Case> cases = {
      {formula, "", false, false, "", "", "<span class=\"Fn1\">if a<b and c>d & \"q\"</span>"},
      {formula, "", true, false, "", "", "<span class=\"Fn1\">if a&lt;b and c&gt;d &amp; &quot;q&quot;</span>"},
      {"\\+\r\nx<&\\A\\A>\\A\\A\r\n", "", true, false, "", "", "<span class=\"Fn1\"></span>"},
      {"\\+\r\nx\r\n\\-<\r\n", "", true, false, "", "", "<span class=\"Fn1\">x<sub>&lt;</sub></span>"},
      {"\\+\r\nx&amp;\\A\r\n", "", true, false, "", "", "<span class=\"Fn1\">x&amp;amp</span>"},
      {"\\+\r\na&\r\n", "<b>&</b>\n", true, false, "", "<b>&</b>\n", "<span class=\"Fn1\">a&amp;</span>"},
      {"\\+\r\na\r\n", "", false, true, "A<B & \"C\"", html5 + "A&lt;B &amp; &quot;C&quot;</title>\n" + ownStyle,
       "<span class=\"Fn1\">a</span>"},
      {"\\+\r\na\r\n", "", false, true, "T",
       html5 +
           "T</title>\n<link rel=\"stylesheet\" href=\"s.css?a=1&amp;b=&lt;&quot;\xEF\xBF\xBD\">\n</head>\n<body>\n",
       "<span class=\"Fn1\">a</span>", "s.css?a=1&b=<\"\xFF"},
      {"\\+\r\na\r\n", "<h>\n", false, true, "T", "<h>\n", "<span class=\"Fn1\">a</span>", "s.css"},
  };
  for (const Case& c : cases) {
    MapFile map{defaultMapFile().map, c.header};
    std::string expected = c.head + "\n<p>\n\n" + c.body + "\n\n</p>\n</body></html>";
    ConversionOptions options;
    options.escapeMarkup = c.escape;
    options.standalone = c.standalone;
    options.title = c.title;
    options.stylesheet = c.stylesheet;
    const std::string html = convertText(c.doc, map, options);
    if (c.head.ends_with(ownStyle)) {
      // The built-in stylesheet, whole, and then the body.
      ASSERT_EQ(html.substr(0, c.head.size()), c.head);
      const size_t body = html.find("</style>\n</head>\n<body>\n");
      ASSERT_NE(body, std::string::npos) << html;
      EXPECT_EQ(html.substr(body + 24), expected.substr(c.head.size())) << html;
      continue;
    }
    EXPECT_EQ(html, expected) << ::testing::PrintToString(c.doc);
  }
}

TEST(RawMarkupScanTest, CountsRowsYieldingRawMarkup) {
  struct Case {
    std::string doc;
    uint64_t firstLine;
    uint64_t count;
  };
  const std::vector<Case> cases = {
      {"\\+\r\nif a<b\r\n", 2, 1},
      {"\\+\r\nplain\r\n\\+\r\nx & y\r\n\\-<\r\n", 4, 2},
      {"\\+ <\r\nab\r\n\\+\r\n<<&\r\n", 1, 2},  // an upper row; a row counts once
      {"\\+\r\na>b \"q\"\r\n", 0, 0},
      {"\\+\r\nx\xE0\r\n", 2, 1},  // a code the map gives "<"
      {"skipped <\r\n\\+\r\nok\r\n", 0, 0},
  };
  MapFile map{defaultMapFile().map, "<header & more>\n"};
  map.map.pages[0][0xE0] = '<';
  for (const Case& c : cases) {
    MemorySource source(c.doc);
    RawMarkupRows rows = findRawMarkupRows(source, map);
    EXPECT_EQ(rows.firstLine, c.firstLine) << ::testing::PrintToString(c.doc);
    EXPECT_EQ(rows.count, c.count) << ::testing::PrintToString(c.doc);
  }
}

// Where a document may be cut: before an upper row that follows a base row
// or its lower row, with more text after it.
TEST(PartBoundaryTest, CutsOnlyWhereTheGroupingAgrees) {
  using namespace std::string_literals;
  const size_t none = std::string_view::npos;
  const std::vector<std::pair<std::string, size_t>> cases = {
      {"\\+\r\nab\r\n\\+\r\ncd\r\n", 8},             // after a base row
      {"\\+\r\nab\r\n\\-i\r\n\\+\r\ncd\r\n", 13},    // after its lower row
      {"\\+\rab\r\\+\rcd\r", 6},                     // lines ended by CR alone
      {"\\+\r\n\\+\r\ncd\r\n", none},                // upper rows in a row make one group
      {"\\+\r\nab\r\njunk\r\n\\+\r\ncd\r\n", none},  // after a line passed over
      {"\\+\r\nab\r\n\\+\r\n", none},                // the last line is dropped, not walked
      {"\\+\r\nab\r\n\\+\r\n\0x\r\n"s, none},        // so is one before a NUL that ends the text
      {"\\+\r\nab\r\n\\+ 2", none},                  // and a last line without a CR
      {"\\+\r\nab\nc\r\n\\+\r\ncd\r\n", 10},         // a lone LF is a byte of the line
  };
  for (const auto& [text, cut] : cases) {
    const std::string padded = text + std::string(linePadding, '\0');  // as a part lies in its buffer
    EXPECT_EQ(findPartBoundary(std::string_view(padded.data(), text.size()), 1), cut) << ::testing::PrintToString(text);
  }
}

}  // namespace
}  // namespace vantrel
