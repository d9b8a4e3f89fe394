#include "convert/parted_conversion.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "convert/part_boundary.h"

namespace vantrel {

namespace {

// Bytes read past the part size, so that a boundary is usually in hand
// after one read; a part that finds none within `longestPartExtra` past its
// size leaves the rest of the document to a single walk.
constexpr size_t lookAhead = size_t{16} << 10;
constexpr size_t longestPartExtra = size_t{8} << 20;
// A part whose text grows past this many times its bytes (or past a
// window) is converted again by the single walk, which passes its text on
// as it goes; the parts after it are made smaller, so that the text of the
// parts in flight stays within a few windows whatever the document.
constexpr size_t textPerByte = 4;
constexpr size_t smallestPartSize = size_t{64} << 10;

// One part of the document and what its conversion gave.
struct Part {
  HeldBytes input;
  ByteText out;
  BoundaryState entry;  // the state assumed at its start
  BoundaryState exit;
  ConversionReport report;
  int64_t groups = 0;
  bool done = false;
  bool redo = false;           // converted by the single walk when joined
  bool endedAtNul = false;     // the text of the document ends in this part
  bool restFollows = false;    // the rest of the document is read from the source after it
  bool tooLong = false;        // its text grew past what a part may hold
  std::exception_ptr failure;  // the source failed after these bytes
};

void reserveHeld(HeldBytes& held, size_t size) {
  if (held.capacity >= size + linePadding) return;
  size_t capacity = std::max(size + linePadding, held.capacity * 2);
  BlockPointer larger = newBlock(capacity);
  if (held.size > 0) std::memcpy(larger.get(), held.bytes.get(), held.size);
  held.bytes = std::move(larger);
  held.capacity = capacity;
}

void padHeld(HeldBytes& held) { std::memset(held.bytes.get() + held.size, 0, linePadding); }

// The start of the line that ends at the last CR of `text`, or 0.
size_t startOfLineBeforeLastEnd(std::string_view text) {
  const size_t lastCr = text.rfind('\r');
  if (lastCr == std::string_view::npos || lastCr == 0) return 0;
  const size_t before = text.rfind('\r', lastCr - 1);
  return before == std::string_view::npos ? 0 : before + 1;
}

// Gives the bytes of a part, then the rest of the document from the source,
// or the failure the source raised after those bytes.
class ReplaySource : public ByteSource {
 public:
  ReplaySource(std::string_view held, ByteSource* rest, std::exception_ptr failure)
      : held_(held), rest_(rest), failure_(std::move(failure)) {}
  size_t read(char* into, size_t size) override {
    if (size_t count = held_.read(into, size)) return count;
    if (failure_) std::rethrow_exception(failure_);
    return rest_ != nullptr ? rest_->read(into, size) : 0;
  }

 private:
  MemorySource held_;
  ByteSource* rest_;
  std::exception_ptr failure_;
};

// Adds what one part read to the report of the parts before it.
void addPartReport(ConversionReport& total, const ConversionReport& part) {
  const int64_t offset = total.lines;
  if (total.firstLoneLfLine == 0 && part.firstLoneLfLine != 0) total.firstLoneLfLine = offset + part.firstLoneLfLine;
  if (total.passedOverLines == 0 && part.passedOverLines != 0) {
    total.firstPassedOverLine = offset + part.firstPassedOverLine;
  }
  total.passedOverLines += part.passedOverLines;
  total.rowGroups += part.rowGroups;
  total.lines += part.lines;
}

// Sets a state up to convert a part on its own, its text held in memory
// (at most `longest` bytes), starting from `entry`.
void startPartText(ConversionState& t, const BoundaryState& entry, size_t longest) {
  HtmlText& text = t.html.text;
  text.bytes.clear();
  text.sink = nullptr;
  text.bodyStart = 0;
  text.passedOn = 0;
  text.passOnAt = longest;
  text.continuesText = true;
  text.reachedStart = false;
  setBoundary(t.html, entry);
}

class PartedConversion {
 public:
  PartedConversion(ConversionState& s, const MapFile& map, const ConversionOptions& options, ByteSource& document,
                   const std::function<void()>& onRowGroup, const PartPlan& plan)
      : main_(s), map_(map), options_(options), source_(document), onRowGroup_(onRowGroup), plan_(plan) {
    plan_.partSize = std::max<size_t>(plan_.partSize, 1);
    plan_.threads = std::max(plan_.threads, 1u);
    limit_ = plan_.threads + 2;
    committed_ = boundaryOf(main_.html);
  }
  ~PartedConversion() { stopHelpers(); }

  void run();

 private:
  std::unique_ptr<ConversionState> newState() {
    auto state = std::make_unique<ConversionState>();
    state->encoded = main_.encoded;  // shared, not encoded again
    prepareConversion(*state, map_, options_, *main_.kernel);
    return state;
  }
  Part* take();
  void readPart(Part& part);
  void guessNextEntry(const Part& part);
  void convertPart(Part& part, ConversionState& t);
  void finishPart(Part& part);
  // The front part is converted and no thread is joining.
  bool frontJoinable() const { return !joining_ && !parts_.empty() && parts_.front()->done; }
  bool frontFitsText() const;
  void joinConverted(Part& part);
  bool join(Part& part);
  bool joinFront(std::unique_lock<std::mutex>& guard);
  void walkAgain(Part& part);
  void startHelpers();
  void helperLoop();
  void stopHelpers();
  void finishAfterNul(std::unique_lock<std::mutex>& guard);

  ConversionState& main_;
  const MapFile& map_;
  const ConversionOptions& options_;
  ByteSource& source_;
  const std::function<void()>& onRowGroup_;
  PartPlan plan_;
  size_t limit_;  // parts taken and not yet joined, at most

  std::mutex lock_;
  std::condition_variable changed_;
  std::deque<std::unique_ptr<Part>> parts_;  // taken, in document order, not yet joined
  std::vector<std::unique_ptr<Part>> spare_;
  HeldBytes carry_;             // bytes read after the last cut
  bool sourceEnded_ = false;    // the source has given all its bytes
  bool pastFirstRead_ = false;  // the document is longer than a first read
  bool sourceDone_ = false;     // nothing more to take
  bool stopping_ = false;
  bool joining_ = false;          // a thread is joining the front part
  std::exception_ptr joinFault_;  // raised by a helper's join, for the caller's thread
  BoundaryState committed_;       // the state the joined text leaves
  BoundaryState nextGuess_;       // the state the last part taken is guessed to leave
  std::unique_ptr<ConversionState> guessState_;
  LineReader boundaryLines_;  // reads the parts for their boundaries (the lock held)
  HeldBytes guessBytes_;
  std::vector<std::thread> helpers_;
  ConversionReport total_;
};

// Takes the next part of the document (the lock held): its bytes, and the
// state it starts from, exact when every part before it is joined.
Part* PartedConversion::take() {
  std::unique_ptr<Part> part;
  if (spare_.empty()) {
    part = std::make_unique<Part>();
  } else {
    part = std::move(spare_.back());
    spare_.pop_back();
  }
  part->done = part->redo = part->endedAtNul = part->restFollows = part->tooLong = false;
  part->failure = nullptr;
  part->groups = 0;
  part->entry = parts_.empty() ? committed_ : nextGuess_;
  // In the queue before any byte is read: what is read is never lost.
  parts_.push_back(std::move(part));
  Part* taken = parts_.back().get();
  readPart(*taken);
  if (!sourceDone_) guessNextEntry(*taken);
  return taken;
}

// Reads a part: the bytes after the last cut, then more up to the next cut.
void PartedConversion::readPart(Part& part) {
  HeldBytes& in = part.input;
  in.size = 0;
  try {
    size_t goal = plan_.partSize + lookAhead;
    // A small document needs no large buffer: the first part starts with
    // room for a first read and takes its whole size once that read fills
    // the room; every part after it takes its size at once.
    reserveHeld(in, std::max(pastFirstRead_ ? goal : std::min(goal, firstReadSize), carry_.size));
    if (carry_.size > 0) std::memcpy(in.bytes.get(), carry_.bytes.get(), carry_.size);
    in.size = carry_.size;
    carry_.size = 0;
    size_t searchFrom = plan_.partSize;
    for (;;) {
      while (in.size < goal && !sourceEnded_) {
        const size_t room = in.capacity - linePadding - in.size;
        if (room == 0) {
          pastFirstRead_ = true;
          reserveHeld(in, goal);
          continue;
        }
        size_t got = source_.read(in.bytes.get() + in.size, std::min(room, goal - in.size));
        if (got == 0) sourceEnded_ = true;
        in.size += got;
      }
      padHeld(in);
      const std::string_view text(in.bytes.get(), in.size);
      size_t cut = findPartBoundary(text, std::min(searchFrom, in.size), boundaryLines_);
      if (cut != std::string_view::npos) {
        reserveHeld(carry_, in.size - cut);
        std::memcpy(carry_.bytes.get(), in.bytes.get() + cut, in.size - cut);
        carry_.size = in.size - cut;
        in.size = cut;
        padHeld(in);
        return;
      }
      if (sourceEnded_) {
        sourceDone_ = true;  // the last part
        return;
      }
      if (in.size >= plan_.partSize + longestPartExtra) {
        // No boundary near: a single walk takes the rest of the document.
        part.restFollows = true;
        part.redo = true;
        sourceDone_ = true;
        return;
      }
      // Only the last lines can hold a cut that more text would show: look
      // again from the line before the last line end.
      searchFrom = std::max(searchFrom, startOfLineBeforeLastEnd(text));
      goal = in.size + lookAhead * 4;
      reserveHeld(in, goal);
    }
  } catch (...) {
    // The single walk meets the failure where the source gave it.
    part.failure = std::current_exception();
    part.redo = true;
    sourceDone_ = true;
    if (in.capacity >= in.size + linePadding) padHeld(in);
  }
}

// Guesses the state the part leaves by walking its last groups from the
// state it starts from: fonts and breaks are mostly set anew within a few
// lines. A wrong guess costs a second walk of the next part, never a byte.
void PartedConversion::guessNextEntry(const Part& part) {
  nextGuess_ = part.entry;
  const std::string_view text(part.input.bytes.get(), part.input.size);
  size_t from = 0;
  if (text.size() > plan_.guessTail) {
    from = findPartBoundary(text, text.size() - plan_.guessTail, boundaryLines_);
    if (from == std::string_view::npos) return;
  }
  try {
    if (!guessState_) guessState_ = newState();
    ConversionState& g = *guessState_;
    guessBytes_.size = 0;
    reserveHeld(guessBytes_, text.size() - from);
    std::memcpy(guessBytes_.bytes.get(), text.data() + from, text.size() - from);
    guessBytes_.size = text.size() - from;
    padHeld(guessBytes_);
    startPartText(g, part.entry, SIZE_MAX);
    startReadingHeld(g.lines, guessBytes_);
    try {
      walkRowGroups(g, {});
      nextGuess_ = boundaryOf(g.html);
    } catch (...) {
      // A fault here is the next walk's to raise, if it is real.
    }
    returnHeldBytes(g.lines, guessBytes_);
  } catch (...) {
    // No memory for a guess: the part keeps the state the last one started from.
  }
}

// Converts a part on its own into its buffer, from the state it assumes.
void PartedConversion::convertPart(Part& part, ConversionState& t) {
  if (part.redo) return;
  const size_t longest = std::max(htmlWindow, part.input.size * textPerByte);
  t.html.text.bytes = std::move(part.out);
  startPartText(t, part.entry, longest);
  startReadingHeld(t.lines, part.input);
  try {
    walkRowGroups(t, {});
    part.exit = boundaryOf(t.html);
    part.report = t.report;
    part.endedAtNul = endedAtNul(t.lines);
    part.redo = t.html.text.reachedStart;
  } catch (const TextTooLong&) {
    part.redo = true;
    part.tooLong = true;
  } catch (...) {
    // A fault: the single walk meets it where the document raises it.
    part.redo = true;
  }
  returnHeldBytes(t.lines, part.input);
  part.out = std::move(t.html.text.bytes);
  part.groups = t.groupsWalked;
}

// Converts a part again in the single walk, from the state the joined text
// leaves, writing straight into the text.
void PartedConversion::walkAgain(Part& part) {
  if (part.failure || part.restFollows) {
    ReplaySource replay({part.input.bytes.get(), part.input.size}, part.restFollows ? &source_ : nullptr, part.failure);
    startReading(main_.lines, replay);
    walkRowGroups(main_, onRowGroup_);
    addPartReport(total_, main_.report);
    // The rest of the source is read, so that its failure is still raised.
    drainSource(main_.lines);
    part.endedAtNul = true;
    return;
  }
  startReadingHeld(main_.lines, part.input);
  try {
    walkRowGroups(main_, onRowGroup_);
  } catch (...) {
    returnHeldBytes(main_.lines, part.input);
    throw;
  }
  part.endedAtNul = endedAtNul(main_.lines);
  returnHeldBytes(main_.lines, part.input);
  addPartReport(total_, main_.report);
}

// Whether a helper may join the front part: the sink and the progress may be
// called on any thread, the part may be joined now (frontJoinable: it is
// converted and no thread is joining), and its text goes on the joined text
// as it stands (it was converted from the state the joined text leaves). One
// that ends the text at a NUL ends the conversion too: the caller's thread
// sees to it.
bool PartedConversion::frontFitsText() const {
  if (!options_.callbacksOnAnyThread || !frontJoinable()) return false;
  const Part& part = *parts_.front();
  return !part.redo && part.entry == committed_ && !part.endedAtNul;
}

// Joins the next part to the text; true when the document's text ends with it.
bool PartedConversion::join(Part& part) {
  if (part.redo || !(part.entry == committed_)) {
    walkAgain(part);
    return part.endedAtNul;
  }
  joinConverted(part);
  return part.endedAtNul;
}

// Appends a part's own text to the joined text, with the progress of its groups.
void PartedConversion::joinConverted(Part& part) {
  for (int64_t i = 0; i < part.groups; ++i) {
    if (onRowGroup_) onRowGroup_();
  }
  HtmlText& text = main_.html.text;
  if (text.sink != nullptr) {
    passOnAll(text);
    text.sink->write(part.out.data(), part.out.size());
    text.passedOn += part.out.size();
  } else {
    text.bytes += part.out.view();
  }
  setBoundary(main_.html, part.exit);
  addPartReport(total_, part.report);
}

// Joins the front part (the lock held on entry and on return; released while
// joining, with `joining_` set so that joins stay one at a time and in
// order); true when the document's text ends with it. A fault is raised as
// the join raised it.
bool PartedConversion::joinFront(std::unique_lock<std::mutex>& guard) {
  Part& part = *parts_.front();
  joining_ = true;
  guard.unlock();
  bool ended = false;
  std::exception_ptr fault;
  try {
    ended = join(part);
  } catch (...) {
    fault = std::current_exception();
  }
  guard.lock();
  joining_ = false;
  // A fault, or a NUL that ends the text, ends the conversion: no thread
  // joins another part (those after a NUL are dropped).
  if (fault || ended) stopping_ = true;
  changed_.notify_all();
  if (fault) std::rethrow_exception(fault);
  committed_ = boundaryOf(main_.html);
  spare_.push_back(std::move(parts_.front()));
  parts_.pop_front();
  return ended;
}

void PartedConversion::startHelpers() {
  for (unsigned i = 1; i < plan_.threads; ++i) {
    try {
      helpers_.emplace_back([this] { helperLoop(); });
    } catch (const std::system_error&) {
      break;  // fewer threads: the caller's does the rest
    }
  }
}

// A helper joins a part whose text fits as soon as it is converted, so that
// the text goes on to the sink while the caller's thread converts; it takes
// and converts the next part otherwise. Parts that must be walked again, and
// a NUL that ends the text, are left to the caller's thread.
void PartedConversion::helperLoop() {
  std::unique_ptr<ConversionState> own;
  std::unique_lock<std::mutex> guard(lock_);
  for (;;) {
    changed_.wait(guard, [this] {
      return stopping_ || frontFitsText() || (!sourceDone_ && parts_.size() < limit_) ||
             (sourceDone_ && parts_.empty());
    });
    if (stopping_ || (sourceDone_ && parts_.empty())) return;
    if (frontFitsText()) {
      try {
        joinFront(guard);
      } catch (...) {
        joinFault_ = std::current_exception();
        changed_.notify_all();
        return;
      }
      continue;
    }
    if (sourceDone_) continue;
    Part* part = nullptr;
    try {
      part = take();
    } catch (...) {
      return;  // no memory for a part: the caller's thread goes on alone
    }
    guard.unlock();
    try {
      if (!own) own = newState();
      convertPart(*part, *own);
    } catch (...) {
      part->redo = true;  // no state to convert with: the single walk does it
    }
    guard.lock();
    finishPart(*part);
  }
}

// A part is converted (the lock held): it may be joined, and a part whose
// text grew too long makes the next parts smaller.
void PartedConversion::finishPart(Part& part) {
  part.done = true;
  if (part.tooLong) plan_.partSize = std::max(smallestPartSize, plan_.partSize / 4);
  changed_.notify_all();
}

void PartedConversion::stopHelpers() {
  {
    std::lock_guard<std::mutex> guard(lock_);
    stopping_ = true;
  }
  changed_.notify_all();
  for (std::thread& helper : helpers_) helper.join();
  helpers_.clear();
}

// The text ended at a NUL: the parts after it are dropped, and the rest of
// the source is read, so that a failure of the source is still raised.
void PartedConversion::finishAfterNul(std::unique_lock<std::mutex>& guard) {
  guard.unlock();
  stopHelpers();
  for (const std::unique_ptr<Part>& part : parts_) {
    if (part->failure) std::rethrow_exception(part->failure);
  }
  if (sourceEnded_) return;
  std::unique_ptr<char[]> scratch(new char[readBlockSize]);
  while (source_.read(scratch.get(), readBlockSize) > 0) {
  }
}

void PartedConversion::run() {
  std::unique_ptr<ConversionState> own;
  std::unique_lock<std::mutex> guard(lock_);
  for (;;) {
    if (joinFault_) std::rethrow_exception(joinFault_);
    if (frontJoinable()) {
      if (joinFront(guard)) {
        finishAfterNul(guard);
        break;
      }
      continue;
    }
    if (parts_.empty() && sourceDone_) break;
    if (!sourceDone_ && parts_.size() < limit_) {
      Part* part = take();
      if (!sourceDone_ && helpers_.empty() && plan_.threads > 1) startHelpers();
      guard.unlock();
      if (!own) own = newState();
      convertPart(*part, *own);
      guard.lock();
      finishPart(*part);
      continue;
    }
    changed_.wait(guard);
  }
  main_.report = total_;
}

}  // namespace

void convertInParts(ConversionState& s, const MapFile& map, const ConversionOptions& options, ByteSource& document,
                    const std::function<void()>& onRowGroup, const PartPlan& plan) {
  PartedConversion conversion(s, map, options, document, onRowGroup, plan);
  conversion.run();
  finishHtml(s.html);
}

}  // namespace vantrel
