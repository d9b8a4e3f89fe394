#include "support/text/split_first.h"

namespace vantrel {

std::string splitFirst(std::string& source, std::string_view separators) {
  size_t at = source.find_first_of(separators);
  std::string head;
  if (at == std::string::npos) {
    head.swap(source);
  } else {
    head = source.substr(0, at);
    source.erase(0, at + 1);
  }
  return head;
}

}  // namespace vantrel
