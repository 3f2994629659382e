#include "view/output/link.h"

#include <cstdio>

namespace {

bool alpha(char c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; }
bool digit(char c) { return c >= '0' && c <= '9'; }
bool scheme_char(char c) { return alpha(c) || digit(c) || c == '+' || c == '-' || c == '.'; }

// RFC 3986's unreserved characters, and "/" so that paths stay readable.
bool kept_in_file(char c) {
  return alpha(c) || digit(c) || c == '-' || c == '.' || c == '_' || c == '~' || c == '/';
}

// What may not stand in a URL as it is, nor in any format's quoted string.
bool kept_in_template(char c) {
  const auto u = static_cast<unsigned char>(c);
  return u > 0x20 && u < 0x7f && std::string_view("\"<>\\^`{|}").find(c) == std::string_view::npos;
}

void put_escaped(std::string& out, char c) {
  static const char kHex[] = "0123456789ABCDEF";
  const auto u = static_cast<unsigned char>(c);
  out += '%';
  out += kHex[u >> 4];
  out += kHex[u & 15];
}

bool same_letters(std::string_view a, std::string_view lower) {
  if (a.size() != lower.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if ((a[i] | 0x20) != lower[i]) return false;
  }
  return true;
}

// True where text has no scheme (a relative link, resolved against the
// page's own http, https or file address) or one of those three.
bool scheme_allowed(std::string_view text) {
  if (text.empty() || !alpha(text[0])) return true;
  size_t n = 0;
  while (n < text.size() && scheme_char(text[n])) ++n;
  if (n == text.size() || text[n] != ':') return true;
  const std::string_view scheme = text.substr(0, n);
  return same_letters(scheme, "http") || same_letters(scheme, "https") ||
         same_letters(scheme, "file");
}

}  // namespace

bool link_template_allowed(std::string_view link) {
  std::string head;
  for (size_t i = 0; i < link.size(); ++i) {
    const char c = link[i];
    if (c == '%' && i + 1 < link.size() && (link[i + 1] == 'f' || link[i + 1] == 'l')) break;
    if (c == '%' && i + 1 < link.size() && link[i + 1] == '%') ++i;
    if (c == '\t' || c == '\n' || c == '\r') continue;
    if (head.empty() && static_cast<unsigned char>(c) <= 0x20) continue;
    head += c;
  }
  return scheme_allowed(head);
}

bool expand_link(std::string_view link, std::string_view file, int32_t line, std::string& out) {
  out.clear();
  for (size_t i = 0; i < link.size(); ++i) {
    const char c = link[i], next = i + 1 < link.size() ? link[i + 1] : '\0';
    if (c == '%' && (next == 'f' || next == 'l' || next == '%')) {
      ++i;
      if (next == 'f') {
        for (const char f : file) {
          if (kept_in_file(f))
            out += f;
          else
            put_escaped(out, f);
        }
      } else if (next == 'l') {
        char digits[16];
        out.append(digits, static_cast<size_t>(std::snprintf(digits, sizeof digits, "%d", line)));
      } else {
        out += '%';
      }
    } else if (kept_in_template(c)) {
      out += c;
    } else {
      put_escaped(out, c);
    }
  }
  if (scheme_allowed(out)) return true;
  out.clear();
  return false;
}
