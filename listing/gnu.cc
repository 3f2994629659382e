#include "listing/gnu.h"

#include <cstdint>
#include <cstring>

namespace {

constexpr size_t npos = std::string_view::npos;

// string_view::substr without its bounds check, whose throw would make the
// filters that link this need the C++ library; every caller is in bounds.
std::string_view part(std::string_view s, size_t from, size_t n = npos) {
  return {s.data() + from, n == npos ? s.size() - from : n};
}

bool is_digit(char c) { return static_cast<unsigned char>(c - '0') <= 9; }
bool is_blank(char c) { return c == ' ' || c == '\t'; }

// Decimal digits only, as GNU writes them, within the signed 32-bit range.
bool to_int(std::string_view s, int32_t& out) {
  if (s.empty() || s.size() > 10) return false;
  int64_t value = 0;
  for (char c : s) {
    if (!is_digit(c)) return false;
    value = value * 10 + (c - '0');
  }
  if (value > INT32_MAX) return false;
  out = static_cast<int32_t>(value);
  return true;
}

bool ends_with(std::string_view s, std::string_view end) {
  return s.size() >= end.size() && part(s, s.size() - end.size()) == end;
}

// The level that -l (--print-level) writes before the indent, "{   2} ":
// skipped, as the indent says the same.
size_t skip_print_level(std::string_view t, size_t i, bool& seen) {
  if (i >= t.size() || t[i] != '{') return i;
  size_t j = i + 1;
  while (j < t.size() && t[j] == ' ') ++j;
  const size_t digits = j;
  while (j < t.size() && is_digit(t[j])) ++j;
  if (j == digits || j + 1 >= t.size() || t[j] != '}' || t[j + 1] != ' ') return i;
  seen = true;
  return j + 2;
}

// The optional number, then the indent: returns where the name begins, or
// npos. A number is "%5d" and one blank; the level is the TABs and the
// groups of four blanks after it.
size_t scan_indent(std::string_view t, listing_entry& entry, bool need_number,
                   bool* print_level = nullptr) {
  size_t i = 0;
  while (i < t.size() && t[i] == ' ') ++i;
  if (i < t.size() && is_digit(t[i])) {
    const size_t digits = i;
    while (i < t.size() && is_digit(t[i])) ++i;
    if (!to_int(part(t, digits, i - digits), entry.number)) return npos;
    if (i < t.size() && t[i] == ' ') ++i;
  } else if (need_number) {
    return npos;
  } else {
    i = 0;
  }
  bool seen = false;
  i = skip_print_level(t, i, seen);
  if (print_level != nullptr) *print_level = seen;
  int64_t level = 0, blanks = 0;
  for (; i < t.size() && is_blank(t[i]); ++i) {
    if (t[i] == '\t')
      ++level;
    else
      ++blanks;
  }
  level += blanks / 4;
  if (i == t.size() || level >= INT32_MAX) return npos;
  entry.depth = static_cast<int32_t>(level + 1);
  return i;
}

// " (recursive: see N)" or " [see N]" at the end of t: strips it.
bool strip_see(std::string_view& t, const char* open, char close, int32_t& number) {
  if (t.empty() || t.back() != close) return false;
  const size_t at = t.rfind(open);
  if (at == npos) return false;
  int32_t n;
  const size_t from = at + std::strlen(open);
  if (!to_int(part(t, from, t.size() - 1 - from), n)) return false;
  number = n;
  t = part(t, 0, at);
  return true;
}

}  // namespace

int parse_gnu_line(padded_text line, listing_entry& entry) {
  const std::string_view text = line;
  // The entry's fields are parts of the line, as the reader hands it.
  auto field = [&](std::string_view v) {
    const auto at = static_cast<size_t>(v.data() - text.data());
    return line.part(at, at + v.size());
  };
  const size_t begin = scan_indent(text, entry, false);
  if (begin == npos) return 0;
  std::string_view t = part(text, begin);
  const size_t call = t.find("()");
  if (call == 0 || call == npos) return 0;
  entry.name = field(part(t, 0, call));
  for (char c : entry.name.view()) {
    if (is_blank(c)) return 0;
  }
  // cflow --tree draws its branches before the names: no listing of ours.
  const std::string_view name = entry.name.view();
  if (name[0] == '|' || (name.size() >= 2 && (name[0] == '+' || name[0] == '\\') && name[1] == '-'))
    return 0;
  t = part(t, call + 2);
  // A listing that went through a DOS editor ends its lines with a CR.
  while (!t.empty() && (t.back() == '\r' || is_blank(t.back()))) t.remove_suffix(1);

  bool reference = false;
  int32_t referred = 0;
  if (strip_see(t, " [see ", ']', referred)) reference = true;
  if (!t.empty() && t.back() == ':') t.remove_suffix(1);
  if (strip_see(t, " (recursive: see ", ')', referred)) reference = true;
  if (ends_with(t, " (R)")) t.remove_suffix(4);

  if (!t.empty()) {
    // " <declaration at file:line>"
    if (t.size() < 3 || t[0] != ' ' || t[1] != '<' || t.back() != '>') return 0;
    const std::string_view inside = part(t, 2, t.size() - 3);
    const size_t colon = inside.rfind(':');
    if (colon == npos || !to_int(part(inside, colon + 1), entry.line)) return 0;
    const size_t at = inside.rfind(" at ", colon);
    if (at == npos || at + 4 >= colon) return 0;
    entry.signature = field(part(inside, 0, at));
    entry.file = field(part(inside, at + 4, colon - at - 4));
    entry.kind = ENTRY_DEFINED;
  } else {
    entry.kind = ENTRY_EXTERNAL;
  }
  if (reference) {
    entry.kind = ENTRY_REFERENCE;
    entry.number = referred;
  }
  return 1;
}

int parse_posix_line(padded_text text, listing_entry& entry) {
  bool print_level = false;
  listing_entry head;
  const size_t name = scan_indent(text.view(), head, true, &print_level);
  if (print_level) {
    if (name == npos) return 0;
    entry.number = head.number;
    entry.depth = head.depth;
    return parse_sun_tail(text, name, entry);
  }
  if (!parse_sun_line(text, entry)) return 0;
  // GNU's own indentation where it stands; any other sun line (a sign
  // before its number, say) is read as tanglet reads it, its TABs on the
  // same footing as the levels above: roots at depth 1, under no line.
  listing_entry indent;
  if (scan_indent(text.view(), indent, true) != npos) {
    entry.depth = indent.depth;
  } else if (entry.depth < INT32_MAX) {
    ++entry.depth;
  }
  return 1;
}

size_t gnu_signature(std::string_view declaration, std::string_view name, char* out) {
  // cflow's own rule: take out the first whole token that is the name, and
  // one blank before it.
  auto is_token = [](char c) {
    return c == '_' || c == '$' || is_digit(c) || static_cast<unsigned char>((c | 0x20) - 'a') < 26;
  };
  size_t at = name.empty() ? npos : declaration.find(name);
  while (at != npos &&
         ((at > 0 && is_token(declaration[at - 1])) ||
          (at + name.size() < declaration.size() && is_token(declaration[at + name.size()]))))
    at = declaration.find(name, at + 1);
  std::string_view before = declaration, after;
  if (at != npos) {
    before = part(declaration, 0, at);
    after = part(declaration, at + name.size());
    if (!before.empty() && before.back() == ' ') before.remove_suffix(1);
  }
  char* p = out;
  if (!before.empty()) std::memcpy(p, before.data(), before.size());
  p += before.size();
  if (!after.empty()) std::memcpy(p, after.data(), after.size());
  p += after.size();
  return static_cast<size_t>(p - out);
}
