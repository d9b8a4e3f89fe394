// With --escape the page holds no mark-up but Vantrel's own, whatever the
// document and the map: every random document of the differential tests
// ("\A" escapes and entries yielding mark-up among them) tokenizes into
// Vantrel's tags, its four entities and text.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "helpers/random_documents.h"
#include "vantrel/vantrel.h"

namespace vantrel {
namespace {

// The length of the token of Vantrel's own at the start of `html`; 0 if
// there is none (`html` starts with a stray "<", ">", "&" or '"').
size_t ownToken(std::string_view html) {
  constexpr std::string_view tokens[] = {"<p>",     "</p>",    "<hr>",    "<sub>", "</sub>", "<sup>", "</sup>",
                                         "</span>", "</body>", "</html>", "&amp;", "&lt;",   "&gt;",  "&quot;"};
  if (std::string_view("<>&\"").find(html[0]) == std::string_view::npos) return 1;
  for (std::string_view token : tokens) {
    if (html.starts_with(token)) return token.size();
  }
  constexpr std::string_view span = "<span class=\"Fn";
  size_t digits = html.starts_with(span) ? html.find_first_not_of("0123456789", span.size()) - span.size() : 0;
  return digits >= 1 && digits <= 3 && html.substr(span.size() + digits, 2) == "\">" ? span.size() + digits + 2 : 0;
}

TEST(EscapeProperty, RandomDocumentsHoldOnlyVantrelsMarkup) {
  testing::Random rng{0xE5CA9E0026ull};
  ConversionOptions options;
  options.escapeMarkup = true;
  for (int i = 0; i < 10000; ++i) {
    std::string doc = i % 3 == 0 ? testing::randomTextDocument(rng) : testing::randomDocument(rng);
    std::string html = convertText(doc, MapFile{testing::randomMap(rng), ""}, options);
    for (size_t at = 0, length; at < html.size(); at += length) {
      length = ownToken(std::string_view(html).substr(at));
      ASSERT_NE(length, 0u) << html.substr(at, 40) << " in " << ::testing::PrintToString(doc);
    }
  }
}

}  // namespace
}  // namespace vantrel
