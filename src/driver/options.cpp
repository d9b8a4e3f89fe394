#include "driver/options.h"

#include <string_view>

namespace vantrel {

namespace {

constexpr int maxJobs = 256;

struct OptionForm {
  char key;
  char letter;  // 0: no short form
  const char* name;
  bool takesValue;
};

constexpr OptionForm optionForms[] = {
    {'o', 'o', "output", true},     {'m', 'm', "map", true},        {'j', 'j', "jobs", true},
    {'q', 'q', "quiet", false},     {'c', 0, "check", false},       {'h', 'h', "help", false},
    {'V', 'V', "version", false},   {'e', 0, "escape", false},      {'s', 0, "standalone", false},
    {'d', 'd', "output-dir", true}, {'r', 'r', "recursive", false}, {'M', 'M', "map-beside", false},
    {'L', 0, "stylesheet", true},
};

const OptionForm* byLetter(char letter) {
  for (const OptionForm& form : optionForms) {
    if (form.letter != 0 && form.letter == letter) return &form;
  }
  return nullptr;
}

const OptionForm* byName(std::string_view name) {
  for (const OptionForm& form : optionForms) {
    if (name == form.name) return &form;
  }
  return nullptr;
}

void apply(Options& options, const OptionForm& form, const std::string& shown, const std::string& value) {
  // An empty name names no file: it is not taken for "no option".
  if (form.takesValue && form.key != 'j' && value.empty()) {
    const char* what = form.key == 'd' ? "folder name" : form.key == 'L' ? "URL" : "file name";
    options.error = "option '" + shown + "' needs a " + what + ", not an empty one";
    return;
  }
  switch (form.key) {
    case 'o':
      options.output = value;
      break;
    case 'm':
      options.mapFile = value;
      break;
    case 'j': {
      int jobs = 0;
      for (char c : value) {
        if (c < '0' || c > '9' || jobs > maxJobs) {
          jobs = 0;
          break;
        }
        jobs = jobs * 10 + (c - '0');
      }
      if (jobs < 1 || jobs > maxJobs) {
        options.error =
            "invalid number of jobs '" + value + "' for " + shown + " (1 to " + std::to_string(maxJobs) + ")";
      }
      options.jobs = jobs;
      break;
    }
    case 'q':
      options.quiet = true;
      break;
    case 'c':
      options.check = true;
      break;
    case 'h':
      options.help = true;
      break;
    case 'e':
      options.escape = true;
      break;
    case 's':
      options.standalone = true;
      break;
    case 'V':
      options.version = true;
      break;
    case 'd':
      options.outputDir = value;
      break;
    case 'r':
      options.recursive = true;
      break;
    case 'M':
      options.mapBeside = true;
      break;
    case 'L':
      // A linked stylesheet belongs to the standalone head.
      options.stylesheet = value;
      options.standalone = true;
      break;
    default:
      break;
  }
}

}  // namespace

Options parseOptions(const std::vector<std::string>& args) {
  Options options;
  bool optionsEnded = false;
  for (size_t i = 0; i < args.size() && options.error.empty(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      options.documents.push_back(arg);
    } else if (arg == "--") {
      optionsEnded = true;
    } else if (arg[1] == '-') {
      size_t equals = arg.find('=');
      std::string name = arg.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
      const OptionForm* form = byName(name);
      std::string shown = "--" + name;
      if (form == nullptr) {
        options.error = "unknown option '" + arg.substr(0, equals) + "'";
      } else if (!form->takesValue && equals != std::string::npos) {
        options.error = "option '" + shown + "' takes no value";
      } else if (form->takesValue && equals == std::string::npos && i + 1 == args.size()) {
        options.error = "option '" + shown + "' needs a value";
      } else {
        apply(options, *form, shown,
              !form->takesValue             ? ""
              : equals != std::string::npos ? arg.substr(equals + 1)
                                            : args[++i]);
      }
    } else {
      // A cluster of letters: "-qj4" is "-q -j 4".
      for (size_t at = 1; at < arg.size() && options.error.empty(); ++at) {
        const OptionForm* form = byLetter(arg[at]);
        std::string shown = std::string("-") + arg[at];
        if (form == nullptr) {
          options.error = "unknown option '" + shown + "'";
        } else if (!form->takesValue) {
          apply(options, *form, shown, "");
        } else if (at + 1 < arg.size()) {
          apply(options, *form, shown, arg.substr(at + 1));
          break;
        } else if (i + 1 < args.size()) {
          apply(options, *form, shown, args[++i]);
        } else {
          options.error = "option '" + shown + "' needs a value";
        }
      }
    }
  }
  if (!options.error.empty()) return options;
  if (!options.output.empty() && options.documents.size() > 1) {
    options.error = "--output names the output of a single document, and " + std::to_string(options.documents.size()) +
                    " were given";
  }
  if (!options.output.empty() && !options.outputDir.empty()) {
    options.error = "--output and --output-dir cannot be used together";
  }
  if (!options.mapFile.empty() && options.mapBeside) options.error = "--map and --map-beside cannot be used together";
  int fromInput = 0;
  for (const std::string& document : options.documents) fromInput += document == "-" ? 1 : 0;
  if (fromInput > 1) options.error = "standard input ('-') can be read only once";
  return options;
}

const char* const usageText =
    "Usage: vantrel [OPTION]... [DOCUMENT]...\n"
    "Convert row-group documents (DOCUMENT.chi) to UTF-8 HTML (DOCUMENT.htm).\n"
    "Without a DOCUMENT, x.chi is converted; a DOCUMENT \"-\" is standard input.\n"
    "\n"
    "  -o, --output FILE   output of a single document; \"-\" is standard output\n"
    "  -d, --output-dir DIR  write each output under DIR, on the path its document\n"
    "                      was named by (folders are made as needed)\n"
    "  -r, --recursive     a folder stands for every .chi document below it\n"
    "  -m, --map FILE      map file to use instead of Runemap.txt in the current folder\n"
    "                      (it must exist)\n"
    "  -M, --map-beside    each document uses Runemap.txt of its own folder\n"
    "  -j, --jobs N        convert up to N documents at once (default 1)\n"
    "  -q, --quiet         no banner, no progress and no summary; faults are still\n"
    "                      reported\n"
    "      --check         read the documents and the map file, report problems,\n"
    "                      write nothing (exit status 1 when anything was reported)\n"
    "      --escape        write \"&\", \"<\", \">\" and '\"' of the text as entities, so that\n"
    "                      the page shows them as written (for untrusted documents)\n"
    "      --standalone    without a header in the map file, begin the page with an\n"
    "                      HTML5 head: doctype, charset, title, a small stylesheet\n"
    "      --stylesheet URL  as --standalone, linking the stylesheet at URL instead\n"
    "  -h, --help          show this text and exit\n"
    "  -V, --version       show the version and exit\n"
    "  --                  end of options: a document named \"-x.chi\" is reached with\n"
    "                      \"-- -x.chi\" or \"./-x.chi\"\n"
    "\n"
    "When the HTML goes to standard output, the console text goes to standard\n"
    "error. A failure is named on standard error too (\"vantrel: FILE: cause\"),\n"
    "beside the fault report. Warnings (line ends in LF alone, text outside row\n"
    "groups, a map file not used, control codes without a map file) go to\n"
    "standard error and change nothing else.\n"
    "\n"
    "Lines end in CR or CR LF. The map file Runemap.txt is read from the current\n"
    "folder (with -M, from the document's); fonts have no style without its header.\n"
    "Characters become the bytes their code page gives, mark-up included: use\n"
    "--escape for documents you do not trust.\n"
    "\n"
    "Examples:\n"
    "  vantrel sample.chi                 writes sample.htm\n"
    "  vantrel -q -j 2 *.chi              converts every document, two at a time\n"
    "  vantrel -r -M -d out archive       the tree archive/ to out/archive/, each\n"
    "                                     document with its folder's map file\n"
    "  vantrel -m ../Runemap.txt a.chi    with another map file\n"
    "  vantrel -o page.html a.chi         writes page.html\n"
    "  vantrel - < a.chi > a.htm          from standard input to standard output\n"
    "  vantrel --check *.chi              reports problems, writes nothing\n"
    "  vantrel --escape --standalone a.chi  a complete page that shows a<b as written\n"
    "\n"
    "Exit status: 0 when every document was converted, 1 when any failed,\n"
    "2 for a usage error. See vantrel(1).\n";

}  // namespace vantrel
