#include "driver/run.h"

#include <string>

#include "convert/conversion.h"
#include "support/command_line.h"
#include "support/console.h"
#include "support/faults.h"
#include "support/file_io.h"
#include "support/file_name.h"
#include "support/text_block.h"

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

  if (IoCode code = readWholeFile(inputName, document)) raiseInOutError(code);
  HtmlText result;
  convertDocument(document, result);
  document = TextBlock{};
  if (IoCode code = saveText(outputName, result.bytes)) raiseInOutError(code);

  writeText("finish");
  writeLine();
  checkIo();
}

}  // namespace vantrel
