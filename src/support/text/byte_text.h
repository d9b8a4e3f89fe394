#pragma once
#include <cstddef>
#include <cstring>
#include <iosfwd>
#include <string_view>

namespace vantrel {

// A growable byte text for the converter's output. Unlike std::string it
// can hand out room to write into without filling it first, and a large text
// grows by remapping its pages instead of copying them (see big_block.h):
// the result never needs twice its size.
class ByteText {
 public:
  ByteText() = default;
  ByteText(std::string_view text) { append(text); }                 // NOLINT: converts like std::string
  ByteText(const char* text) : ByteText(std::string_view(text)) {}  // NOLINT
  ByteText(const ByteText& other) : ByteText(other.view()) {}
  ByteText(ByteText&& other) noexcept;
  ByteText& operator=(const ByteText& other);
  ByteText& operator=(ByteText&& other) noexcept;
  ByteText& operator=(std::string_view text);
  ~ByteText();

  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  const char* data() const { return data_; }
  std::string_view view() const { return {data_, size_}; }
  operator std::string_view() const { return view(); }  // NOLINT: reads like std::string
  char back() const { return data_[size_ - 1]; }

  void clear() { size_ = 0; }
  // Keeps the first `count` bytes only.
  void truncate(size_t count) {
    if (count < size_) size_ = count;
  }
  // Removes the first `count` bytes.
  void dropFront(size_t count) {
    std::memmove(data_, data_ + count, size_ - count);
    size_ -= count;
  }
  void pop_back() { --size_; }
  void reserve(size_t capacity);

  void append(std::string_view text) {
    char* at = room(text.size());
    if (!text.empty()) std::memcpy(at, text.data(), text.size());
    size_ += text.size();
  }
  void push_back(char c) {
    *room(1) = c;
    ++size_;
  }
  ByteText& operator+=(std::string_view text) {
    append(text);
    return *this;
  }
  ByteText& operator+=(char c) {
    push_back(c);
    return *this;
  }

  // Room for at least `count` more bytes after the text; write there, then
  // commit what was written.
  char* room(size_t count) {
    if (capacity_ - size_ < count) grow(count);
    return data_ + size_;
  }
  void commit(size_t count) { size_ += count; }

 private:
  void grow(size_t count);

  char* data_ = nullptr;
  size_t size_ = 0;
  size_t capacity_ = 0;
};

inline bool operator==(const ByteText& a, std::string_view b) { return a.view() == b; }
std::ostream& operator<<(std::ostream& out, const ByteText& text);

}  // namespace vantrel
