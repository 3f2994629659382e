#include "listing/listing.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <limits>

#include "listing/bytes.h"
#include "listing/quick.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

int input_format = FORMAT_AUTO;

namespace {

constexpr size_t npos = std::string_view::npos;

// The grammar below asks a scanner a few questions about the line: where the
// white space is, how many TABs follow a place, where a comma or a pair of
// characters is. text_scanner answers them for a line of any length, a byte
// or a word at a time.
class text_scanner {
 public:
  explicit text_scanner(std::string_view text) : s_(text) {}

  size_t size() const { return s_.size(); }
  char operator[](size_t i) const { return s_[i]; }
  std::string_view view(size_t begin, size_t end) const { return s_.substr(begin, end - begin); }

  size_t skip_space(size_t i) const {
    while (i < s_.size() && bytes::is_space(s_[i])) ++i;
    return i;
  }
  size_t find_space(size_t i) const { return bytes::find_space(s_.data(), i, s_.size()); }
  int64_t count_tabs(size_t i) const { return count_char(s_.substr(i), '\t'); }
  // The sun layout's comma, the free layout's "{": npos when there is none.
  size_t find_mark(char c, size_t i) const { return s_.find(c, i); }
  // Whether "<>" (sun) or "{}" (free) stands at or after i.
  bool contains_pair(size_t i, const char pair[2]) const {
    return s_.find(std::string_view(pair, 2), i) != npos;
  }
  bool contains_dots(size_t i) const { return s_.find("...", i) != npos; }

 private:
  std::string_view s_;
};

#if defined(__SSE2__)
// For lines of up to kMaxLine bytes: every byte is classified once, sixteen at
// a time, into bit masks; each question is then a bit scan. This is what
// makes the reader fast, so it answers exactly as text_scanner does.
class mask_scanner {
 public:
  static constexpr size_t kMaxLine = 256;

  // mark: ',' (sun) or '{' (free); pair: "<>" or "{}".
  mask_scanner(std::string_view text, char mark, const char pair[2])
      : s_(text), words_((text.size() + 63) / 64) {
    const size_t n = text.size();
    const __m128i blank = _mm_set1_epi8(' '), tab = _mm_set1_epi8('\t');
    const __m128i below_tab = _mm_set1_epi8('\t' - 1), above_cr = _mm_set1_epi8('\r' + 1);
    const __m128i m = _mm_set1_epi8(mark), open = _mm_set1_epi8(pair[0]),
                  close = _mm_set1_epi8(pair[1]);
    for (size_t w = 0; w < words_; ++w) {
      uint64_t space = 0, tabs = 0, marks = 0, opens = 0, closes = 0;
      for (size_t at = w * 64; at < n && at < w * 64 + 64; at += 16) {
        __m128i v;
        unsigned seen = 0;  // leading lanes that an earlier load classified
        if (at + 16 <= n) {
          v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + at));
        } else if (n >= 16) {
          // The last sixteen bytes, so as not to read past the line.
          v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + n - 16));
          seen = static_cast<unsigned>(16 - (n - at));
        } else {
          alignas(16) char last[16] = {};  // NUL is in no class
          std::memcpy(last, text.data(), n);
          v = _mm_load_si128(reinterpret_cast<const __m128i*>(last));
        }
        // Signed compares: bytes from 0x80 up are negative, so no white space.
        const __m128i control =
            _mm_and_si128(_mm_cmpgt_epi8(v, below_tab), _mm_cmplt_epi8(v, above_cr));
        const unsigned shift = static_cast<unsigned>(at % 64);
        space |= bits(_mm_or_si128(_mm_cmpeq_epi8(v, blank), control), seen) << shift;
        tabs |= bits(_mm_cmpeq_epi8(v, tab), seen) << shift;
        marks |= bits(_mm_cmpeq_epi8(v, m), seen) << shift;
        opens |= bits(_mm_cmpeq_epi8(v, open), seen) << shift;
        closes |= bits(_mm_cmpeq_epi8(v, close), seen) << shift;
      }
      space_[w] = space;
      tab_[w] = tabs;
      mark_[w] = marks;
      open_[w] = opens;
      close_[w] = closes;
    }
  }

  size_t size() const { return s_.size(); }
  char operator[](size_t i) const { return s_[i]; }
  std::string_view view(size_t begin, size_t end) const { return s_.substr(begin, end - begin); }

  size_t skip_space(size_t i) const {
    // The first byte that is not white space; past the end there is none.
    for (size_t w = i / 64; w < words_; ++w) {
      const uint64_t other = ~space_[w] & (w == i / 64 ? ~uint64_t{0} << (i % 64) : ~uint64_t{0});
      if (other != 0) return std::min(w * 64 + static_cast<size_t>(__builtin_ctzll(other)), size());
    }
    return size();
  }
  size_t find_space(size_t i) const { return std::min(next(space_, i), size()); }
  int64_t count_tabs(size_t i) const {
    int64_t total = 0;
    for (size_t w = i / 64; w < words_; ++w) {
      const uint64_t t = tab_[w] & (w == i / 64 ? ~uint64_t{0} << (i % 64) : ~uint64_t{0});
      total += popcount(t);
    }
    return total;
  }
  // The mark this scanner was made for.
  size_t find_mark(char, size_t i) const {
    const size_t at = next(mark_, i);
    return at < size() ? at : npos;
  }
  bool contains_pair(size_t i, const char*) const {
    for (size_t w = i / 64; w < words_; ++w) {
      // Pairs that a word boundary splits: the next word's first byte.
      const uint64_t carry = w + 1 < words_ ? close_[w + 1] << 63 : 0;
      uint64_t pairs = open_[w] & ((close_[w] >> 1) | carry);
      if (w == i / 64) pairs &= ~uint64_t{0} << (i % 64);
      if (pairs != 0) return true;
    }
    return false;
  }
  bool contains_dots(size_t i) const { return s_.find("...", i) != npos; }

 private:
  static constexpr size_t kWords = kMaxLine / 64;

  // One bit a lane, without the lanes already seen.
  static uint64_t bits(__m128i v, unsigned seen) {
    return static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(v)) >> seen);
  }

  // Without the processor's instruction, which plain x86-64 lacks, and
  // without the library call that the builtin then becomes.
  static int64_t popcount(uint64_t x) {
    x -= (x >> 1) & 0x5555555555555555ull;
    x = (x & 0x3333333333333333ull) + ((x >> 2) & 0x3333333333333333ull);
    x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0Full;
    return static_cast<int64_t>((x * 0x0101010101010101ull) >> 56);
  }

  // The first set bit at or after i, or kMaxLine.
  size_t next(const uint64_t* mask, size_t i) const {
    for (size_t w = i / 64; w < words_; ++w) {
      const uint64_t m = mask[w] & (w == i / 64 ? ~uint64_t{0} << (i % 64) : ~uint64_t{0});
      if (m != 0) return w * 64 + static_cast<size_t>(__builtin_ctzll(m));
    }
    return kMaxLine;
  }

  std::string_view s_;
  size_t words_;  // of the masks, the ones the line fills
  uint64_t space_[kWords], tab_[kWords], mark_[kWords], open_[kWords], close_[kWords];
};
#endif

// "%d": white space, an optional sign, then decimal digits. A value outside
// the signed 32-bit range does not convert.
template <class Scan>
bool scan_int(const Scan& t, size_t& i, int32_t& out) {
  size_t p = t.skip_space(i);
  bool negative = false;
  if (p < t.size() && (t[p] == '+' || t[p] == '-')) negative = t[p++] == '-';
  const size_t digits = p;
  uint64_t value = 0;
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  // Up to eight digits at once, from one word of the line.
  if (p + 8 <= t.size()) {
    uint64_t w;
    std::memcpy(&w, t.view(p, p + 8).data(), 8);
    const uint64_t d = w - 0x3030303030303030ull;
    // A byte is no digit when it is below '0' or above '9' (or not ASCII);
    // borrows only spoil the bytes after the first such one.
    const uint64_t other = (d | (w + 0x4646464646464646ull) | w) & 0x8080808080808080ull;
    const unsigned count = other == 0 ? 8 : static_cast<unsigned>(__builtin_ctzll(other)) / 8;
    if (count > 0 && count < 8) {
      // The digits to the top of the word, zeros below: then the classic
      // three multiplications turn eight digit bytes into their number.
      uint64_t v = d << (8 * (8 - count));
      v = (v * 10 + (v >> 8)) & 0x00FF00FF00FF00FFull;
      v = (v * 100 + (v >> 16)) & 0x0000FFFF0000FFFFull;
      v = (v * 10000 + (v >> 32)) & 0xFFFFFFFFull;
      out = negative ? static_cast<int32_t>(0 - v) : static_cast<int32_t>(v);
      i = p + count;
      return true;  // seven digits or fewer are always in range
    }
  }
#endif
  for (; p < t.size(); ++p) {
    const unsigned digit = static_cast<unsigned char>(t[p]) - '0';
    if (digit > 9) break;
    // Saturate: past 2^32 the exact value no longer matters.
    if (value <= (uint64_t{1} << 32)) value = value * 10 + digit;
  }
  if (p == digits) return false;
  const uint64_t limit = negative ? uint64_t{1} << 31 : (uint64_t{1} << 31) - 1;
  if (value > limit) return false;
  out = negative ? static_cast<int32_t>(0 - value) : static_cast<int32_t>(value);
  i = p;
  return true;
}

// "%s": white space, then a non-empty run of anything else.
template <class Scan>
bool scan_token(const Scan& t, size_t& i, std::string_view& token) {
  const size_t begin = t.skip_space(i);
  const size_t end = t.find_space(begin);
  if (end == begin) return false;
  token = t.view(begin, end);
  i = end;
  return true;
}

// Number and depth open both layouts; rest is where the remainder begins.
template <class Scan>
bool scan_head(const Scan& t, listing_entry& entry, size_t& rest) {
  rest = 0;
  if (!scan_int(t, rest, entry.number)) return false;
  const int64_t tabs = t.count_tabs(rest);
  if (tabs > std::numeric_limits<int32_t>::max()) return false;
  entry.depth = static_cast<int32_t>(tabs);
  return true;
}

// The definition tail of a sun line: a signature that may itself hold commas,
// then ", <file line". The signature ends at the first comma that such a
// place follows.
template <class Scan>
bool scan_sun_definition(const Scan& t, size_t tail, size_t comma, listing_entry& entry) {
  while (comma != npos) {
    size_t i = t.skip_space(comma + 1);
    if (i < t.size() && t[i] == '<') {
      ++i;
      std::string_view file;
      if (!scan_token(t, i, file)) return false;  // nothing but white space is left
      const size_t file_end = i;
      int32_t line;
      if (scan_int(t, i, line)) {
        // The tail begins with the white space that ended the name, so the
        // signature is never empty.
        entry.signature = t.view(tail, comma);
        entry.file = file;
        entry.line = line;
        return true;
      }
      // A comma inside this file token, followed by "<" and at least one more
      // character of it, meets the same token end and the same missing number.
      // Only the token's last two characters can start anything new; skipping
      // the rest keeps lines full of ",<" linear.
      comma = t.find_mark(',', file_end - std::min<size_t>(file.size(), 2));
    } else {
      comma = t.find_mark(',', i);
    }
  }
  return false;
}

template <class Scan>
int parse_sun(const Scan& t, listing_entry& entry) {
  size_t i;
  if (!scan_head(t, entry, i)) return 0;
  std::string_view token;
  if (!scan_token(t, i, token)) return 0;
  // The last character is the colon after the name, whatever it really is.
  entry.name = token.substr(0, token.size() - 1);
  const size_t tail = i;

  if (t.contains_pair(tail, "<>")) {
    entry.kind = ENTRY_EXTERNAL;
    return 1;
  }
  if (const size_t comma = t.find_mark(',', tail); comma != npos) {
    entry.kind = ENTRY_DEFINED;
    return scan_sun_definition(t, tail, comma, entry) ? 1 : 0;
  }
  entry.kind = ENTRY_REFERENCE;
  return scan_int(t, i, entry.number) ? 1 : 0;
}

template <class Scan>
int parse_free(const Scan& t, listing_entry& entry) {
  size_t i;
  if (!scan_head(t, entry, i)) return 0;
  if (!scan_token(t, i, entry.name)) return 0;
  if (entry.name == "..." && !scan_token(t, i, entry.name)) return 0;
  const size_t tail = i;

  if (t.contains_pair(tail, "{}")) {
    entry.kind = ENTRY_EXTERNAL;
    return 1;
  }
  if (t.contains_dots(tail)) {
    entry.kind = ENTRY_REFERENCE;
    size_t j = t.find_mark('{', tail);
    if (j == npos) return 0;
    ++j;
    return scan_int(t, j, entry.number) ? 1 : 0;
  }
  entry.kind = ENTRY_DEFINED;
  size_t j = t.skip_space(tail);
  if (j >= t.size() || t[j] != '{') return 0;
  ++j;
  if (!scan_token(t, j, entry.file) || !scan_int(t, j, entry.line)) return 0;
  entry.signature = t.view(tail, tail);  // empty, but within the line
  return 1;
}

}  // namespace

int format_from_name(std::string_view text) {
  if (text == "sun") return FORMAT_SUN;
  if (text == "free") return FORMAT_FREE;
  return FORMAT_AUTO;
}

int64_t count_char(std::string_view text, char c) {
  return static_cast<int64_t>(bytes::count(text.data(), text.size(), c));
}

int parse_line_any_length(int layout, std::string_view text, listing_entry& entry) {
  const text_scanner t(text);
  return layout == FORMAT_FREE ? parse_free(t, entry) : parse_sun(t, entry);
}

int parse_sun_line(std::string_view text, listing_entry& entry) {
#if defined(__SSE2__)
  if (text.size() <= mask_scanner::kMaxLine) return parse_sun(mask_scanner(text, ',', "<>"), entry);
#endif
  return parse_sun(text_scanner(text), entry);
}

int parse_free_line(std::string_view text, listing_entry& entry) {
#if defined(__SSE2__)
  if (text.size() <= mask_scanner::kMaxLine)
    return parse_free(mask_scanner(text, '{', "{}"), entry);
#endif
  return parse_free(text_scanner(text), entry);
}

int parse_listing_line(std::string_view text, listing_entry& entry) {
  switch (input_format) {
    case FORMAT_FREE:
      return parse_free_line(text, entry);
    case FORMAT_AUTO:
      if (parse_sun_line(text, entry)) {
        input_format = FORMAT_SUN;
        return PARSE_OK;
      }
      if (parse_free_line(text, entry)) {
        input_format = FORMAT_FREE;
        return PARSE_OK;
      }
      return PARSE_UNRECOGNIZED;
    default:
      return parse_sun_line(text, entry);
  }
}

int parse_padded_line(std::string_view text, listing_entry& entry) {
  // The first line decides the layout by the general reading.
  if (input_format != FORMAT_AUTO && current_quick_road != nullptr &&
      text.size() <= line_masks::kMaxLine &&
      (input_format == FORMAT_FREE ? current_quick_road->free(text, entry)
                                   : current_quick_road->sun(text, entry)))
    return PARSE_OK;
  return parse_listing_line(text, entry);
}
