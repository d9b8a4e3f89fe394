#include "driver/run.h"

#include <string>

#include "charmap/map_file.h"
#include "support/console/console.h"
#include "support/files/file_name.h"
#include "support/program/command_line.h"
#include "vantrel/vantrel.h"

namespace vantrel {

namespace {

// One dot per row group, shown at once on a terminal.
void drawProgressDot() {
  writeChar('.');
  flushOutput();
  checkIo();
}

}  // namespace

void runConverter() {
  std::string inputName = commandLineParam(1);
  if (inputName.empty()) inputName = defaultInputName;
  std::string outputName = changeExt(inputName, ".htm");

  writeText(banner);
  writeLine();
  checkIo();

  writeText("Conversion: ");
  writeText(inputName);
  writeText(" ---> ");
  writeText(outputName);
  writeText("\r\n");
  writeLine();
  checkIo();

  FileSource document(inputName);
  // The output is written while the conversion goes on, to a new file that
  // replaces the old one only when the text is complete. An output that is
  // the document itself is refused before anything is converted.
  FileSink output(outputName, &document);
  MapFile map = loadMapFile(mapFileName);
  convertDocument(document, map, output, drawProgressDot);
  writeLine();
  checkIo();
  output.finish();

  writeText("finish");
  writeLine();
  checkIo();
}

}  // namespace vantrel
