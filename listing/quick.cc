#include "listing/quick.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "listing/classify.h"

namespace {

__extension__ typedef unsigned __int128 wide;

constexpr size_t kNone = line_masks::kMaxLine;

// Lines of up to 64 bytes, most of them, get by with one word a mask.
template <class Mask>
constexpr size_t kBits = sizeof(Mask) * 8;

template <class Mask>
Mask join(const uint64_t w[2]) {
  if constexpr (kBits<Mask> == 64) {
    return w[0];
  } else {
    return wide{w[1]} << 64 | w[0];
  }
}

// The first set bit of m at or after i, or kNone.
size_t first_at(uint64_t m, size_t i) {
  m = i < 64 ? m >> i << i : 0;
  return m != 0 ? static_cast<size_t>(__builtin_ctzll(m)) : kNone;
}
size_t first_at(wide m, size_t i) {
  if (i < 64) {
    const uint64_t low = static_cast<uint64_t>(m) >> i << i;
    if (low != 0) return static_cast<size_t>(__builtin_ctzll(low));
    i = 64;
  }
  const size_t high = first_at(static_cast<uint64_t>(m >> 64), i - 64);
  return high == kNone ? kNone : 64 + high;
}

template <class Mask>
bool bit(Mask m, size_t i) {
  return i < kBits<Mask> && ((m >> i) & 1) != 0;
}

// Without the processor's instruction, which plain x86-64 lacks.
int32_t popcount(uint64_t x) {
  x -= (x >> 1) & 0x5555555555555555ull;
  x = (x & 0x3333333333333333ull) + ((x >> 2) & 0x3333333333333333ull);
  x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0Full;
  return static_cast<int32_t>((x * 0x0101010101010101ull) >> 56);
}
int32_t popcount(wide x) {
  return popcount(static_cast<uint64_t>(x)) + popcount(static_cast<uint64_t>(x >> 64));
}

// One to seven decimal digits at p[at], without a sign, ending before n:
// always in range. Returns where they end, or 0 for a longer number or none,
// which are for the general reading.
size_t small_number(const char* p, size_t n, size_t at, int32_t& value) {
  uint64_t w;
  std::memcpy(&w, p + at, 8);  // within the slack past the line
  const uint64_t d = w - 0x3030303030303030ull;
  const uint64_t other = (d | (w + 0x4646464646464646ull) | w) & 0x8080808080808080ull;
  size_t count = other == 0 ? 8 : static_cast<size_t>(__builtin_ctzll(other)) / 8;
  if (count > n - at) count = n - at;
  if (count == 0 || count == 8) return 0;
  uint64_t v = d << (8 * (8 - count));
  v = (v * 10 + (v >> 8)) & 0x00FF00FF00FF00FFull;
  v = (v * 100 + (v >> 16)) & 0x0000FFFF0000FFFFull;
  v = (v * 10000 + (v >> 32)) & 0xFFFFFFFFull;
  value = static_cast<int32_t>(v);
  return at + count;
}

// What both layouts share: the masks of the line, the number, the depth, and
// the first token after the number.
template <class Mask>
struct shape {
  std::string_view text;
  Mask space, word, rare, mark[3];  // word: bytes of tokens

  shape(std::string_view line, const line_masks& m) : text(line) {
    const size_t n = text.size();
    const Mask valid = n >= kBits<Mask> ? ~Mask{0} : (Mask{1} << n) - 1;
    space = join<Mask>(m.space) | ~valid;  // the end of the line ends a token too
    word = ~space;
    rare = join<Mask>(m.rare);
    for (int k = 0; k < 3; ++k) mark[k] = join<Mask>(m.mark[k]);
  }
  size_t token_end(size_t begin) const { return std::min(first_at(space, begin), text.size()); }
  size_t number_at(size_t at, int32_t& value) const {
    return at == kNone ? 0 : small_number(text.data(), text.size(), at, value);
  }

  // The number, the depth and the first token [token, end).
  bool head(listing_entry& e, size_t& token, size_t& end) const {
    const size_t rest = number_at(first_at(word, 0), e.number);
    if (rest == 0) return false;
    token = first_at(word, rest);
    if (token == kNone) return false;
    // From here on TABs would count towards the depth, and quotes would need
    // escaping: such lines are rare.
    if (first_at(rare, token) != kNone) return false;
    // Between the number and the token, only TABs are rare.
    e.depth = popcount(rare >> rest);
    end = token_end(token);
    return true;
  }

  // "file line" from after, as the definitions of both layouts end.
  bool file_line(size_t after, listing_entry& e) const {
    const size_t file = first_at(word, after);
    if (file == kNone) return false;
    const size_t file_end = token_end(file);
    if (number_at(first_at(word, file_end), e.line) == 0) return false;
    e.file = text.substr(file, file_end - file);
    return true;
  }
};

template <class Mask>
bool quick_sun(const shape<Mask>& s, listing_entry& e) {
  size_t token, tail;
  if (!s.head(e, token, tail)) return false;
  e.name = s.text.substr(token, tail - token - 1);

  const Mask comma = s.mark[0], open = s.mark[1], close = s.mark[2];
  if (first_at(open & (close >> 1), tail) != kNone) {
    e.kind = ENTRY_EXTERNAL;
    return true;
  }
  size_t at = first_at(comma, tail);
  if (at != kNone) {
    // The signature ends at the first comma that "<" follows; its arguments'
    // commas are not followed so.
    size_t angle = first_at(s.word, at + 1);
    while (!bit(open, angle)) {
      at = first_at(comma, at + 1);
      if (at == kNone) return false;
      angle = first_at(s.word, at + 1);
    }
    // Then "file line", or a case for the general reading.
    if (!s.file_line(angle + 1, e)) return false;
    e.kind = ENTRY_DEFINED;
    e.signature = s.text.substr(tail, at - tail);
    return true;
  }
  if (s.number_at(first_at(s.word, tail), e.number) == 0) return false;
  e.kind = ENTRY_REFERENCE;
  return true;
}

template <class Mask>
bool quick_free(const shape<Mask>& s, listing_entry& e) {
  size_t token, tail;
  if (!s.head(e, token, tail)) return false;
  const Mask open = s.mark[0], close = s.mark[1], dot = s.mark[2];
  if (tail - token == 3 && s.text.compare(token, 3, "...") == 0) {
    token = first_at(s.word, tail);
    if (token == kNone) return false;
    tail = s.token_end(token);
  }
  e.name = s.text.substr(token, tail - token);

  if (first_at(open & (close >> 1), tail) != kNone) {
    e.kind = ENTRY_EXTERNAL;
    return true;
  }
  if (first_at(dot & (dot >> 1) & (dot >> 2), tail) != kNone) {
    const size_t brace = first_at(open, tail);
    if (brace == kNone || s.number_at(first_at(s.word, brace + 1), e.number) == 0) return false;
    e.kind = ENTRY_REFERENCE;
    return true;
  }
  const size_t brace = first_at(s.word, tail);
  if (!bit(open, brace) || !s.file_line(brace + 1, e)) return false;
  e.kind = ENTRY_DEFINED;
  e.signature = s.text.substr(tail, 0);  // empty, but within the line
  return true;
}

}  // namespace

bool quick_sun_line(std::string_view text, listing_entry& entry) {
  line_masks m;
  classify_line(text.data(), text.size(), ",<>", m);
  return text.size() <= 64 ? quick_sun(shape<uint64_t>(text, m), entry)
                           : quick_sun(shape<wide>(text, m), entry);
}

bool quick_free_line(std::string_view text, listing_entry& entry) {
  line_masks m;
  classify_line(text.data(), text.size(), "{}.", m);
  return text.size() <= 64 ? quick_free(shape<uint64_t>(text, m), entry)
                           : quick_free(shape<wide>(text, m), entry);
}
