#include "driver/run.h"

#include <string>

#include "convert/conversion.h"
#include "support/console/console.h"
#include "support/faults/faults.h"
#include "support/files/file_io.h"
#include "support/files/file_name.h"
#include "support/output/output_file.h"
#include "support/program/command_line.h"
#include "support/text/text_block.h"

namespace vantrel {

void runConverter() {
  TextBlock document;
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

  // The output is written while the conversion goes on, to a new file that
  // replaces the old one only when the text is complete. It is opened first:
  // an output that is the document itself is refused before anything else.
  OutputFile output;
  openOutput(output, outputName, fileIdentityOf(inputName));
  if (output.refused) raiseInOutError(output.failure);
  if (IoCode code = readWholeFile(inputName, document)) raiseInOutError(code);
  HtmlText result;
  result.output = &output;
  convertDocument(document, result);
  document = TextBlock{};
  if (IoCode code = commitOutput(output, result.bytes)) raiseInOutError(code);

  writeText("finish");
  writeLine();
  checkIo();
}

}  // namespace vantrel
