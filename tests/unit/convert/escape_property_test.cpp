// With --escape the page holds no mark-up but Vantrel's own, whatever the
// document and the map: every random document of the differential tests,
// "\A" escapes and entries that yield mark-up among them, tokenizes into
// Vantrel's tags, the four entities and text.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "helpers/random_documents.h"
#include "vantrel/vantrel.h"

namespace vantrel {
namespace {

using testing::Random;

// A span opening for a font of one to three digits.
bool isSpanOpening(std::string_view tag) {
  constexpr std::string_view open = "<span class=\"Fn", close = "\">";
  if (tag.size() < open.size() + 1 + close.size() || !tag.starts_with(open) || !tag.ends_with(close)) return false;
  std::string_view digits = tag.substr(open.size(), tag.size() - open.size() - close.size());
  return digits.size() <= 3 && digits.find_first_not_of("0123456789") == std::string_view::npos;
}

// The first thing in `html` that is neither text, nor an entity Vantrel
// writes, nor one of its tags; empty if there is none.
std::string foreignMarkup(std::string_view html) {
  constexpr std::string_view tags[] = {"<p>",   "</p>",   "<hr>",    "<sub>",   "</sub>",
                                       "<sup>", "</sup>", "</span>", "</body>", "</html>"};
  constexpr std::string_view entities[] = {"&amp;", "&lt;", "&gt;", "&quot;"};
  for (size_t at = 0; at < html.size();) {
    std::string_view rest = html.substr(at);
    size_t length = 0;
    if (rest[0] == '<') {
      size_t end = rest.find('>');
      std::string_view tag = rest.substr(0, end == std::string_view::npos ? rest.size() : end + 1);
      for (std::string_view known : tags) length = tag == known ? tag.size() : length;
      if (isSpanOpening(tag)) length = tag.size();
    } else if (rest[0] == '&') {
      for (std::string_view entity : entities) length = rest.starts_with(entity) ? entity.size() : length;
    } else if (rest[0] != '>' && rest[0] != '"') {
      length = 1;
    }
    if (length == 0) return std::string(rest.substr(0, 40));
    at += length;
  }
  return {};
}

TEST(EscapeProperty, RandomDocumentsHoldOnlyVantrelsMarkup) {
  Random rng{0xE5CA9E0026ull};
  ConversionOptions options;
  options.escapeMarkup = true;
  for (int i = 0; i < 30000; ++i) {
    std::string doc = i % 3 == 0 ? testing::randomTextDocument(rng) : testing::randomDocument(rng);
    std::string html = convertText(doc, MapFile{testing::randomMap(rng), ""}, options);
    ASSERT_EQ(foreignMarkup(html), "") << ::testing::PrintToString(doc);
  }
}

}  // namespace
}  // namespace vantrel
