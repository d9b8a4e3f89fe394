// The converter's walk, with its fast lane, must write exactly what the
// literal reference walk writes, on every document and every map.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <vector>

#include "charmap/char_map.h"
#include "convert/conversion.h"
#include "convert/html_writer.h"
#include "helpers/test_files.h"
#include "model/reference_conversion.h"
#include "support/console/console.h"
#include "support/text/line_list.h"
#include "support/text/text_block.h"

namespace vantrel {
namespace {

struct Random {
  uint64_t state;
  uint64_t next() {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return state;
  }
  size_t below(size_t n) { return static_cast<size_t>(next() % n); }
};

// Pieces that documents are made of, the tricky ones often.
const std::vector<std::string> pieces = {
    "\\+",  "\\-", "\\+",  "\\-", "\r\n",  "\r\n",   "\r\n",    "\r",          "\n",        std::string(1, '\0'),
    "\f",   " ",   " ",    "   ", "a",     "b",      "xyz",     "hello world", "\xe9",      "\xff",
    "\x80", "\\",  "\\\\", "\\/", "\\/\f", "\\[",    "\\,",     "\\A",         "\\A\\A\\A", "\\1",
    "\\2",  "\\3", "\\5",  "\\!", "\\*",   "\\\"",   "\\0",     "\\ ",         "\\a",       "\\.",
    "/",    "[",   "+",    "-",   "\\+ 2", "\\-  i", "\\+\\2x", "\\+\\A",      "\\-\f",     "0123456789",
    "\t",   "AAA",
};

std::string randomDocument(Random& rng) {
  std::string doc;
  size_t count = rng.below(60);
  for (size_t i = 0; i < count; ++i) {
    if (rng.below(4) == 0) {
      doc += "\r\n";
    } else {
      doc += pieces[rng.below(pieces.size())];
    }
  }
  return doc;
}

// Long rows of plain text with escapes and marks now and then: the fast lane's own ground.
std::string randomTextDocument(Random& rng) {
  std::string doc;
  size_t groups = 1 + rng.below(8);
  for (size_t g = 0; g < groups; ++g) {
    doc += "\\+";
    if (rng.below(3) == 0) doc += std::string(rng.below(50), ' ') + "2";
    doc += "\r\n";
    size_t length = rng.below(300);
    for (size_t i = 0; i < length; ++i) {
      size_t roll = rng.below(100);
      if (roll < 60) {
        doc += static_cast<char>('a' + rng.below(26));
      } else if (roll < 75) {
        doc += ' ';
      } else if (roll < 82) {
        doc += static_cast<char>(0x80 + rng.below(128));
      } else if (roll < 97) {
        doc += pieces[rng.below(pieces.size())];
      } else {
        doc += static_cast<char>(0x21 + rng.below(0x5F));
      }
    }
    doc += "\r\n";
    if (rng.below(2) == 0) {
      doc += "\\-";
      if (rng.below(2) == 0) doc += std::string(rng.below(80), ' ') + "i";
      doc += "\r\n";
    }
  }
  return doc;
}

CharMap randomMap(Random& rng) {
  CharMap map;
  resetCharMap(map);
  if (rng.below(3) == 0) return map;
  for (int32_t& page : map.fontPage) page = static_cast<int32_t>(rng.below(4));
  for (int n = 0; n < 40; ++n) {
    const PackedUtf8 values[] = {0x41, 0xC3A9, 0xE282AC, 0xF09F9880, 0x20, 0x5C, 0x0C, 0, 0xC3C3};
    map.pages[rng.below(4)][rng.below(256)] = values[rng.below(9)];
  }
  return map;
}

class FastWalk : public ::testing::Test {
 protected:
  void SetUp() override {
    // The progress dots go to a file of their own (the same on every system).
    sink = open(sinkDir.file("console").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(sink, 0);
    resetConsole(sink);
  }
  void TearDown() override {
    resetConsole(1);
    close(sink);
    paragraphPending = 0;
    rulePending = 0;
  }

  void expectSameAsReference(const std::string& doc, const CharMap& map) {
    LineList list = createLineList();
    splitLines(list, doc);
    paragraphPending = 0;
    rulePending = 0;
    HtmlText expected;
    model::referenceConvert(list, map, expected);

    paragraphPending = 0;
    rulePending = 0;
    HtmlText actual;
    beginHtml(actual);
    convertRowGroups(textBlockOf(doc), map, actual);
    ASSERT_EQ(actual.bytes, expected.bytes) << ::testing::PrintToString(doc);
  }

  testing::TempDir sinkDir;
  int sink = -1;
};

TEST_F(FastWalk, RandomDocuments) {
  Random rng{0x5EED1234ABCDull};
  for (int i = 0; i < 20000; ++i) {
    std::string doc = randomDocument(rng);
    expectSameAsReference(doc, randomMap(rng));
    if (HasFatalFailure()) return;
  }
}

TEST_F(FastWalk, RandomTextDocuments) {
  Random rng{0xC0FFEE12345ull};
  for (int i = 0; i < 5000; ++i) {
    std::string doc = randomTextDocument(rng);
    expectSameAsReference(doc, randomMap(rng));
    if (HasFatalFailure()) return;
  }
}

}  // namespace
}  // namespace vantrel
