// Scans over bytes a machine word at a time. Lines are short, so these win
// by doing eight bytes per step without a library call; they assume nothing
// about byte order (a word with a candidate is resolved byte by byte).
#ifndef TANGLET_IO_BYTES_H_
#define TANGLET_IO_BYTES_H_

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace bytes {

constexpr uint64_t kOnes = 0x0101010101010101ull;
constexpr uint64_t kHighs = 0x8080808080808080ull;

inline uint64_t load(const char* p) {
  uint64_t w;
  std::memcpy(&w, p, sizeof w);
  return w;
}

// High bit set in exactly the bytes of w that are zero.
inline uint64_t zero_bytes(uint64_t w) {
  const uint64_t low7 = (w & ~kHighs) + ~kHighs;
  return ~(low7 | w | ~kHighs);
}

// Whether any byte of w is below n (n at most 128).
inline bool any_below(uint64_t w, unsigned n) { return ((w - kOnes * n) & ~w & kHighs) != 0; }

inline size_t count(const char* p, size_t n, char c) {
  size_t total = 0, i = 0;
  for (; i + 8 <= n; i += 8) {
    const uint64_t hits = zero_bytes(load(p + i) ^ (kOnes * static_cast<unsigned char>(c)));
    total += static_cast<size_t>(((hits >> 7) * kOnes) >> 56);
  }
  for (; i < n; ++i) total += p[i] == c;
  return total;
}

// The C library's white space: blank, \t, \n, \v, \f, \r.
inline bool is_space(char c) {
  return c == ' ' || static_cast<unsigned char>(c - '\t') <= '\r' - '\t';
}

// The first white-space byte at or after i, or n.
inline size_t find_space(const char* p, size_t i, size_t n) {
  // White space is below '!'; most words hold no such byte at all.
  while (i + 8 <= n && !any_below(load(p + i), '!')) i += 8;
  while (i < n && !is_space(p[i])) ++i;
  return i;
}

// Whether p[0, n) holds a or b.
inline bool contains_either(const char* p, size_t n, char a, char b) {
  const uint64_t wa = kOnes * static_cast<unsigned char>(a);
  const uint64_t wb = kOnes * static_cast<unsigned char>(b);
  auto hit = [&](uint64_t w) { return (zero_bytes(w ^ wa) | zero_bytes(w ^ wb)) != 0; };
  if (n >= 8) {
    // Whole words, then the last eight bytes, which may overlap the words
    // before: checked twice is still right, and no byte-by-byte tail.
    for (size_t i = 0; i + 8 < n; i += 8) {
      if (hit(load(p + i))) return true;
    }
    return hit(load(p + n - 8));
  }
  if (n >= 4) {
    uint32_t head, end;
    std::memcpy(&head, p, 4);
    std::memcpy(&end, p + n - 4, 4);
    return hit(head | uint64_t{end} << 32);
  }
  for (size_t i = 0; i < n; ++i) {
    if (p[i] == a || p[i] == b) return true;
  }
  return false;
}

}  // namespace bytes

#endif  // TANGLET_IO_BYTES_H_
