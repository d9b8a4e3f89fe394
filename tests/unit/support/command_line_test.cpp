#include "support/program/command_line.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

namespace vantrel {
namespace {

TEST(CommandLineToken, Table) {
  // command line, index, token
  const std::vector<std::tuple<std::string, int32_t, std::string>> cases = {
      {"vantrel", 0, "vantrel"},
      {"vantrel", 1, ""},
      {"vantrel doc.chi", 1, "doc.chi"},
      {"vantrel   doc.chi  extra", 2, "extra"},
      {"vantrel doc.chi", 2, ""},
      {"vantrel \"my doc.chi\"", 1, "my doc.chi"},
      {"vantrel \"my doc\".chi", 1, "\"my doc\".chi"},              // quotes enclose only the stem
      {"vantrel \"\" doc.chi", 1, "doc.chi"},                       // a lone pair is a blank
      {"vantrel \"\"doc.chi", 1, "doc.chi"},                        // a pair at a token's start is dropped
      {"vantrel \"open quote runs on", 1, "\"open quote runs on"},  // unclosed: the quote stays
      {"vantrel \"open quote runs on", 2, ""},
      {"vantrel\tdoc.chi", 1, "doc.chi"},
      {"vantrel\x01"
       "doc.chi\x1f"
       "x",
       2, "x"},
      {"\"C:\\Program Files\\vantrel.exe\" doc.chi", 0, "C:\\Program Files\\vantrel.exe"},
      {"\"C:\\Program Files\\vantrel.exe\" doc.chi", 1, "doc.chi"},
      {"vantrel a\"b c\"d e", 1, "a\"b c\"d"},
      {"vantrel \"\"", 1, ""},
      {"  lead", 0, "lead"},
      {"", 0, ""},
      {"", 3, ""},
      {"a b", -1, ""},
      {"vantrel x\xe9y.chi", 1, "x\xe9y.chi"},
  };
  for (const auto& [line, index, token] : cases) {
    EXPECT_EQ(commandLineToken(line, index), token) << line << " #" << index;
  }
}

TEST(CommandLineToken, LoneQuoteStaysWhenNotPaired) { EXPECT_EQ(commandLineToken("vantrel \"", 1), "\""); }

}  // namespace
}  // namespace vantrel
