#pragma once
// Hands out a text in blocks of a few bytes each, so that lines and CR LF
// pairs are cut at every place a block boundary can fall.
#include <algorithm>
#include <string_view>

#include "vantrel/streams.h"

class SmallBlocks : public vantrel::ByteSource {
 public:
  SmallBlocks(std::string_view text, size_t block) : text_(text), block_(block) {}
  size_t read(char* into, size_t size) override {
    size_t count = std::min({size, block_, text_.size()});
    text_.copy(into, count);
    text_.remove_prefix(count);
    return count;
  }

 private:
  std::string_view text_;
  size_t block_;
};
