// The buffered standard output that the graph writers append to.
#ifndef TANGLET_DRIVER_OUTPUT_H_
#define TANGLET_DRIVER_OUTPUT_H_

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "listing/bytes.h"

// Digits of value, written at p; returns the end, at most 11 bytes on.
char* format_int(char* p, int32_t value);

// Inside double quotes a text field puts a '\' before these.
inline bool needs_escape(char c) { return c == '"' || c == '\\'; }
inline bool any_needs_escape(std::string_view s) {
  return bytes::contains_either(s.data(), s.size(), '"', '\\');
}

// Writes a line into room already reserved for it, without checks.
struct raw_writer {
  char* p;

  void put(std::string_view s) {
    if (!s.empty()) std::memcpy(p, s.data(), s.size());
    p += s.size();
  }
  void put(char c) { *p++ = c; }
  void put_int(int32_t value) { p = format_int(p, value); }
  // Escaped: at most twice the field.
  void put_escaped(std::string_view s) {
    if (!any_needs_escape(s)) {
      put(s);
      return;
    }
    for (char c : s) {
      if (needs_escape(c)) *p++ = '\\';
      *p++ = c;
    }
  }
};

class out_buffer {
 public:
  // Writes to fd, or appends to *capture when capture is set (tests, fuzzers).
  void reset(int fd, std::string* capture = nullptr);

  void put(std::string_view s) {
    if (s.size() <= sizeof buffer_ - used_) {
      // An empty view may have no data pointer, which memcpy must not get.
      if (!s.empty()) std::memcpy(buffer_ + used_, s.data(), s.size());
      used_ += s.size();
    } else {
      put_slow(s);
    }
  }
  void put(char c) {
    if (used_ == sizeof buffer_) flush();
    buffer_[used_++] = c;
  }
  void put_int(int32_t value);
  // A text field inside double quotes, escaped.
  void put_escaped(std::string_view s);

  // Writes one line with emit(writer), which calls put, put_int and
  // put_escaped. When at most `bound` bytes can come out, the line goes
  // straight into the buffer; otherwise piece by piece.
  template <class Emit>
  void write_line(size_t bound, Emit&& emit) {
    if (bound > sizeof buffer_ - used_) flush();
    if (bound <= sizeof buffer_ - used_) {
      raw_writer raw{buffer_ + used_};
      emit(raw);
      used_ = static_cast<size_t>(raw.p - buffer_);
    } else {
      emit(*this);
    }
  }

  // Hands the buffer on; false once any write has failed.
  bool flush();
  bool failed() const { return error_ != 0; }
  int error() const { return error_; }  // errno of the failed write

 private:
  void put_slow(std::string_view s);

  int fd_ = 1;
  std::string* capture_ = nullptr;
  int error_ = 0;
  size_t used_ = 0;
  char buffer_[1 << 16];
};

// Standard output for the graph.
extern out_buffer graph_output;

#endif  // TANGLET_DRIVER_OUTPUT_H_
