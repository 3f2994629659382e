// The buffered standard output that the graph writers append to.
#ifndef TANGLET_IO_OUT_BUFFER_H_
#define TANGLET_IO_OUT_BUFFER_H_

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "io/digits.h"
#include "io/escape.h"
#include "io/padded.h"

// Writes a line into room already reserved for it, without checks.
struct raw_writer {
  // Room that the writer may use past the line's end.
  static constexpr size_t kSlack = 64;
  char* p;

  void put(std::string_view s) {
    if (!s.empty()) std::memcpy(p, s.data(), s.size());
    p += s.size();
  }
  void put(char c) { *p++ = c; }
  void put_int(int32_t value) { p = format_int(p, value); }
  template <class Cache>
  void put_int(int32_t value, Cache& cache) {
    p = cache.format(p, value);
  }
  // Escaped: at most twice the field.
  void put_escaped(padded_text s) { p = escape_padded<32>(p, s); }
  // The same for a field that is often longer, as signatures are, or empty,
  // as they are in the free layout: then nothing is copied at all.
  void put_escaped_long(padded_text s) {
    if (!s.empty()) p = escape_padded<64>(p, s);
  }
};

// Where an out_buffer hands its bytes when not to a file descriptor.
using out_sink = void (*)(void* context, const char* data, size_t size);

class out_buffer {
 public:
  // Writes to fd, or hands the bytes to sink when it is set.
  void reset(int fd, out_sink sink = nullptr, void* context = nullptr);
  // Tests and fuzzers: appends to *capture. Inline, so that the programs,
  // which never call it, need no C++ library at run time.
  void reset(int fd, std::string* capture) {
    reset(
        fd,
        [](void* to, const char* data, size_t size) {
          static_cast<std::string*>(to)->append(data, size);
        },
        capture);
  }

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
  template <class Cache>
  void put_int(int32_t value, Cache&) {
    put_int(value);
  }
  // A text field inside double quotes, escaped, however long.
  void put_escaped(std::string_view s);
  void put_escaped_long(std::string_view s) { put_escaped(s); }

  // Writes one line with emit(writer), which calls put, put_int and
  // put_escaped. When at most `bound` bytes can come out, the line goes
  // straight into the buffer; otherwise piece by piece.
  template <class Emit>
  void write_line(size_t bound, Emit&& emit) {
    const size_t room = bound + raw_writer::kSlack;
    if (room > sizeof buffer_ - used_) flush();
    if (room <= sizeof buffer_ - used_) {
      raw_writer raw{buffer_ + used_};
      emit(raw);
      // Each writer works its bound out by hand.
      assert(static_cast<size_t>(raw.p - (buffer_ + used_)) <= bound);
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
  out_sink sink_ = nullptr;
  void* context_ = nullptr;
  int error_ = 0;
  size_t used_ = 0;
  char buffer_[1 << 18];
};

// Standard output for the graph.
extern out_buffer graph_output;

#endif  // TANGLET_IO_OUT_BUFFER_H_
