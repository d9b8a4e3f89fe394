#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace vantrel::bench {

// A seeded document of about `size` bytes of the given kind (see docgen.cpp);
// empty for an unknown kind. `map` gets the map file that goes with it.
bool generateDocument(const std::string& kind, size_t size, uint64_t seed, std::string& doc, std::string& map);

}  // namespace vantrel::bench
