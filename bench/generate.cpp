// Generators of benchmark documents: realistic text and pathological shapes.
#include "generate.h"

#include <cstdint>
#include <string>

namespace vantrel::bench {

namespace {

struct Random {
  uint64_t state;
  uint64_t next() {
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  uint32_t below(uint32_t n) { return static_cast<uint32_t>(next() % n); }
  bool chance(uint32_t percent) { return below(100) < percent; }
};

// Mostly the Latin-1 fonts 1 and 5; now and then Greek (2) or mathematical
// letters (3, 11), which take two and three bytes in UTF-8.
const char* const fontEscapes[] = {"\\1", "\\1", "\\1", "\\1", "\\5", "\\5", "\\2", "\\3", "\\!", "\\1"};
// Half of the text in Greek and mathematical letters.
const char* const wideFontEscapes[] = {"\\1", "\\5", "\\2", "\\3", "\\1", "\\5", "\\2", "\\3", "\\2", "\\1"};

// One base row of visible text: words, accented letters, font escapes.
std::string baseRow(Random& rng, size_t target, const char* const* escapes = fontEscapes) {
  std::string row;
  size_t sinceEscape = 0;
  size_t nextEscape = 20 + rng.below(40);
  while (row.size() < target) {
    size_t word = 1 + rng.below(9);
    for (size_t i = 0; i < word; ++i) {
      if (rng.below(20) == 0) {
        row += static_cast<char>(0xC0 + rng.below(64));
      } else {
        row += static_cast<char>('a' + rng.below(26));
      }
    }
    sinceEscape += word + 1;
    if (rng.below(12) == 0) row += ",.;:!?"[rng.below(6)];
    row += ' ';
    if (sinceEscape >= nextEscape) {
      row.pop_back();
      row += ' ';
      row += escapes[rng.below(10)];
      sinceEscape = 0;
      nextEscape = 20 + rng.below(40);
    }
  }
  return row;
}

// A row of marks aligned under or over some base columns: mostly empty.
std::string markRow(Random& rng, const char* prefix, uint32_t percentWithMarks) {
  std::string row = prefix;
  if (!rng.chance(percentWithMarks)) return row;
  size_t marks = 1 + rng.below(3);
  for (size_t i = 0; i < marks; ++i) {
    row.append(rng.below(30), ' ');
    row += static_cast<char>('0' + rng.below(10));
    if (rng.below(4) == 0) row += static_cast<char>('a' + rng.below(26));
  }
  return row;
}

void realistic(Random& rng, size_t size, std::string& doc, const char* const* escapes = fontEscapes) {
  while (doc.size() < size) {
    doc += markRow(rng, "\\+", 15);
    doc += "\r\n";
    doc += baseRow(rng, 45 + rng.below(45), escapes);
    if (rng.below(8) == 0) doc += "\\,";
    if (rng.below(300) == 0) doc += "\f";
    doc += "\r\n";
    if (rng.chance(50)) {
      doc += markRow(rng, "\\-", 25);
      doc += "\r\n";
    }
  }
}

void oneLine(Random& rng, size_t size, std::string& doc) {
  doc += "\\+\r\n";
  while (doc.size() < size) doc += baseRow(rng, 4096);
  doc += "\r\n";
}

void tinyGroups(size_t size, std::string& doc) {
  while (doc.size() < size) doc += "\\+\r\nx\r\n";
}

void escapeRows(Random& rng, size_t size, std::string& doc) {
  static const char codes[] = "123456789!\"#$%&'()*,0a+-.[ /\\A";
  while (doc.size() < size) {
    doc += "\\+\r\n";
    for (int i = 0; i < 40; ++i) {
      doc += '\\';
      doc += codes[rng.below(sizeof codes - 1)];
    }
    doc += "\r\n";
  }
}

void aRuns(Random& rng, size_t size, std::string& doc) {
  while (doc.size() < size) {
    doc += "\\+\r\n";
    doc += baseRow(rng, 200);
    for (uint32_t i = 0, n = 100 + rng.below(400); i < n; ++i) doc += "\\A";
    doc += "\r\n";
  }
}

// Row groups whose upper and lower rows carry marks in a share of the base
// row's columns that rises from none at the start to nine in ten at the
// end: the text a part makes grows along the document, past the first
// block its buffer was given.
void risingMarks(Random& rng, size_t size, std::string& doc) {
  auto marks = [&rng](const char* prefix, size_t columns, uint32_t percent) {
    std::string row = prefix;
    for (size_t column = 0; column < columns; ++column) {
      row += rng.chance(percent) ? static_cast<char>('0' + rng.below(10)) : ' ';
    }
    return row + "\r\n";
  };
  while (doc.size() < size) {
    const auto percent = static_cast<uint32_t>(90 * doc.size() / size);
    const std::string base = baseRow(rng, 60);
    doc += marks("\\+", base.size(), percent);
    doc += base + "\r\n";
    doc += marks("\\-", base.size(), percent);
  }
}

// UTF-8 of a code point (up to three bytes).
std::string utf8(uint32_t cp) {
  std::string s;
  if (cp < 0x80) {
    s += static_cast<char>(cp);
  } else if (cp < 0x800) {
    s += static_cast<char>(0xC0 | (cp >> 6));
    s += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    s += static_cast<char>(0xE0 | (cp >> 12));
    s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    s += static_cast<char>(0x80 | (cp & 0x3F));
  }
  return s;
}

// Greek on page 1 (two-byte characters), mathematical letters on page 2
// (three-byte characters), typographic characters in codes 128 to 159.
std::string standardMap() {
  std::string map =
      "/ Benchmark map file\r\n"
      "Fn2:1\r\nFn3:2\r\nFn4:1\r\nFn11:2\r\n"
      ":1\r\nabcdefghijklmnopqrstuvwxyz\r\n";
  for (uint32_t i = 0; i < 26; ++i) map += utf8(0x3B1 + i % 25);
  map += "\r\n:2\r\nabcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ\r\n";
  for (uint32_t i = 0; i < 52; ++i) map += utf8(0x2200 + i);
  map += "\r\n128\r\n";
  for (uint32_t i = 0; i < 32; ++i) map += utf8(0x2010 + i);
  map +=
      "\r\n\r\nHTML header:\r\n<!DOCTYPE html>\r\n<html><head><meta charset=\"utf-8\">\r\n"
      "<style>.Fn2 { color: navy; } .Fn3 { font-style: italic; }</style>\r\n</head><body>\r\n\r\n";
  return map;
}

std::string bigMap(Random& rng, size_t size) {
  std::string map;
  while (map.size() < size) {
    switch (rng.below(5)) {
      case 0:
        map += "Fn";
        map += std::to_string(rng.below(21));
        map += ':';
        map += std::to_string(rng.below(4));
        map += "\r\n";
        break;
      case 1:
        map += ':';
        map += std::to_string(rng.below(4));
        map += "\r\nabcdef\r\n";
        map += utf8(0x3B1 + rng.below(20));
        map += utf8(0x2200 + rng.below(50));
        map += "\r\n";
        break;
      case 2:
        map += std::to_string(128 + rng.below(128));
        map += "\r\n";
        map += utf8(0x2010 + rng.below(30));
        map += utf8(0x3B1);
        map += "\r\n";
        break;
      case 3:
        map += "HTML header:\r\n<meta name=\"n";
        map += std::to_string(rng.below(1000));
        map += "\">\r\n\r\n";
        break;
      default:
        map += "/ comment line\r\n";
        break;
    }
  }
  return map;
}

}  // namespace

bool generateDocument(const std::string& kind, size_t size, uint64_t seed, std::string& doc, std::string& map) {
  Random rng{seed};
  doc.clear();
  doc.reserve(size + 8192);
  map = standardMap();
  if (kind == "realistic") {
    realistic(rng, size, doc);
  } else if (kind == "wide") {
    realistic(rng, size, doc, wideFontEscapes);
  } else if (kind == "one-line") {
    oneLine(rng, size, doc);
  } else if (kind == "tiny-groups") {
    tinyGroups(size, doc);
  } else if (kind == "escape-rows") {
    escapeRows(rng, size, doc);
  } else if (kind == "a-runs") {
    aRuns(rng, size, doc);
  } else if (kind == "rising-marks") {
    risingMarks(rng, size, doc);
  } else if (kind == "big-map") {
    realistic(rng, 1 << 20, doc);
    map = bigMap(rng, size);
  } else {
    return false;
  }
  return true;
}

}  // namespace vantrel::bench
