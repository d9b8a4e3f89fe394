#pragma once
#include <string>
#include <vector>

namespace vantrel {

// What the command line asks for.
struct Options {
  std::vector<std::string> documents;  // "-" is standard input
  std::string output;                  // -o: the output of a single document ("-": standard output)
  std::string mapFile;                 // -m: empty for Runemap.txt in the current folder
  int jobs = 1;
  bool quiet = false;
  bool check = false;
  bool escape = false;      // --escape: mark-up characters in the text become entities
  bool standalone = false;  // --standalone: a complete HTML5 page without a map-file header
  bool help = false;
  bool version = false;
  std::string error;  // a usage error: the text after "vantrel: "
};

// Reads the arguments (without the program's name). Options are taken only
// from arguments that begin with "-" and are longer than one character,
// before a "--"; "--output=FILE" and "-oFILE" forms are taken too.
Options parseOptions(const std::vector<std::string>& args);

// The text of --help.
extern const char* const usageText;

}  // namespace vantrel
