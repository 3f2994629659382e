// The one escape rule of the graphs the programs write: inside double quotes
// a text field puts a '\' before each '"' and '\'.
#ifndef TANGLET_IO_ESCAPE_H_
#define TANGLET_IO_ESCAPE_H_

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "io/bytes.h"
#include "io/padded.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

inline bool needs_escape(char c) { return c == '"' || c == '\\'; }

inline bool any_needs_escape(std::string_view s) {
  return bytes::contains_either(s.data(), s.size(), '"', '\\');
}

// Writes s escaped at p, which has room for twice its size; returns the end.
inline char* escape_into(char* p, std::string_view s) {
  for (char c : s) {
    if (needs_escape(c)) *p++ = '\\';
    *p++ = c;
  }
  return p;
}

// escape_into for a field with slack, which most fields are and which most
// need no escape: kWhole bytes (32 or 64) are copied and searched at once
// whatever its length, so that most fields take no branch; the copy is right
// unless a quote or a backslash turns up. p has room for kWhole bytes too.
template <size_t kWhole>
[[gnu::always_inline]] inline char* escape_padded(char* p, padded_text s) {
  const size_t n = s.size();
#if defined(__SSE2__)
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
  if (found == 0) return p + n;
#else
  if (!any_needs_escape(s)) {
    if (n != 0) std::memcpy(p, s.data(), n);
    return p + n;
  }
#endif
  return escape_into(p, s);
}

#endif  // TANGLET_IO_ESCAPE_H_
