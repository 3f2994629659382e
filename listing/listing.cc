#include "listing/listing.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <limits>

#include "io/bytes.h"
#include "io/padded.h"
#include "listing/gnu.h"
#include "listing/quick/quick.h"

int input_format = FORMAT_AUTO;

namespace {

constexpr size_t npos = std::string_view::npos;

// The grammar below asks a few questions about the line: where the white
// space is, how many TABs follow a place, where a comma or a pair of
// characters is. text_scanner answers them for a line of any length, a byte
// or a word at a time. (The lines cflow writes mostly take the quick road,
// quick.h, instead.)
class text_scanner {
 public:
  explicit text_scanner(padded_text text) : s_(text) {}

  size_t size() const { return s_.size(); }
  char operator[](size_t i) const { return s_[i]; }
  padded_text view(size_t begin, size_t end) const { return s_.part(begin, end); }

  size_t skip_space(size_t i) const {
    while (i < s_.size() && bytes::is_space(s_[i])) ++i;
    return i;
  }
  size_t find_space(size_t i) const { return bytes::find_space(s_.data(), i, s_.size()); }
  int64_t count_tabs(size_t i) const {
    return i < s_.size() ? count_char(std::string_view(s_.data() + i, s_.size() - i), '\t') : 0;
  }
  // The sun layout's comma, the free layout's "{": npos when there is none.
  size_t find_mark(char c, size_t i) const { return s_.view().find(c, i); }
  // Whether "<>" (sun) or "{}" (free) stands at or after i.
  bool contains_pair(size_t i, const char pair[2]) const {
    return s_.view().find(std::string_view(pair, 2), i) != npos;
  }
  bool contains_dots(size_t i) const { return s_.view().find("...", i) != npos; }

 private:
  padded_text s_;
};

// "%d": white space, an optional sign, then decimal digits. A value outside
// the signed 32-bit range does not convert.
bool scan_int(const text_scanner& t, size_t& i, int32_t& out) {
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
bool scan_token(const text_scanner& t, size_t& i, padded_text& token) {
  const size_t begin = t.skip_space(i);
  const size_t end = t.find_space(begin);
  if (end == begin) return false;
  token = t.view(begin, end);
  i = end;
  return true;
}

// Number and depth open both layouts; rest is where the remainder begins.
bool scan_head(const text_scanner& t, listing_entry& entry, size_t& rest) {
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
bool scan_sun_definition(const text_scanner& t, size_t tail, size_t comma, listing_entry& entry) {
  while (comma != npos) {
    size_t i = t.skip_space(comma + 1);
    if (i < t.size() && t[i] == '<') {
      ++i;
      padded_text file;
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

int parse_sun(const text_scanner& t, listing_entry& entry) {
  size_t i;
  if (!scan_head(t, entry, i)) return 0;
  padded_text token;
  if (!scan_token(t, i, token)) return 0;
  // The last character is the colon after the name, whatever it really is.
  entry.name = token.part(0, token.size() - 1);
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

int parse_free(const text_scanner& t, listing_entry& entry) {
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

// The first line of a sun listing decides how its lines are indented, and
// so how deep each is, whether the layout was named or found: a TAB is the
// TAB recipe, which the quick road reads; none, GNU's blanks.
bool parse_first_sun_line(padded_text text, listing_entry& entry) {
  if (!parse_sun(text_scanner(text), entry)) return false;
  input_format = FORMAT_SUN;
  if (text.view().find('\t') == npos) {
    input_format = FORMAT_POSIX;
    parse_posix_line(text, entry);
  }
  return true;
}

}  // namespace

input_layout format_from_name(std::string_view text) {
  if (text == "sun") return FORMAT_SUN;
  if (text == "free") return FORMAT_FREE;
  return FORMAT_AUTO;
}

int64_t count_char(std::string_view text, char c) {
  return static_cast<int64_t>(bytes::count(text.data(), text.size(), c));
}

int parse_sun_line(padded_text text, listing_entry& entry) {
  return parse_sun(text_scanner(text), entry);
}

int parse_free_line(padded_text text, listing_entry& entry) {
  return parse_free(text_scanner(text), entry);
}

parse_result parse_listing_line(padded_text text, listing_entry& entry) {
  switch (input_format) {
    case FORMAT_FREE:
      return parse_free_line(text, entry) ? PARSE_OK : PARSE_ERROR;
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
    case FORMAT_GNU:
      return parse_gnu_line(text, entry) ? PARSE_OK : PARSE_ERROR;
    case FORMAT_POSIX:
      return parse_posix_line(text, entry) ? PARSE_OK : PARSE_ERROR;
    case FORMAT_SUN_ANY:
      return parse_first_sun_line(text, entry) ? PARSE_OK : PARSE_ERROR;
    case FORMAT_ANY:
      if (parse_first_sun_line(text, entry)) return PARSE_OK;
      if (parse_gnu_line(text, entry)) {
        input_format = FORMAT_GNU;
        return PARSE_OK;
      }
      if (parse_free_line(text, entry)) {
        input_format = FORMAT_FREE;
        return PARSE_OK;
      }
      return PARSE_UNRECOGNIZED;
    default:
      return parse_sun_line(text, entry) ? PARSE_OK : PARSE_ERROR;
  }
}

parse_result parse_padded_line(padded_text text, listing_entry& entry) {
  // The first line decides the layout by the general reading.
  if ((input_format == FORMAT_SUN || input_format == FORMAT_FREE) &&
      current_quick_road != nullptr && text.size() <= kQuickMaxLine &&
      (input_format == FORMAT_FREE ? current_quick_road->free(text, entry)
                                   : current_quick_road->sun(text, entry)))
    return PARSE_OK;
  return parse_listing_line(text, entry);
}
