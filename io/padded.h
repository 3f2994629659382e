// Texts that readable bytes follow. Lines are read with slack past their end
// so that the readers and writers may load and store whole words without a
// check at every end; this type says so where a text changes hands.
#ifndef TANGLET_IO_PADDED_H_
#define TANGLET_IO_PADDED_H_

#include <cstddef>
#include <string>
#include <string_view>

// The bytes past a text that may be read, whatever they hold.
constexpr size_t kLineSlack = 128;

// A view of a text that kLineSlack readable bytes follow. Made only by the
// line reader, by padded_string, and as the empty text; a part of one is one
// too, since what follows the whole follows its parts.
class padded_text {
 public:
  // The empty text.
  constexpr padded_text() : data_(kNothing), size_(0) {}

  constexpr const char* data() const { return data_; }
  constexpr size_t size() const { return size_; }
  constexpr bool empty() const { return size_ == 0; }
  constexpr char operator[](size_t i) const { return data_[i]; }
  constexpr std::string_view view() const { return {data_, size_}; }
  constexpr operator std::string_view() const { return view(); }
  // Bytes [begin, end) of this text.
  constexpr padded_text part(size_t begin, size_t end) const {
    return padded_text(data_ + begin, end - begin);
  }

  friend bool operator==(padded_text a, std::string_view b) { return a.view() == b; }
  friend bool operator!=(padded_text a, std::string_view b) { return a.view() != b; }

 private:
  friend class line_reader;
  friend class padded_string;
  constexpr padded_text(const char* data, size_t size) : data_(data), size_(size) {}

  static constexpr char kNothing[kLineSlack] = {};
  const char* data_;
  size_t size_;
};

// An owned copy of a text with its slack (filled with fill), for tests and
// tools that make texts of their own.
class padded_string {
 public:
  explicit padded_string(std::string_view text, char fill = '\0')
      : buffer_(std::string(text) + std::string(kLineSlack, fill)), size_(text.size()) {}
  padded_text text() const { return padded_text(buffer_.data(), size_); }
  operator padded_text() const { return text(); }

 private:
  std::string buffer_;
  size_t size_;
};

#endif  // TANGLET_IO_PADDED_H_
