// Names, signatures and file names come from untrusted listings: any bytes.
// Each format writes them so that its reader takes the whole text, valid
// whatever it holds.
#ifndef TANGLET_VIEW_OUTPUT_TEXT_H_
#define TANGLET_VIEW_OUTPUT_TEXT_H_

#include <string_view>

// The bytes of U+FFFD, which stands for what is not UTF-8.
constexpr std::string_view kReplacement = "\xef\xbf\xbd";

// The length of the UTF-8 sequence that starts s (not empty), 1 to 4; or,
// when none does, minus the length of its maximal subpart, which a decoder
// shows as one U+FFFD, as browsers do.
inline int utf8_sequence(std::string_view s) {
  const auto c = static_cast<unsigned char>(s[0]);
  if (c < 0x80) return 1;
  int need;
  unsigned lo = 0x80, hi = 0xbf;
  if (c >= 0xc2 && c <= 0xdf) {
    need = 1;
  } else if (c >= 0xe0 && c <= 0xef) {
    need = 2;
    if (c == 0xe0) lo = 0xa0;  // overlong
    if (c == 0xed) hi = 0x9f;  // surrogates
  } else if (c >= 0xf0 && c <= 0xf4) {
    need = 3;
    if (c == 0xf0) lo = 0x90;  // overlong
    if (c == 0xf4) hi = 0x8f;  // past U+10FFFF
  } else {
    return -1;
  }
  for (int k = 1; k <= need; ++k) {
    const size_t at = static_cast<size_t>(k);
    if (at >= s.size()) return -k;
    const auto b = static_cast<unsigned char>(s[at]);
    if (b < lo || b > hi) return -k;
    lo = 0x80;
    hi = 0xbf;
  }
  return need + 1;
}

// Writes s through out in runs: a part that is not UTF-8 becomes
// replacement, and an ASCII byte that special picks out goes to escape
// (s before from is known to need neither).
template <class W, class Special, class Escape>
void put_utf8(W& out, std::string_view s, size_t from, std::string_view replacement,
              Special&& special, Escape&& escape) {
  size_t start = 0;  // the first byte not yet written
  for (size_t i = from; i < s.size(); ++i) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c >= 0x80) {
      const int n = utf8_sequence(s.substr(i));
      if (n > 0) {
        i += static_cast<size_t>(n) - 1;
        continue;
      }
      out.put(s.substr(start, i - start));
      out.put(replacement);
      i += static_cast<size_t>(-n) - 1;
    } else if (special(c)) {
      out.put(s.substr(start, i - start));
      escape(c);
    } else {
      continue;
    }
    start = i + 1;
  }
  out.put(s.substr(start));
}

// A control byte that a drawing shows as "\x01"; a TAB is a blank to them.
inline bool is_control(unsigned char c) { return (c < 0x20 && c != '\t') || c == 0x7f; }

#endif  // TANGLET_VIEW_OUTPUT_TEXT_H_
