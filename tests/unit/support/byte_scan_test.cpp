#include "support/text/byte_scan.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "convert/wide_page_copy.h"
#include "support/text/line_ends.h"

namespace vantrel {
namespace {

// Padded copies of random texts, scanned at every offset, against the byte-by-byte answer.
TEST(ByteScan, AgreesWithByteByByteScans) {
  std::mt19937 random(7);
  const std::string alphabet = std::string("  \\\r\n\x01\x1f\x7f\x80\xff", 10) + "aZ~!\f";
  for (int round = 0; round < 300; ++round) {
    std::string text(random() % 70, ' ');
    for (char& c : text) c = alphabet[random() % alphabet.size()];
    std::string padded = text + std::string(1, '\0') + std::string(64, 'x');
    for (size_t at = 0; at < text.size(); ++at) {
      const char* p = padded.data() + at;
      size_t size = text.size() - at;

      size_t spaces = 0;
      while (spaces < size && p[spaces] == ' ') ++spaces;
      EXPECT_EQ(leadingSpaces(p, size), spaces);

      size_t stop = at;
      while (padded[stop] != '\r' && padded[stop] != '\0') ++stop;
      EXPECT_EQ(findCrOrNul(p) - padded.data(), static_cast<ptrdiff_t>(stop));

      const uint64_t ends = crLfNulMask64(p);
      uint64_t escapes = 0;
      const uint64_t others = nonSpaceMask64(p, escapes);
      for (unsigned k = 0; k < 64; ++k) {
        EXPECT_EQ((ends >> k) & 1u, p[k] == '\r' || p[k] == '\n' || p[k] == '\0') << "at " << at + k;
        EXPECT_EQ((others >> k) & 1u, p[k] != ' ') << "at " << at + k;
        EXPECT_EQ((escapes >> k) & 1u, p[k] == '\\' || p[k] == '\f') << "at " << at + k;
      }

      char out[16];
      unsigned mask = copy16MarkingSpecials(p, out);
      for (unsigned k = 0; k < 16; ++k) {
        auto byte = static_cast<unsigned char>(p[k]);
        bool special = byte < 0x20 || byte >= 0x80 || byte == '\\';
        EXPECT_EQ((mask >> k) & 1u, special ? 1u : 0u) << "byte " << int(byte);
        EXPECT_EQ(out[k], p[k]);
      }
    }
    // The line ends of whole blocks at once, on the 16-byte and the 64-byte path.
    uint64_t words[2][3] = {};
    for (bool wide : {false, wideVectorsUsable()})
      findLineEnds(padded.data(), 0, padded.size() / 64, words[wide], wide);
    for (size_t w = 0; w < padded.size() / 64; ++w) {
      EXPECT_EQ(words[0][w], crLfNulMask64(padded.data() + 64 * w));
      EXPECT_EQ(words[1][w], crLfNulMask64(padded.data() + 64 * w));
    }
  }
}

}  // namespace
}  // namespace vantrel
