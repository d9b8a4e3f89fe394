#include "charmap/map_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "convert/html_writer.h"
#include "helpers/model_views.h"
#include "support/faults/faults.h"

namespace vantrel {
namespace {

using namespace std::string_literals;

class MapLines : public ::testing::Test {
 protected:
  void SetUp() override {
    HtmlHead = initialHtmlHead;
    resetCharMap(map);
    resetCharMap(defaults);
  }

  // Applies a map file given as its lines, joined with CR LF.
  void apply(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    applyText(text);
  }
  void applyText(const std::string& text) {
    LineList list = createLineList();
    splitLines(list, text);
    HtmlHead = applyMapLines(map, list, "Runemap.txt") + HtmlHead;
  }
  int changedEntries() const { return testing::changedEntries(map, defaults); }
  int changedFonts() const { return testing::changedFonts(map); }

  CharMap map;
  CharMap defaults;
  std::string HtmlHead;  // the header lines in front of the initial head
};

TEST_F(MapLines, TheWorkedExample) {
  apply({"/fonts", "Fn2:1", ":1", "ab", "\xCE\xB1\xCE\xB2\xCE\xB3", "161", "\xC2\xA1\xE2\x82\xAC", "",
         "HTML header:", "<html><head>", "<title>t</title>", ""});
  EXPECT_EQ(map.fontPage[2], 1);
  EXPECT_EQ(changedFonts(), 1);
  EXPECT_EQ(lookupChar(map, 2, 'a'), 0xCEB1u);
  EXPECT_EQ(lookupChar(map, 2, 'b'), 0xCEB2u);
  EXPECT_EQ(lookupChar(map, 2, 'c'), 0xCEB3u);
  EXPECT_EQ(lookupChar(map, 1, 'a'), PackedUtf8{'a'});
  for (uint8_t font : {0, 1, 2, 20}) {
    EXPECT_EQ(lookupChar(map, font, 161), 0xC2A1u);
    EXPECT_EQ(lookupChar(map, font, 162), 0xE282ACu);
  }
  EXPECT_EQ(changedEntries(), 3 + 4 * 1);  // code 161 keeps its default value, 162 changes in 4 pages
  EXPECT_EQ(HtmlHead, "<html><head>\n<title>t</title>\n\n<p>\n\n");
}

TEST_F(MapLines, HeaderBlocks) {
  struct Case {
    const char* name;
    std::vector<std::string> lines;
    std::string head;
  };
  const std::string initial(initialHtmlHead);
  const std::vector<Case> cases = {
      {"last line", {"HTML header:"}, initial},
      {"directly ended", {"HTML header:", "", "x"}, initial},
      {"never ended", {"HTML header:", "a", "b"}, "a\nb\n" + initial},
      {"lines kept as they are",
       {"HTML header:", "/c", " s", "Fn3:1", ":1", "65", ""},
       "/c\n s\nFn3:1\n:1\n65\n" + initial},
      {"trailing space: no block", {"HTML header: ", "Fn3:1"}, initial},
      {"other capitals: no block", {"html header:", "Fn3:1"}, initial},
      {"two blocks: the later first",
       {"HTML header:", "one", "", "HTML header:", "two", "2", ""},
       "two\n2\none\n" + initial},
  };
  for (const Case& c : cases) {
    SetUp();
    apply(c.lines);
    EXPECT_EQ(HtmlHead, c.head) << c.name;
  }
  // Lines after an ended block are classified again; inside a block they were not.
  SetUp();
  apply({"HTML header:", "Fn3:1", "", "Fn4:2"});
  EXPECT_EQ(map.fontPage[3], 0);
  EXPECT_EQ(map.fontPage[4], 2);
  SetUp();
  apply({"HTML header: ", "Fn3:1"});
  EXPECT_EQ(map.fontPage[3], 1);
}

TEST_F(MapLines, FontLines) {
  struct Case {
    std::string line;
    int font;  // -1: nothing changes
    int page;
  };
  const std::vector<Case> cases = {
      {"Fn3:2", 3, 2},   {"Fn3", -1, 0},    {"Fn", -1, 0},     {"Fn 3:1", 0, 1},         {"Fn3:1:2", 3, 1},
      {"Fn21:1", -1, 0}, {"Fn3:4", -1, 0},  {"Fn-1:0", -1, 0}, {"FN3:1", -1, 0},         {"Fx", -1, 0},
      {"Fnx:y", -1, 0},  {"Fn20:3", 20, 3}, {"Fn+2:+1", 2, 1}, {"Fn4294967299:1", 3, 1},
  };
  for (const Case& c : cases) {
    SetUp();
    map.fontPage[3] = 2;  // Fn3 and Fn alone set fonts back to page 0
    map.fontPage[0] = 3;
    apply({c.line});
    if (c.line == "Fn3") {
      EXPECT_EQ(map.fontPage[3], 0);
      EXPECT_EQ(map.fontPage[0], 3);
    } else if (c.line == "Fn" || c.line == "Fnx:y") {
      EXPECT_EQ(map.fontPage[0], 0) << c.line;
    } else if (c.font >= 0) {
      EXPECT_EQ(map.fontPage[c.font], c.page) << c.line;
    } else {
      EXPECT_EQ(map.fontPage[3], 2) << c.line;
      EXPECT_EQ(map.fontPage[0], 3) << c.line;
    }
  }
  SetUp();
  apply({"Fn5:1", "Fn5:2"});
  EXPECT_EQ(map.fontPage[5], 2);
}

TEST_F(MapLines, PageBlocks) {
  apply({":1", "AB", "\xCE\xB1\xCE\xB2\xCE\xB3"});
  EXPECT_EQ(map.pages[1]['A'], 0xCEB1u);
  EXPECT_EQ(map.pages[1]['B'], 0xCEB2u);
  EXPECT_EQ(map.pages[1]['C'], 0xCEB3u);
  EXPECT_EQ(changedEntries(), 3);

  SetUp();
  apply({":", "A", "z"});  // ":" alone is page 0
  EXPECT_EQ(map.pages[0]['A'], PackedUtf8{'z'});
  EXPECT_EQ(changedEntries(), 1);

  SetUp();
  apply({":2", "", "Fn3:1", "Fn4:1"});  // empty codes: nothing stored, the text line still taken
  EXPECT_EQ(changedEntries(), 0);
  EXPECT_EQ(map.fontPage[3], 0);
  EXPECT_EQ(map.fontPage[4], 1);

  SetUp();
  apply({":1", "/x", " y", "HTML header:"});  // block lines are never classified
  EXPECT_EQ(map.pages[1]['/'], PackedUtf8{' '});
  EXPECT_EQ(map.pages[1]['x'], PackedUtf8{'y'});
  EXPECT_EQ(HtmlHead, initialHtmlHead);

  SetUp();
  apply({":7"});  // last line: codes and text are empty
  apply({":7", "A", ""});
  apply({":255", "", "x"});
  EXPECT_EQ(changedEntries(), 0);
}

// Each range fault names the line where it lies and quotes it.
TEST_F(MapLines, RangeFaults) {
  struct Case {
    std::vector<std::string> lines;
    std::string what;
  };
  const std::vector<Case> cases = {
      {{"F"}, "Runemap.txt:1: font line cut short: 'F'"},
      {{"/c", ":7", "A", "x"}, "Runemap.txt:2: page number out of range: ':7'"},
      {{":300"}, "Runemap.txt:1: page number out of range: ':300'"},
      {{":-1"}, "Runemap.txt:1: page number out of range: ':-1'"},
      {{":300", "", ""}, "Runemap.txt:1: page number out of range: ':300'"},
      {{":256", "", ""}, "Runemap.txt:1: page number out of range: ':256'"},
      {{":1", "A", "x\xC3"}, "Runemap.txt:3: UTF-8 character cut short: 'x\\xC3'"},
      // The character is read before its page is looked at.
      {{":7", "A", "\xE2\x82"}, "Runemap.txt:3: UTF-8 character cut short: '\\xE2\\x82'"},
      {{":7", "AB", "x\xE2\x82"}, "Runemap.txt:1: page number out of range: ':7'"},
      {{"HTML header:", "F", "", "200", "\xF0\x9F\x98"}, "Runemap.txt:5: UTF-8 character cut short: '\\xF0\\x9F\\x98'"},
      {{"65", std::string(50, 'a') + "\xC3"},
       "Runemap.txt:2: UTF-8 character cut short: '" + std::string(40, 'a') + "...'"},
  };
  for (const Case& c : cases) {
    SetUp();
    try {
      apply(c.lines);
      ADD_FAILURE() << c.what << ": no fault";
    } catch (const ERangeError& fault) {
      EXPECT_STREQ(fault.what(), c.what.c_str());
      EXPECT_STREQ(fault.message(), "Range check error");
    }
  }
  // :4294967296 reads as page 0 (the number wraps), so it is no fault.
  SetUp();
  apply({":4294967296", "A", "x"});
  EXPECT_EQ(map.pages[0]['A'], PackedUtf8{'x'});
}

TEST_F(MapLines, CodeBlocks) {
  std::string sixty;
  for (int i = 0; i < 60; ++i) sixty += static_cast<char>('!' + i);
  apply({"200", sixty});
  for (int page = 0; page < pageCount; ++page) {
    EXPECT_EQ(map.pages[page][200], PackedUtf8{'!'});
    EXPECT_EQ(map.pages[page][255], PackedUtf8{'!' + 55});
  }
  EXPECT_EQ(changedEntries(), 4 * 56);

  SetUp();
  apply({"300", "5x", "\xC3\xA9"});  // 300 is passed over; 5x starts a block for code 5
  EXPECT_EQ(map.pages[2][5], 0xC3A9u);
  EXPECT_EQ(changedEntries(), 4);

  SetUp();
  apply({"65 and a comment", "z"});
  EXPECT_EQ(map.pages[3]['A'], PackedUtf8{'z'});

  SetUp();
  apply({"0", "\xE2\x82\xAC"});  // code 0 can be filled by a code block
  EXPECT_EQ(map.pages[0][0], 0xE282ACu);

  SetUp();
  apply({"4294967295", "z"});  // wraps to -1: code 255
  EXPECT_EQ(map.pages[1][255], PackedUtf8{'z'});

  SetUp();
  apply({"66", ""});  // empty text: nothing
  apply({"67"});
  EXPECT_EQ(changedEntries(), 0);
}

TEST_F(MapLines, LinesEndingInLfAloneAreOneLine) {
  applyText("Fn3:1\nFn4:2\n:1\nA\nx\n");
  EXPECT_EQ(map.fontPage[3], 1);  // only a font line at the very start takes effect
  EXPECT_EQ(map.fontPage[4], 0);
  EXPECT_EQ(changedEntries(), 0);

  SetUp();
  applyText(
      "\xEF\xBB\xBF"
      "Fn3:1\r\nFn4:2\r\n");  // a byte-order mark spoils the first line only
  EXPECT_EQ(map.fontPage[3], 0);
  EXPECT_EQ(map.fontPage[4], 2);

  SetUp();
  applyText("Fn3:1\r\n"s + "\0"s + "Fn4:2\r\n");  // a NUL where a line begins ends the file
  EXPECT_EQ(map.fontPage[3], 1);
  EXPECT_EQ(map.fontPage[4], 0);
}

}  // namespace
}  // namespace vantrel
