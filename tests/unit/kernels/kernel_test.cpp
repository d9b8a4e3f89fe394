// Every kernel against the byte-by-byte answers: the line ends and the marks
// of padded random texts at every offset, and the copy of plain runs
// through random pages against the entries one by one.
#include "kernels/kernel.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>

#include "charmap/char_map.h"
#include "convert/encoded_map.h"
#include "convert/run_stops.h"
#include "helpers/kernels.h"

namespace vantrel {
namespace {

template <class Slot>
class Kernels : public testing::KernelTest<Slot> {};
TYPED_TEST_SUITE(Kernels, testing::KernelSlots, testing::KernelNames);

TYPED_TEST(Kernels, ScansAgreeWithByteByByteScans) {
  const Kernel& kernel = this->kernel();
  std::mt19937 random(7);
  const std::string alphabet = std::string("  \\\r\n\x01\x1f\x7f\x80\xff", 10) + "aZ~!\f";
  for (int round = 0; round < 300; ++round) {
    std::string text(random() % 140, ' ');
    for (char& c : text) c = alphabet[random() % alphabet.size()];
    std::string padded = text + std::string(1, '\0') + std::string(64, 'x');
    for (size_t at = 0; at < text.size(); ++at) {
      const char* p = padded.data() + at;
      const size_t size = text.size() - at;
      size_t spaces = 0;
      while (spaces < size && p[spaces] == ' ') ++spaces;
      EXPECT_EQ(leadingSpaces(kernel, p, size), spaces);
      bool stop = false;
      for (size_t k = 0; k < size; ++k) stop = stop || isRunStop(static_cast<uint8_t>(p[k]));
      EXPECT_EQ(holdsRunStop(kernel, p, size), stop);
      uint64_t stops = 0;
      const uint64_t others = kernel.markRow(p, stops);
      uint64_t ends = 0;
      kernel.findLineEnds(p, 0, 1, &ends);
      for (unsigned k = 0; k < 64; ++k) {
        EXPECT_EQ((ends >> k) & 1u, p[k] == '\r' || p[k] == '\n' || p[k] == '\0') << "at " << at + k;
        EXPECT_EQ((others >> k) & 1u, p[k] != ' ') << "at " << at + k;
        EXPECT_EQ((stops >> k) & 1u, isRunStop(static_cast<uint8_t>(p[k]))) << "at " << at + k;
      }
    }
    // Whole blocks at once.
    uint64_t words[4] = {};
    kernel.findLineEnds(padded.data(), 1, padded.size() / 64, words);
    for (size_t w = 1; w < padded.size() / 64; ++w) {
      uint64_t one = 0;
      kernel.findLineEnds(padded.data() + 64 * w, 0, 1, &one);
      EXPECT_EQ(words[w], one);
    }
  }
}

// Random pages (entries of no byte up to four, mark-up escaped or not), the
// Latin-1 page with a few high codes mapped otherwise, pages that keep ASCII
// with other high codes; runs of every length, a stop anywhere.
TYPED_TEST(Kernels, CopyAgreesWithEntries) {
  const Kernel& kernel = this->kernel();
  std::mt19937_64 random(0xAB5EED77ull);
  CharMap map;
  resetCharMap(map);
  const PackedUtf8 values[] = {0x41, 0xC3A9, 0xE282AC, 0xF09F9880, 0, 0x3C, 0x0C, 0x5C};
  for (int round = 0; round < 4000; ++round) {
    const int shape = round % 4;  // 0: random, 1: Latin-1 with changes, 2: Latin-1, 3: ASCII kept, high codes changed
    if (shape != 0) resetCharMap(map);
    const size_t changes = shape == 0 ? 30 : shape == 1 ? random() % 3 : shape == 2 ? 0 : 20;
    for (size_t n = 0; n < changes; ++n) {
      map.pages[0][shape == 0 ? random() % 256 : 128 + random() % 128] = values[random() % std::size(values)];
    }
    auto page = std::make_unique<EncodedPage>();
    const bool escape = round % 8 < 4;
    encodePage(map.pages[0], *page, escape);
    if (shape == 2 && !escape) {
      ASSERT_TRUE(page->exactLatin1);
    }
    std::string text(random() % 200, 'a');
    for (char& c : text) {
      const auto roll = random() % 100;
      c = static_cast<char>(roll < 2 ? "\\\f<"[random() % 3] : roll < 60 ? 0x20 + random() % 0x5F : random() % 256);
    }
    const size_t from = text.empty() ? 0 : random() % text.size();
    text.append(64, 'x');  // the padding the text lies in
    std::string expected;
    size_t stop = from;
    for (; stop + 64 < text.size() && (page->codes[static_cast<uint8_t>(text[stop])] & endsPlainRun) == 0; ++stop) {
      const EncodedChar code = page->codes[static_cast<uint8_t>(text[stop])];
      char bytes[4];
      putEncoded(bytes, code);
      expected.append(bytes, encodedLength(code));
    }
    std::string out(text.size() * 4 + 64, '\0');
    char* end = out.data();
    ASSERT_EQ(kernel.copyPlain(text.data(), from, text.size() - 64, *page, end), stop)
        << ::testing::PrintToString(text);
    ASSERT_EQ(std::string(out.data(), end), expected) << ::testing::PrintToString(text);
  }
}

}  // namespace
}  // namespace vantrel
