#pragma once
#include <cstddef>
#include <functional>

#include "convert/row_walk.h"

namespace vantrel {

// How a document is cut into parts that convert on several threads at once.
struct PartPlan {
  size_t partSize = size_t{1} << 20;  // a part ends at the first boundary from here on
  unsigned threads = 2;               // converting threads, the caller's own among them
  // The last bytes of a part that are walked to guess the state it leaves.
  size_t guessTail = size_t{2} << 10;
};

// Does what convertRowGroups does, with the document cut into parts at
// row-group boundaries (part_boundary.h). Each part is converted on one of
// the threads from the boundary state that the part before it is guessed to
// leave, which a short walk of that part's last groups gives. The parts are
// joined in order, one at a time, calling `onRowGroup` for their groups: on
// the caller's thread, or, with `options.callbacksOnAnyThread`, by a helper
// too, as soon as the part it converted is the front one. A part whose guess
// proves wrong, whose "\A" reaches into the part before it, or whose
// conversion failed is converted again on the caller's thread, from the true
// state, so the text is always the one a single walk writes. Faults are
// raised on the caller's thread as that walk would raise them.
//
// `s` is prepared (prepareConversion) and its text begun (beginHtml);
// `map` and `options` prepare the other threads' states the same way.
void convertInParts(ConversionState& s, const MapFile& map, const ConversionOptions& options, ByteSource& document,
                    const std::function<void()>& onRowGroup, const PartPlan& plan);

}  // namespace vantrel
