#pragma once
#include <string>
#include <vector>

namespace vantrel {

// What the command line asks for.
struct Options {
  std::vector<std::string> documents;  // "-" is standard input
  std::string output;                  // -o: the output of a single document ("-": standard output)
  std::string mapFile;                 // -m: empty for Runemap.txt in the current folder
  std::string outputDir;               // -d: each output under this folder, named as its document
  std::string stylesheet;              // --stylesheet: a URL linked by the standalone head
  int jobs = 1;
  bool quiet = false;
  bool check = false;
  bool escape = false;      // --escape: mark-up characters in the text become entities
  bool standalone = false;  // --standalone: a complete HTML5 page without a map-file header
  bool recursive = false;   // -r: a folder stands for the documents (.chi) below it
  bool mapBeside = false;   // -M: each document's map file is Runemap.txt in its own folder
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
