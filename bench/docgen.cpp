// Seeded generator of large test documents and map files for the benchmarks.
//
//   docgen KIND SIZE FOLDER [SEED]
//
// writes FOLDER/doc.chi of about SIZE bytes and FOLDER/Runemap.txt.
// KIND:
//   realistic    row groups like real text: upper and lower rows mostly empty,
//                font escapes every few dozen characters, about one byte in
//                twenty from 0xC0 to 0xFF, paragraph breaks, the odd form feed
//   wide         like realistic, with half of the text in the fonts that
//                the map gives Greek and mathematical letters (two and
//                three bytes in UTF-8)
//   one-line     an upper row and then one single base row of SIZE bytes
//   tiny-groups  row groups of one character each (SIZE/7 of them)
//   escape-rows  rows made only of escape codes
//   a-runs       rows whose text is taken back by long runs of "\A" escapes
//   rising-marks upper and lower rows with marks in a share of the columns
//                that rises from none to nine in ten along the document
//   big-map      a small document and a map file of about SIZE bytes
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "generate.h"

namespace {

bool writeFile(const std::string& path, const std::string& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: docgen KIND SIZE FOLDER [SEED]\n");
    return 2;
  }
  std::string kind = argv[1];
  size_t size = std::strtoull(argv[2], nullptr, 10);
  std::string folder = argv[3];
  uint64_t seed = argc > 4 ? std::strtoull(argv[4], nullptr, 10) : 20061026;
  std::string doc;
  std::string map;
  if (!vantrel::bench::generateDocument(kind, size, seed, doc, map)) {
    std::fprintf(stderr, "docgen: unknown kind %s\n", kind.c_str());
    return 2;
  }
  if (!writeFile(folder + "/doc.chi", doc) || !writeFile(folder + "/Runemap.txt", map)) {
    std::fprintf(stderr, "docgen: cannot write into %s\n", folder.c_str());
    return 1;
  }
  return 0;
}
