// A standalone page's title is valid UTF-8 whatever bytes it was given.
#include "convert/valid_utf8.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "vantrel/vantrel.h"

namespace vantrel {
namespace {

using namespace std::string_literals;

const std::string fffd = "\xEF\xBF\xBD";

TEST(ValidUtf8, EachIllFormedPartBecomesOneReplacement) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"plain.chi", "plain.chi"},
      {"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80", "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80"},
      {"a\0b"s, "a" + fffd + "b"},
      {"caf\xE9.chi", "caf" + fffd + ".chi"},                 // Latin-1
      {"\xC3", fffd},                                         // cut short at the end
      {"\xE2\x82x", fffd + "x"},                              // cut short: one replacement for both bytes
      {"\xF0\x9F\x98", fffd},                                 //
      {"\xC0\xAF", fffd + fffd},                              // overlong
      {"\xE0\x80\xAF", fffd + fffd + fffd},                   // overlong, three bytes
      {"\xED\xA0\x80", fffd + fffd + fffd},                   // a surrogate
      {"\xF4\x90\x80\x80", fffd + fffd + fffd + fffd},        // past U+10FFFF
      {"\x80\xBF", fffd + fffd},                              // lone continuation bytes
      {"\xFF\xFE", fffd + fffd},                              //
      {"\x01\x1B\x7F\t\n\r", fffd + fffd + fffd + "\t\n\r"},  // controls
      {"\xC2\x85\xC2\xA0", fffd + "\xC2\xA0"},                // U+0085 is a control, U+00A0 is not
      {"\xEF\xBF\xBD", fffd},
  };
  for (const auto& [text, valid] : cases) EXPECT_EQ(validUtf8(text), valid) << text;
}

TEST(ValidUtf8, StandaloneTitle) {
  ConversionOptions options;
  options.standalone = true;
  options.title = "a\0<\xFF"s;
  std::string html = convertText("\\+\r\nx\r\n", defaultMapFile(), options);
  EXPECT_NE(html.find("<title>a" + fffd + "&lt;" + fffd + "</title>"), std::string::npos) << html;
}

}  // namespace
}  // namespace vantrel
