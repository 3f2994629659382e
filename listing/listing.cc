#include "listing/listing.h"

#include <algorithm>
#include <cstddef>
#include <limits>

#include "listing/bytes.h"

int input_format = FORMAT_AUTO;

namespace {

using bytes::is_space;

inline size_t skip_space(std::string_view s, size_t i) {
  while (i < s.size() && is_space(s[i])) ++i;
  return i;
}

// "%d": white space, an optional sign, then decimal digits. A value outside
// the signed 32-bit range does not convert.
bool scan_int(std::string_view s, size_t& i, int32_t& out) {
  size_t p = skip_space(s, i);
  bool negative = false;
  if (p < s.size() && (s[p] == '+' || s[p] == '-')) negative = s[p++] == '-';
  const size_t digits = p;
  uint64_t value = 0;
  for (; p < s.size(); ++p) {
    const unsigned digit = static_cast<unsigned char>(s[p]) - '0';
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
bool scan_token(std::string_view s, size_t& i, std::string_view& token) {
  const size_t begin = skip_space(s, i);
  const size_t p = bytes::find_space(s.data(), begin, s.size());
  if (p == begin) return false;
  token = s.substr(begin, p - begin);
  i = p;
  return true;
}

inline bool contains(std::string_view s, std::string_view what) {
  return s.find(what) != std::string_view::npos;
}

// Number and depth open both layouts; returns the remainder after the number.
bool scan_head(std::string_view text, listing_entry& entry, std::string_view& rest) {
  size_t i = 0;
  if (!scan_int(text, i, entry.number)) return false;
  rest = text.substr(i);
  const int64_t tabs = count_char(rest, '\t');
  if (tabs > std::numeric_limits<int32_t>::max()) return false;
  entry.depth = static_cast<int32_t>(tabs);
  return true;
}

// The definition tail of a sun line: a signature that may itself hold commas,
// then ", <file line". The signature ends at the first comma that such a
// place follows.
bool scan_sun_definition(std::string_view tail, size_t comma, listing_entry& entry) {
  while (comma != std::string_view::npos) {
    size_t i = skip_space(tail, comma + 1);
    if (i < tail.size() && tail[i] == '<') {
      ++i;
      std::string_view file;
      if (!scan_token(tail, i, file)) return false;  // nothing but white space is left
      const size_t file_begin = static_cast<size_t>(file.data() - tail.data());
      int32_t line;
      if (scan_int(tail, i, line)) {
        // The tail begins with the white space that ended the name, so the
        // signature is never empty.
        entry.signature = tail.substr(0, comma);
        entry.file = file;
        entry.line = line;
        return true;
      }
      // A comma inside this file token, followed by "<" and at least one more
      // character of it, meets the same token end and the same missing number.
      // Only the token's last two characters can start anything new; skipping
      // the rest keeps lines full of ",<" linear.
      comma = tail.find(',', file_begin + file.size() - std::min<size_t>(file.size(), 2));
    } else {
      comma = tail.find(',', i);
    }
  }
  return false;
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

int parse_sun_line(std::string_view text, listing_entry& entry) {
  std::string_view rest;
  if (!scan_head(text, entry, rest)) return 0;
  size_t i = 0;
  std::string_view token;
  if (!scan_token(rest, i, token)) return 0;
  // The last character is the colon after the name, whatever it really is.
  entry.name = token.substr(0, token.size() - 1);
  const std::string_view tail = rest.substr(i);

  if (contains(tail, "<>")) {
    entry.kind = ENTRY_EXTERNAL;
    return 1;
  }
  if (const size_t comma = tail.find(','); comma != std::string_view::npos) {
    entry.kind = ENTRY_DEFINED;
    return scan_sun_definition(tail, comma, entry) ? 1 : 0;
  }
  entry.kind = ENTRY_REFERENCE;
  size_t j = 0;
  return scan_int(tail, j, entry.number) ? 1 : 0;
}

int parse_free_line(std::string_view text, listing_entry& entry) {
  std::string_view rest;
  if (!scan_head(text, entry, rest)) return 0;
  size_t i = 0;
  if (!scan_token(rest, i, entry.name)) return 0;
  if (entry.name == "..." && !scan_token(rest, i, entry.name)) return 0;
  const std::string_view tail = rest.substr(i);

  if (contains(tail, "{}")) {
    entry.kind = ENTRY_EXTERNAL;
    return 1;
  }
  if (contains(tail, "...")) {
    entry.kind = ENTRY_REFERENCE;
    size_t j = tail.find('{');
    if (j == std::string_view::npos) return 0;
    ++j;
    return scan_int(tail, j, entry.number) ? 1 : 0;
  }
  entry.kind = ENTRY_DEFINED;
  size_t j = skip_space(tail, 0);
  if (j >= tail.size() || tail[j] != '{') return 0;
  ++j;
  if (!scan_token(tail, j, entry.file) || !scan_int(tail, j, entry.line)) return 0;
  entry.signature = {};
  return 1;
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
