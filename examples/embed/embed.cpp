// Converts a document held in memory with a map file held in memory, and
// prints the HTML: Vantrel used as a library.
#include <vantrel/vantrel.h>

#include <cstdio>
#include <exception>
#include <string>

int main() {
  // Font 2 reads page 1, where "a" and "b" stand for Greek alpha and beta.
  const std::string mapText = "Fn2:1\r\n:1\r\nab\r\n\xCE\xB1\xCE\xB2\r\nHTML header:\r\n<html><body>\r\n\r\n";
  // One row group: an empty upper row, a base row with a font change, a lower row.
  const std::string document = "\\+\r\nLight, \\2ab\\1, and H\\,\r\n\\-               2\r\n";
  try {
    vantrel::MapFile map = vantrel::readMapText(mapText);
    std::string html = vantrel::convertText(document, map);
    std::fwrite(html.data(), 1, html.size(), stdout);
    std::printf("\n");
  } catch (const std::exception& fault) {
    // A faulty map line: "embed: line 3: page number out of range: ':7'".
    std::fprintf(stderr, "embed: %s\n", fault.what());
    return 1;
  }
  return 0;
}
