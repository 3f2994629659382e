// JSON text: numbers and strings, UTF-8 whatever the bytes. Shared by the
// JSON format and the explorer's page data.
#ifndef TANGLET_VIEW_OUTPUT_JSON_TEXT_H_
#define TANGLET_VIEW_OUTPUT_JSON_TEXT_H_

#include <cstdint>
#include <cstdio>
#include <string_view>

#include "io/bytes.h"
#include "view/output/text.h"

template <class W>
void put_int64(W& out, int64_t value) {
  char digits[24];
  const int n = std::snprintf(digits, sizeof digits, "%lld", static_cast<long long>(value));
  out.put(std::string_view(digits, static_cast<size_t>(n)));
}

// JSON's string escapes; in the HTML also "<", so that no name ends the
// script element that holds the data.
template <class W>
void json_chars(W& out, std::string_view s, bool html) {
  // Most texts need no escape: eight bytes a step until one might.
  size_t i = 0;
  for (; i + 8 <= s.size(); i += 8) {
    const uint64_t w = bytes::load(s.data() + i);
    if ((w & bytes::kHighs) != 0 || bytes::any_below(w, 0x20) ||
        bytes::zero_bytes(w ^ (bytes::kOnes * '"')) ||
        bytes::zero_bytes(w ^ (bytes::kOnes * '\\')) ||
        (html && bytes::zero_bytes(w ^ (bytes::kOnes * '<'))))
      break;
  }
  // JSON is UTF-8: what is not becomes U+FFFD, as a browser shows it.
  const auto special = [html](unsigned char c) {
    return c < 0x20 || c == '"' || c == '\\' || (html && c == '<');
  };
  put_utf8(out, s, i, "\\ufffd", special, [&out](unsigned char c) {
    switch (c) {
      case '"':
        out.put("\\\"");
        break;
      case '\\':
        out.put("\\\\");
        break;
      case '\n':
        out.put("\\n");
        break;
      case '\t':
        out.put("\\t");
        break;
      case '\r':
        out.put("\\r");
        break;
      default: {
        char u[8];
        std::snprintf(u, sizeof u, "\\u%04x", c);
        out.put(std::string_view(u, 6));
      }
    }
  });
}

template <class W>
void json_string(W& out, std::string_view s, bool html) {
  out.put('"');
  json_chars(out, s, html);
  out.put('"');
}

#endif  // TANGLET_VIEW_OUTPUT_JSON_TEXT_H_
