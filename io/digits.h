// Decimal digits of node and line numbers, written without a division for
// most numbers, and a cache of the digits of numbers written before.
#ifndef TANGLET_IO_DIGITS_H_
#define TANGLET_IO_DIGITS_H_

#include <cstddef>
#include <cstdint>
#include <cstring>

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

#endif  // TANGLET_IO_DIGITS_H_
