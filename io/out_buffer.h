// The buffered standard output that the graph writers append to.
#ifndef TANGLET_IO_OUT_BUFFER_H_
#define TANGLET_IO_OUT_BUFFER_H_

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "io/bytes.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// The digits of value, the long way; returns the end, at most 11 bytes on.
char* format_wide_int(char* p, int32_t value);
// The digits of a value below 10^8 (false for any other), the first in
// the lowest byte of text: eight digits at once, without a division.
// Multiplying by a scaled reciprocal splits 4+4 digits, then 2+2, then 1+1,
// in lanes.
inline bool small_digits(int32_t value, uint64_t& text, unsigned& size) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  if (static_cast<uint32_t>(value) >= 100000000) return false;
  const uint64_t x = static_cast<uint32_t>(value);
  const uint64_t high = (x * 109951163) >> 40;  // x / 10000
  uint64_t v = high | (x - high * 10000) << 32;
  const uint64_t hundreds = ((v * 10486) >> 20) & 0x0000007F0000007Full;
  v = hundreds | (v - hundreds * 100) << 16;
  const uint64_t tens = ((v * 103) >> 10) & 0x000F000F000F000Full;
  v = tens | (v - tens * 10) << 8;
  // Drop the leading zeros.
  const unsigned zeros = v == 0 ? 7 : static_cast<unsigned>(__builtin_ctzll(v)) / 8;
  text = (v + 0x3030303030303030ull) >> (8 * zeros);
  size = 8 - zeros;
  return true;
#else
  (void)value, (void)text, (void)size;
  return false;
#endif
}

// The same as format_wide_int, and faster for what listings hold. It may
// write up to 11 bytes whatever the end.
inline char* format_int(char* p, int32_t value) {
  uint64_t text;
  unsigned size;
  if (!small_digits(value, text, size)) return format_wide_int(p, value);
  std::memcpy(p, &text, 8);
  return p + size;
}

// The digits of numbers written before, kept by the number itself: edges
// name the nodes written just before them.
class number_cache {
 public:
  number_cache() {
    // Every slot always holds some number's digits: no slot is ever empty.
    for (uint32_t i = 0; i < kSlots; ++i) {
      slots_[i].value = static_cast<int32_t>(i);
      slots_[i].size =
          static_cast<uint8_t>(format_int(slots_[i].text, slots_[i].value) - slots_[i].text);
    }
  }
  // As format_int, but may write 16 bytes whatever the end.
  char* format(char* p, int32_t value) {
    slot& s = slots_[static_cast<uint32_t>(value) % kSlots];
    if (s.value == value) {
      // The whole slot, whatever the length: what follows the digits is
      // written over next, or lies in the writer's slack.
      std::memcpy(p, &s, sizeof s);
      return p + s.size;
    }
    // The digits go to both places from a register: read back from the
    // line, they would wait for the store.
    uint64_t text;
    unsigned size;
    char* end;
    if (small_digits(value, text, size)) {
      std::memcpy(p, &text, 8);
      std::memcpy(s.text, &text, 8);
      end = p + size;
    } else {
      end = format_wide_int(p, value);
      std::memcpy(s.text, p, sizeof s.text);
    }
    s.size = static_cast<uint8_t>(end - p);
    s.value = value;
    return end;
  }

 private:
  static constexpr uint32_t kSlots = 1024;
  struct slot {
    char text[11];
    uint8_t size;
    int32_t value;
  };
  slot slots_[kSlots];
};

// Inside double quotes a text field puts a '\' before these.
inline bool needs_escape(char c) { return c == '"' || c == '\\'; }
inline bool any_needs_escape(std::string_view s) {
  return bytes::contains_either(s.data(), s.size(), '"', '\\');
}

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
  // Escaped: at most twice the field. kLineSlack readable bytes follow s, as
  // they follow every text field that the writers are given.
  void put_escaped(std::string_view s) { put_escaped_first<32>(s); }
  // The same for a field that is often longer, as signatures are, or empty,
  // as they are in the free layout: then nothing is copied at all.
  void put_escaped_long(std::string_view s) {
    if (!s.empty()) put_escaped_first<64>(s);
  }

  // Copied and searched at once, kWhole bytes whatever the length, so that
  // most fields take no branch; the copy is right unless a quote or a
  // backslash turns up. kWhole is 32 or 64.
  template <size_t kWhole>
  void put_escaped_first(std::string_view s) {
#if defined(__SSE2__)
    const size_t n = s.size();
    const __m128i quote = _mm_set1_epi8('"'), backslash = _mm_set1_epi8('\\');
    auto chunk = [&](size_t i) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s.data() + i));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(p + i), v);
      return static_cast<uint64_t>(static_cast<uint16_t>(
          _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, quote), _mm_cmpeq_epi8(v, backslash)))));
    };
    uint64_t found = chunk(0) | chunk(16) << 16;
    if constexpr (kWhole == 64) {
      found |= chunk(32) << 32 | chunk(48) << 48;
      if (n < 64) found &= (uint64_t{1} << n) - 1;
    } else {
      found &= (uint64_t{1} << (n < 32 ? n : 32)) - 1;
    }
    for (size_t i = kWhole; i < n; i += 16) {
      uint64_t bits = chunk(i);
      if (n - i < 16) bits &= (uint64_t{1} << (n - i)) - 1;
      found |= bits;
    }
    if (found == 0) {
      p += n;
      return;
    }
#else
    if (!any_needs_escape(s)) {
      put(s);
      return;
    }
#endif
    for (char c : s) {
      if (needs_escape(c)) *p++ = '\\';
      *p++ = c;
    }
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
  // A text field inside double quotes, escaped.
  void put_escaped(std::string_view s);
  void put_escaped_long(std::string_view s) { put_escaped(s); }

  // Writes one line with emit(writer), which calls put, put_int and
  // put_escaped. When at most `bound` bytes can come out, the line goes
  // straight into the buffer; otherwise piece by piece.
  template <class Emit>
  void write_line(size_t bound, Emit&& emit) {
    bound += raw_writer::kSlack;
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
  out_sink sink_ = nullptr;
  void* context_ = nullptr;
  int error_ = 0;
  size_t used_ = 0;
  char buffer_[1 << 18];
};

// Standard output for the graph.
extern out_buffer graph_output;

#endif  // TANGLET_IO_OUT_BUFFER_H_
