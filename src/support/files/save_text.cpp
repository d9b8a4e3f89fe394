#include "support/files/file_io.h"
#include "support/output/output_file.h"

namespace vantrel {

IoCode saveText(const std::string& fileName, std::string_view text) {
  OutputFile out;
  openOutput(out, fileName);
  return commitOutput(out, text);
}

}  // namespace vantrel
